#pragma once

// The Post: the compact text record exchanged with the communication base
// through database tables. A Post is a run of fields
//     "#" id "," length "," value
// where id is hexadecimal, length is decimal (written by every writer, read by
// no reader) and the value runs to the next "#" or to the end of the text, so
// it may hold "," and blanks, and whatever follows the last value (the CR LF of
// a command Post) belongs to it.

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

// Sequential scan of the fields. `pos` starts at 0; each call yields the next
// field and moves `pos` past it; false at the end. The scan ends at the first
// place that does not hold "#", so a text that does not begin with "#" yields
// nothing. A malformed field (empty id, or a "#" that comes before the id's or
// the length's ",") yields nothing and the scan goes on at the next "#".
// (Inline: the event passes scan every field of every Post with it.)
inline bool ProximoCampoPost(std::string_view post, std::size_t& pos, CampoPost& campo) {
  // One pass over each field: the id up to its ",", the length up to the
  // next ",", the value up to the next "#". A "#" met before either comma
  // ends a malformed field, and the scan goes on from it.
  const char* const fimPost = post.data() + post.size();
  while (pos < post.size() && post[pos] == '#') {
    const char* const inicio = post.data() + pos + 1;
    const char* p = inicio;
    while (p < fimPost && *p != ',' && *p != '#') ++p;
    if (p == fimPost || *p == '#' || p == inicio) {
      const void* cerquilha = p < fimPost ? std::memchr(p, '#', static_cast<std::size_t>(fimPost - p)) : nullptr;
      pos = cerquilha ? static_cast<std::size_t>(static_cast<const char*>(cerquilha) - post.data()) : post.size();
      continue;
    }
    const std::string_view id(inicio, static_cast<std::size_t>(p - inicio));
    ++p;
    while (p < fimPost && *p != ',' && *p != '#') ++p;
    if (p == fimPost || *p == '#') {
      pos = static_cast<std::size_t>(p - post.data());
      continue;
    }
    const char* const valor = p + 1;
    const void* cerquilha =
        valor < fimPost ? std::memchr(valor, '#', static_cast<std::size_t>(fimPost - valor)) : nullptr;
    const char* const fim = cerquilha ? static_cast<const char*>(cerquilha) : fimPost;
    pos = static_cast<std::size_t>(fim - post.data());
    campo.id = *text::HexParaInt(id);
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
