#pragma once

// The outcome of one imported item (a target, a route): the name under which
// it was stored or looked for, its name as received, its import status and
// one tStatusAssociacaoVeiculo per vehicle tried. Two outcomes of the same
// kind are equal when the names in use are equal.

#include <cstdint>
#include <string>
#include <typeinfo>
#include <utility>

#include "server/common/linked_list.h"

namespace kvt::security {

class tStatusImportacao : public common::tValorNo {
 public:
  tStatusImportacao(std::string nome, std::string nomeRecebido, std::int32_t status)
      : nome_(std::move(nome)), nomeRecebido_(std::move(nomeRecebido)), status_(status) {}
  bool Igual(const common::tValorNo& outro) const override {
    return typeid(outro) == typeid(*this) && static_cast<const tStatusImportacao&>(outro).nome_ == nome_;
  }

  const std::string& Nome() const { return nome_; }
  const std::string& NomeRecebido() const { return nomeRecebido_; }
  std::int32_t Status() const { return status_; }
  common::tListaEncadeada& Veiculos() { return veiculos_; }
  const common::tListaEncadeada& Veiculos() const { return veiculos_; }

 private:
  std::string nome_;
  std::string nomeRecebido_;
  std::int32_t status_;
  common::tListaEncadeada veiculos_;
};

}  // namespace kvt::security
