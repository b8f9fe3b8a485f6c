#include "server/runtime/bancos.h"

#include <filesystem>

#include "platform/text/ascii_case.h"
#include "platform/text/cp1252.h"
#include "platform/text/trim.h"

namespace kvt::runtime {

using namespace text::literals;


std::string UrlBanco(const ini::IniFile& ini, const std::string& nome) {
  const std::string url = ini.readString("BANCOS", nome, "");
  if (url.empty())
    throw db::DbError("General SQL error.\r\nA conexão "_cp + nome + " não está configurada na seção BANCOS de "_cp +
                          ini.path(),
                      true);
  return url;
}

std::unique_ptr<db::Connection> AbreBanco(const ini::IniFile& ini, const std::string& nome) {
  const std::string url = UrlBanco(ini, nome);
  // A mistyped path must not become a new, empty database.
  if (text::upperAscii(url.substr(0, 7)) == "SQLITE:") {
    const std::string caminho = text::trim(url.substr(7, url.find(';') == std::string::npos ? std::string::npos
                                                                                             : url.find(';') - 7));
    std::error_code ec;
    if (!caminho.empty() && !std::filesystem::is_regular_file(caminho, ec))
      throw db::DbError("General SQL error.\r\nO arquivo do banco "_cp + nome + " não existe: "_cp + caminho, true);
  }
  auto conexao = db::Connection::open(url);
  // The security database is read without waiting for writers.
  if (nome == "dbSSE" && conexao->dialect() == db::Dialect::MsSql)
    db::Statement(*conexao, std::string("SET TRANSACTION ISOLATION LEVEL READ UNCOMMITTED")).execute();
  return conexao;
}

}  // namespace kvt::runtime
