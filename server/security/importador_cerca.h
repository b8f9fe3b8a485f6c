#pragma once

// Import of one group of fences (-10, reply -49): the group is opened or
// created, each fence is stored with the values of the default fence profile,
// and every stored fence is associated with the listed vehicles.

#include <cstdint>
#include <memory>
#include <string>

#include "platform/db/db.h"
#include "platform/xml/xml_document.h"
#include "server/common/linked_list.h"
#include "server/telecmd/canal_clientes.h"
#include "server/telecmd/resposta_erro.h"

namespace kvt::security {

const db::SqlText& sqlGrupoCerca();
const db::SqlText& sqlInsereGrupoCerca();
const db::SqlText& sqlCerca();
const db::SqlText& sqlInsereCerca();
const db::SqlText& sqlModificaCerca();
const db::SqlText& sqlPerfilCercaPadrao();
const db::SqlText& sqlPerfilCerca();
const db::SqlText& sqlNomeCercaExiste();
const db::SqlText& sqlIdCerca();
const db::SqlText& sqlAssociaCercaVeic();
const db::SqlText& sqlCercaVeicExiste();

// Shape, sides and the fifteen entry and exit settings of a fence profile.
struct tValoresPerfilCerca {
  std::int32_t Formato = 0, Tipo = 0;
  double Lado_A = 50.0, Lado_B = 50.0;
  std::int32_t EntDeslacreBau = 0, EntDeslacreCabine = 0, EntDeslacreCarreta = 0, EntLibPortas = 0, EntDestrava = 0,
               EntLibMov = 0, EntLacreBau = 0, EntLacreCabine = 0, EntLacreCarreta = 0, EntAcao = 0,
               SaiLacreBau = 0, SaiLacreCabine = 0, SaiLacreCarreta = 0, SaiAcao = 0, SaiAtivaRastreador = 0;
};

// One fence of the document, a fresh record per CERCA element with children.
// Equal when the names in use are equal.
class tParametroCerca : public common::tValorNo {
 public:
  bool Igual(const common::tValorNo& outro) const override;

  std::int32_t IdCerca = -1;
  std::int32_t Posicao = 0;
  std::string NomeGrupo;  // in use
  std::string Nome;       // in use
  std::string Latitude, Longitude;  // normalized
  std::string RuaAvenida, Bairro, Cidade, UF, CEP, Fone1, Fone2, Fax, Numero;
  tValoresPerfilCerca Perfil;
  std::int32_t IdPerfil = -1;
  common::tListaEncadeada Veiculos;  // common::tStatusAssociacaoVeiculo
  std::int32_t StatusImportacao = 0;
  std::string NomeRecebido, LatitudeRecebida, LongitudeRecebida;
};

// The group of the document with its options and fences in document order.
// Equal when the names in use are equal.
class tGrupoCerca : public common::tValorNo {
 public:
  bool Igual(const common::tValorNo& outro) const override;

  std::string Nome;  // in use
  std::string NomeRecebido;
  std::int32_t AcaoNovos = 0;
  std::int32_t AcaoCadastrados = 0;
  common::tListaEncadeada Cercas;  // tParametroCerca
};

class tImportadorCerca {
 public:
  struct Dependencias {
    telecmd::CanalClientes& canal;
    telecmd::RespostaStatusErro& respostas;
    db::Connection& dbZenthora;  // vehicles
    db::Connection& dbSSE;       // groups, fences and associations
  };

  explicit tImportadorCerca(const Dependencias& d);
  ~tImportadorCerca();
  tImportadorCerca(const tImportadorCerca&) = delete;
  tImportadorCerca& operator=(const tImportadorCerca&) = delete;

  // Imports the first GRUPOCERCA of the document and sends the status reply.
  void ImportaCercas(const xml::Element& raiz);

 private:
  bool leOpcoesEVeiculos(const xml::Element& raiz);
  std::int32_t abreGrupo(const std::string& nome);
  void leCerca(const xml::Element& primeiro, tParametroCerca& cerca);
  void decideEGrava(tGrupoCerca& grupo, tParametroCerca& cerca);
  std::int32_t grava(tParametroCerca& cerca);
  void carregaPerfil(tParametroCerca& cerca);
  bool nomeExiste(const std::string& nome);
  void associa(tParametroCerca& cerca);
  void enviaStatus(const tGrupoCerca& grupo);

  telecmd::CanalClientes& canal_;
  telecmd::RespostaStatusErro& respostas_;
  db::Connection& dbZenthora_;
  db::Connection& dbSSE_;

  std::int32_t acaoNovos_ = 0;
  std::int32_t acaoCadastrados_ = 0;
  common::tListaEncadeada veiculos_;  // common::tVeiculo, newest in front
  common::tListaEncadeada grupos_;    // tGrupoCerca
  std::int32_t idGrupo_ = 0;
};

}  // namespace kvt::security
