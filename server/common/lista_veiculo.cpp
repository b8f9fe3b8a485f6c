#include "server/common/lista_veiculo.h"

#include <algorithm>
#include <memory>

#include "platform/clock/clock.h"

namespace kvt::common {

KVT_SQL(sqlListaTodosVeiculos,
        "select IdTerminal from tVeiculo with (NOLOCK)\r\n"
        "order by IdTerminal",
        "select IdTerminal from tVeiculo order by IdTerminal");
KVT_SQL(sqlListaVeiculosUsuario,
        "select IdTerminal from tUsuarioveiculo with (NOLOCK)\r\n"
        "where idUsuario = :idUsuario\r\n"
        "order by IdTerminal",
        "select IdTerminal from tUsuarioveiculo where idUsuario = :idUsuario order by IdTerminal");
KVT_SQL(sqlRefreshUsuarioVeiculo,
        " select * from tRefresh where tabela = 'tUsuarioVeiculo' ",
        " select * from tRefresh where tabela = 'tUsuarioVeiculo' ");
KVT_SQL(sqlRefreshVeiculoIns,
        " select * from tRefresh where tabela = 'tVeiculo_INS' ",
        " select * from tRefresh where tabela = 'tVeiculo_INS' ");

tListaVeiculo::tListaVeiculo(db::Connection& dbZenthora, std::int32_t usuario) : dbZenthora_(dbZenthora) {
  CarregaLista(usuario);
  usuario_ = usuario;
}

bool tListaVeiculo::VeiculoVisivel(std::int32_t terminal, std::int32_t usuario) {
  // A change from one user to another is picked up at the next counter change.
  if (ListaDesatualizada() || (usuario_ == kTodos && usuario != kTodos)) CarregaLista(usuario);
  usuario_ = usuario;
  return std::binary_search(ids_.begin(), ids_.end(), terminal);
}

void tListaVeiculo::CarregaLista(std::int32_t usuario) {
  if (!dbZenthora_.isOpen()) return;
  std::unique_ptr<db::Statement> qr;
  if (usuario == kTodos) {
    qr = std::make_unique<db::Statement>(dbZenthora_, sqlListaTodosVeiculos());
  } else {
    qr = std::make_unique<db::Statement>(dbZenthora_, sqlListaVeiculosUsuario());
    qr->bindInt("idUsuario", usuario);
  }
  qr->open();
  std::vector<std::int32_t> ids;
  ids.reserve(qr->rowCount());
  for (; !qr->eof(); qr->next()) ids.push_back(qr->field("idTerminal").asInt());
  // The ordering clause sorts the database's values; the bisection needs the
  // order of the 32-bit ids it compares.
  std::sort(ids.begin(), ids.end());
  ids_ = std::move(ids);
}

namespace {

std::int32_t contador(db::Connection& conexao, const db::SqlText& sql) {
  db::Statement qr(conexao, sql);
  qr.open();
  return qr.field("Contador").asInt();
}

}  // namespace

bool tListaVeiculo::ListaDesatualizada() {
  if (!dbZenthora_.isOpen()) return false;
  const std::uint32_t agora = clk::tickCount();
  if (clk::ticksBetween(ultimaVerificacao_, agora) < kIntervaloVerificacaoMs) return false;
  bool mudou = false;
  const std::int32_t usuarios = contador(dbZenthora_, sqlRefreshUsuarioVeiculo());
  if (usuarios != contadorUsuarioVeiculo_) {
    contadorUsuarioVeiculo_ = usuarios;
    mudou = true;
  } else {
    const std::int32_t novos = contador(dbZenthora_, sqlRefreshVeiculoIns());
    if (novos != contadorVeiculoIns_) {
      contadorVeiculoIns_ = novos;
      mudou = true;
    }
  }
  ultimaVerificacao_ = agora;
  return mudou;
}

}  // namespace kvt::common
