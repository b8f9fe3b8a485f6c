#pragma once

// The Post: the compact text record exchanged with the communication base
// through database tables. A Post is a run of fields
//     "#" id "," length "," value
// where id is hexadecimal, length is decimal (written by every writer, read by
// no reader) and the value runs to the next "#" or to the end of the text, so
// it may hold "," and blanks, and whatever follows the last value (the CR LF of
// a command Post) belongs to it.

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "platform/db/db.h"
#include "platform/text/date_time.h"
#include "platform/text/hex_text.h"

namespace kvt::runtime {
struct tConfiguracao;
}

namespace kvt::events {

// One field of a Post, in the order it stands; the value points into the Post.
struct CampoPost {
  std::int32_t id = 0;  // HexParaInt of the id text
  std::string_view valor;
};

// The first "#" in [p, fim), or fim. Values are short, so eight bytes are
// tested at once without a call: a word whose bytes XOR "#" hold a zero byte
// holds a "#", and the lowest byte flagged is the first one.
inline const char* ProcuraCerquilha(const char* p, const char* fim) {
  if constexpr (std::endian::native == std::endian::little) {
    constexpr std::uint64_t kUns = 0x0101010101010101ull;
    constexpr std::uint64_t kAltos = 0x8080808080808080ull;
    constexpr std::uint64_t kCerquilhas = kUns * static_cast<unsigned char>('#');
    while (fim - p >= 8) {
      std::uint64_t palavra;
      std::memcpy(&palavra, p, 8);
      const std::uint64_t x = palavra ^ kCerquilhas;
      // a false flag can only stand above a true zero byte, never below it
      const std::uint64_t zeros = (x - kUns) & ~x & kAltos;
      if (zeros != 0) return p + (std::countr_zero(zeros) >> 3);
      p += 8;
    }
  }
  while (p < fim && *p != '#') ++p;
  return p;
}

// Sequential scan of the fields. `pos` starts at 0; each call yields the next
// field and moves `pos` past it; false at the end. The scan ends at the first
// place that does not hold "#", so a text that does not begin with "#" yields
// nothing. A malformed field (empty id, or a "#" that comes before the id's or
// the length's ",") yields nothing and the scan goes on at the next "#".
// (Inline: the event passes scan every field of every Post with it.)
namespace detalhe {
// The bytes of a field's id and length: the value of a hexadecimal digit as
// HexParaNum counts it (0 for any other byte), or one of the two separators.
inline constexpr std::uint8_t kVirgula = 0x40;
inline constexpr std::uint8_t kCerquilha = 0x80;
inline constexpr std::array<std::uint8_t, 256> kClassesPost = [] {
  std::array<std::uint8_t, 256> t{};
  for (int c = '1'; c <= '9'; ++c) t[static_cast<std::size_t>(c)] = static_cast<std::uint8_t>(c - '0');
  for (int c = 'A'; c <= 'F'; ++c) t[static_cast<std::size_t>(c)] = static_cast<std::uint8_t>(c - 'A' + 10);
  for (int c = 'a'; c <= 'f'; ++c) t[static_cast<std::size_t>(c)] = static_cast<std::uint8_t>(c - 'a' + 10);
  t[static_cast<unsigned char>(',')] = kVirgula;
  t[static_cast<unsigned char>('#')] = kCerquilha;
  return t;
}();
}  // namespace detalhe

inline bool ProximoCampoPost(std::string_view post, std::size_t& pos, CampoPost& campo) {
  // One pass over each field: the id up to its "," (read as HexParaInt reads
  // it on the way), the length up to the next ",", the value up to the next
  // "#". A "#" met before either comma ends a malformed field, and the scan
  // goes on from it.
  using detalhe::kClassesPost;
  const char* const fimPost = post.data() + post.size();
  while (pos < post.size() && post[pos] == '#') {
    const char* const inicio = post.data() + pos + 1;
    const char* p = inicio;
    std::uint32_t id = 0;
    std::uint8_t classe = 0;
    while (p < fimPost && (classe = kClassesPost[static_cast<unsigned char>(*p)]) < detalhe::kVirgula) {
      id = id * 16u + classe;  // wraps like HexParaNum
      ++p;
    }
    if (p == fimPost || classe == detalhe::kCerquilha || p == inicio) {
      pos = static_cast<std::size_t>(ProcuraCerquilha(p, fimPost) - post.data());
      continue;
    }
    if (*inicio == '-') id = 0u - id;
    ++p;
    while (p < fimPost && kClassesPost[static_cast<unsigned char>(*p)] < detalhe::kVirgula) ++p;
    if (p == fimPost || *p == '#') {
      pos = static_cast<std::size_t>(p - post.data());
      continue;
    }
    const char* const valor = p + 1;
    const char* const fim = ProcuraCerquilha(valor, fimPost);
    pos = static_cast<std::size_t>(fim - post.data());
    campo.id = static_cast<std::int32_t>(id);
    campo.valor = std::string_view(valor, static_cast<std::size_t>(fim - valor));
    return true;
  }
  return false;
}

// Every field of the scan, in order.
std::vector<CampoPost> CamposPost(std::string_view post);

// The lookup of one field: the first place where "#" is followed by exactly
// `id` (compared as text, "2E" is not "2e") and a ",". Found only when the
// value is not empty; otherwise the value is empty.
struct ValorCampo {
  bool encontrado = false;
  std::string_view valor;
  explicit operator bool() const { return encontrado; }
};
ValorCampo ObtemCampoPost(std::string_view post, std::string_view id);

// Command codes of the Posts the server writes itself.
inline constexpr std::string_view kCodigoParar = "D0";
inline constexpr std::string_view kCodigoRetomar = "D1";

// "#1,1,0#2,<len>,<NOME_MR>#3,<len>,<NOME_BASE>#4,1,0#5,2,<codigo>#6,19,<dd/mm/yyyy hh:nn:ss>#7,1,0" CR LF.
std::string MontaPostComando(std::string_view codigo, std::string_view nomeMr, std::string_view nomeBase,
                             const text::DateTime& agora);

const db::SqlText& sqlSendPost();

// Inserts one command Post into tCmdPost for the module; database errors
// propagate.
void EnviaPost(db::Connection& dbZenthora, std::int32_t idBase, const std::string& modCom, const std::string& post);
// The pause (D0) and resume (D1) requests, dated with the clock's local time.
void EnviaPostParar(db::Connection& dbZenthora, const runtime::tConfiguracao& cfg);
void EnviaPostRetomar(db::Connection& dbZenthora, const runtime::tConfiguracao& cfg);

}  // namespace kvt::events
