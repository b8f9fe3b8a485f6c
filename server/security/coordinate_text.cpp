#include "server/security/coordinate_text.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <optional>

#include "platform/text/ascii_case.h"
#include "platform/text/trim.h"

namespace kvt::security {

namespace {

constexpr char kGrau = '\xB0';      // degree sign
constexpr char kOrdinal = '\xBA';   // masculine ordinal, accepted for the degree sign
constexpr std::size_t kDigitosCompactos = 7;  // DD MM SS T

bool digito(char c) { return c >= '0' && c <= '9'; }

bool temLetraHemisferio(std::string_view t) {
  return t.find_first_of("SNEW") != std::string_view::npos;
}

// Degree sign (or ordinal), apostrophe, double quote and a hemisphere letter anywhere.
bool formaGMS(std::string_view t) {
  const bool grau = t.find(kGrau) != std::string_view::npos || t.find(kOrdinal) != std::string_view::npos;
  return grau && t.find('\'') != std::string_view::npos && t.find('"') != std::string_view::npos &&
         temLetraHemisferio(t);
}

std::string reduzGMS(std::string_view t) {
  static constexpr std::string_view kMantidos = "0123456789NSELOW";
  std::string r;
  for (char c : t)
    if (kMantidos.find(c) != std::string_view::npos) r += c;
  return r;
}

// The digits before the first degree sign of a text in DMS form.
std::string campoGrausGMS(std::string_view t) {
  std::string campo;
  for (char c : t) {
    if (c == kGrau || c == kOrdinal) break;
    if (digito(c)) campo += c;
  }
  return campo;
}

int valorDigitos(std::string_view d) {
  int v = 0;
  for (char c : d) v = v * 10 + (c - '0');
  return v;
}

std::string doisDigitos(int v) {
  std::string s(2, '0');
  s[0] = static_cast<char>('0' + (v / 10) % 10);
  s[1] = static_cast<char>('0' + v % 10);
  return s;
}

// A plain whole number of decimal digits that fits 32 bits (no sign, no blanks).
bool inteiroSemSinal(std::string_view d) {
  if (d.empty()) return false;
  std::uint64_t v = 0;
  for (char c : d) {
    if (!digito(c)) return false;
    v = v * 10 + static_cast<std::uint64_t>(c - '0');
    if (v > 0x7FFFFFFFu) return false;
  }
  return true;
}

struct Campos {
  std::string graus, minutos, segundos, decimos;
};

// Degrees 10 to 99: leading zeros removed, padded and cut to seven digits.
Campos leituraSignificativa(std::string_view d) {
  const auto primeiro = d.find_first_not_of('0');
  std::string s(primeiro == std::string_view::npos ? std::string_view{} : d.substr(primeiro));
  s.resize(kDigitosCompactos, '0');
  return {s.substr(0, 2), s.substr(2, 2), s.substr(4, 2), s.substr(6, 1)};
}

// Degrees below 10: the degree field is given apart; the rest is MM SS T.
Campos leituraComGraus(int graus, std::string_view resto) {
  std::string s(resto);
  s.resize(5, '0');
  return {doisDigitos(graus), s.substr(0, 2), s.substr(2, 2), s.substr(4, 1)};
}

bool minutosSegundosValidos(const Campos& c) {
  return valorDigitos(c.minutos) < 60 && valorDigitos(c.segundos) < 60;
}

// The fields of a compact digit string written without symbols.
Campos leituraCompacta(std::string_view d) {
  if (d.size() >= 2 && d[0] == '0' && d.find_first_not_of('0') != std::string_view::npos) {
    if (d.size() >= 8) {
      // three-digit degrees: 0DD is 10 to 99 with an extra zero, 00D below 10
      const int graus = valorDigitos(d.substr(0, 3));
      if (graus < 10) return leituraComGraus(graus, d.substr(3));
    } else {
      const Campos c = leituraComGraus(valorDigitos(d.substr(0, 2)), d.substr(2));
      if (minutosSegundosValidos(c)) return c;
    }
  }
  return leituraSignificativa(d);
}

std::string montaTexto(const Campos& c, char letra) {
  std::string r;
  r.reserve(13);
  r += c.graus;
  r += kGrau;
  r += c.minutos;
  r += '\'';
  r += c.segundos;
  r += '.';
  r += c.decimos;
  r += "\" ";
  r += letra;
  return r;
}

// The compact reading of T (already reduced when it came in DMS form), whose
// last character is a hemisphere letter. `grausGMS` holds the degree field of
// a DMS text, empty otherwise.
std::string leituraHemisferio(Eixo eixo, std::string_view t, const std::string& grausGMS) {
  char letra = t.back();
  const std::string digitos = text::trim(t.substr(0, t.size() - 1));
  if (!inteiroSemSinal(digitos)) return {};

  Campos campos;
  if (!grausGMS.empty()) {
    const int graus = valorDigitos(grausGMS.size() > 3 ? std::string_view(grausGMS).substr(grausGMS.size() - 3)
                                                       : std::string_view(grausGMS));
    campos = graus < 10 && grausGMS.size() <= digitos.size()
                 ? leituraComGraus(graus, std::string_view(digitos).substr(grausGMS.size()))
                 : leituraSignificativa(digitos);
  } else {
    campos = leituraCompacta(digitos);
  }

  if (eixo == Eixo::Longitude) {
    if (letra == 'L') letra = 'E';
    if (letra == 'O') letra = 'W';
  } else if (letra == 'L' || letra == 'O') {
    return MarcadorInvalido(Eixo::Latitude);
  }
  return montaTexto(campos, letra);
}

// An optional sign and decimal digits only, 32 bits.
std::optional<std::int32_t> inteiroDecimal(std::string_view t) {
  std::size_t i = 0;
  bool negativo = false;
  if (!t.empty() && (t[0] == '+' || t[0] == '-')) {
    negativo = t[0] == '-';
    i = 1;
  }
  if (i >= t.size()) return std::nullopt;
  std::int64_t v = 0;
  for (; i < t.size(); ++i) {
    if (!digito(t[i])) return std::nullopt;
    v = v * 10 + (t[i] - '0');
    if (v > 0x80000000LL) return std::nullopt;
  }
  if (negativo) v = -v;
  if (v > 0x7FFFFFFFLL) return std::nullopt;
  return static_cast<std::int32_t>(v);
}

// A decimal number with the comma as decimal separator: sign, digits, comma,
// digits, exponent. At least one mantissa digit.
std::optional<long double> decimalComVirgula(std::string_view t) {
  std::string s;
  std::size_t i = 0;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) {
    if (t[i] == '-') s += '-';
    ++i;
  }
  int digitosMantissa = 0;
  for (; i < t.size() && digito(t[i]); ++i, ++digitosMantissa) s += t[i];
  if (i < t.size() && t[i] == ',') {
    s += '.';
    for (++i; i < t.size() && digito(t[i]); ++i, ++digitosMantissa) s += t[i];
  }
  if (digitosMantissa == 0) return std::nullopt;
  if (i < t.size() && (t[i] == 'E' || t[i] == 'e')) {
    s += 'e';
    ++i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) s += t[i++];
    int digitosExpoente = 0;
    for (; i < t.size() && digito(t[i]); ++i, ++digitosExpoente) s += t[i];
    if (digitosExpoente == 0) return std::nullopt;
  }
  if (i != t.size()) return std::nullopt;
  long double v = 0;
  const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
  if (r.ec != std::errc{} || r.ptr != s.data() + s.size() || !std::isfinite(v)) return std::nullopt;
  return v;
}

}  // namespace

