#pragma once

// Rendering of one event Post as the body of a TeleEvento document. Each field
// of the Post becomes, in Post order, one element named by the token catalogue
// of the central (" <Nome> value </Nome> "); the free text, the pre-defined
// message, the complement and the position get their own treatment, and three
// details come from the event-detail objects of DetalhesEvento: the
// custom-event block, the logistic complement and the location element.

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/db/db.h"
#include "server/common/mensagem_pre.h"
#include "server/events/custom_event.h"
#include "server/events/event_sinks.h"
#include "server/events/location.h"
#include "server/events/logistic_complement.h"

namespace kvt::events {

// The event-detail objects the renderer calls (owned by the server object);
// a null pointer contributes nothing.
struct DetalhesEvento {
  // The block appended after every field of a custom event (code 68).
  const tEvtPersonalizado* personalizados = nullptr;
  // The logistic decoder chosen by field 38, at the place of field 3A.
  const tComplementoEvento* complementos = nullptr;
  // The location element appended last when field 4 is 1.
  const tLocalizacao* localizacao = nullptr;
};

// Accent and symbol folding of event texts (Windows-1252): accented letters
// lose their accent, "&" becomes "e" and a few symbols become blanks. The
// entity references "&amp;" and "&lt;" are left as they are.
std::string LimpaTextoEvento(std::string_view texto);

// The free text of field 26 as the vehicle wrote it: byte 0x01 stands for "#",
// "^" for a blank and "¶" for "^"; "&" and "<" come out as entity references.
std::string DecodificaTextoLivre(std::string_view valor);

struct LinhaToken {
  std::int32_t IdToken = 0;
  std::string NomeToken;
  std::int32_t TipoToken = 1;  // 1 = the field is rendered
};

using LinhaMensagemPre = common::LinhaMensagemPre;

const db::SqlText& sqlCatalogoTokens();
const db::SqlText& sqlMensagensPreZeta();

class tRenderizadorPost {
 public:
  // `dbZenthora` may be null for a renderer whose catalogues are given as rows.
  explicit tRenderizadorPost(db::Connection* dbZenthora = nullptr, RegistroLog log = nullptr);

  // The token catalogue, from a query already open on "select * from tToken"
  // (start-up opens it), from the central itself, or from rows.
  void CarregaTokens(db::Statement& qrToken);
  void CarregaTokens();
  void CarregaTokens(const std::vector<LinhaToken>& linhas);
  // The pre-defined message catalogue of the Zeta family; read again at the
  // first pre-defined message that finds it not loaded.
  void CarregaMensagensPre();
  void CarregaMensagensPre(const std::vector<LinhaMensagemPre>& linhas);

  // The body of the TeleEvento document of one event Post.
  std::string Post2XML(std::string_view post);
  // The same body appended to `saida`, whose capacity a caller may reuse.
  void Post2XML(std::string_view post, std::string& saida);

  // The element name of a field id: the catalogue's name when TipoToken is 1,
  // empty (not rendered) for another TipoToken, "Token" + decimal id when the
  // catalogue lacks the id.
  std::string NomeToken(std::int32_t id) const;
  // " <Nome> value </Nome> ", or empty when the field is not rendered. Field 26
  // is folded with LimpaTextoEvento.
  std::string RenderizaCampo(std::int32_t id, std::string_view valor) const;
  // The free-text element of a pre-defined message number (field D5); empty
  // when the catalogue has no such message.
  std::string ElementoMensagemPre(std::int32_t numero);

  DetalhesEvento detalhes;

 private:
  void adicionaCampo(std::string& saida, std::int32_t id, std::string_view valor) const;
  // The element name of a field and its tags, built once when the catalogue
  // is loaded; an empty name is not rendered. Tags that fit are also kept in
  // fixed blocks, which are copied whole and then cut to their length.
  struct Etiqueta {
    static constexpr std::size_t kBloco = 32;
    std::array<char, kBloco> abreBloco{};
    std::array<char, kBloco> fechaBloco{};
    // The lengths of the tags when both fit their blocks; 0 otherwise.
    std::uint8_t tamAbre = 0;
    std::uint8_t tamFecha = 0;
    std::string nome;
    std::string abre;   // " <Nome> "
    std::string fecha;  // " </Nome> "
    explicit Etiqueta(std::string n = {});
  };
  const Etiqueta* etiquetaDe(std::int32_t id) const;
  // Writes the element of a field whose value needs no folding straight into
  // the body being built; `escapar` says whether the Post holds "&" or "<".
  void escreveCampo(const Etiqueta& etiqueta, std::string_view valor, bool escapar);
  // A field outside the table of short ids, or the free text: through
  // adicionaCampo.
  void escreveCampoGeral(std::int32_t id, std::string_view valor);
  char* reserva(std::size_t n);
  void cresce(std::size_t n);
  void acrescenta(std::string_view texto);

  // The decimal value of a field; a text that is not an integer reads 0 and
  // is logged.
  std::int32_t decimal(std::int32_t id, std::string_view valor, std::string_view post) const;
  std::int32_t decimalGeral(std::int32_t id, std::string_view valor, std::string_view post) const;

  db::Connection* dbZenthora_;
  RegistroLog log_;
  // Ids 0-255 (all the field ids in use) in a table, the rest in a map; each
  // entry is the final element name.
  std::array<Etiqueta, 256> nomesCurtos_;
  // The body of the Post being rendered, in a buffer kept from Post to Post.
  std::vector<char> rascunho_;
  std::size_t usado_ = 0;
  std::unordered_map<std::int32_t, Etiqueta> nomesLongos_;
  common::tCatalogoMensagensPre mensagensPre_;
};

}  // namespace kvt::events
