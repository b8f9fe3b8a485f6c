#pragma once

// How the imports read their options and vehicles: a walk over the children of
// the document's root that hands every listed vehicle of the central to the
// caller and reads the whole-number options it knows by name.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/db/db.h"
#include "platform/xml/xml_document.h"
#include "server/common/linked_list.h"
#include "server/telecmd/resposta_erro.h"

namespace kvt::security {

// One option of an import: its element name in upper case, the value when the
// element is absent or unreadable, and the value read.
struct OpcaoImportacao {
  std::string nome;
  std::int32_t padrao = 0;
  std::int32_t valor = 0;
};

// What the walk does with the vehicles.
struct LeituraVeiculos {
  // Telecommand text of the reply to an unregistered vehicle ("-11"), and
  // whether that reply names the terminal as the client wrote it.
  std::string telecomando;
  bool terminalNaResposta = true;
  // Called for every IDTERMINAL whose vehicle is in the central, in document
  // order; puts it in the caller's list (newest in front, each terminal once).
  // A database failure here ends the walk like one of the vehicle test.
  std::function<void(std::int32_t idTerminal)> adiciona;
};

// Walks the root's children. Each IDTERMINAL of a VEICULO is read as a
// hexadecimal terminal id and tested against the central's vehicle table: a
// registered one goes to leitura.adiciona, an unregistered one is answered
// with " Veículo " + text + " não está cadastrado !". Options take
// InteiroDoElemento(element, default). An IDTERMINAL without text, or a
// database failure while testing or adding a vehicle, ends the walk there (the
// options after it keep their defaults); a lost connection propagates.
// Returns whether the walk reached the end of the root's children.
bool LeOpcoesEVeiculos(const xml::Element& raiz, std::vector<OpcaoImportacao>& opcoes, const LeituraVeiculos& leitura,
                       db::Connection& dbZenthora, telecmd::RespostaStatusErro& respostas);

// The value read for an option of the list (by its upper-case name); 0 when
// the list has no such option.
std::int32_t ValorOpcao(const std::vector<OpcaoImportacao>& opcoes, std::string_view nome);

// The walk's vehicles for an import that keeps them in one list: each
// registered vehicle goes once, loaded from dbZenthora, to the front of
// veiculos as a common::tVeiculo; unregistered ones are answered with the
// telecommand text telecomando.
LeituraVeiculos LeituraNaLista(std::string telecomando, common::tListaEncadeada& veiculos, db::Connection& dbZenthora);

// Runs apaga, a statement whose one parameter is idTerminal, once for every
// vehicle (common::tVeiculo) of veiculos: the associations the import is about
// to replace are gone before it starts.
void ApagaAssociacoesDosVeiculos(db::Connection& dbSSE, const db::SqlText& apaga,
                                 const common::tListaEncadeada& veiculos);

}  // namespace kvt::security