const std::string& MarcadorInvalido(Eixo eixo) {
  static const std::string lat = "90\xB0" "00'00.0\" S";
  static const std::string lon = "90\xB0" "00'00.0\" W";
  return eixo == Eixo::Latitude ? lat : lon;
}

const std::string& TextoZero(Eixo eixo) {
  static const std::string lat = "00\xB0" "00'00.0\" S";
  static const std::string lon = "00\xB0" "00'00.0\" W";
  return eixo == Eixo::Latitude ? lat : lon;
}

std::string FormataCoordenada(Eixo eixo, std::string_view texto) {
  std::string t = text::trim(text::upperAscii(texto));

  std::string grausGMS;
  if (formaGMS(t)) {
    grausGMS = campoGrausGMS(t);
    t = reduzGMS(t);
  }

  if (!t.empty()) {
    const char ultimo = t.back();
    if (ultimo == 'N' || ultimo == 'S' || ultimo == 'E' || ultimo == 'L' || ultimo == 'O' || ultimo == 'W')
      return leituraHemisferio(eixo, t, grausGMS);
  }
  if (t.empty()) return {};

  // tenths of an arc-second: five characters or more, sign included
  if (const auto decimos = inteiroDecimal(t); decimos && (*decimos >= 10000 || *decimos <= -1000))
    return GrausParaGMS(eixo, static_cast<float>(static_cast<long double>(*decimos) / 36000.0L));

  // decimal degrees, the point read as the decimal comma
  if (const auto ponto = t.find('.'); ponto != std::string::npos && ponto != 0) t[ponto] = ',';
  if (const auto graus = decimalComVirgula(t)) {
    const long double inteira = std::trunc(*graus);
    if (inteira >= -999.0L && inteira <= 9999.0L) return GrausParaGMS(eixo, static_cast<float>(*graus));
  }
  return MarcadorInvalido(eixo);
}

