#include "server/window/sobre.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "server/window/imagens.h"
#include "server/window/texto_qt.h"

namespace kvt::window {

using namespace text::literals;

TSobre::TSobre(const std::string& versao, QWidget* pai)
    : QDialog(pai, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint) {
  setObjectName("Sobre");
  setWindowTitle("Sobre o Korvatel");
  setModal(true);

  auto* emblema = new QLabel(this);
  emblema->setPixmap(ImagemEmblema(56));
  emblema->setAlignment(Qt::AlignTop);

  auto* titulo = new QLabel(ParaQt("Interface de Acesso à Central Talvero"_cp), this);
  titulo->setObjectName("lbTitulo");
  QFont fonte = titulo->font();
  fonte.setBold(true);
  fonte.setPointSizeF(fonte.pointSizeF() * 1.2);
  titulo->setFont(fonte);
  lbVersao_ = new QLabel(this);
  lbVersao_->setObjectName("lbVersao");
  lbVersao_->setText(ParaQt("Versão "_cp + versao));
  auto* objetivo =
      new QLabel(ParaQt("Objetivo: Prover Acesso Remoto Online à Central Talvero via Socket e XML"_cp), this);
  objetivo->setObjectName("lbObjetivo");
  objetivo->setWordWrap(true);

  auto* textos = new QVBoxLayout;
  textos->addWidget(titulo);
  textos->addWidget(lbVersao_);
  textos->addSpacing(8);
  textos->addWidget(objetivo);
  auto* topo = new QHBoxLayout;
  topo->addWidget(emblema);
  topo->addSpacing(12);
  topo->addLayout(textos, 1);

  auto* botoes = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  botoes->button(QDialogButtonBox::Ok)->setText("OK");
  connect(botoes, &QDialogButtonBox::accepted, this, &QDialog::accept);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(topo);
  layout->addSpacing(10);
  layout->addWidget(botoes);
  setFixedSize(420, sizeHint().height());
}

QString TSobre::versao() const { return lbVersao_->text(); }

}  // namespace kvt::window
