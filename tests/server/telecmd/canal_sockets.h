#pragma once

// A client link for tests: real TCP connections on 127.0.0.1, a client table
// keyed by the address and port the server sees, and the bytes each client
// really received read back from its own socket.

#include <QTcpServer>
#include <QTcpSocket>

#include <memory>
#include <string>
#include <vector>

#include "server/telecmd/canal_clientes.h"

namespace kvt::test {

class CanalSockets : public telecmd::CanalClientes {
 public:
  CanalSockets();
  ~CanalSockets() override;

  // Connects a new client; its record starts with the given Comunica.
  // Returns the client's index.
  int conecta(const std::string& comunica = "Sim");
  // Ends a client's connection and removes its record.
  void desconecta(int cliente);

  // The record's key: the client's address and port as the server sees them.
  std::string ip(int cliente) const;
  int porta(int cliente) const;
  Cliente registro(int cliente) const;

  // Everything each connected client received since the last call, in the
  // order of connection (disconnected clients give an empty text). Needs no
  // waiting: a marker is written behind the data and each client reads up to it.
  std::vector<std::string> recebidos();
  // The same for one client.
  std::string recebido(int cliente);

  // Bodies handed to Enfileira_XML_Envio, in order.
  const std::vector<std::string>& enfileirados() const { return enfileirados_; }
  int registrosDeLogin() const { return registrosDeLogin_; }

  // CanalClientes
  Cliente LocalizaCliente(const std::string& ip, int porta) const override;
  void RegistraLogin(const std::string& ip, int porta, std::int32_t idUsuario, const std::string& operador) override;
  int NumClientes() const override;
  void Enfileira_XML_Envio(const std::string& corpo) override;
  void EscreveEmTodasConexoes(const std::string& documento) override;

 private:
  struct Conexao {
    std::unique_ptr<QTcpSocket> cliente;   // the client's end
    std::unique_ptr<QTcpSocket> servidor;  // the server's end
    Cliente registro;
    std::string ip;
    int porta = 0;
    bool ativa = false;
  };
  void escreve(Conexao& c, const std::string& bytes);
  std::string leAteMarca(Conexao& c);

  QTcpServer servidor_;
  std::vector<Conexao> conexoes_;
  std::vector<std::string> enfileirados_;
  int registrosDeLogin_ = 0;
};

}  // namespace kvt::test
