#pragma once

// ListaVeiculosCmd: the terminals one vehicle or formatted-message telecommand
// addresses. A terminal goes in front unless it is there already, and the list
// is served from the front, so the last one added is served first.

#include <cstdint>
#include <memory>
#include <vector>

#include "server/common/linked_list.h"

namespace kvt::telecmd {

class tTerminalCmd : public common::tValorNo {
 public:
  explicit tTerminalCmd(std::int32_t idTerminal) : idTerminal_(idTerminal) {}
  bool Igual(const common::tValorNo& outro) const override {
    const auto* t = dynamic_cast<const tTerminalCmd*>(&outro);
    return t && t->idTerminal_ == idTerminal_;
  }
  std::int32_t IdTerminal() const { return idTerminal_; }

 private:
  std::int32_t idTerminal_;
};

class tListaVeiculosCmd {
 public:
  void Adiciona(std::int32_t idTerminal) { lista_.InsereUnico(std::make_unique<tTerminalCmd>(idTerminal)); }
  bool Vazia() const { return lista_.Vazia(); }
  // The terminals in the order they are served.
  std::vector<std::int32_t> Terminais() const {
    std::vector<std::int32_t> ids;
    for (auto* no = lista_.Primeiro(); no; no = no->Proximo())
      ids.push_back(static_cast<const tTerminalCmd&>(no->Valor()).IdTerminal());
    return ids;
  }

 private:
  common::tListaEncadeada lista_;
};

}  // namespace kvt::telecmd
