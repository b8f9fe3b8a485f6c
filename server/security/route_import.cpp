#include "server/security/route_import.h"

#include <cstdio>
#include <vector>

#include "platform/clock/clock.h"
#include "platform/text/cp1252.h"
#include "platform/text/date_time.h"
#include "platform/text/trim.h"
#include "server/common/elemento.h"
#include "server/common/veiculo.h"
#include "server/security/coordinate_text.h"
#include "server/security/import_names.h"
#include "server/security/import_options.h"
#include "server/telecmd/texto_xml.h"

namespace kvt::security {

using namespace kvt::text::literals;

KVT_SQL(sqlGrupoRota, "select * from tGrupoRota where Nome = :Nome",
        "SELECT IDGrupoRota, Nome FROM tGrupoRota WHERE Nome = :Nome");
KVT_SQL(sqlInsereGrupoRota, "execute spInsertGrupoRota :Nome", "execute spInsertGrupoRota :Nome");
KVT_SQL(sqlRota, "select * from tRota where Nome = :nome", "SELECT * FROM tRota WHERE Nome = :nome");

#define KVT_INSERE_ROTA                                                   \
  "execute spInsertRota :IDGrupoRota, :Nome, :Rua, :Numero, :Cidade, :UF, :CEP, \r\n" \
  ":Tolerancia, :Acao,  :Extremidade1, :Extremidade2, :Obs, :IdPerfil"
KVT_SQL(sqlInsereRota, KVT_INSERE_ROTA, KVT_INSERE_ROTA);
KVT_SQL(sqlModificaRota,
        "update tRota\r\n"
        "set\r\n"
        "  IDRota = :IDRota,\r\n"
        "  IDGrupoRota = :IDGrupoRota,\r\n"
        "  Nome = :Nome,\r\n"
        "  Rua = :Rua,\r\n"
        "  Numero = :Numero,\r\n"
        "  Cidade = :Cidade,\r\n"
        "  UF = :UF,\r\n"
        "  CEP = :CEP,\r\n"
        "  Tolerancia = :Tolerancia,\r\n"
        "  Acao = :Acao,\r\n"
        "  Extremidade1 = :Extremidade1,\r\n"
        "  Extremidade2 = :Extremidade2,\r\n"
        "  Obs = :Obs,\r\n"
        "  IdPerfil = :IdPerfil\r\n"
        "where\r\n"
        "  IDRota = :OLD_IDRota\r\n"
        "if @@rowcount = 0\r\n" KVT_INSERE_ROTA,
        "UPDATE tRota SET IDRota = :IDRota, IDGrupoRota = :IDGrupoRota, Nome = :Nome, Rua = :Rua, Numero = :Numero, "
        "Cidade = :Cidade, UF = :UF, CEP = :CEP, Tolerancia = :Tolerancia, Acao = :Acao, "
        "Extremidade1 = :Extremidade1, Extremidade2 = :Extremidade2, Obs = :Obs, idPerfil = :IdPerfil "
        "WHERE IDRota = :OLD_IDRota; "
        "INSERT INTO tRota (IDGrupoRota, Nome, Rua, Numero, Cidade, UF, CEP, Tolerancia, Acao, Extremidade1, "
        "Extremidade2, Obs, idPerfil) "
        "SELECT :IDGrupoRota, :Nome, :Rua, :Numero, :Cidade, :UF, :CEP, :Tolerancia, :Acao, :Extremidade1, "
        ":Extremidade2, :Obs, :IdPerfil WHERE changes() = 0");
#undef KVT_INSERE_ROTA
KVT_SQL(sqlNomeRotaExiste, "select idRota from tRota where nome =:nome", "SELECT idRota FROM tRota WHERE Nome = :nome");
KVT_SQL(sqlIdRota, "select idRota from tRota where Nome =:nome", "SELECT idRota FROM tRota WHERE Nome = :nome");
KVT_SQL(sqlPerfilRotaPadrao, "select ValParamDefault from tParam where IdModulo = :IdModulo and IdParam = :IdParam",
        "SELECT ValParamDefault FROM tParam WHERE IdModulo = :IdModulo AND IdParam = :IdParam");
KVT_SQL(sqlToleranciaPerfilRota, "select Tolerancia from tPerfilRota where idPerfil = :idPerfil",
        "SELECT Tolerancia FROM tPerfilRota WHERE idPerfil = :idPerfil");

db::SqlText sqlApagaPontosRota(std::int32_t idRota) {
  const std::string t = "delete from tPontoRota where IDRota = " + std::to_string(idRota);
  return {t, t};
}
KVT_SQL_COMPOSED(sqlApagaPontosRota, sqlApagaPontosRota(1));

KVT_SQL(sqlInserePontoRota,
        "insert into tPontoRota (IDRota, IDPonto, Latitude, Longitude, Origem) values (:IDRota, :IDPonto, :Latitude, "
        ":Longitude, :Origem)",
        "INSERT INTO tPontoRota (IDRota, IDPonto, Latitude, Longitude, Origem) "
        "VALUES (:IDRota, :IDPonto, :Latitude, :Longitude, :Origem)");
KVT_SQL(sqlIniciaTransacao, "begin transaction", "BEGIN");
KVT_SQL(sqlConfirmaTransacao, "commit transaction", "COMMIT");
KVT_SQL(sqlDesfazTransacao, "rollback transaction", "ROLLBACK");
KVT_SQL(sqlApagaRotasVeiculo, "Delete From tRotaVeic Where idVeiculo = :idTerminal",
        "DELETE FROM tRotaVeic WHERE idVeiculo = :idTerminal");

// One result row: rows inserted, vehicle found (1) or not, the vehicle's
// routes before the insert, and the points of its routes plus the new route's.
KVT_SQL(sqlAssociaRotaVeic,
        "declare @IdRota int,\r\n"
        "        @IdTransp int,\r\n"
        "        @IdFrota int,\r\n"
        "        @IdTerminal int,\r\n"
        "        @rcVeiculo int,\r\n"
        "        @NumRotasVeic int,\r\n"
        "        @NumPontosRota int\r\n"
        "\r\n"
        "select @IdRota = IdRota\r\n"
        "from dbModRas..tRota\r\n"
        "where Nome = :Nome\r\n"
        "\r\n"
        "select @IdTransp = IdTransp, @IdFrota = IdFrota, @IdTerminal = IdTerminal\r\n"
        "from dbZenthora..tVeiculo\r\n"
        "where IdTerminal = :IdTerminal\r\n"
        "\r\n"
        "set @rcveiculo = @@rowcount\r\n"
        "\r\n"
        "select @NumRotasVeic = count(*)\r\n"
        "from tRotaVeic\r\n"
        "where IDVeiculo = @IdTerminal\r\n"
        "\r\n"
        "select @NumPontosRota = count(*)\r\n"
        "from tRotaVeic RV inner join tRota R on RV.IdRota = R.IdRota inner join tPontoRota P on R.IdRota = P.IdRota\r\n"
        "where RV.IDVeiculo = @IdTerminal\r\n"
        "\r\n"
        "set @NumPontosRota = @NumPontosRota + :NumPtoRota\r\n"
        "\r\n"
        "if ((select count(*)\r\n"
        "    from tRotaVeic\r\n"
        "    where IdRota = @IdRota and\r\n"
        "          IdVeiculo = @IdTerminal) = 0) and (@rcveiculo = 1) and (@NumRotasVeic < :MAX_ROTA_VEICULO) and "
        "(@NumPontosRota < :MAX_PONTO_ROTA_VEICULO)\r\n"
        "begin\r\n"
        "     insert into tRotaVeic(IdTransp, IdFrota, IdVeiculo, IdRota, Status, DataHora, Origem) --Origem 1 = KVT\r\n"
        "     values (@IdTransp, @IdFrota, @IdTerminal, @IdRota, 3, getDate(), 1)\r\n"
        "end\r\n"
        "\r\n"
        "select @@rowcount, @rcveiculo, @NumRotasVeic, @NumPontosRota",
        // the counts are taken by the insert's own conditions, before it
        // writes; the row reports them as they were, from what it changed
        "INSERT INTO tRotaVeic (IdTransp, IdFrota, IdVeiculo, IdRota, Status, DataHora, Origem) "
        "SELECT V.IdTransp, V.IdFrota, V.IdTerminal, R.IdRota, 3, datetime('now','localtime'), 1 "
        "FROM dbZenthora.tVeiculo V, (SELECT max(IdRota) AS IdRota FROM tRota WHERE Nome = :Nome) R "
        "WHERE V.IdTerminal = :IdTerminal AND R.IdRota IS NOT NULL "
        "AND NOT EXISTS (SELECT 1 FROM tRotaVeic WHERE IdRota = R.IdRota AND IdVeiculo = V.IdTerminal) "
        "AND (SELECT count(*) FROM tRotaVeic WHERE IdVeiculo = V.IdTerminal) < :MAX_ROTA_VEICULO "
        "AND (SELECT count(*) FROM tRotaVeic RV JOIN tRota R2 ON RV.IdRota = R2.IdRota "
        "     JOIN tPontoRota P ON R2.IdRota = P.IdRota WHERE RV.IdVeiculo = V.IdTerminal) + :NumPtoRota "
        "    < :MAX_PONTO_ROTA_VEICULO; "
        "SELECT changes() AS Inseridas, "
        "(SELECT count(*) FROM dbZenthora.tVeiculo WHERE IdTerminal = :IdTerminal) AS rcVeiculo, "
        "(SELECT count(*) FROM tRotaVeic WHERE IdVeiculo = :IdTerminal) - changes() AS NumRotasVeic, "
        "(SELECT count(*) FROM tRotaVeic RV JOIN tRota R ON RV.IdRota = R.IdRota "
        " JOIN tPontoRota P ON R.IdRota = P.IdRota WHERE RV.IdVeiculo = :IdTerminal) "
        "- changes() * (SELECT count(*) FROM tPontoRota "
        "               WHERE IdRota = (SELECT max(IdRota) FROM tRota WHERE Nome = :Nome)) "
        "+ :NumPtoRota AS NumPontosRota");

namespace {

// Route names are a column of 40 characters (tRota.Nome), as group names are:
// a name is cut before anything looks it up, so every step finds the route
// under the name it was stored with, and a suffix always stays whole.
constexpr std::size_t kLarguraNomeRota = 40;
constexpr std::size_t kSufixoSemNome = 11;  // " [00000001]"

constexpr std::int32_t kModuloRota = 2;
constexpr std::int32_t kParamPerfilPadrao = 3;
constexpr std::int32_t kToleranciaAusente = 255;

}  // namespace

tImportadorRota::tImportadorRota(const Dependencias& d)
    : canal_(d.canal), respostas_(d.respostas), dbZenthora_(d.dbZenthora), dbSSE_(d.dbSSE) {}

void tImportadorRota::ImportaRotas(const xml::Element& raiz) {
  leOpcoesEVeiculos(raiz);

  xml::Element grupo;
  for (xml::Element e = raiz.firstChildElement(); e && !grupo; e = e.nextSiblingElement())
    if (common::ElementoChamado(e, "GRUPOROTA")) grupo = e;
  const xml::Element primeiro = grupo.firstChildElement();
  if (!primeiro) {
    respostas_.Retorna_Status_Erro_XML(
        "Tag <GrupoRota> está em branco, não é possível realizar a Importação de Rotas"_cp, "", "", 0, -1);
    return;
  }

  p_.NomeGrupoRecebido = common::TextoDoFilho(primeiro, "NOMEGRUPO");
  p_.NomeGrupo = CortaTexto(p_.NomeGrupoRecebido.empty() ? text::dateToStr(clk::now()) : p_.NomeGrupoRecebido,
                            kLarguraNomeGrupo);
  const std::int32_t idGrupo = abreGrupo();

  for (xml::Element rota = primeiro; rota; rota = rota.nextSiblingElement()) {
    if (!common::ElementoChamado(rota, "ROTA")) continue;
    p_.ContadorSemNome = 0;
    if (const xml::Element filho = rota.firstChildElement()) leRota(filho);
    decideEGrava(idGrupo);
  }
  enviaStatus();
}

bool tImportadorRota::leOpcoesEVeiculos(const xml::Element& raiz) {
  std::vector<OpcaoImportacao> opcoes = {{"ACAONOVOS"}, {"ACAOCADASTRADOS"}, {"ASSOCIACAOROTASVEICULOS"}};
  const LeituraVeiculos leitura = LeituraNaLista("-11", p_.Veiculos, dbZenthora_);
  const bool completa = LeOpcoesEVeiculos(raiz, opcoes, leitura, dbZenthora_, respostas_);
  p_.AcaoNovos = ValorOpcao(opcoes, "ACAONOVOS");
  p_.AcaoCadastrados = ValorOpcao(opcoes, "ACAOCADASTRADOS");
  p_.AssociacaoRotasVeiculos = ValorOpcao(opcoes, "ASSOCIACAOROTASVEICULOS");
  if (completa && p_.AssociacaoRotasVeiculos == 0)
    ApagaAssociacoesDosVeiculos(dbSSE_, sqlApagaRotasVeiculo(), p_.Veiculos);
  return completa;
}

std::int32_t tImportadorRota::abreGrupo() {
  db::Statement qrGrupoRota(dbSSE_, sqlGrupoRota());
  qrGrupoRota.bindText("Nome", p_.NomeGrupo);
  qrGrupoRota.open();
  if (qrGrupoRota.eof()) {
    try {
      db::Statement upGrupoRota(dbSSE_, sqlInsereGrupoRota());
      upGrupoRota.bindText("Nome", p_.NomeGrupo).execute();
    } catch (const db::DbError& falha) {
      if (falha.connectionLost()) throw;  // a group that cannot be created leaves its routes in group 0
    }
    qrGrupoRota.close();
    qrGrupoRota.open();
  }
  return qrGrupoRota.eof() ? 0 : qrGrupoRota.field("IDGrupoRota").asInt();
}

void tImportadorRota::leRota(const xml::Element& primeiro) {
  typRegRota& r = p_.Rota;
  r.Pontos.clear();
  p_.ToleranciaInvalida = false;
  p_.NomeRotaRecebido = common::TextoDoFilho(primeiro, "NOMEROTA");
  r.Nome = CortaTexto(p_.NomeRotaRecebido, kLarguraNomeRota);
  for (xml::Element e = primeiro; e; e = e.nextSiblingElement()) {
    if (common::ElementoChamado(e, "TOLERANCIA")) {
      if (!p_.ToleranciaInvalida) leTolerancia(e);
    } else if (common::ElementoChamado(e, "PONTOROTA")) {
      lePonto(e);
    }
  }
}

void tImportadorRota::leTolerancia(const xml::Element& elemento) {
  std::int32_t tolerancia = common::InteiroDoElemento(elemento, kToleranciaAusente);
  std::int32_t perfil = -1;
  if (tolerancia == kToleranciaAusente) {
    tolerancia = 0;
    db::Statement qrParam(dbSSE_, sqlPerfilRotaPadrao());
    qrParam.bindInt("IdModulo", kModuloRota).bindInt("IdParam", kParamPerfilPadrao).open();
    if (!qrParam.eof()) {
      const std::int32_t idPerfil = qrParam.field("ValParamDefault").asInt();
      db::Statement qrPerfil(dbSSE_, sqlToleranciaPerfilRota());
      qrPerfil.bindInt("idPerfil", idPerfil).open();
      if (!qrPerfil.eof()) {
        tolerancia = qrPerfil.field("Tolerancia").asInt();
        perfil = idPerfil;
      }
    }
  }
  if (!ToleranciaRotaValida(tolerancia)) {
    // the route is not imported; the tolerance in force stays for the next ones
    respostas_.Retorna_Status_Erro_XML("Tag <Tolerancia> está com valores inváidos. Informe valores entre 0 e 8."_cp,
                                       "", "", 0, -1);
    p_.ToleranciaInvalida = true;
    return;
  }
  p_.Rota.Tolerancia = tolerancia;
  p_.IdPerfilRota = perfil;
}

void tImportadorRota::lePonto(const xml::Element& ponto) {
  const xml::Element primeiro = ponto.firstChildElement();
  typPontoRota p;
  p.Latitude = FormataCoordenada(Eixo::Latitude, common::TextoDoFilho(primeiro, "LATITUDE"));
  p.Longitude = FormataCoordenada(Eixo::Longitude, common::TextoDoFilho(primeiro, "LONGITUDE"));
  if (ParCoordenadasRecusado(p.Latitude, p.Longitude)) return;
  p.Origem = kOrigemCliente;
  p_.Rota.Pontos.push_back(std::move(p));
}

tStatusRota& tImportadorRota::adicionaStatus(std::int32_t status) {
  p_.StatusRotas.Adiciona(std::make_unique<tStatusRota>(p_.Rota.Nome, p_.NomeRotaRecebido, status));
  return static_cast<tStatusRota&>(p_.StatusRotas.Ultimo()->Valor());
}

void tImportadorRota::decideEGrava(std::int32_t idGrupo) {
  typRegRota& r = p_.Rota;
  if (p_.ToleranciaInvalida) return;  // answered while reading the route

  if (text::trim(r.Nome).empty()) {
    ++p_.ContadorSemNome;
    r.Nome = NomeSemNome(CortaTexto(text::trim(p_.NomeGrupo), kLarguraNomeRota - kSufixoSemNome), p_.ContadorSemNome);
  }
  if (rotaExiste(r.Nome)) {
    if (p_.AcaoCadastrados == 1) {
      r.Nome = NomeLivre(r.Nome, kLarguraNomeRota, [this](const std::string& nome) { return rotaExiste(nome); });
    } else if (p_.AcaoCadastrados != 0) {  // 2, and any value we do not know: the stored route stays
      adicionaStatus(kRotaExistenteRecusada);
      return;
    }
  } else if (p_.AcaoNovos != 0) {  // 1, and any value we do not know: nothing new is stored
    adicionaStatus(kRotaNovaRecusada);
    return;
  }

  if (DensificaRota(r) >= MAX_PONTO_ROTA_VEICULO) {
    adicionaStatus(kRotaPontosDemais);
    return;
  }
  const std::int32_t id = gravaRota(idGrupo) ? idRota(r.Nome) : -1;
  if (id == -1) {  // the route row could not be stored: no points under a wrong id, no associations
    adicionaStatus(kRotaNovaRecusada);
    return;
  }
  GravaPontosRota(id, r);
  associa(adicionaStatus(kRotaGravada));
}

bool tImportadorRota::rotaExiste(const std::string& nome) {
  db::Statement q(dbSSE_, sqlNomeRotaExiste());
  q.bindText("nome", nome).open();
  return !q.eof();
}

std::int32_t tImportadorRota::idRota(const std::string& nome) {
  db::Statement q(dbSSE_, sqlIdRota());
  q.bindText("nome", nome).open();
  return q.eof() ? -1 : q.field("idRota").asInt();
}

bool tImportadorRota::gravaRota(std::int32_t idGrupo) {
  const typRegRota& r = p_.Rota;
  try {
    db::Statement qrRota(dbSSE_, sqlRota());
    qrRota.bindText("nome", r.Nome).open();
    const bool existe = !qrRota.eof();
    db::Statement upRota(dbSSE_, existe ? sqlModificaRota() : sqlInsereRota());
    if (existe) {
      const std::int32_t id = qrRota.field("IDRota").asInt();
      upRota.bindInt("IDRota", id).bindInt("OLD_IDRota", id);
    }
    upRota.bindInt("IDGrupoRota", idGrupo)
        .bindText("Nome", r.Nome)
        .bindText("Rua", "")
        .bindText("Numero", "")
        .bindText("Cidade", "")
        .bindText("UF", "")
        .bindText("CEP", "")
        .bindInt("Tolerancia", r.Tolerancia)
        .bindInt("Acao", 0)
        .bindText("Extremidade1", "")
        .bindText("Extremidade2", "")
        .bindMemo("Obs", "")
        .bindInt("IdPerfil", p_.IdPerfilRota);
    upRota.execute();
    return true;
  } catch (const db::DbError& falha) {
    if (falha.connectionLost()) throw;
    return false;
  }
}

void tImportadorRota::GravaPontosRota(std::int32_t idRota, const typRegRota& rota) {
  // one transaction: a failure leaves the route with the points it had, never
  // with part of them, and thousands of points are written in one commit
  db::Statement(dbSSE_, sqlIniciaTransacao()).execute();
  try {
    db::Statement apaga(dbSSE_, sqlApagaPontosRota(idRota));
    apaga.execute();
    db::Statement insere(dbSSE_, sqlInserePontoRota());
    for (std::size_t i = 0; i < rota.Pontos.size(); ++i) {
      const typPontoRota& p = rota.Pontos[i];
      insere.bindInt("IDRota", idRota)
          .bindInt("IDPonto", static_cast<std::int64_t>(i))
          .bindText("Latitude", p.Latitude)
          .bindText("Longitude", p.Longitude)
          .bindInt("Origem", p.Origem);
      insere.execute();
    }
    db::Statement(dbSSE_, sqlConfirmaTransacao()).execute();
  } catch (...) {
    try {
      db::Statement(dbSSE_, sqlDesfazTransacao()).execute();
    } catch (const db::DbError&) {
      // the first failure is the one that counts (a lost connection has no transaction left)
    }
    throw;
  }
}

void tImportadorRota::associa(tStatusRota& status) {
  for (common::tNoListaEncadeada* no = p_.Veiculos.Primeiro(); no; no = no->Proximo()) {
    const auto& v = static_cast<const common::tVeiculo&>(no->Valor());
    const std::string terminal = common::TextoTerminal(v.IdTerminal());
    const std::string nome = text::trim(v.veiculo());
    std::string mensagem;
    std::string terminalDoErro;
    std::int32_t stsEnvio = 0;
    std::int32_t resultado = 1;
    try {
      db::Statement qrAssociaRotaVeic(dbSSE_, sqlAssociaRotaVeic());
      qrAssociaRotaVeic.bindText("Nome", p_.Rota.Nome)
          .bindInt("IdTerminal", v.IdTerminal())
          .bindInt("NumPtoRota", static_cast<std::int64_t>(p_.Rota.Pontos.size()))
          .bindInt("MAX_ROTA_VEICULO", MAX_ROTA_VEICULO)
          .bindInt("MAX_PONTO_ROTA_VEICULO", MAX_PONTO_ROTA_VEICULO);
      qrAssociaRotaVeic.open();
      if (qrAssociaRotaVeic.eof()) throw db::DbError("qrAssociaRotaVeic não retornou resultado"_cp);
      const std::int64_t inseridas = qrAssociaRotaVeic.field(std::size_t{0}).asInt64();
      const std::int64_t encontrado = qrAssociaRotaVeic.field(std::size_t{1}).asInt64();
      const std::int64_t rotas = qrAssociaRotaVeic.field(std::size_t{2}).asInt64();
      const std::int64_t pontos = qrAssociaRotaVeic.field(std::size_t{3}).asInt64();
      if (inseridas >= 1) {
        resultado = 0;
      } else if (encontrado == 0) {
        mensagem = " Veículo "_cp + terminal + " não encontrado"_cp;
        terminalDoErro = terminal;
        stsEnvio = 302;
      } else if (rotas >= MAX_ROTA_VEICULO) {
        char t[160];
        std::snprintf(t, sizeof t, "Excedido o número de %d rotas permitidas no veículo %s"_cp.c_str(),
                      MAX_ROTA_VEICULO, nome.c_str());
        mensagem = t;
      } else if (pontos >= MAX_PONTO_ROTA_VEICULO) {
        char t[160];
        std::snprintf(t, sizeof t, "Excedido o número de %d pontos permitidos no veículo %s"_cp.c_str(),
                      MAX_PONTO_ROTA_VEICULO, nome.c_str());
        mensagem = t;
      } else {
        mensagem = "Veículo "_cp + nome + " já estava associado"_cp;
      }
    } catch (const db::DbError& falha) {
      if (falha.connectionLost()) throw;
      mensagem = "Erro no banco de dados ao associar o veículo "_cp + v.veiculo();
      terminalDoErro.clear();
      stsEnvio = 0;
      resultado = 1;
    }
    if (!mensagem.empty()) respostas_.Retorna_Status_Erro_XML(mensagem, "", terminalDoErro, stsEnvio, -1);
    status.Veiculos().Adiciona(std::make_unique<common::tStatusAssociacaoVeiculo>(v.IdTerminal(), resultado));
  }
}

void tImportadorRota::enviaStatus() {
  using telecmd::LimpaTextoXML;
  std::string corpo = " <CodMsg> -50 </CodMsg>  <GrupoRota>  <DataHoraEm> " + telecmd::DataHoraAtual() +
                      " </DataHoraEm>  <NomeGrupo> " + LimpaTextoXML(p_.NomeGrupoRecebido) + " </NomeGrupo> ";
  for (common::tNoListaEncadeada* no = p_.StatusRotas.Primeiro(); no; no = no->Proximo()) {
    const auto& s = static_cast<const tStatusRota&>(no->Valor());
    corpo += " <Rota>  <NomeRota>" + LimpaTextoXML(s.NomeRecebido()) + "</NomeRota>  <StsImportacao>" +
             std::to_string(s.Status()) + "</StsImportacao> ";
    for (common::tNoListaEncadeada* nv = s.Veiculos().Primeiro(); nv; nv = nv->Proximo()) {
      const auto& v = static_cast<const common::tStatusAssociacaoVeiculo&>(nv->Valor());
      corpo += " <Veiculo>  <IdTerminal>" + v.Terminal() + "</IdTerminal>  <StsAssociacao>" +
               std::to_string(v.Status()) + "</StsAssociacao>  </Veiculo> ";
    }
    corpo += " </Rota> ";
  }
  corpo += " </GrupoRota> ";
  canal_.Enfileira_XML_Envio(telecmd::LimpaAcentos(corpo));
}

}  // namespace kvt::security
