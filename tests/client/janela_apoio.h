#pragma once

// What the window tests share: opening the main window offscreen, finding an
// open message box, logging in through the log-in window, screenshots.

#include <QMessageBox>
#include <QTest>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "client/janela_login.h"
#include "client/janela_principal.h"

namespace kvt::test {

// Screenshots go where KVT_SCREENSHOT_DIR says (docs/ when they are refreshed).
inline void fotografa(QWidget& w, const char* nome) {
  const char* pasta = std::getenv("KVT_SCREENSHOT_DIR");
  if (!pasta) return;
  w.grab().save(QString::fromStdString((std::filesystem::path(pasta) / nome).string()));
}

inline std::unique_ptr<cliente::JanelaPrincipal> abreJanela(const std::string& pasta) {
  auto j = std::make_unique<cliente::JanelaPrincipal>(pasta);
  j->resize(1366, 1000);
  j->show();
  return j;
}

inline QMessageBox* caixaAberta(QWidget& w) {
  for (QMessageBox* b : w.findChildren<QMessageBox*>())
    if (b->isVisible()) return b;
  return nullptr;
}

// Closes every open box (as the user's "OK" would).
inline void fechaCaixas(QWidget& w) {
  for (QMessageBox* b : w.findChildren<QMessageBox*>())
    if (b->isVisible()) b->accept();
}

// Connects and logs in through the log-in window; true when sending is enabled.
inline bool entra(cliente::JanelaPrincipal& j, const char* operador, const char* senha) {
  QTest::mouseClick(j.btnConnect, Qt::LeftButton);
  if (!QTest::qWaitFor([&] { return j.frmLogin() != nullptr; }, 10000)) return false;
  QTest::keyClicks(j.frmLogin()->edOperador, operador);
  QTest::keyClicks(j.frmLogin()->edSenha, senha);
  QTest::mouseClick(j.frmLogin()->btnEnviar, Qt::LeftButton);
  return QTest::qWaitFor([&] { return j.btnEnviar->isEnabled(); }, 20000);
}

}  // namespace kvt::test
