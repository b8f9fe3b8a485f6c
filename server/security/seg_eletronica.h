#pragma once

// The electronic-security data module: the catalogue lists of definition
// profiles, targets and fences (-6, -7, -8) and the imports of targets and
// fences (-9, -10). Its handlers are registered in the dispatch table of the
// telecommand processor by the server object.

#include <memory>

#include "platform/db/db.h"
#include "platform/xml/xml_document.h"
#include "server/runtime/log_files.h"
#include "server/telecmd/canal_clientes.h"
#include "server/telecmd/resposta_erro.h"

namespace kvt::telecmd {
class tTeleCmd;
}

namespace kvt::security {

const db::SqlText& sqlPerfilDefinicao();
const db::SqlText& sqlListaAlvos();
const db::SqlText& sqlListaCercas();

// Targets or fences per list document; a group may span documents.
inline constexpr int kItensPorDocumento = 1000;

class TdmSegEletronica {
 public:
  struct Dependencias {
    telecmd::CanalClientes& canal;           // Enfileira_XML_Envio
    telecmd::RespostaStatusErro& respostas;  // Retorna_Status_Erro_XML
    runtime::LogFiles& logs;
    db::Connection& dbZenthora;  // the application connection: lists, vehicles
    db::Connection& dbSSE;       // the security database: imports
  };

  explicit TdmSegEletronica(const Dependencias& d);
  ~TdmSegEletronica();
  TdmSegEletronica(const TdmSegEletronica&) = delete;
  TdmSegEletronica& operator=(const TdmSegEletronica&) = delete;

  // -6: definition profiles of targets and fences in one reply -45.
  void ListaPerfisDefinicao();
  // -7: targets by group, replies -46 of at most 1000 targets each.
  void ListaAlvos();
  // -8: fences by group, replies -47 of at most 1000 fences each.
  void ListaCercas();
  // -11: one group of routes, reply -50 (tImportadorRota).
  void Importar_Rotas(const xml::Element& raiz);
  // -15: stop-logistics messages of vehicles, reply -61 (tImportacaoMensagensELP).
  void Importar_MensagensELP(const xml::Element& raiz);

  // -9: imports a group of targets (tImportadorAlvo), reply -48.
  void Importar_Alvos(const xml::Element& raiz);
  // -10: imports a group of fences (tImportadorCerca), reply -49.
  void Importar_Cercas(const xml::Element& raiz);

  // Fills the slots of the lists and imports in the processor's dispatch table.
  void RegistraTratadores(telecmd::tTeleCmd& teleCmd);

 private:
  struct FormatoLista;
  void listaPorGrupo(db::Statement& qr, const FormatoLista& f);

  telecmd::CanalClientes& canal_;
  telecmd::RespostaStatusErro& respostas_;
  runtime::LogFiles& logs_;
  db::Connection& dbZenthora_;
  db::Connection& dbSSE_;

  std::unique_ptr<db::Statement> qrPerfilDefinicao_;
  std::unique_ptr<db::Statement> qrListaAlvos_;
  std::unique_ptr<db::Statement> qrListaCercas_;
};

}  // namespace kvt::security
