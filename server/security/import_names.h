#pragma once

// Names of imported targets and fences: texts cut to the width of their
// column, the name of an item that came without one, and the first free name
// with a numeric suffix.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace kvt::security {

// Column widths of the names the imports store.
inline constexpr std::size_t kLarguraNomeItem = 50;   // Nome_Alvo, tCerca.Nome
inline constexpr std::size_t kLarguraNomeGrupo = 40;  // Nome_Grupo, tGrupoCerca.Nome

// The text cut to the width of its column.
std::string CortaTexto(std::string_view texto, std::size_t largura);

// An unnamed item: trimmed group name + " [" + the number in eight digits + "]".
std::string NomeSemNome(std::string_view nomeGrupo, std::int32_t numero);

// The first of name + " [%.5d]" with 1, 2, 3... for which `existe` is false.
// The suffix always fits the column: the name is cut before it instead.
std::string NomeLivre(std::string_view nome, std::size_t largura, const std::function<bool(const std::string&)>& existe);

}  // namespace kvt::security
