#pragma once

// TfrmLogin: operator and password for the -27 log-in. The password is typed
// in upper case and masked.

#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>

namespace kvt::cliente {

class TfrmLogin : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmLogin(QWidget* parent = nullptr);

  QLineEdit* edOperador;
  QLineEdit* edSenha;
  QCheckBox* chkUltimoTeleventoProcessado;
  QPushButton* btnEnviar;
  QPushButton* btnCancela;
};

}  // namespace kvt::cliente
