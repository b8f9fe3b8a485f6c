#pragma once

// The vehicle records shared by the handlers that take lists of vehicles from
// a client's document: the vehicle itself (loaded from the central's vehicle
// table), the association status of one vehicle, and the registration test.
// Both records are list values, so a vehicle list holds each terminal once.

#include <cstdint>
#include <memory>
#include <string>

#include "platform/db/db.h"
#include "server/common/linked_list.h"

namespace kvt::common {

const db::SqlText& sqlCarregaVeiculo();
const db::SqlText& sqlVeiculoCadastrado();

// One listed vehicle, loaded at creation. A terminal the table does not hold
// keeps its id and zero or empty fields. Equal when the terminal ids are equal.
class tVeiculo : public tValorNo {
 public:
  // Loads the vehicle with a statement of sqlCarregaVeiculo() prepared by the caller.
  tVeiculo(db::Statement& qrCarregaVeiculo, std::int32_t idTerminal);
  // Loads the vehicle with a statement of its own.
  tVeiculo(db::Connection& conexao, std::int32_t idTerminal);
  // A vehicle with the given fields, without reading the central.
  tVeiculo(std::int32_t idTerminal, std::int32_t idFrota, std::int32_t idTransp, std::int32_t rastreador,
           std::string versao, std::string veiculo);

  bool Igual(const tValorNo& outro) const override;

  std::int32_t IdTerminal() const { return idTerminal_; }
  std::int32_t idFrota() const { return idFrota_; }
  std::int32_t idTransp() const { return idTransp_; }
  std::int32_t rastreador() const { return rastreador_; }
  const std::string& versao() const { return versao_; }  // compared as text
  const std::string& veiculo() const { return veiculo_; }
  bool Encontrado() const { return encontrado_; }  // whether the table held the id

 private:
  void carrega(db::Statement& qr);

  std::int32_t idTerminal_ = 0;
  std::int32_t idFrota_ = 0;
  std::int32_t idTransp_ = 0;
  std::int32_t rastreador_ = 0;
  std::string versao_;
  std::string veiculo_;
  bool encontrado_ = false;
};

// The association status of one vehicle: its terminal as six hexadecimal
// digits and the status. Equal when the texts are equal.
class tStatusAssociacaoVeiculo : public tValorNo {
 public:
  tStatusAssociacaoVeiculo(std::string terminal, std::int32_t status)
      : terminal_(std::move(terminal)), status_(status) {}
  tStatusAssociacaoVeiculo(std::int32_t idTerminal, std::int32_t status);

  bool Igual(const tValorNo& outro) const override;

  const std::string& Terminal() const { return terminal_; }
  std::int32_t Status() const { return status_; }
  void DefineStatus(std::int32_t status) { status_ = status; }

 private:
  std::string terminal_;
  std::int32_t status_ = 0;
};

// Whether the central's vehicle table holds the terminal, with the statement
// prepared once and re-executed for every vehicle.
class tCadastroVeiculos {
 public:
  explicit tCadastroVeiculos(db::Connection& conexao);
  bool VeiculoCadastrado(std::int32_t idTerminal);

 private:
  db::Statement qr_;
};

// The same with a statement of its own.
bool VeiculoCadastrado(db::Connection& conexao, std::int32_t idTerminal);

}  // namespace kvt::common
