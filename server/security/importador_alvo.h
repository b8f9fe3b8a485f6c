#pragma once

// Import of one group of targets (-9, reply -48): the group is opened or
// created, each target is stored (inserted, overwritten or renamed as the
// options say) with the values of a target definition profile, and every
// stored target is associated with the listed vehicles within their target
// capacity (250, or 1000 for the tracker models and firmware versions of the
// capacity table SuportaMilAlvos).

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "platform/db/db.h"
#include "platform/xml/xml_document.h"
#include "server/common/linked_list.h"
#include "server/security/import_status.h"
#include "server/runtime/log_files.h"
#include "server/telecmd/canal_clientes.h"
#include "server/telecmd/resposta_erro.h"

namespace kvt::security {

const db::SqlText& sqlGrupoAlvo();
const db::SqlText& sqlInsereGrupoAlvo();
const db::SqlText& sqlAlvo();
const db::SqlText& sqlInsereAlvo();
const db::SqlText& sqlModificaAlvo();
const db::SqlText& sqlPerfilAlvo();
const db::SqlText& sqlAssociaAlvoVeic();
const db::SqlText& sqlNomeAlvoExiste();
const db::SqlText& sqlIdAlvo();
const db::SqlText& sqlAlvoVeicExiste();
const db::SqlText& sqlApagaAlvosVeiculo();
const db::SqlText& sqlTotalAlvosVeiculo();
const db::SqlText& sqlSuportaMilAlvos();

// Targets a vehicle may hold.
inline constexpr std::int32_t kCapacidadeAlvos = 250;
inline constexpr std::int32_t kCapacidadeMilAlvos = 1000;

// StsImportacao and StsAssociacao.
inline constexpr std::int32_t kStatusOk = 0;
inline constexpr std::int32_t kStatusRecusado = 1;

// Whether the capacity table lets the tracker model and firmware version hold
// 1000 targets: a row of the model without versions, a row whose lowest
// version the version reaches, or a row whose range [from, to) holds it.
// Versions are compared as texts.
bool SuportaMilAlvos(db::Connection& dbZenthora, std::int32_t rastreador, const std::string& versao);

// The outcome of one target, with LATITUDE and LONGITUDE as received.
class tStatusAlvo : public tStatusImportacao {
 public:
  tStatusAlvo(std::string nome, std::string nomeRecebido, std::string latitudeRecebida, std::string longitudeRecebida,
              std::int32_t status)
      : tStatusImportacao(std::move(nome), std::move(nomeRecebido), status),
        latitudeRecebida_(std::move(latitudeRecebida)),
        longitudeRecebida_(std::move(longitudeRecebida)) {}

  const std::string& LatitudeRecebida() const { return latitudeRecebida_; }
  const std::string& LongitudeRecebida() const { return longitudeRecebida_; }

 private:
  std::string latitudeRecebida_;
  std::string longitudeRecebida_;
};

// The eight values a target takes from its definition profile.
struct tValoresPerfilAlvo {
  std::int32_t Nabert_Alvo = 0, Tabert_Alvo = 0, Deseng_Alvo = 0, Tmanobra_Alvo = 0, Dmanobra_Alvo = 0,
               Tolerancia_Alvo = 0, PAbertBau = 0, PManobra = 0;
};

// The working record of one document. The fields of the current target are
// overwritten only by the elements the next ALVO carries, so a missing element
// repeats the previous target's value.
struct tParametrosAlvo {
  common::tListaEncadeada StatusAlvos;  // tStatusAlvo in processing order
  common::tListaEncadeada Veiculos;     // common::tVeiculo, newest in front
  std::int32_t AcaoNovos = 0;
  std::int32_t AcaoCadastrados = 0;
  std::int32_t AssociacaoAlvosVeiculos = 0;
  std::int32_t IdPerfilDefinicao = -1;
  std::string NomeGrupo;  // in use
  std::string Latitude, Longitude;  // normalized
  std::string NomeAlvo;             // in use
  std::string RuaAvenida, Bairro, Cidade, UF, CEP, Numero, Fone1, Fone2, Fax;
  std::string NomeGrupoRecebido;
  std::string LatitudeRecebida, LongitudeRecebida, NomeAlvoRecebido;
  tValoresPerfilAlvo Perfil;
  std::int32_t ContadorSemNome = 0;
};

class tImportadorAlvo {
 public:
  struct Dependencias {
    telecmd::CanalClientes& canal;
    telecmd::RespostaStatusErro& respostas;
    runtime::LogFiles& logs;
    db::Connection& dbZenthora;  // vehicles and the capacity table
    db::Connection& dbSSE;       // groups, targets and associations
  };

  explicit tImportadorAlvo(const Dependencias& d);
  ~tImportadorAlvo();
  tImportadorAlvo(const tImportadorAlvo&) = delete;
  tImportadorAlvo& operator=(const tImportadorAlvo&) = delete;

  // Imports the first GRUPOALVO of the document and sends the status reply.
  void ImportaAlvos(const xml::Element& raiz);

  const tParametrosAlvo& Parametros() const { return p_; }

 private:
  bool leOpcoesEVeiculos(const xml::Element& raiz);
  bool opcoesValidas();
  void abreGrupo();
  void leAlvo(const xml::Element& alvo);
  tStatusAlvo& decideEGrava();
  std::int32_t grava();
  bool nomeExiste(const std::string& nome);
  void carregaPerfil();
  void associa(tStatusAlvo& status);
  void enviaStatus();
  void log(const std::string& mensagem);

  telecmd::CanalClientes& canal_;
  telecmd::RespostaStatusErro& respostas_;
  runtime::LogFiles& logs_;
  db::Connection& dbZenthora_;
  db::Connection& dbSSE_;
  tParametrosAlvo p_;
  std::int32_t idGrupo_ = 0;
  bool perfilCarregado_ = false;
  std::map<std::int32_t, std::int32_t> capacidades_;  // target capacity by terminal

  // prepared once for the document and re-executed for every target
  std::unique_ptr<db::Statement> qrNomeExiste_, qrAlvo_, upInsere_, upModifica_, qrIdAlvo_, qrTotal_, qrAssocia_,
      qrPresenca_;
};

}  // namespace kvt::security