std::string GrausParaGMS(Eixo eixo, float graus) {
  const bool positivo = graus > 0.0f;
  const char letra = eixo == Eixo::Latitude ? (positivo ? 'N' : 'S') : (positivo ? 'E' : 'W');

  float valor = std::fabs(graus);
  if (!(valor < 100.0f)) return MarcadorInvalido(eixo);  // also NaN
  const int d = static_cast<int>(valor);
  valor = (valor - static_cast<float>(d)) * 60.0f;
  const int m = static_cast<int>(valor);
  valor = (valor - static_cast<float>(m)) * 60.0f;
  const int s = static_cast<int>(valor);
  const int t = static_cast<int>((static_cast<double>(valor) - s) * 10.0);

  return montaTexto({doisDigitos(d), doisDigitos(m), doisDigitos(s), std::string(1, static_cast<char>('0' + t % 10))},
                    letra);
}

float GMSParaGraus(Eixo eixo, std::string_view texto) {
  const std::string t = text::trim(texto);
  auto campo = [&](std::size_t inicio, std::size_t tamanho) -> std::optional<std::int32_t> {
    if (inicio >= t.size()) return std::nullopt;
    return inteiroDecimal(text::trim(std::string_view(t).substr(inicio, tamanho)));
  };
  const auto graus = campo(0, 2), minutos = campo(3, 2), segundos = campo(6, 2), decimos = campo(9, 1);

  float valor = 0.0f;
  if (graus && minutos && segundos && decimos)
    valor = static_cast<float>(static_cast<long double>(*graus) + *minutos / 60.0L + *segundos / 3600.0L +
                               *decimos / 36000.0L);

  const char letra = t.empty() ? '\0' : t.back();
  if (eixo == Eixo::Latitude) {
    if (letra == 'S') return -valor;
    if (letra == 'N') return valor;
    return 0.0f;
  }
  if (letra == 'W' || letra == 'O') return -valor;
  if (letra == 'E' || letra == 'L') return valor;
  return 0.0f;
}

bool ParCoordenadasRecusado(const std::string& latitude, const std::string& longitude) {
  return (latitude == MarcadorInvalido(Eixo::Latitude) && longitude == MarcadorInvalido(Eixo::Longitude)) ||
         (latitude == TextoZero(Eixo::Latitude) && longitude == TextoZero(Eixo::Longitude)) ||
         (latitude.empty() && longitude.empty());
}

}  // namespace kvt::security
