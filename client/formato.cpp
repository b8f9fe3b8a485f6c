#include "client/formato.h"

#include <cstdio>

#include "platform/text/integer_text.h"

namespace kvt::cliente {

namespace {

[[noreturn]] void invalido(std::string_view modelo) {
  throw ErroFormato("Format '" + std::string(modelo) + "' invalid or incompatible with argument");
}

std::string hexadecimal(std::int64_t v) {
  char b[24];
  std::snprintf(b, sizeof b, "%X", static_cast<unsigned>(static_cast<std::uint32_t>(v)));
  return b;
}

}  // namespace

std::string Formata(std::string_view modelo, const std::vector<ArgumentoFormato>& args) {
  std::string out;
  out.reserve(modelo.size() + 64);
  std::size_t proximo = 0;  // the next argument when no index is given
  for (std::size_t i = 0; i < modelo.size(); ++i) {
    const char c = modelo[i];
    if (c != '%') {
      out += c;
      continue;
    }
    if (++i >= modelo.size()) invalido(modelo);
    if (modelo[i] == '%') {
      out += '%';
      continue;
    }
    // [index:] [-] [width] [.precision] type
    auto numero = [&](std::size_t& p) -> int {
      int n = -1;
      while (p < modelo.size() && modelo[p] >= '0' && modelo[p] <= '9') {
        n = (n < 0 ? 0 : n) * 10 + (modelo[p] - '0');
        if (n > 100000) invalido(modelo);
        ++p;
      }
      return n;
    };
    std::size_t p = i;
    int primeiro = numero(p);
    if (p < modelo.size() && modelo[p] == ':') {
      if (primeiro < 0) invalido(modelo);
      proximo = static_cast<std::size_t>(primeiro);
      ++p;
      primeiro = -1;
    }
    bool esquerda = false;
    if (primeiro < 0 && p < modelo.size() && modelo[p] == '-') {
      esquerda = true;
      ++p;
    }
    const int largura = primeiro >= 0 ? primeiro : numero(p);
    int precisao = -1;
    if (p < modelo.size() && modelo[p] == '.') {
      ++p;
      precisao = numero(p);
    }
    if (p >= modelo.size()) invalido(modelo);
    const char tipo = static_cast<char>(modelo[p] | 0x20);
    i = p;
    if (proximo >= args.size()) invalido(modelo);
    const ArgumentoFormato& a = args[proximo++];
    std::string campo;
    switch (tipo) {
      case 'd': {
        const auto* v = std::get_if<std::int64_t>(&a);
        if (!v) invalido(modelo);
        campo = std::to_string(*v < 0 ? -*v : *v);
        if (precisao > 0 && campo.size() < static_cast<std::size_t>(precisao))
          campo.insert(0, static_cast<std::size_t>(precisao) - campo.size(), '0');
        if (*v < 0) campo.insert(0, "-");
        break;
      }
      case 'x': {
        const auto* v = std::get_if<std::int64_t>(&a);
        if (!v) invalido(modelo);
        campo = hexadecimal(*v);
        if (precisao > 0 && campo.size() < static_cast<std::size_t>(precisao))
          campo.insert(0, static_cast<std::size_t>(precisao) - campo.size(), '0');
        break;
      }
      case 's': {
        const auto* v = std::get_if<std::string>(&a);
        if (!v) invalido(modelo);
        campo = precisao >= 0 ? v->substr(0, static_cast<std::size_t>(precisao)) : *v;
        break;
      }
      default:
        invalido(modelo);
    }
    if (largura > 0 && campo.size() < static_cast<std::size_t>(largura)) {
      const std::string brancos(static_cast<std::size_t>(largura) - campo.size(), ' ');
      campo = esquerda ? campo + brancos : brancos + campo;
    }
    out += campo;
  }
  return out;
}

std::int32_t StrToInt(std::string_view texto) {
  const auto v = text::tryParseInt(texto);
  if (!v) throw ErroFormato("'" + std::string(texto) + "' is not a valid integer value");
  return *v;
}

}  // namespace kvt::cliente
