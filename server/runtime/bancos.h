#pragma once

#include <memory>
#include <string>

#include "platform/db/db.h"
#include "platform/ini/ini_file.h"

namespace kvt::runtime {

// The three named connections of the central. Their URLs are kept in
// KORVATEL.INI section BANCOS (keys dbZenthora, dbBase, dbSSE); no login is
// compiled into the program.
struct Bancos {
  std::unique_ptr<db::Connection> dbZenthora;
  std::unique_ptr<db::Connection> dbBase;
  std::unique_ptr<db::Connection> dbSSE;
};

// The URL of one named connection; a missing key raises db::DbError flagged lost.
std::string UrlBanco(const ini::IniFile& ini, const std::string& nome);

// Opens the named connection; db::DbError when it cannot.
std::unique_ptr<db::Connection> AbreBanco(const ini::IniFile& ini, const std::string& nome);

}  // namespace kvt::runtime
