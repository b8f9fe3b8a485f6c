#pragma once

// The numbering of pre-defined messages. A row of the catalogue is a group
// idMsg and a sub-number idMsgSub; clients and trackers use one number, the
// message id. Sub-number 0 is the group's heading: when the group has other
// rows it is no message of its own and its text goes in front of theirs; when
// it is the group's only row it is the message. The list of messages, the
// pre-defined message command and the event rendering all number with these
// functions, so an id means the same row everywhere.
//
//   id = idMsg * 8 + (idMsgSub - 1)   when idMsgSub >= 1
//   id = idMsg * 8                    when idMsgSub  = 0

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace kvt::common {

struct ChaveMensagemPre {
  std::int32_t idMsg = 0;
  std::int32_t idMsgSub = 0;
  friend bool operator==(const ChaveMensagemPre&, const ChaveMensagemPre&) = default;
};

// The id of a row.
std::int32_t IdMensagemPre(std::int32_t idMsg, std::int32_t idMsgSub);
// The row an id names: group id div 8; sub-number (id mod 8) + 1, or for a
// remainder of 0 the group's first message (sub-number 1) when the group has
// one, and its heading (sub-number 0) otherwise.
ChaveMensagemPre LinhaDaMensagemPre(std::int32_t id, bool grupoTemPrimeiraMensagem);

struct LinhaMensagemPre {
  std::int32_t idMsg = 0;
  std::int32_t idMsgSub = 0;
  std::string Mensagem;
};

// The rows of the catalogue, found by id.
class tCatalogoMensagensPre {
 public:
  tCatalogoMensagensPre() = default;
  explicit tCatalogoMensagensPre(const std::vector<LinhaMensagemPre>& linhas) { Carrega(linhas); }

  void Carrega(const std::vector<LinhaMensagemPre>& linhas);
  bool Carregado() const { return carregado_; }

  // The row an id names, or nullptr.
  const LinhaMensagemPre* Procura(std::int32_t id) const;
  // The row (idMsg, idMsgSub), or nullptr.
  const LinhaMensagemPre* Linha(std::int32_t idMsg, std::int32_t idMsgSub) const;
  // The number of rows of a group (the column quant of the catalogue query).
  std::int32_t Quantidade(std::int32_t idMsg) const;
  // The row's text with its group's heading in front ("heading" + "text")
  // when the row is a message of a group that has a heading.
  std::string TextoComCabecalho(const LinhaMensagemPre& linha) const;

 private:
  std::map<std::pair<std::int32_t, std::int32_t>, LinhaMensagemPre> linhas_;
  std::map<std::int32_t, std::int32_t> quantidade_;
  bool carregado_ = false;
};

}  // namespace kvt::common
