#pragma once

// The complements of logistic events: field 3A of the Post holds groups of
// hexadecimal digits at fixed positions whose meaning depends on the logistic
// event number (field 38). One decoder per family of numbers turns them into
// XML. A decoder never fails its caller: what it cannot read is listed in the
// activity list and/or logged under "TFPrincipal.Post2XML", and the event goes
// on with the next field. Positions count from 1; a complement shorter than the
// positions read gives short or empty pieces, and an empty piece cannot be
// converted.
//
// For the renderer, at the place of field 3A of an event that is not a custom
// event:
//   tComplementoEvento complementos(registroInformativo(logFiles), listaAtividades(historico),
//                                   pesquisaAlvo(dbZenthora));
//   body += complementos.Complemento(codigoEvento, numeroLogistico, complemento, terminal,
//                                    indicadorSolar);
// codigoEvento is the text of field 5, numeroLogistico field 38, terminal field
// 21 and indicadorSolar field 39 (each 0 when absent).

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "server/events/event_sinks.h"

namespace kvt::db {
class Connection;
struct SqlText;
}  // namespace kvt::db

namespace kvt::events {

// The name of a target in the newest configuration sent to the vehicle by a
// non-diagnostic remote operation; nothing when there is none.
using PesquisaAlvo = std::function<std::optional<std::string>(std::int32_t terminal, std::int32_t alvo)>;

class tComplementoEvento {
 public:
  tComplementoEvento(RegistroLog log, ListaAtividades lista, PesquisaAlvo pesquisaAlvo);

  // Everything that stands at the place of field 3A: for event code "92" the
  // complement unchanged in <Complemento>, then the logistic decoder's output.
  std::string Complemento(std::string_view codigoEvento, std::int32_t numeroLogistico, std::string_view complemento,
                          std::int32_t terminal, std::int32_t indicadorSolar) const;
  // The output of the decoder chosen by the logistic number (empty for a
  // number without decoder).
  std::string ComplementoLogistico(std::int32_t numeroLogistico, std::string_view complemento,
                                   std::int32_t terminal, std::int32_t indicadorSolar) const;

  // The decoders (n logistic number, c complement, t terminal).
  std::string ComplementoReferencia(std::int32_t n, std::string_view c, std::int32_t t) const;
  std::string ComplementoTratamentoArea(std::int32_t n, std::string_view c) const;
  std::string ComplementoTemperatura(std::int32_t n, std::string_view c, std::int32_t t) const;
  std::string ComplementoRastreadorSolar(std::int32_t n, std::string_view c, std::int32_t t) const;
  std::string ComplementoOrdemAlvo(std::int32_t n, std::string_view c, std::int32_t t) const;
  std::string ComplementoResultadoAlvo(std::int32_t n, std::string_view c, std::int32_t t) const;
  std::string ComplementoSequenciaMensagem(std::int32_t n, std::string_view c, std::int32_t t) const;
  std::string ComplementoRecepcao(std::int32_t n, std::string_view c, std::int32_t t) const;
  std::string ComplementoInfracao(std::int32_t n, std::string_view c, std::int32_t t) const;
  std::string ComplementoHyundai(std::int32_t n, std::string_view c, std::int32_t t) const;

  // "<OrdemEnvioAlvo> " target " </OrdemEnvioAlvo> " and the target's name.
  std::string ElementoAlvo(std::int32_t alvo, std::int32_t terminal) const;

 private:
  void registra(const std::string& mensagem) const;
  void lista(const std::string& linha) const;

  RegistroLog log_;
  ListaAtividades lista_;
  PesquisaAlvo pesquisaAlvo_;
};

// qrPesquisaAlvo on dbZenthora (target_lookup.cpp).
PesquisaAlvo pesquisaAlvo(db::Connection& dbZenthora);
const db::SqlText& sqlPesquisaAlvo();

}  // namespace kvt::events
