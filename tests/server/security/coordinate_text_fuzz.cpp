// libFuzzer entry point: FormataCoordenada never crashes and always answers an
// empty text, the marker of the axis or a canonical text.

#include <cstddef>
#include <cstdint>
#include <string>

#include "tests/server/security/coordinate_shape.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string texto(reinterpret_cast<const char*>(data), size);
  for (auto eixo : {kvt::security::Eixo::Latitude, kvt::security::Eixo::Longitude})
    if (!kvt::test::saidaAceita(eixo, kvt::security::FormataCoordenada(eixo, texto))) __builtin_trap();
  return 0;
}
