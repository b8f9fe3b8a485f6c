#include "server/window/janela_espera.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>

#include "server/window/texto_qt.h"

namespace kvt::window {

JanelaEspera::JanelaEspera(const std::string& titulo, const std::string& texto)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
  setObjectName("JanelaEspera");
  setWindowTitle(ParaQt(titulo));
  setFixedSize(460, 170);
  setAutoFillBackground(true);
  QPalette paleta = palette();
  paleta.setColor(QPalette::Window, QColor(0xF4, 0xF6, 0xF8));
  setPalette(paleta);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(1, 1, 1, 1);
  layout->setSpacing(0);
  titulo_ = new QLabel(ParaQt(titulo), this);
  titulo_->setObjectName("pnTitulo");
  titulo_->setAutoFillBackground(true);
  titulo_->setContentsMargins(10, 6, 10, 6);
  titulo_->setStyleSheet("QLabel { background: #1F3A5F; color: white; font-weight: bold; }");
  texto_ = new QLabel(ParaQt(texto), this);
  texto_->setObjectName("lbTexto");
  texto_->setWordWrap(true);
  texto_->setAlignment(Qt::AlignCenter);
  texto_->setContentsMargins(18, 12, 18, 12);
  QFont fonte = texto_->font();
  fonte.setPointSizeF(fonte.pointSizeF() * 1.3);
  texto_->setFont(fonte);
  layout->addWidget(titulo_);
  layout->addWidget(texto_, 1);
}

void JanelaEspera::mostra() {
  if (const QScreen* tela = QGuiApplication::primaryScreen())
    move(tela->availableGeometry().center() - rect().center());
  show();
  raise();
  repaint();
}

QString JanelaEspera::titulo() const { return titulo_->text(); }
QString JanelaEspera::texto() const { return texto_->text(); }

}  // namespace kvt::window
