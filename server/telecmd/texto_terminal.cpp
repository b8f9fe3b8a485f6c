#include "server/telecmd/texto_terminal.h"

namespace kvt::telecmd {

db::SqlText sqlTipoConsoleTerminal(std::int32_t idTerminal) {
  const std::string id = std::to_string(idTerminal);
  return {"select TipoConsole from dbZenthora..tVeiculo where IdTerminal = " + id,
          "select TipoConsole from tVeiculo where IdTerminal = " + id};
}
KVT_SQL_COMPOSED(sqlTipoConsoleTerminal, sqlTipoConsoleTerminal(1));

namespace {

constexpr unsigned char kCedilhaMinusculo = 0xE7;  // ç in Windows-1252
constexpr unsigned char kCedilhaMaiusculo = 0xC7;  // Ç

bool consoleMostra(unsigned char c) {
  return c == 8 || c == 13 || (c >= 32 && c <= 90) || c == 92 || c == 95 || c == kCedilhaMaiusculo;
}

}  // namespace

std::string FiltraTextoTerminal(std::string_view texto, std::int32_t tipoConsole) {
  std::string saida(texto);
  if (tipoConsole == kConsoleCompleto) return saida;
  for (char& ch : saida) {
    auto c = static_cast<unsigned char>(ch);
    if (c >= 'a' && c <= 'z') c = static_cast<unsigned char>(c - 'a' + 'A');
    else if (c == kCedilhaMinusculo) c = kCedilhaMaiusculo;
    ch = consoleMostra(c) ? static_cast<char>(c) : '\0';
  }
  return saida;
}

std::int32_t TipoConsoleTerminal(db::Connection& dbZenthora, std::int32_t idTerminal) {
  db::Statement qr(dbZenthora, sqlTipoConsoleTerminal(idTerminal));
  qr.open();
  return qr.eof() ? -1 : qr.field("TipoConsole").asInt();
}

}  // namespace kvt::telecmd
