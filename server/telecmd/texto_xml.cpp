#include "server/telecmd/texto_xml.h"

#include <array>

#include "platform/clock/clock.h"
#include "platform/text/cp1252.h"
#include "platform/text/date_time.h"

namespace kvt::telecmd {

namespace {

using Tabela = std::array<char, 256>;

struct Regra {
  const char* caracteres;  // UTF-8 in the source, converted to Windows-1252 once
  char vira;
};

// The rows shared by both clean-ups.
constexpr Regra kRegras[] = {
    {"&", 'e'},       {"ÁÀÃÂÄ", 'A'}, {"áàãâä", 'a'}, {"ÉÈÊË", 'E'}, {"éèêë", 'e'},
    {"ÍÌÎÏ", 'I'},    {"íìîï", 'i'},  {"ÓÕÒÔÖ", 'O'}, {"óòõôö", 'o'}, {"ÚÙÛÜ", 'U'},
    {"úùûü", 'u'},    {"Ç", 'C'},     {"ç", 'c'},     {"Ñ", 'N'},     {"ñ", 'n'},
    {"¹²³£¢¬§ªº°~^´`¨'", ' '},
};

Tabela montaTabela(bool trocaSinais) {
  Tabela t{};
  for (std::size_t i = 0; i < t.size(); ++i) t[i] = static_cast<char>(static_cast<unsigned char>(i));
  for (const Regra& r : kRegras)
    for (char c : text::utf8ToCp1252(r.caracteres)) t[static_cast<unsigned char>(c)] = r.vira;
  if (trocaSinais) {
    t[static_cast<unsigned char>('<')] = '[';
    t[static_cast<unsigned char>('>')] = ']';
  }
  return t;
}

std::string aplica(const Tabela& t, std::string_view texto) {
  std::string out(texto);
  for (char& c : out) c = t[static_cast<unsigned char>(c)];
  return out;
}

// Digit value of one upper-cased character; every other character counts 0.
std::uint32_t valorDigito(char c) {
  if (c >= '1' && c <= '9') return static_cast<std::uint32_t>(c - '0');
  if (c >= 'A' && c <= 'F') return static_cast<std::uint32_t>(c - 'A' + 10);
  if (c >= 'a' && c <= 'f') return static_cast<std::uint32_t>(c - 'a' + 10);
  return 0;
}

// Unsigned arithmetic wraps modulo 2^32 by definition, which is exactly the
// 32-bit reading: 16^8 is 0, so only the last eight characters can count.
std::uint32_t leHexadecimal(std::string_view texto) {
  std::uint32_t valor = 0;
  std::uint32_t peso = 1;
  for (auto i = texto.size(); i > 0 && peso != 0; --i) {
    valor += valorDigito(texto[i - 1]) * peso;
    peso *= 16u;
  }
  return valor;
}

}  // namespace

std::string EnvelopaTeleEvento(std::string_view corpo) {
  std::string doc;
  doc.reserve(corpo.size() + 48);
  doc += "<?xml version=\"1.0\" ?> ";
  doc += " <TeleEvento> ";
  doc += corpo;
  doc += " </TeleEvento>";
  return doc;
}

std::string LimpaTextoXML(std::string_view texto) {
  static const Tabela tabela = montaTabela(true);
  return aplica(tabela, texto);
}

std::string LimpaAcentos(std::string_view texto) {
  static const Tabela tabela = montaTabela(false);
  return aplica(tabela, texto);
}

std::string EscapaTextoXML(std::string_view texto) {
  std::string out;
  out.reserve(texto.size());
  for (char c : texto) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      default: out += c;
    }
  }
  return out;
}

std::optional<std::int32_t> HexParaInt(std::string_view texto) {
  if (texto.empty()) return std::nullopt;
  std::uint32_t valor = leHexadecimal(texto);
  if (texto.front() == '-') valor = 0u - valor;
  return static_cast<std::int32_t>(valor);
}

std::optional<std::uint32_t> HexParaNum(std::string_view texto) {
  if (texto.empty()) return std::nullopt;
  return leHexadecimal(texto);
}

std::string DataHoraAtual() { return text::dateTimeToStr(clk::now()); }

}  // namespace kvt::telecmd
