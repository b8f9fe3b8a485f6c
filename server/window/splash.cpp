#include "server/window/splash.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

#include "server/window/imagens.h"
#include "server/window/texto_qt.h"

namespace kvt::window {

using namespace text::literals;

TFSplash::TFSplash() : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint), imagem_(ImagemSplash()) {
  setObjectName("FSplash");
  setWindowTitle("Talvero - KVT");
  setFixedSize(imagem_.size());
}

void TFSplash::mostra() {
  if (const QScreen* tela = QGuiApplication::primaryScreen())
    move(tela->availableGeometry().center() - rect().center());
  show();
  raise();
  repaint();
}

void TFSplash::paintEvent(QPaintEvent*) {
  QPainter g(this);
  g.setRenderHint(QPainter::Antialiasing);
  g.drawPixmap(0, 0, imagem_);
  QFont fonte("DejaVu Sans");
  fonte.setBold(true);
  fonte.setPixelSize(26);
  g.setFont(fonte);
  g.setPen(Qt::white);
  g.drawText(QRect(80, 24, width() - 90, 40), Qt::AlignVCenter | Qt::AlignLeft, "KORVATEL");
  fonte.setBold(false);
  fonte.setPixelSize(15);
  g.setFont(fonte);
  g.drawText(QRect(80, 58, width() - 90, 24), Qt::AlignVCenter | Qt::AlignLeft,
             ParaQt("Interface de Acesso à Central Talvero"_cp));
  g.setPen(QColor(255, 255, 255, 140));
  g.drawRect(rect().adjusted(0, 0, -1, -1));
}

}  // namespace kvt::window
