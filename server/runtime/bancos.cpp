#include "server/runtime/bancos.h"

#include "platform/text/cp1252.h"

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
  return db::Connection::open(UrlBanco(ini, nome));
}

}  // namespace kvt::runtime
