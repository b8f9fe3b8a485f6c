#include "server/common/veiculo.h"

#include "server/common/elemento.h"

namespace kvt::common {

// The application connection of the SQLite central is either the central
// itself or the security database with the central attached: the unqualified
// table name resolves to the central's table in both.
KVT_SQL(sqlCarregaVeiculo,
        "select idFrota, idTransp, veiculo, rastreador, versao from dbZenthora..tVeiculo where IdTerminal = :IdTerminal",
        "select idFrota, idTransp, veiculo, rastreador, versao from tVeiculo where IdTerminal = :IdTerminal");
KVT_SQL(sqlVeiculoCadastrado, "select idTerminal from dbZenthora..tVeiculo where idTerminal =:idTerminal",
        "select idTerminal from tVeiculo where idTerminal =:idTerminal");

tVeiculo::tVeiculo(db::Statement& qrCarregaVeiculo, std::int32_t idTerminal) : idTerminal_(idTerminal) {
  carrega(qrCarregaVeiculo);
}

tVeiculo::tVeiculo(db::Connection& conexao, std::int32_t idTerminal) : idTerminal_(idTerminal) {
  db::Statement qr(conexao, sqlCarregaVeiculo());
  carrega(qr);
}

tVeiculo::tVeiculo(std::int32_t idTerminal, std::int32_t idFrota, std::int32_t idTransp, std::int32_t rastreador,
                   std::string versao, std::string veiculo)
    : idTerminal_(idTerminal),
      idFrota_(idFrota),
      idTransp_(idTransp),
      rastreador_(rastreador),
      versao_(std::move(versao)),
      veiculo_(std::move(veiculo)),
      encontrado_(true) {}

void tVeiculo::carrega(db::Statement& qr) {
  qr.bindInt("IdTerminal", idTerminal_);
  qr.open();
  if (!qr.eof()) {
    encontrado_ = true;
    idFrota_ = qr.field("idFrota").asInt();
    idTransp_ = qr.field("idTransp").asInt();
    veiculo_ = qr.field("veiculo").asString();
    rastreador_ = qr.field("rastreador").asInt();
    versao_ = qr.field("versao").asString();
  }
  qr.close();
}

bool tVeiculo::Igual(const tValorNo& outro) const {
  const auto* v = dynamic_cast<const tVeiculo*>(&outro);
  return v && v->idTerminal_ == idTerminal_;
}

tStatusAssociacaoVeiculo::tStatusAssociacaoVeiculo(std::int32_t idTerminal, std::int32_t status)
    : terminal_(TextoTerminal(idTerminal)), status_(status) {}

bool tStatusAssociacaoVeiculo::Igual(const tValorNo& outro) const {
  const auto* s = dynamic_cast<const tStatusAssociacaoVeiculo*>(&outro);
  return s && s->terminal_ == terminal_;
}

tCadastroVeiculos::tCadastroVeiculos(db::Connection& conexao) : qr_(conexao, sqlVeiculoCadastrado()) {}

bool tCadastroVeiculos::VeiculoCadastrado(std::int32_t idTerminal) {
  qr_.bindInt("idTerminal", idTerminal);
  qr_.open();
  const bool cadastrado = !qr_.eof();
  qr_.close();
  return cadastrado;
}

bool VeiculoCadastrado(db::Connection& conexao, std::int32_t idTerminal) {
  return tCadastroVeiculos(conexao).VeiculoCadastrado(idTerminal);
}

}  // namespace kvt::common
