#include "client/janela_login.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace kvt::cliente {

TfrmLogin::TfrmLogin(QWidget* parent) : QDialog(parent) {
  setObjectName("frmLogin");
  setWindowTitle("Login para o KVT");
  setModal(true);
  edOperador = new QLineEdit(this);
  edOperador->setObjectName("edOperador");
  edSenha = new QLineEdit(this);
  edSenha->setObjectName("edSenha");
  edSenha->setEchoMode(QLineEdit::Password);
  edSenha->setStyleSheet("QLineEdit { lineedit-password-character: 42 }");  // masked with "*"
  chkUltimoTeleventoProcessado = new QCheckBox(QString::fromUtf8("Enviar o último teleevento processado"), this);
  chkUltimoTeleventoProcessado->setObjectName("chkUltimoTeleventoProcessado");
  chkUltimoTeleventoProcessado->setChecked(true);
  btnEnviar = new QPushButton("&Enviar", this);
  btnEnviar->setObjectName("btnEnviar");
  btnEnviar->setDefault(true);
  btnCancela = new QPushButton("&Cancela", this);
  btnCancela->setObjectName("btnCancela");

  // typed text is forced to upper case
  connect(edSenha, &QLineEdit::textEdited, this, [this](const QString& t) {
    const int cursor = edSenha->cursorPosition();
    edSenha->setText(t.toUpper());
    edSenha->setCursorPosition(cursor);
  });
  connect(btnEnviar, &QPushButton::clicked, this, &QDialog::accept);
  connect(btnCancela, &QPushButton::clicked, this, [this] {
    edOperador->clear();
    edSenha->clear();
    reject();
  });

  auto* campos = new QFormLayout;
  campos->addRow("Operador:", edOperador);
  campos->addRow("Senha:", edSenha);
  auto* botoes = new QHBoxLayout;
  botoes->addStretch();
  botoes->addWidget(btnEnviar);
  botoes->addWidget(btnCancela);
  auto* tudo = new QVBoxLayout(this);
  tudo->addLayout(campos);
  tudo->addWidget(chkUltimoTeleventoProcessado);
  tudo->addLayout(botoes);
}

}  // namespace kvt::cliente
