#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "server/link/link_status.h"

namespace kvt::link {

// One connected client.
struct TClientes {
  std::string IP;
  std::int32_t Porta = 0;
  std::int32_t Tentativas = 0;            // send attempts of the last buffer flush
  std::int32_t TentativasAcumuladas = 0;  // attempts added up since the last channel analysis
  std::int32_t IdUsuario = -1;
  std::string Operador = "Desconhecido";
  std::string Comunica = "Sim";  // "Nao" until log-in when log-in is required
};

// The table of connected clients: at most 10 records, used from the first
// position upwards; a client that leaves is replaced by the last one.
class TabelaClientes {
 public:
  static constexpr int kMaxClientes = 10;

  int NumClientes() const { return num_; }
  bool Cheia() const { return num_ >= kMaxClientes; }

  // 1-based position of the record with this address and port, or -1.
  int LocalizaCliente(const std::string& ip, std::int32_t porta) const;

  // The record at a 1-based position (1..NumClientes()).
  TClientes& operator[](int posicao) { return registros_.at(static_cast<std::size_t>(posicao - 1)); }
  const TClientes& operator[](int posicao) const { return registros_.at(static_cast<std::size_t>(posicao - 1)); }

  // Fills the next record for a new connection; false when the table is full.
  bool Inclui(const std::string& ip, std::int32_t porta, bool solicitaLogin);
  // Removes the record of this connection (the last record takes its place);
  // false when there is none.
  bool Remove(const std::string& ip, std::int32_t porta);

  // The tree of the status window: "[IP:Porta] Tentativas:n" with the
  // operator and the Comunica flag below.
  std::vector<NoArvoreCliente> Arvore() const;

 private:
  std::array<TClientes, kMaxClientes> registros_{};
  int num_ = 0;
};

}  // namespace kvt::link
