#pragma once

// Import of one group of routes (-11, reply -50): each route's points are
// densified, the route and its points are stored in the security database and
// the route is associated with the listed vehicles within the limits of a
// vehicle (MAX_ROTA_VEICULO routes, MAX_PONTO_ROTA_VEICULO points).

#include <cstdint>
#include <memory>
#include <string>

#include "platform/db/db.h"
#include "platform/xml/xml_document.h"
#include "server/common/linked_list.h"
#include "server/security/import_status.h"
#include "server/security/route_densification.h"
#include "server/telecmd/canal_clientes.h"
#include "server/telecmd/resposta_erro.h"

namespace kvt::security {

const db::SqlText& sqlGrupoRota();
const db::SqlText& sqlInsereGrupoRota();
const db::SqlText& sqlRota();
const db::SqlText& sqlInsereRota();
const db::SqlText& sqlModificaRota();
const db::SqlText& sqlNomeRotaExiste();
const db::SqlText& sqlIdRota();
const db::SqlText& sqlPerfilRotaPadrao();
const db::SqlText& sqlToleranciaPerfilRota();
db::SqlText sqlApagaPontosRota(std::int32_t idRota);
const db::SqlText& sqlInserePontoRota();
const db::SqlText& sqlIniciaTransacao();
const db::SqlText& sqlConfirmaTransacao();
const db::SqlText& sqlDesfazTransacao();
const db::SqlText& sqlApagaRotasVeiculo();
const db::SqlText& sqlAssociaRotaVeic();

// StsImportacao of a route.
inline constexpr std::int32_t kRotaGravada = 0;
inline constexpr std::int32_t kRotaNovaRecusada = 1;      // ACAONOVOS 1; also a route row that could not be stored
inline constexpr std::int32_t kRotaExistenteRecusada = 2;  // ACAOCADASTRADOS 2
inline constexpr std::int32_t kRotaPontosDemais = 3;       // MAX_PONTO_ROTA_VEICULO or more after densification

// The outcome of one route: name in use, NOMEROTA as received, import status
// and the vehicles tried.
class tStatusRota : public tStatusImportacao {
 public:
  using tStatusImportacao::tStatusImportacao;
};

// The working record of one document.
struct tParametrosRota {
  typRegRota Rota;
  bool ToleranciaInvalida = false;  // the route named a tolerance outside the table: not imported
  common::tListaEncadeada StatusRotas;
  common::tListaEncadeada Veiculos;  // common::tVeiculo, newest in front
  std::string NomeGrupo;             // in use
  std::int32_t AcaoNovos = 0;
  std::int32_t AcaoCadastrados = 0;
  std::int32_t AssociacaoRotasVeiculos = 0;
  std::string NomeGrupoRecebido;
  std::string NomeRotaRecebido;
  std::int32_t ContadorSemNome = 0;
  std::int32_t IdPerfilRota = -1;
};

class tImportadorRota {
 public:
  struct Dependencias {
    telecmd::CanalClientes& canal;           // Enfileira_XML_Envio
    telecmd::RespostaStatusErro& respostas;  // Retorna_Status_Erro_XML
    db::Connection& dbZenthora;              // vehicles
    db::Connection& dbSSE;                   // groups, routes, points, associations
  };

  explicit tImportadorRota(const Dependencias& d);

  // Imports the first GRUPOROTA of a parsed -11 document and answers with -50.
  // A failure while writing a route's points propagates (nothing more of the
  // document is processed and no status reply is sent), as do database
  // failures outside the steps that report their own.
  void ImportaRotas(const xml::Element& raiz);

  // Replaces the stored points of the route with the record's points,
  // numbered from 0, in one transaction. Propagates the first failure, with
  // the route's points as they were.
  void GravaPontosRota(std::int32_t idRota, const typRegRota& rota);

  const tParametrosRota& Parametros() const { return p_; }

 private:
  bool leOpcoesEVeiculos(const xml::Element& raiz);
  std::int32_t abreGrupo();
  void leRota(const xml::Element& primeiro);
  void leTolerancia(const xml::Element& tolerancia);
  void lePonto(const xml::Element& ponto);
  void decideEGrava(std::int32_t idGrupo);
  bool rotaExiste(const std::string& nome);
  bool gravaRota(std::int32_t idGrupo);
  std::int32_t idRota(const std::string& nome);
  void associa(tStatusRota& status);
  void enviaStatus();
  tStatusRota& adicionaStatus(std::int32_t status);

  telecmd::CanalClientes& canal_;
  telecmd::RespostaStatusErro& respostas_;
  db::Connection& dbZenthora_;
  db::Connection& dbSSE_;
  tParametrosRota p_;
};

}  // namespace kvt::security
