#pragma once

// A test client on a real socket that keeps every byte it is sent.

#include <QHostAddress>
#include <QObject>
#include <QTcpSocket>

#include <cstdint>
#include <string>

namespace kvt::test {

struct ClienteQt {
  QTcpSocket socket;
  std::string recebido;
  void conecta(quint16 porta) {
    QObject::connect(&socket, &QTcpSocket::readyRead, [this] {
      const QByteArray b = socket.readAll();
      recebido.append(b.constData(), static_cast<std::size_t>(b.size()));
    });
    socket.connectToHost(QHostAddress::LocalHost, porta);
  }
  void envia(const std::string& bytes) {
    socket.write(bytes.data(), static_cast<qint64>(bytes.size()));
    socket.flush();
  }
  std::int32_t portaLocal() const { return socket.localPort(); }
};

}  // namespace kvt::test
