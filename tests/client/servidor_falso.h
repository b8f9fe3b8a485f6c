#pragma once

// A server on a real socket of 127.0.0.1 (ephemeral port) that plays the
// server's side with documents written by the test: for replies the real
// server never sends, and for exact byte layouts.

#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <string>

namespace kvt::test {

struct ServidorFalso {
  QTcpServer servidor;
  QTcpSocket* conexao = nullptr;
  std::string recebido;

  ServidorFalso() {
    servidor.listen(QHostAddress::LocalHost, 0);
    QObject::connect(&servidor, &QTcpServer::newConnection, [this] {
      conexao = servidor.nextPendingConnection();
      QObject::connect(conexao, &QTcpSocket::readyRead, [this] {
        const QByteArray b = conexao->readAll();
        recebido.append(b.constData(), static_cast<std::size_t>(b.size()));
      });
    });
  }
  std::string porta() const { return std::to_string(servidor.serverPort()); }
  bool esperaConexao() {
    return QTest::qWaitFor([this] { return conexao != nullptr; }, 5000);
  }
  void envia(const std::string& bytes) {
    conexao->write(bytes.data(), static_cast<qint64>(bytes.size()));
    conexao->flush();
  }
  bool esperaRecebido(const std::string& texto, int ms = 5000) {
    return QTest::qWaitFor([&] { return recebido.find(texto) != std::string::npos; }, ms);
  }
};

// A TeleEvento as the server wraps it.
inline std::string teleEvento(const std::string& corpo) {
  return "<?xml version=\"1.0\" ?>  <TeleEvento> " + corpo + " </TeleEvento>";
}

}  // namespace kvt::test
