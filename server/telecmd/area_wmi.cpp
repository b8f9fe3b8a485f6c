// The machine areas of the diagnostic report: the objects a management query
// returns, each property that has a label written as an element named by it.

#include <charconv>
#include <cmath>

#include "platform/sysinfo/sysinfo.h"
#include "platform/text/ascii_case.h"
#include "platform/text/regional.h"
#include "platform/text/trim.h"
#include "server/telecmd/consultas.h"

namespace kvt::telecmd {

std::optional<RotuloWMI> LocalizaRotulo(const std::string& rotulos, const std::string& propriedade) {
  const std::string marca = "$" + text::upperAscii(propriedade) + "$";
  const auto p = rotulos.find(marca);
  if (p == std::string::npos) return std::nullopt;
  const auto depois = p + marca.size();
  const auto doisPontos = rotulos.find(':', depois);
  if (doisPontos == std::string::npos) return std::nullopt;
  RotuloWMI r;
  const auto fim = rotulos.find(';', doisPontos + 1);
  r.rotulo = rotulos.substr(doisPontos + 1, fim == std::string::npos ? std::string::npos : fim - doisPontos - 1);
  // "%d%" right before the colon: the unit of the value
  if (doisPontos == depois + 3 && rotulos[depois] == '%' && rotulos[depois + 2] == '%' && rotulos[depois + 1] >= '0' &&
      rotulos[depois + 1] <= '9')
    r.unidade = rotulos[depois + 1] - '0';
  return r;
}

std::string ValorNaUnidade(const std::string& valor, int unidade) {
  int expoente = 0;
  switch (unidade) {
    case 1: expoente = 30; break;
    case 2: expoente = 20; break;
    case 3: expoente = 10; break;
    default: return valor;
  }
  double v = 0;
  const char* fim = valor.data() + valor.size();
  const auto r = std::from_chars(valor.data(), fim, v);
  if (valor.empty() || r.ec != std::errc() || r.ptr != fim || !std::isfinite(v)) return valor;
  char texto[64];
  const auto escrito = std::to_chars(texto, texto + sizeof texto, std::ldexp(v, -expoente), std::chars_format::fixed, 2);
  if (escrito.ec != std::errc()) return valor;
  std::string out(texto, escrito.ptr);
  for (char& c : out)
    if (c == '.') c = text::regional().decimalSeparator;
  return out;
}

std::string tConsultas::AreaWMI(const std::string& nome, const std::string& namespaceWMI, const std::string& consulta,
                                const std::string& rotulos) {
  std::string conteudo;
  try {
    for (const sysinfo::Object& objeto : sysinfo::query(maquina_, namespaceWMI, consulta)) {
      for (const sysinfo::Property& p : objeto) {
        const auto rotulo = LocalizaRotulo(rotulos, p.name);
        if (!rotulo) continue;
        conteudo += ElementoXML(rotulo->rotulo, ValorNaUnidade(text::trim(p.value), rotulo->unidade));
      }
    }
  } catch (const std::exception&) {
    // the area keeps what was gathered
  }
  return AreaXML(nome, conteudo);
}

}  // namespace kvt::telecmd
