#pragma once

// Decoders of the typed values that a custom event packs one after another in
// its complement. Each takes the remaining complement, cuts its value off the
// front and returns the value text:
//   - a complement that is empty or only blanks gives an empty value and loses
//     nothing;
//   - otherwise the decoder's width is cut (less when less remains) and read as
//     hexadecimal; the real types read it pair by pair, the first pair being the
//     most significant byte of the IEEE 754 pattern;
//   - a piece that cannot be read (a real number short of a byte pair) gives an
//     empty value, stays consumed, and writes the information entry
//     "TFPrincipal.<decoder>: Complemento no formato incorreto" with an empty
//     message.
// Numbers use the regional decimal separator, times and dates the regional
// long time and short date formats.

#include <cstddef>
#include <cstdint>
#include <string>

#include "server/events/event_sinks.h"

namespace kvt::events {

using DecodificadorComplemento = std::string (*)(std::string& complemento, const RegistroLog& log);

std::string ProcessaComplementoBYTE(std::string& complemento, const RegistroLog& log);        // 1: signed byte
std::string ProcessaComplemento_BYTE(std::string& complemento, const RegistroLog& log);       // 2: byte
std::string ProcessaComplementoINTEIRO16(std::string& complemento, const RegistroLog& log);   // 3: signed 16 bits
std::string ProcessaComplemento_INTEIRO16(std::string& complemento, const RegistroLog& log);  // 4: unsigned 16 bits
std::string ProcessaComplementoINTEIRO32(std::string& complemento, const RegistroLog& log);   // 5: signed 32 bits
std::string ProcessaComplemento_INTEIRO32(std::string& complemento, const RegistroLog& log);  // 6: unsigned 32 bits
std::string ProcessaComplementoCARACTER(std::string& complemento, const RegistroLog& log);    // 7: character code
std::string ProcessaComplementoREAL32(std::string& complemento, const RegistroLog& log);      // 8: IEEE 754 single
std::string ProcessaComplementoREAL64(std::string& complemento, const RegistroLog& log);      // 9: IEEE 754 double
std::string ProcessaComplementoLOGICO(std::string& complemento, const RegistroLog& log);      // 10: logical
std::string ProcessaComplementoHORA(std::string& complemento, const RegistroLog& log);        // 12: time of day
std::string ProcessaComplementoDATA(std::string& complemento, const RegistroLog& log);        // 13: date
std::string ProcessaComplementoDATAHORA(std::string& complemento, const RegistroLog& log);    // 14: date and time

// The decoder of a value type (TipoCompilador); null for 0, 11 and every type
// without one, which give an empty value and consume nothing.
DecodificadorComplemento DecodificadorDoTipo(std::int32_t tipoCompilador);

// Runs the decoder of the type (an empty value for a type without one).
std::string DecodificaValor(std::int32_t tipoCompilador, std::string& complemento, const RegistroLog& log);

}  // namespace kvt::events
