#include "server/link/client_table.h"

namespace kvt::link {

int TabelaClientes::LocalizaCliente(const std::string& ip, std::int32_t porta) const {
  for (int i = 0; i < num_; ++i)
    if (registros_[static_cast<std::size_t>(i)].IP == ip && registros_[static_cast<std::size_t>(i)].Porta == porta)
      return i + 1;
  return -1;
}

bool TabelaClientes::Inclui(const std::string& ip, std::int32_t porta, bool solicitaLogin) {
  if (Cheia()) return false;
  TClientes& r = registros_[static_cast<std::size_t>(num_)];
  r = TClientes{};
  r.IP = ip;
  r.Porta = porta;
  r.Comunica = solicitaLogin ? "Nao" : "Sim";
  ++num_;
  return true;
}

bool TabelaClientes::Remove(const std::string& ip, std::int32_t porta) {
  const int pos = LocalizaCliente(ip, porta);
  if (pos < 0) return false;
  registros_[static_cast<std::size_t>(pos - 1)] = registros_[static_cast<std::size_t>(num_ - 1)];
  registros_[static_cast<std::size_t>(num_ - 1)] = TClientes{};
  --num_;
  return true;
}

std::vector<NoArvoreCliente> TabelaClientes::Arvore() const {
  std::vector<NoArvoreCliente> arvore;
  for (int i = 0; i < num_; ++i) {
    const TClientes& r = registros_[static_cast<std::size_t>(i)];
    arvore.push_back({"[" + r.IP + ":" + std::to_string(r.Porta) + "] Tentativas:" + std::to_string(r.Tentativas),
                      {"Operador :" + r.Operador, "Comunnic :" + r.Comunica}});
  }
  return arvore;
}

}  // namespace kvt::link
