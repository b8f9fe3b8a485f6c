#pragma once

// Custom events (event code 68): events that the central's users define
// themselves. tEventoPersonalizado describes each event and names up to ten
// inputs of the vehicle unit (a module and a port); tDef_Modulo_Porta gives
// each input its value type and element name. The vehicle packs the values one
// after another in the complement, and the block below renders them.
//
// For the renderer:
//   tEvtPersonalizado personalizados(CarregaDef_Modulo_Porta(dbZenthora),   // at start-up
//                                    leituraEventoPersonalizado(dbZenthora),
//                                    registroInformativo(logFiles));
//   body += personalizados.Processa_Evt_Personalizado(idEvento, sistema, complemento);
// idEvento is field EB, sistema field F0 (0 when absent) and complemento field
// 3A of the Post. A database error while reading the event propagates.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "server/events/event_sinks.h"

namespace kvt::db {
class Connection;
struct SqlText;
}  // namespace kvt::db

namespace kvt::events {

// One input definition: a row of qrDef_Modulo_Porta.
struct DefModuloPorta {
  std::int32_t Modulo_Porta = 0;  // module x 65536 + port
  std::string Descricao;
  std::string TipoLogico;
  std::int32_t TipoCompilador = 0;  // the value type
  std::string SQL_Processo;
  std::string Identificador;  // the element name
};

// The input definitions, read once at start-up and looked up by key.
class DefinicoesModuloPorta {
 public:
  DefinicoesModuloPorta() = default;
  explicit DefinicoesModuloPorta(std::vector<DefModuloPorta> linhas);

  // The first definition with this key; null when there is none.
  const DefModuloPorta* Localiza(std::int32_t moduloPorta) const;
  std::size_t tamanho() const { return linhas_.size(); }

 private:
  std::vector<DefModuloPorta> linhas_;
  std::unordered_map<std::int32_t, std::size_t> porChave_;
};

// A row of tEventoPersonalizado: description, type and the keys of the columns
// Modulo1_Porta1 to Modulo10_Porta10.
struct EventoPersonalizado {
  std::string Descricao;
  std::string Tipo;
  std::array<std::int32_t, 10> ModuloPorta{};
};

// Reads the custom event (IdEvento, Sistema); nothing when it has no row.
using LeituraEventoPersonalizado =
    std::function<std::optional<EventoPersonalizado>(std::int32_t idEvento, std::int32_t sistema)>;

class tEvtPersonalizado {
 public:
  tEvtPersonalizado(DefinicoesModuloPorta definicoes, LeituraEventoPersonalizado leitura, RegistroLog log);

  // " <DescEvtPersonalizado> ... </Complemento> ": the description, the type
  // and one element per defined input in the order of the event's columns. An
  // event without a row still gives the block, empty.
  std::string Processa_Evt_Personalizado(std::int32_t idEvento, std::int32_t sistema, std::string complemento) const;

  const DefinicoesModuloPorta& qrDef_Modulo_Porta() const { return qrDef_Modulo_Porta_; }

 private:
  DefinicoesModuloPorta qrDef_Modulo_Porta_;
  LeituraEventoPersonalizado leitura_;
  RegistroLog log_;
};

// On dbZenthora (custom_event_loader.cpp).
DefinicoesModuloPorta CarregaDef_Modulo_Porta(db::Connection& dbZenthora);
LeituraEventoPersonalizado leituraEventoPersonalizado(db::Connection& dbZenthora);
const db::SqlText& sqlDef_Modulo_Porta();
const db::SqlText& sqlEventoPersonalizado();

}  // namespace kvt::events
