// Connection::open: the URL forms of db.h.

#include <string_view>

#include "platform/db/backend.h"
#include "platform/text/ascii_case.h"
#include "platform/text/cp1252.h"
#include "platform/text/trim.h"

namespace kvt::db {

using namespace kvt::text::literals;

namespace detail {

DbError closedError() { return lostError("A conexão com o banco de dados está fechada."_cp); }

}  // namespace detail

namespace {

bool startsWithIgnoreCase(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && text::equalsIgnoreCase(s.substr(0, prefix.size()), prefix);
}

// Splits "a=1;b={x;y};c=2" at the ';' outside braces.
std::vector<std::string> splitPairs(std::string_view s) {
  std::vector<std::string> parts;
  std::string current;
  bool braced = false;
  for (char c : s) {
    if (c == '{') braced = true;
    if (c == '}') braced = false;
    if (c == ';' && !braced) {
      parts.push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  parts.push_back(current);
  return parts;
}

// "Key=value" → key and value, trimmed; false when there is no '='.
bool splitPair(std::string_view part, std::string& key, std::string& value) {
  const auto eq = part.find('=');
  if (eq == std::string_view::npos) return false;
  key = text::trim(part.substr(0, eq));
  value = text::trim(part.substr(eq + 1));
  return true;
}

detail::Attachment readAttachment(const std::string& value) {
  const auto colon = value.find(':');
  detail::Attachment a;
  if (colon != std::string::npos) {
    a.name = text::trim(std::string_view(value).substr(0, colon));
    a.path = text::trim(std::string_view(value).substr(colon + 1));
  }
  bool nameOk = !a.name.empty();
  for (char c : a.name)
    nameOk = nameOk && ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_');
  if (!nameOk || a.path.empty())
    throw detail::lostError("Attach inválido na URL do banco (esperado Attach=NOME:CAMINHO): "_cp + value);
  return a;
}

}  // namespace

std::unique_ptr<Connection> Connection::open(const std::string& url) {
  const std::string_view u(url);
  if (startsWithIgnoreCase(u, "sqlite:")) {
    const auto parts = splitPairs(u.substr(7));
    const std::string path = text::trim(parts[0]);
    if (path.empty()) throw detail::lostError("URL de banco sem o caminho do arquivo SQLite."_cp);
    std::vector<detail::Attachment> attachments;
    for (std::size_t i = 1; i < parts.size(); ++i) {
      std::string key, value;
      if (text::trim(parts[i]).empty()) continue;
      if (!splitPair(parts[i], key, value) || !text::equalsIgnoreCase(key, "Attach"))
        throw detail::lostError("Opção desconhecida na URL do banco SQLite: "_cp + parts[i]);
      attachments.push_back(readAttachment(value));
    }
    return detail::openSqlite(url, path, attachments);
  }
  if (startsWithIgnoreCase(u, "odbc:")) {
    Dialect dialect = Dialect::MsSql;
    std::vector<std::string> kept;
    std::vector<std::string> attachValues;
    for (const std::string& part : splitPairs(u.substr(5))) {
      std::string key, value;
      if (splitPair(part, key, value) && text::equalsIgnoreCase(key, "Dialect")) {
        if (text::equalsIgnoreCase(value, "sqlite")) dialect = Dialect::Sqlite;
        else if (text::equalsIgnoreCase(value, "mssql")) dialect = Dialect::MsSql;
        else throw detail::lostError("Dialeto desconhecido na URL do banco: "_cp + value);
      } else if (splitPair(part, key, value) && text::equalsIgnoreCase(key, "Attach")) {
        attachValues.push_back(value);
      } else if (!text::trim(part).empty()) {
        kept.push_back(part);
      }
    }
    std::vector<detail::Attachment> attachments;
    if (!attachValues.empty() && dialect != Dialect::Sqlite)
      throw detail::lostError("Attach só vale para ODBC com Dialect=sqlite."_cp);
    for (const std::string& v : attachValues) attachments.push_back(readAttachment(v));
    std::string connectionString;
    for (const std::string& part : kept) connectionString += part + ";";
    return detail::openOdbc(url, connectionString, dialect, attachments);
  }
  // never echo the URL: an ODBC one may hold a password
  throw detail::lostError("URL de banco desconhecida (esperado sqlite:... ou odbc:...)."_cp);
}

}  // namespace kvt::db
