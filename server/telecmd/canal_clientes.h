#pragma once

#include <cstdint>
#include <string>

namespace kvt::telecmd {

// What the telecommand processor needs of the client link, and nothing more.
// The link implements it; tests may implement it over real sockets too.
class CanalClientes {
 public:
  virtual ~CanalClientes() = default;

  // The client record of a connection, found by address and port.
  struct Cliente {
    bool encontrado = false;
    std::string Comunica = "Nao";  // "Sim" once the client may receive data
    std::int32_t IdUsuario = 0;
    std::string Operador;
  };
  virtual Cliente LocalizaCliente(const std::string& ip, int porta) const = 0;
  // Marks the connection's record as logged in ("Sim") with its user and operator.
  virtual void RegistraLogin(const std::string& ip, int porta, std::int32_t idUsuario, const std::string& operador) = 0;

  // Number of connected clients (the client table's count).
  virtual int NumClientes() const = 0;

  // A normal reply body: wrapped as a TeleEvento and appended to the outbound
  // buffer, delivered to every client whose record says "Sim".
  virtual void Enfileira_XML_Envio(const std::string& corpo) = 0;

  // A complete document written at once, unbuffered, to every open connection
  // in the order of the connection list (nothing happens when none is open).
  virtual void EscreveEmTodasConexoes(const std::string& documento) = 0;
};

}  // namespace kvt::telecmd
