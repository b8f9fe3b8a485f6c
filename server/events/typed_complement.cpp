#include "server/events/typed_complement.h"

#include <algorithm>
#include <array>
#include <bit>
#include <optional>
#include <string_view>

#include "platform/text/date_time.h"
#include "platform/text/float_text.h"
#include "platform/text/trim.h"
#include "server/events/complement_hex.h"

namespace kvt::events {

namespace {

using Valor = std::optional<std::string>;

// Cuts `largura` characters off the front of the complement and formats them;
// the common rules of every decoder.
template <class Formata>
std::string decodifica(const char* nome, std::size_t largura, std::string& complemento, const RegistroLog& log,
                       Formata formata) {
  if (text::trim(complemento).empty()) return {};
  const std::string pedaco = complemento.substr(0, std::min(largura, complemento.size()));
  complemento.erase(0, pedaco.size());
  Valor valor = formata(std::string_view(pedaco));
  if (!valor) {
    if (log) log(std::string("TFPrincipal.") + nome + ": Complemento no formato incorreto", "");
    return {};
  }
  return std::move(*valor);
}

// The piece read as one hexadecimal number, formatted by `como`.
template <class Como>
auto inteiro(Como como) {
  return [como](std::string_view pedaco) -> Valor {
    const auto v = HexParaNum(pedaco);
    if (!v) return std::nullopt;
    return std::to_string(como(*v));
  };
}

// The piece read pair by pair into the bytes of an IEEE 754 pattern, most
// significant first; a missing pair cannot be read.
template <std::size_t N>
std::optional<std::array<std::uint8_t, N>> bytesBigEndian(std::string_view pedaco) {
  std::array<std::uint8_t, N> bytes{};
  for (std::size_t i = 0; i < N; ++i) {
    const std::string_view par = 2 * i < pedaco.size() ? pedaco.substr(2 * i, 2) : std::string_view();
    const auto v = HexParaNum(par);
    if (!v) return std::nullopt;
    bytes[i] = static_cast<std::uint8_t>(*v & 0xFFu);
  }
  return bytes;
}

Valor real32(std::string_view pedaco) {
  const auto bytes = bytesBigEndian<4>(pedaco);
  if (!bytes) return std::nullopt;
  std::uint32_t padrao = 0;
  for (std::uint8_t b : *bytes) padrao = (padrao << 8) | b;
  return text::floatToStr(static_cast<double>(std::bit_cast<float>(padrao)));
}

Valor real64(std::string_view pedaco) {
  const auto bytes = bytesBigEndian<8>(pedaco);
  if (!bytes) return std::nullopt;
  std::uint64_t padrao = 0;
  for (std::uint8_t b : *bytes) padrao = (padrao << 8) | b;
  return text::floatToStr(std::bit_cast<double>(padrao));
}

// Values of the time types count 1/3600 of a day each (24 seconds); dates are
// counted from 1 January 1970, moved to the day numbers of 30 December 1899 by
// 25569 days (92048400 units), the sum kept in 32 bits.
constexpr std::uint32_t kUnidadesPorDia = 3600;
constexpr std::uint32_t kSegundosPorUnidade = 24;
constexpr std::uint32_t kDesvio1970 = 92048400;  // 25569 x 3600
constexpr std::int64_t kDias1899a1970 = 25569;

text::DateTime horaDoDia(std::uint32_t unidades) {
  const std::uint32_t segundos = (unidades % kUnidadesPorDia) * kSegundosPorUnidade;
  text::DateTime dt;  // 30/12/1899, the day of a bare time
  dt.hour = static_cast<int>(segundos / 3600);
  dt.minute = static_cast<int>(segundos / 60 % 60);
  dt.second = static_cast<int>(segundos % 60);
  return dt;
}

text::DateTime dataEHora(std::uint32_t v) {
  const std::uint32_t numero = v + kDesvio1970;  // modulo 2^32
  const std::int64_t dias = numero / kUnidadesPorDia - kDias1899a1970;
  const std::int64_t segundos = static_cast<std::int64_t>(numero % kUnidadesPorDia) * kSegundosPorUnidade;
  return text::fromEpochSeconds(dias * 86400 + segundos);
}

template <class Formata>
auto tempo(Formata formata) {
  return [formata](std::string_view pedaco) -> Valor {
    const auto v = HexParaNum(pedaco);
    if (!v) return std::nullopt;
    return formata(*v);
  };
}

}  // namespace

std::string ProcessaComplementoBYTE(std::string& complemento, const RegistroLog& log) {
  return decodifica("ProcessaComplementoBYTE", 2, complemento, log, inteiro([](std::uint32_t v) {
                      return v >= 128 ? static_cast<std::int64_t>(v) - 256 : static_cast<std::int64_t>(v);
                    }));
}

std::string ProcessaComplemento_BYTE(std::string& complemento, const RegistroLog& log) {
  return decodifica("ProcessaComplemento_BYTE", 2, complemento, log, inteiro([](std::uint32_t v) { return v; }));
}

std::string ProcessaComplementoINTEIRO16(std::string& complemento, const RegistroLog& log) {
  return decodifica("ProcessaComplementoINTEIRO16", 4, complemento, log, inteiro([](std::uint32_t v) {
                      return v >= 32768 ? static_cast<std::int64_t>(v) - 65536 : static_cast<std::int64_t>(v);
                    }));
}

std::string ProcessaComplemento_INTEIRO16(std::string& complemento, const RegistroLog& log) {
  return decodifica("ProcessaComplemento_INTEIRO16", 4, complemento, log, inteiro([](std::uint32_t v) { return v; }));
}

std::string ProcessaComplementoINTEIRO32(std::string& complemento, const RegistroLog& log) {
  return decodifica("ProcessaComplementoINTEIRO32", 8, complemento, log,
                    inteiro([](std::uint32_t v) { return static_cast<std::int32_t>(v); }));
}

std::string ProcessaComplemento_INTEIRO32(std::string& complemento, const RegistroLog& log) {
  return decodifica("ProcessaComplemento_INTEIRO32", 8, complemento, log, inteiro([](std::uint32_t v) { return v; }));
}

std::string ProcessaComplementoCARACTER(std::string& complemento, const RegistroLog& log) {
  return decodifica("ProcessaComplementoCARACTER", 2, complemento, log,
                    inteiro([](std::uint32_t v) { return v & 255u; }));
}

std::string ProcessaComplementoREAL32(std::string& complemento, const RegistroLog& log) {
  return decodifica("ProcessaComplementoREAL32", 8, complemento, log, real32);
}

std::string ProcessaComplementoREAL64(std::string& complemento, const RegistroLog& log) {
  return decodifica("ProcessaComplementoREAL64", 16, complemento, log, real64);
}

std::string ProcessaComplementoLOGICO(std::string& complemento, const RegistroLog& log) {
  return decodifica("ProcessaComplementoLOGICO", 2, complemento, log,
                    inteiro([](std::uint32_t v) { return v & 255u; }));
}

std::string ProcessaComplementoHORA(std::string& complemento, const RegistroLog& log) {
  return decodifica("ProcessaComplementoHORA", 8, complemento, log,
                    tempo([](std::uint32_t v) { return text::timeToStr(horaDoDia(v)); }));
}

std::string ProcessaComplementoDATA(std::string& complemento, const RegistroLog& log) {
  return decodifica("ProcessaComplementoDATA", 8, complemento, log,
                    tempo([](std::uint32_t v) { return text::dateToStr(dataEHora(v)); }));
}

std::string ProcessaComplementoDATAHORA(std::string& complemento, const RegistroLog& log) {
  return decodifica("ProcessaComplementoDATAHORA", 8, complemento, log,
                    tempo([](std::uint32_t v) { return text::dateTimeToStr(dataEHora(v)); }));
}

DecodificadorComplemento DecodificadorDoTipo(std::int32_t tipoCompilador) {
  switch (tipoCompilador) {
    case 1: return ProcessaComplementoBYTE;
    case 2: return ProcessaComplemento_BYTE;
    case 3: return ProcessaComplementoINTEIRO16;
    case 4: return ProcessaComplemento_INTEIRO16;
    case 5: return ProcessaComplementoINTEIRO32;
    case 6: return ProcessaComplemento_INTEIRO32;
    case 7: return ProcessaComplementoCARACTER;
    case 8: return ProcessaComplementoREAL32;
    case 9: return ProcessaComplementoREAL64;
    case 10: return ProcessaComplementoLOGICO;
    case 12: return ProcessaComplementoHORA;
    case 13: return ProcessaComplementoDATA;
    case 14: return ProcessaComplementoDATAHORA;
    default: return nullptr;
  }
}

std::string DecodificaValor(std::int32_t tipoCompilador, std::string& complemento, const RegistroLog& log) {
  const DecodificadorComplemento decodificador = DecodificadorDoTipo(tipoCompilador);
  return decodificador ? decodificador(complemento, log) : std::string();
}

}  // namespace kvt::events
