#pragma once

// The platform's Format for the composer's templates: %d a decimal integer,
// %s a text, %x an integer in upper-case hexadecimal (32-bit two's complement
// for negatives), %% a percent sign; an optional index "n:", "-", width and
// ".precision" as the platform allows. A template that does not match its
// arguments raises ErroFormato instead of reading past them.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace kvt::cliente {

using ArgumentoFormato = std::variant<std::int64_t, std::string>;

class ErroFormato : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

std::string Formata(std::string_view modelo, const std::vector<ArgumentoFormato>& args);

// StrToInt: the platform's integer reading, or ErroFormato with its message
// ("'abc' is not a valid integer value").
std::int32_t StrToInt(std::string_view texto);

}  // namespace kvt::cliente
