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
}  // namespace

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

std::string DataHoraAtual() { return text::dateTimeToStr(clk::now()); }

}  // namespace kvt::telecmd
