#pragma once

// A central in a temporary folder for the real programs (korvatel,
// quillon-sim) of the end-to-end and soak tests: the server on a free local
// port, and the server's own heartbeat row at one second, so that the
// single-instance check of each start waits one second only.
// Header only: the test programs that use it link the central, db and Qt
// Network libraries already.

#include <QHostAddress>
#include <QTcpServer>

#include <string>

#include "central/central.h"
#include "platform/db/db.h"

namespace kvt::test {

inline int portaLivre() {
  QTcpServer s;
  s.listen(QHostAddress::LocalHost, 0);
  return s.serverPort();
}

// createCentral in `pasta` with the options given, on a free port.
inline central::CentralFiles centralParaProcessos(const std::string& pasta, central::CentralOptions opcoes = {}) {
  opcoes.port = portaLivre();
  central::CentralFiles files = central::createCentral(pasta, opcoes);
  auto zenthora = db::Connection::open(files.urlZenthora);
  db::Statement(*zenthora, std::string("INSERT OR REPLACE INTO tDiagnostico(CodigoPrograma, NomePrograma, "
                                       "IntervaloAtualizacao) VALUES (12, 'KORVATEL2', 1)"))
      .execute();
  return files;
}

}  // namespace kvt::test
