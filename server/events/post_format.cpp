#include "server/events/post_format.h"

#include <cstdio>
#include <cstring>

#include "platform/clock/clock.h"
#include "server/events/complement_hex.h"
#include "server/runtime/configuracao.h"

namespace kvt::events {

std::vector<CampoPost> CamposPost(std::string_view post) {
  std::vector<CampoPost> campos;
  std::size_t pos = 0;
  CampoPost campo;
  while (ProximoCampoPost(post, pos, campo)) campos.push_back(campo);
  return campos;
}

ValorCampo ObtemCampoPost(std::string_view post, std::string_view id) {
  ValorCampo resultado;
  if (id.empty()) return resultado;
  std::string procura;
  procura.reserve(id.size() + 2);
  procura += '#';
  procura += id;
  procura += ',';
  const std::size_t achou = post.find(procura);
  if (achou == std::string_view::npos) return resultado;
  const std::size_t inicioTam = achou + procura.size();
  std::size_t fim = post.find('#', inicioTam);
  if (fim == std::string_view::npos) fim = post.size();
  const std::size_t virgulaTam = post.substr(0, fim).find(',', inicioTam);
  if (virgulaTam == std::string_view::npos) return resultado;
  resultado.valor = post.substr(virgulaTam + 1, fim - virgulaTam - 1);
  resultado.encontrado = !resultado.valor.empty();
  return resultado;
}

std::string MontaPostComando(std::string_view codigo, std::string_view nomeMr, std::string_view nomeBase,
                             const text::DateTime& agora) {
  char data[32];
  std::snprintf(data, sizeof data, "%02d/%02d/%04d %02d:%02d:%02d", agora.day, agora.month, agora.year, agora.hour,
                agora.minute, agora.second);
  std::string post = "#1,1,0#2,";
  post += std::to_string(nomeMr.size());
  post += ',';
  post += nomeMr;
  post += "#3,";
  post += std::to_string(nomeBase.size());
  post += ',';
  post += nomeBase;
  post += "#4,1,0#5,2,";
  post += codigo;
  post += "#6,19,";
  post += data;
  post += "#7,1,0\r\n";
  return post;
}

KVT_SQL(sqlSendPost,
        "INSERT INTO tCmdPost (IdBase,ModCom,DHEntrada,Post)\r\n"
        "VALUES (:IdBase, :ModCom, getdate(), :Post)",
        "INSERT INTO tCmdPost (IdBase,ModCom,DHEntrada,Post) "
        "VALUES (:IdBase, :ModCom, datetime('now','localtime'), :Post)");

void EnviaPost(db::Connection& dbZenthora, std::int32_t idBase, const std::string& modCom, const std::string& post) {
  db::Statement spSendPost(dbZenthora, sqlSendPost());
  spSendPost.bindInt("IdBase", idBase).bindText("ModCom", modCom).bindMemo("Post", post);
  spSendPost.execute();
}

void EnviaPostParar(db::Connection& dbZenthora, const runtime::tConfiguracao& cfg) {
  EnviaPost(dbZenthora, cfg.ID_BASE, cfg.NOME_MR, MontaPostComando(kCodigoParar, cfg.NOME_MR, cfg.NOME_BASE, clk::now()));
}

void EnviaPostRetomar(db::Connection& dbZenthora, const runtime::tConfiguracao& cfg) {
  EnviaPost(dbZenthora, cfg.ID_BASE, cfg.NOME_MR,
            MontaPostComando(kCodigoRetomar, cfg.NOME_MR, cfg.NOME_BASE, clk::now()));
}

}  // namespace kvt::events
