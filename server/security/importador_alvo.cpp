#include "server/security/importador_alvo.h"

#include <map>

#include "platform/clock/clock.h"
#include "platform/text/cp1252.h"
#include "platform/text/date_time.h"
#include "platform/text/trim.h"
#include "server/common/elemento.h"
#include "server/common/veiculo.h"
#include "server/security/coordinate_text.h"
#include "server/security/import_names.h"
#include "server/security/import_options.h"
#include "server/security/target_icon.h"
#include "server/telecmd/texto_xml.h"

namespace kvt::security {

using namespace text::literals;

KVT_SQL(sqlGrupoAlvo, "execute spOpenGrupoAlvo :Abertura, :Nome_Grupo", "exec spOpenGrupoAlvo :Abertura, :Nome_Grupo");
KVT_SQL(sqlInsereGrupoAlvo, "execute spInsertGrupo  :Nome_Grupo", "exec spInsertGrupo :Nome_Grupo");
KVT_SQL(sqlAlvo, "select * from tAlvo where Nome_Alvo = :Nome_Alvo", "select * from tAlvo where Nome_Alvo = :Nome_Alvo");

#define KVT_PARAMETROS_ALVO                                                                                      \
  ":IdAlvo, :IdGrupo, :Nome_Alvo, :Lat_Alvo, :Lon_Alvo, :Ref_Alvo, :End_Alvo, :Num_Alvo, :Com_Alvo, :Bairro_Alvo, " \
  ":CEP_Alvo, :Cid_Alvo, :UF_Alvo, :Fone1_Alvo, :Fone2_Alvo, :Fax_Alvo, :Email_Alvo, :Nabert_Alvo, :Tabert_Alvo, "  \
  ":Deseng_Alvo, :Tmanobra_Alvo, :Dmanobra_Alvo, :Tolerancia_Alvo, :bmp_alvo, :obs_alvo, :NumOrdemRef, "             \
  ":NumOrdemUser, :PAbertBau, :PManobra, :idPerfil"

KVT_SQL(sqlInsereAlvo, "execute spInsertAlvo " KVT_PARAMETROS_ALVO, "exec spInsertAlvo " KVT_PARAMETROS_ALVO);

// The identity column IdAlvo is the row's key and is not set again.
KVT_SQL(sqlModificaAlvo,
        "update tAlvo\r\n"
        "set\r\n"
        "  IdGrupo = :IdGrupo,\r\n"
        "  Nome_Alvo = :Nome_Alvo,\r\n"
        "  Lat_Alvo = :Lat_Alvo,\r\n"
        "  Lon_Alvo = :Lon_Alvo,\r\n"
        "  Ref_Alvo = :Ref_Alvo,\r\n"
        "  End_Alvo = :End_Alvo,\r\n"
        "  Num_Alvo = :Num_Alvo,\r\n"
        "  Com_Alvo = :Com_Alvo,\r\n"
        "  Bairro_Alvo = :Bairro_Alvo,\r\n"
        "  CEP_Alvo = :CEP_Alvo,\r\n"
        "  Cid_Alvo = :Cid_Alvo,\r\n"
        "  UF_Alvo = :UF_Alvo,\r\n"
        "  Fone1_Alvo = :Fone1_Alvo,\r\n"
        "  Fone2_Alvo = :Fone2_Alvo,\r\n"
        "  Fax_Alvo = :Fax_Alvo,\r\n"
        "  Email_Alvo = :Email_Alvo,\r\n"
        "  Nabert_Alvo = :Nabert_Alvo,\r\n"
        "  Tabert_Alvo = :Tabert_Alvo,\r\n"
        "  Deseng_Alvo = :Deseng_Alvo,\r\n"
        "  Tmanobra_Alvo = :Tmanobra_Alvo,\r\n"
        "  Dmanobra_Alvo = :Dmanobra_Alvo,\r\n"
        "  Tolerancia_Alvo = :Tolerancia_Alvo,\r\n"
        "  bmp_alvo = :bmp_alvo,\r\n"
        "  obs_alvo = :obs_alvo,\r\n"
        "  PManobra = :PManobra,\r\n"
        "  PAbertBau = :PAbertBau,\r\n"
        "  idPerfil = :idPerfil\r\n"
        "where\r\n"
        "  IdAlvo = :OLD_IdAlvo\r\n"
        "if @@rowcount = 0\r\n"
        "execute spInsertAlvo " KVT_PARAMETROS_ALVO,
        "UPDATE tAlvo SET IdGrupo = :IdGrupo, Nome_Alvo = :Nome_Alvo, Lat_Alvo = :Lat_Alvo, Lon_Alvo = :Lon_Alvo, "
        "Ref_Alvo = :Ref_Alvo, End_Alvo = :End_Alvo, Num_Alvo = :Num_Alvo, Com_Alvo = :Com_Alvo, "
        "Bairro_Alvo = :Bairro_Alvo, CEP_Alvo = :CEP_Alvo, Cid_Alvo = :Cid_Alvo, UF_Alvo = :UF_Alvo, "
        "Fone1_Alvo = :Fone1_Alvo, Fone2_Alvo = :Fone2_Alvo, Fax_Alvo = :Fax_Alvo, Email_Alvo = :Email_Alvo, "
        "Nabert_Alvo = :Nabert_Alvo, Tabert_Alvo = :Tabert_Alvo, Deseng_Alvo = :Deseng_Alvo, "
        "Tmanobra_Alvo = :Tmanobra_Alvo, Dmanobra_Alvo = :Dmanobra_Alvo, Tolerancia_Alvo = :Tolerancia_Alvo, "
        "bmp_alvo = :bmp_alvo, obs_alvo = :obs_alvo, PManobra = :PManobra, PAbertBau = :PAbertBau, "
        "idPerfil = :idPerfil WHERE IdAlvo = :OLD_IdAlvo;\n"
        "INSERT INTO tAlvo (IdAlvo, IdGrupo, Nome_Alvo, Lat_Alvo, Lon_Alvo, Ref_Alvo, End_Alvo, Num_Alvo, Com_Alvo, "
        "Bairro_Alvo, CEP_Alvo, Cid_Alvo, UF_Alvo, Fone1_Alvo, Fone2_Alvo, Fax_Alvo, Email_Alvo, Nabert_Alvo, "
        "Tabert_Alvo, Deseng_Alvo, Tmanobra_Alvo, Dmanobra_Alvo, Tolerancia_Alvo, bmp_alvo, obs_alvo, NumOrdemRef, "
        "NumOrdemUser, PAbertBau, PManobra, idPerfil) "
        "SELECT nullif(:IdAlvo, ''), :IdGrupo, :Nome_Alvo, :Lat_Alvo, :Lon_Alvo, :Ref_Alvo, :End_Alvo, :Num_Alvo, "
        ":Com_Alvo, :Bairro_Alvo, :CEP_Alvo, :Cid_Alvo, :UF_Alvo, :Fone1_Alvo, :Fone2_Alvo, :Fax_Alvo, :Email_Alvo, "
        ":Nabert_Alvo, :Tabert_Alvo, :Deseng_Alvo, :Tmanobra_Alvo, :Dmanobra_Alvo, :Tolerancia_Alvo, :bmp_alvo, "
        ":obs_alvo, :NumOrdemRef, :NumOrdemUser, :PAbertBau, :PManobra, :idPerfil WHERE changes() = 0");

KVT_SQL(sqlPerfilAlvo,
        "select idPerfil, Nome, Deseng_Alvo, Dmanobra_Alvo, \r\n"
        "       Nabert_Alvo, PAbertBau, PManobra, Tabert_Alvo,\r\n"
        "       Tmanobra_Alvo, Tolerancia_Alvo \r\n"
        "from tPerfilAlvo\r\n"
        "where idPerfil = :idPerfil",
        "select idPerfil, Nome, Deseng_Alvo, Dmanobra_Alvo, Nabert_Alvo, PAbertBau, PManobra, Tabert_Alvo, "
        "Tmanobra_Alvo, Tolerancia_Alvo from tPerfilAlvo where idPerfil = :idPerfil");

KVT_SQL(sqlAssociaAlvoVeic,
        "declare @IdTransp int, \r\n"
        "        @IdFrota int, \r\n"
        "        @IdTerminal int, \r\n"
        "        @IdAlvo int\r\n"
        "\r\n"
        "set @IdTransp = :IdTransp\r\n"
        "set @IdFrota = :IdFrota\r\n"
        "set @IdTerminal = :IdTerminal\r\n"
        "set @IdAlvo = :IdAlvo\r\n"
        "\r\n"
        "if ((select count(*)\r\n"
        "    from tAlvoVeic\r\n"
        "    where IdAlvo = @IdAlvo and\r\n"
        "          IdVeiculo = @IdTerminal) = 0)\r\n"
        "begin\r\n"
        "     insert into tAlvoVeic\r\n"
        "     (IdTransp, IdFrota, IdVeiculo, IdAlvo, Status_AV, Sequencial, NumOrdemRef, NumOrdemUser, DataHora, "
        "Origem) --Origem 1 = KVT\r\n"
        "     values \r\n"
        "     (@IdTransp, @IdFrota, @IdTerminal, @IdAlvo, 3, 0, 0, 0, getDate(), 1)\r\n"
        "end",
        "INSERT INTO tAlvoVeic (IdTransp, IdFrota, IdVeiculo, IdAlvo, Status_AV, Sequencial, NumOrdemRef, "
        "NumOrdemUser, DataHora, Origem) "
        "SELECT :IdTransp, :IdFrota, :IdTerminal, :IdAlvo, 3, 0, 0, 0, datetime('now','localtime'), 1 "
        "WHERE NOT EXISTS (SELECT 1 FROM tAlvoVeic WHERE IdAlvo = :IdAlvo AND IdVeiculo = :IdTerminal)");

KVT_SQL(sqlNomeAlvoExiste, "select idalvo from tAlvo where Nome_Alvo =:nome_alvo",
        "select idalvo from tAlvo where Nome_Alvo =:nome_alvo");
KVT_SQL(sqlIdAlvo, "select IdAlvo from tAlvo where Nome_Alvo = :Nome_Alvo ",
        "select IdAlvo from tAlvo where Nome_Alvo = :Nome_Alvo ");
KVT_SQL(sqlAlvoVeicExiste, "select * from tAlvoVeic where IdAlvo = :IdAlvo and IdVeiculo = :IdVeiculo ",
        "select * from tAlvoVeic where IdAlvo = :IdAlvo and IdVeiculo = :IdVeiculo ");
KVT_SQL(sqlApagaAlvosVeiculo, "Delete From tAlvoVeic Where idVeiculo = :idTerminal",
        "Delete From tAlvoVeic Where idVeiculo = :idTerminal");
KVT_SQL(sqlTotalAlvosVeiculo, "select total = count(*) from tAlvoVeic where IdVeiculo = :IdVeiculo",
        "select count(*) AS total from tAlvoVeic where IdVeiculo = :IdVeiculo");
KVT_SQL(sqlSuportaMilAlvos,
        "select total = count(*)\r\n"
        "from SuportaMilAlvos\r\n"
        "where Rastreador = :Rastreador and\r\n"
        "      (VersaoDe is null or VersaoDe <= :Versao) and\r\n"
        "      (VersaoAte is null or :Versao < VersaoAte)",
        "SELECT count(*) AS total FROM SuportaMilAlvos WHERE Rastreador = :Rastreador "
        "AND (VersaoDe IS NULL OR VersaoDe <= :Versao) AND (VersaoAte IS NULL OR :Versao < VersaoAte)");

namespace {

constexpr const char* kRotina = "tTeleCmd";
constexpr std::int32_t kAbertura = 4;

// Column widths of tAlvo.
constexpr std::size_t kLarguraCoordenada = 14, kLarguraEndereco = 50, kLarguraNumero = 6, kLarguraBairro = 20,
                      kLarguraCEP = 9, kLarguraCidade = 25, kLarguraUF = 2, kLarguraFone = 15;

// A database failure of one item is that item's; a lost connection ends the request.
void relancaSePerdida(const db::DbError& falha) {
  if (falha.connectionLost()) throw falha;
}

}  // namespace

bool SuportaMilAlvos(db::Connection& dbZenthora, std::int32_t rastreador, const std::string& versao) {
  db::Statement qr(dbZenthora, sqlSuportaMilAlvos());
  qr.bindInt("Rastreador", rastreador).bindText("Versao", versao);
  qr.open();
  return !qr.eof() && qr.field("total").asInt() > 0;
}

tImportadorAlvo::tImportadorAlvo(const Dependencias& d)
    : canal_(d.canal), respostas_(d.respostas), logs_(d.logs), dbZenthora_(d.dbZenthora), dbSSE_(d.dbSSE) {}

tImportadorAlvo::~tImportadorAlvo() = default;

void tImportadorAlvo::log(const std::string& mensagem) { logs_.log(kRotina, mensagem); }

void tImportadorAlvo::ImportaAlvos(const xml::Element& raiz) {
  if (!leOpcoesEVeiculos(raiz)) return;

  const xml::Element grupo = raiz.child("GRUPOALVO");
  const xml::Element primeiro = grupo.firstChildElement();
  if (!primeiro) {
    respostas_.Retorna_Status_Erro_XML(
        "Tag <GrupoAlvo> está em branco, não é possível realizar a Importação de Alvos"_cp, "", "", 0, -1);
    return;
  }

  p_.NomeGrupoRecebido = common::TextoDoFilho(primeiro, "NOMEGRUPO");
  p_.NomeGrupo = p_.NomeGrupoRecebido.empty() ? text::dateToStr(clk::now()) : p_.NomeGrupoRecebido;
  p_.NomeGrupo = CortaTexto(p_.NomeGrupo, kLarguraNomeGrupo);
  abreGrupo();

  qrNomeExiste_ = std::make_unique<db::Statement>(dbSSE_, sqlNomeAlvoExiste());
  qrAlvo_ = std::make_unique<db::Statement>(dbSSE_, sqlAlvo());
  upInsere_ = std::make_unique<db::Statement>(dbSSE_, sqlInsereAlvo());
  upModifica_ = std::make_unique<db::Statement>(dbSSE_, sqlModificaAlvo());
  qrIdAlvo_ = std::make_unique<db::Statement>(dbSSE_, sqlIdAlvo());
  qrTotal_ = std::make_unique<db::Statement>(dbSSE_, sqlTotalAlvosVeiculo());
  qrAssocia_ = std::make_unique<db::Statement>(dbSSE_, sqlAssociaAlvoVeic());
  qrPresenca_ = std::make_unique<db::Statement>(dbSSE_, sqlAlvoVeicExiste());

  for (xml::Element alvo = primeiro; alvo; alvo = alvo.nextSiblingElement()) {
    if (!common::ElementoChamado(alvo, "ALVO")) continue;
    leAlvo(alvo);
    associa(decideEGrava());
  }
  enviaStatus();
}

// Options and vehicles; false when the document must not be imported.
bool tImportadorAlvo::leOpcoesEVeiculos(const xml::Element& raiz) {
  std::vector<OpcaoImportacao> opcoes{
      {"ACAONOVOS", 0}, {"ACAOCADASTRADOS", 0}, {"ASSOCIACAOALVOSVEICULOS", 0}, {"IDPERFILDEFINICAO", -1}};
  const LeituraVeiculos leitura = LeituraNaLista("-9", p_.Veiculos, dbZenthora_);
  const bool completa = LeOpcoesEVeiculos(raiz, opcoes, leitura, dbZenthora_, respostas_);
  p_.AcaoNovos = ValorOpcao(opcoes, "ACAONOVOS");
  p_.AcaoCadastrados = ValorOpcao(opcoes, "ACAOCADASTRADOS");
  p_.AssociacaoAlvosVeiculos = ValorOpcao(opcoes, "ASSOCIACAOALVOSVEICULOS");
  p_.IdPerfilDefinicao = ValorOpcao(opcoes, "IDPERFILDEFINICAO");
  if (!opcoesValidas()) return false;

  if (completa && p_.AssociacaoAlvosVeiculos == 0)
    ApagaAssociacoesDosVeiculos(dbSSE_, sqlApagaAlvosVeiculo(), p_.Veiculos);
  return true;
}

// An option value the import does not know refuses the whole document, before
// anything is changed.
bool tImportadorAlvo::opcoesValidas() {
  auto recusa = [this](const char* tag, std::int32_t valor) {
    respostas_.Retorna_Status_Erro_XML(std::string("Tag <") + tag + "> com valor inválido ("_cp + std::to_string(valor) +
                                           "), não é possível realizar a Importação de Alvos"_cp,
                                       "-9", "", 0, -1);
    return false;
  };
  if (p_.AcaoNovos != 0 && p_.AcaoNovos != 1) return recusa("AcaoNovos", p_.AcaoNovos);
  if (p_.AcaoCadastrados < 0 || p_.AcaoCadastrados > 2) return recusa("AcaoCadastrados", p_.AcaoCadastrados);
  return true;
}

// Opens the group of that name, creating it when there is none. A group that
// cannot be created is not reported; its targets get group id 0.
void tImportadorAlvo::abreGrupo() {
  db::Statement qr(dbSSE_, sqlGrupoAlvo());
  qr.bindInt("Abertura", kAbertura).bindText("Nome_Grupo", p_.NomeGrupo);
  qr.open();
  if (qr.eof()) {
    try {
      db::Statement insere(dbSSE_, sqlInsereGrupoAlvo());
      insere.bindText("Nome_Grupo", p_.NomeGrupo);
      insere.execute();
    } catch (const db::DbError& falha) {
      relancaSePerdida(falha);
    }
    qr.close();
    qr.open();
  }
  idGrupo_ = qr.eof() ? 0 : qr.field("IdGrupo").asInt();
}

void tImportadorAlvo::leAlvo(const xml::Element& alvo) {
  const xml::Element primeiro = alvo.firstChildElement();
  if (!primeiro) return;
  p_.ContadorSemNome = 0;
  for (xml::Element e = primeiro; e; e = e.nextSiblingElement()) {
    const std::string nome = common::NomeDoElemento(e);
    const std::string texto = common::TextoDoElemento(e);
    if (nome == "LATITUDE") p_.LatitudeRecebida = texto;
    else if (nome == "LONGITUDE") p_.LongitudeRecebida = texto;
    else if (nome == "NOMEALVO") p_.NomeAlvo = p_.NomeAlvoRecebido = texto;
    else if (nome == "RUAAVENIDA") p_.RuaAvenida = texto;
    else if (nome == "BAIRRO") p_.Bairro = texto;
    else if (nome == "CIDADE") p_.Cidade = texto;
    else if (nome == "UF") p_.UF = texto;
    else if (nome == "NUMERO") p_.Numero = texto;
    else if (nome == "CEP") p_.CEP = texto;
    else if (nome == "FONE1") p_.Fone1 = texto;
    else if (nome == "FONE2") p_.Fone2 = texto;
    else if (nome == "FAX") p_.Fax = texto;
  }
}

bool tImportadorAlvo::nomeExiste(const std::string& nome) {
  qrNomeExiste_->bindText("nome_alvo", nome);
  qrNomeExiste_->open();
  const bool existe = !qrNomeExiste_->eof();
  qrNomeExiste_->close();
  return existe;
}

// Names, normalizes and decides one target, stores it when the options say so
// and records its status. Returns the status entry.
tStatusAlvo& tImportadorAlvo::decideEGrava() {
  if (text::trim(p_.NomeAlvo).empty()) p_.NomeAlvo = NomeSemNome(p_.NomeGrupo, ++p_.ContadorSemNome);
  p_.NomeAlvo = CortaTexto(p_.NomeAlvo, kLarguraNomeItem);
  p_.Latitude = FormataCoordenada(Eixo::Latitude, p_.LatitudeRecebida);
  p_.Longitude = FormataCoordenada(Eixo::Longitude, p_.LongitudeRecebida);

  std::int32_t status = kStatusRecusado;
  if (!ParCoordenadasRecusado(p_.Latitude, p_.Longitude)) {
    if (nomeExiste(p_.NomeAlvo)) {
      if (p_.AcaoCadastrados == 1)
        p_.NomeAlvo = NomeLivre(p_.NomeAlvo, kLarguraNomeItem, [this](const std::string& n) { return nomeExiste(n); });
      if (p_.AcaoCadastrados != 2) status = grava();
    } else if (p_.AcaoNovos == 0) {
      status = grava();
    }
  }
  auto entrada = std::make_unique<tStatusAlvo>(p_.NomeAlvo, p_.NomeAlvoRecebido, p_.LatitudeRecebida,
                                               p_.LongitudeRecebida, status);
  tStatusAlvo& ref = *entrada;
  p_.StatusAlvos.Adiciona(std::move(entrada));
  return ref;
}

void tImportadorAlvo::carregaPerfil() {
  if (perfilCarregado_) return;
  perfilCarregado_ = true;
  db::Statement qr(dbSSE_, sqlPerfilAlvo());
  qr.bindInt("idPerfil", p_.IdPerfilDefinicao);
  qr.open();
  if (qr.eof()) return;  // all eight stay 0
  tValoresPerfilAlvo& v = p_.Perfil;
  v.Nabert_Alvo = qr.field("Nabert_Alvo").asInt();
  v.Tabert_Alvo = qr.field("Tabert_Alvo").asInt();
  v.Deseng_Alvo = qr.field("Deseng_Alvo").asInt();
  v.Tmanobra_Alvo = qr.field("Tmanobra_Alvo").asInt();
  v.Dmanobra_Alvo = qr.field("Dmanobra_Alvo").asInt();
  v.Tolerancia_Alvo = qr.field("Tolerancia_Alvo").asInt();
  v.PAbertBau = qr.field("PAbertBau").asInt();
  v.PManobra = qr.field("PManobra").asInt();
}

// Reads the row by name, then runs the modify statement for an existing row or
// the insert procedure for a new one. A failure gives the target status 1.
std::int32_t tImportadorAlvo::grava() {
  try {
    carregaPerfil();
    qrAlvo_->bindText("Nome_Alvo", p_.NomeAlvo);
    qrAlvo_->open();
    const bool existente = !qrAlvo_->eof();
    const std::int64_t idAlvo = existente ? qrAlvo_->field("IdAlvo").asInt64() : 0;
    qrAlvo_->close();

    db::Statement& up = existente ? *upModifica_ : *upInsere_;
    if (existente) {
      up.bindInt("IdAlvo", idAlvo).bindInt("OLD_IdAlvo", idAlvo);
    } else {
      up.bindNull("IdAlvo");
    }
    const tValoresPerfilAlvo& v = p_.Perfil;
    up.bindInt("IdGrupo", idGrupo_)
        .bindText("Nome_Alvo", p_.NomeAlvo)
        .bindText("Lat_Alvo", CortaTexto(p_.Latitude, kLarguraCoordenada))
        .bindText("Lon_Alvo", CortaTexto(p_.Longitude, kLarguraCoordenada))
        .bindText("Ref_Alvo", "")
        .bindText("End_Alvo", CortaTexto(text::trim(p_.RuaAvenida), kLarguraEndereco))
        .bindText("Num_Alvo", CortaTexto(text::trim(p_.Numero), kLarguraNumero))
        .bindText("Com_Alvo", "")
        .bindText("Bairro_Alvo", CortaTexto(p_.Bairro, kLarguraBairro))
        .bindText("CEP_Alvo", CortaTexto(p_.CEP, kLarguraCEP))
        .bindText("Cid_Alvo", CortaTexto(text::trim(p_.Cidade), kLarguraCidade))
        .bindText("UF_Alvo", CortaTexto(p_.UF, kLarguraUF))
        .bindText("Fone1_Alvo", CortaTexto(p_.Fone1, kLarguraFone))
        .bindText("Fone2_Alvo", CortaTexto(p_.Fone2, kLarguraFone))
        .bindText("Fax_Alvo", CortaTexto(p_.Fax, kLarguraFone))
        .bindText("Email_Alvo", "")
        .bindInt("Nabert_Alvo", v.Nabert_Alvo)
        .bindInt("Tabert_Alvo", v.Tabert_Alvo)
        .bindInt("Deseng_Alvo", v.Deseng_Alvo)
        .bindInt("Tmanobra_Alvo", v.Tmanobra_Alvo)
        .bindInt("Dmanobra_Alvo", v.Dmanobra_Alvo)
        .bindInt("Tolerancia_Alvo", v.Tolerancia_Alvo)
        .bindBinary("bmp_alvo", TargetIcon())
        .bindMemo("obs_alvo", "")
        .bindInt("NumOrdemRef", 0)
        .bindInt("NumOrdemUser", 0)
        .bindInt("PAbertBau", v.PAbertBau)
        .bindInt("PManobra", v.PManobra)
        .bindInt("idPerfil", p_.IdPerfilDefinicao);
    up.execute();
    return kStatusOk;
  } catch (const db::DbError& falha) {
    relancaSePerdida(falha);
    if (qrAlvo_->isOpen()) qrAlvo_->close();
    return kStatusRecusado;
  }
}

// A stored target is associated with every listed vehicle that still has room
// for it; the presence of the row afterwards decides the status.
void tImportadorAlvo::associa(tStatusAlvo& status) {
  if (status.Status() != kStatusOk || p_.Veiculos.Vazia()) return;

  qrIdAlvo_->bindText("Nome_Alvo", status.Nome());
  qrIdAlvo_->open();
  const std::int64_t idAlvo = qrIdAlvo_->eof() ? 0 : qrIdAlvo_->field("IdAlvo").asInt64();
  qrIdAlvo_->close();

  for (auto* no = p_.Veiculos.Primeiro(); no; no = no->Proximo()) {
    const auto& veiculo = static_cast<const common::tVeiculo&>(no->Valor());
    auto capacidade = capacidades_.find(veiculo.IdTerminal());
    if (capacidade == capacidades_.end())
      capacidade = capacidades_
                       .emplace(veiculo.IdTerminal(), SuportaMilAlvos(dbZenthora_, veiculo.rastreador(), veiculo.versao())
                                                          ? kCapacidadeMilAlvos
                                                          : kCapacidadeAlvos)
                       .first;

    qrTotal_->bindInt("IdVeiculo", veiculo.IdTerminal());
    qrTotal_->open();
    const std::int64_t total = qrTotal_->eof() ? 0 : qrTotal_->field("total").asInt64();
    qrTotal_->close();

    std::int32_t sts = kStatusRecusado;
    if (total < capacidade->second) {
      try {
        qrAssocia_->bindInt("IdTransp", veiculo.idTransp())
            .bindInt("IdFrota", veiculo.idFrota())
            .bindInt("IdTerminal", veiculo.IdTerminal())
            .bindInt("IdAlvo", idAlvo);
        qrAssocia_->execute();
      } catch (const db::DbError& falha) {
        relancaSePerdida(falha);
      }
      qrPresenca_->bindInt("IdAlvo", idAlvo).bindInt("IdVeiculo", veiculo.IdTerminal());
      qrPresenca_->open();
      sts = qrPresenca_->eof() ? kStatusRecusado : kStatusOk;
      qrPresenca_->close();
    }
    status.Veiculos().Adiciona(std::make_unique<common::tStatusAssociacaoVeiculo>(veiculo.IdTerminal(), sts));
  }
}

void tImportadorAlvo::enviaStatus() {
  log("Enviar_Status_Importacao Inicio");
  using telecmd::LimpaTextoXML;
  std::string corpo = " <CodMsg> -48 </CodMsg>  <GrupoAlvo>  <DataHoraEm> " + telecmd::DataHoraAtual() +
                      " </DataHoraEm>  <NomeGrupo> " + LimpaTextoXML(p_.NomeGrupoRecebido) + " </NomeGrupo> ";
  for (auto* no = p_.StatusAlvos.Primeiro(); no; no = no->Proximo()) {
    const auto& s = static_cast<const tStatusAlvo&>(no->Valor());
    corpo += " <Alvo>  <NomeAlvo>" + LimpaTextoXML(s.NomeRecebido()) + "</NomeAlvo>  <Latitude>" +
             LimpaTextoXML(s.LatitudeRecebida()) + "</Latitude>  <Longitude>" + LimpaTextoXML(s.LongitudeRecebida()) +
             "</Longitude>  <StsImportacao>" + std::to_string(s.Status()) + "</StsImportacao> ";
    for (auto* v = s.Veiculos().Primeiro(); v; v = v->Proximo()) {
      const auto& a = static_cast<const common::tStatusAssociacaoVeiculo&>(v->Valor());
      corpo += " <Veiculo>  <IdTerminal>" + a.Terminal() + "</IdTerminal>  <StsAssociacao>" +
               std::to_string(a.Status()) + "</StsAssociacao>  </Veiculo> ";
    }
    corpo += " </Alvo> ";
  }
  corpo += " </GrupoAlvo> ";
  corpo = telecmd::LimpaAcentos(corpo);
  canal_.Enfileira_XML_Envio(corpo);
  log("Enviar_Status_Importacao FIM - xml=" + corpo);
}

}  // namespace kvt::security
