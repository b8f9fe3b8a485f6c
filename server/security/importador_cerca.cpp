#include "server/security/importador_cerca.h"

#include "platform/clock/clock.h"
#include "platform/text/cp1252.h"
#include "platform/text/date_time.h"
#include "platform/text/integer_text.h"
#include "platform/text/trim.h"
#include "server/common/elemento.h"
#include "server/common/veiculo.h"
#include "server/security/coordinate_text.h"
#include "server/security/import_names.h"
#include "server/security/import_options.h"
#include "server/telecmd/texto_xml.h"

namespace kvt::security {

using namespace text::literals;

KVT_SQL(sqlGrupoCerca, "execute spOpenGrupoCerca :Abertura, :Nome", "exec spOpenGrupoCerca :Abertura, :Nome");
KVT_SQL(sqlInsereGrupoCerca, "execute spInsertGrupoCerca :Nome", "exec spInsertGrupoCerca :Nome");
KVT_SQL(sqlCerca, "select * from tcerca where Nome  = :Nome", "select * from tcerca where Nome  = :Nome");

#define KVT_PARAMETROS_CERCA                                                                                      \
  ":IDGrupoCerca, :Nome, :Latitude, :Longitude, :Referencia, :Cidade, :UF, :CEP, :Endereco, :Numero, :Bairro, "    \
  ":Complemento, :Fone1, :Fone2, :Fax, :obs, :Formato, :Tipo, :Lado_A, :Lado_B, :EntDeslacreBau, "                 \
  ":EntDeslacreCabine, :EntDeslacreCarreta, :EntLibPortas, :EntDestrava, :EntLibMov, :EntLacreBau, "               \
  ":EntLacreCabine, :EntLacreCarreta, :EntAcao, :SaiLacreBau, :SaiLacreCabine, :SaiLacreCarreta, "                 \
  ":SaiAtivaRastreador, :SaiAcao, :idPerfil"

KVT_SQL(sqlInsereCerca, "execute spInsertCerca " KVT_PARAMETROS_CERCA, "exec spInsertCerca " KVT_PARAMETROS_CERCA);

// The identity column IDCerca is the row's key and is not set again.
KVT_SQL(sqlModificaCerca,
        "update tCerca\r\n"
        "set\r\n"
        "  Nome = :Nome,\r\n"
        "  Latitude = :Latitude,\r\n"
        "  Longitude = :Longitude,\r\n"
        "  Referencia = :Referencia,\r\n"
        "  Cidade = :Cidade,\r\n"
        "  UF = :UF,\r\n"
        "  CEP = :CEP,\r\n"
        "  Endereco = :Endereco,\r\n"
        "  Numero = :Numero,\r\n"
        "  Bairro = :Bairro,\r\n"
        "  Complemento = :Complemento,\r\n"
        "  Fone1 = :Fone1,\r\n"
        "  Fone2 = :Fone2,\r\n"
        "  Fax = :Fax,\r\n"
        "  Formato = :Formato,\r\n"
        "  Tipo = :Tipo,\r\n"
        "  Lado_A = :Lado_A,\r\n"
        "  Lado_B = :Lado_B,\r\n"
        "  Obs = :Obs,\r\n"
        "  IDGrupoCerca = :IDGrupoCerca,\r\n"
        "  EntDeslacreBau = :EntDeslacreBau,\r\n"
        "  EntDeslacreCabine = :EntDeslacreCabine,\r\n"
        "  EntDeslacreCarreta = :EntDeslacreCarreta,\r\n"
        "  EntLibPortas = :EntLibPortas,\r\n"
        "  EntDestrava = :EntDestrava,\r\n"
        "  EntLibMov = :EntLibMov,\r\n"
        "  EntLacreBau = :EntLacreBau,\r\n"
        "  EntLacreCabine = :EntLacreCabine,\r\n"
        "  EntLacreCarreta = :EntLacreCarreta,\r\n"
        "  EntAcao = :EntAcao,\r\n"
        "  SaiLacreBau = :SaiLacreBau,\r\n"
        "  SaiLacreCabine = :SaiLacreCabine,\r\n"
        "  SaiLacreCarreta = :SaiLacreCarreta,\r\n"
        "  SaiAcao = :SaiAcao,\r\n"
        "  SaiAtivaRastreador = :SaiAtivaRastreador,\r\n"
        "  idPerfil = :idPerfil\r\n"
        "where\r\n"
        "  IDCerca = :OLD_IDCerca\r\n"
        "if @@rowcount = 0\r\n"
        "execute spInsertCerca " KVT_PARAMETROS_CERCA,
        "UPDATE tCerca SET Nome = :Nome, Latitude = :Latitude, Longitude = :Longitude, Referencia = :Referencia, "
        "Cidade = :Cidade, UF = :UF, CEP = :CEP, Endereco = :Endereco, Numero = :Numero, Bairro = :Bairro, "
        "Complemento = :Complemento, Fone1 = :Fone1, Fone2 = :Fone2, Fax = :Fax, Formato = :Formato, Tipo = :Tipo, "
        "Lado_A = :Lado_A, Lado_B = :Lado_B, Obs = :Obs, IDGrupoCerca = :IDGrupoCerca, "
        "EntDeslacreBau = :EntDeslacreBau, EntDeslacreCabine = :EntDeslacreCabine, "
        "EntDeslacreCarreta = :EntDeslacreCarreta, EntLibPortas = :EntLibPortas, EntDestrava = :EntDestrava, "
        "EntLibMov = :EntLibMov, EntLacreBau = :EntLacreBau, EntLacreCabine = :EntLacreCabine, "
        "EntLacreCarreta = :EntLacreCarreta, EntAcao = :EntAcao, SaiLacreBau = :SaiLacreBau, "
        "SaiLacreCabine = :SaiLacreCabine, SaiLacreCarreta = :SaiLacreCarreta, SaiAcao = :SaiAcao, "
        "SaiAtivaRastreador = :SaiAtivaRastreador, idPerfil = :idPerfil WHERE IDCerca = :OLD_IDCerca;\n"
        "INSERT INTO tCerca (IDGrupoCerca, Nome, Latitude, Longitude, Referencia, Cidade, UF, CEP, Endereco, Numero, "
        "Bairro, Complemento, Fone1, Fone2, Fax, Obs, Formato, Tipo, Lado_A, Lado_B, EntDeslacreBau, "
        "EntDeslacreCabine, EntDeslacreCarreta, EntLibPortas, EntDestrava, EntLibMov, EntLacreBau, EntLacreCabine, "
        "EntLacreCarreta, EntAcao, SaiLacreBau, SaiLacreCabine, SaiLacreCarreta, SaiAtivaRastreador, SaiAcao, "
        "idPerfil) SELECT " KVT_PARAMETROS_CERCA " WHERE changes() = 0");

KVT_SQL(sqlPerfilCercaPadrao, "select ValParamDefault from tParam where IdModulo = :IdModulo and IdParam = :IdParam",
        "select ValParamDefault from tParam where IdModulo = :IdModulo and IdParam = :IdParam");
KVT_SQL(sqlPerfilCerca,
        "select * from tPerfilcerca\r\n"
        "where idPerfil = :idPerfil",
        "select * from tPerfilcerca where idPerfil = :idPerfil");
KVT_SQL(sqlNomeCercaExiste, "select idCerca from tCerca where Nome =:nome", "select idCerca from tCerca where Nome =:nome");
KVT_SQL(sqlIdCerca, "select IdCerca from tCerca where Nome = :Nome", "select IdCerca from tCerca where Nome = :Nome");
KVT_SQL(sqlAssociaCercaVeic,
        "delete from tCercaVeic\r\n"
        "where IdVeiculo = :IdVeiculo and\r\n"
        "          IdCerca   = :IdCerca\r\n"
        "\r\n"
        "insert into tCercaVeic \r\n"
        "(IDTransp, IDFrota, IDVeiculo, IDCerca, Status, DataHora, Origem) --Origem 1 = KVT\r\n"
        "values \r\n"
        "(:IDTransp, :IDFrota, :IDVeiculo, :IDCerca, :Status, getDate(), 1)",
        "delete from tCercaVeic where IdVeiculo = :IdVeiculo and IdCerca = :IdCerca;\n"
        "insert into tCercaVeic (IDTransp, IDFrota, IDVeiculo, IDCerca, Status, DataHora, Origem) "
        "values (:IDTransp, :IDFrota, :IDVeiculo, :IDCerca, :Status, datetime('now','localtime'), 1)");
KVT_SQL(sqlCercaVeicExiste,
        "select IdVeiculo, IdCerca \r\n"
        "from tCercaVeic \r\n"
        "where IDVeiculo = :IDVeiculo and\r\n"
        "      IDCerca = :IdCerca ",
        "select IdVeiculo, IdCerca from tCercaVeic where IDVeiculo = :IDVeiculo and IDCerca = :IdCerca ");

namespace {

constexpr std::int32_t kAbertura = 4;
constexpr std::int32_t kModuloCerca = 1, kParamPerfilCerca = 5;
constexpr std::int32_t kStatusAssociacao = 3;

// Column widths of tCerca.
constexpr std::size_t kLarguraCoordenada = 14, kLarguraCidade = 25, kLarguraUF = 2, kLarguraCEP = 9,
                      kLarguraEndereco = 50, kLarguraNumero = 6, kLarguraBairro = 20, kLarguraFone = 15;

void relancaSePerdida(const db::DbError& falha) {
  if (falha.connectionLost()) throw falha;
}

}  // namespace

bool tParametroCerca::Igual(const common::tValorNo& outro) const {
  const auto* o = dynamic_cast<const tParametroCerca*>(&outro);
  return o && o->Nome == Nome;
}

bool tGrupoCerca::Igual(const common::tValorNo& outro) const {
  const auto* o = dynamic_cast<const tGrupoCerca*>(&outro);
  return o && o->Nome == Nome;
}

tImportadorCerca::tImportadorCerca(const Dependencias& d)
    : canal_(d.canal), respostas_(d.respostas), dbZenthora_(d.dbZenthora), dbSSE_(d.dbSSE) {}

tImportadorCerca::~tImportadorCerca() = default;

void tImportadorCerca::ImportaCercas(const xml::Element& raiz) {
  if (!leOpcoesEVeiculos(raiz)) return;

  const xml::Element primeiro = raiz.child("GRUPOCERCA").firstChildElement();
  if (!primeiro) return;  // an empty group: nothing is imported and nothing answered

  auto novo = std::make_unique<tGrupoCerca>();
  novo->NomeRecebido = common::TextoDoFilho(primeiro, "NOMEGRUPO");
  novo->Nome = CortaTexto(novo->NomeRecebido.empty() ? text::dateToStr(clk::now()) : novo->NomeRecebido,
                          kLarguraNomeGrupo);
  novo->AcaoNovos = acaoNovos_;
  novo->AcaoCadastrados = acaoCadastrados_;
  tGrupoCerca& grupo = *novo;
  grupos_.AdicionaUnico(std::move(novo));
  idGrupo_ = abreGrupo(grupo.Nome);

  std::int32_t posicao = 0;
  for (xml::Element e = primeiro; e; e = e.nextSiblingElement()) {
    if (!common::ElementoChamado(e, "CERCA") || !e.firstChildElement()) continue;
    auto cerca = std::make_unique<tParametroCerca>();
    cerca->Posicao = ++posicao;
    cerca->NomeGrupo = grupo.Nome;
    leCerca(e.firstChildElement(), *cerca);
    decideEGrava(grupo, *cerca);
    grupo.Cercas.Adiciona(std::move(cerca));
  }

  for (auto* no = grupo.Cercas.Primeiro(); no; no = no->Proximo()) associa(static_cast<tParametroCerca&>(no->Valor()));
  for (auto* no = grupos_.Primeiro(); no; no = no->Proximo()) enviaStatus(static_cast<const tGrupoCerca&>(no->Valor()));
}

// Options and vehicles; an option value the import does not know refuses the
// whole document before anything is changed.
bool tImportadorCerca::leOpcoesEVeiculos(const xml::Element& raiz) {
  std::vector<OpcaoImportacao> opcoes{{"ACAONOVOS", 0}, {"ACAOCADASTRADOS", 0}};
  const LeituraVeiculos leitura = LeituraNaLista("-10", veiculos_, dbZenthora_);
  LeOpcoesEVeiculos(raiz, opcoes, leitura, dbZenthora_, respostas_);
  acaoNovos_ = ValorOpcao(opcoes, "ACAONOVOS");
  acaoCadastrados_ = ValorOpcao(opcoes, "ACAOCADASTRADOS");

  auto recusa = [this](const char* tag, std::int32_t valor) {
    respostas_.Retorna_Status_Erro_XML(std::string("Tag <") + tag + "> com valor inválido ("_cp + std::to_string(valor) +
                                           "), não é possível realizar a Importação de Cercas"_cp,
                                       "-10", "", 0, -1);
    return false;
  };
  if (acaoNovos_ != 0 && acaoNovos_ != 1) return recusa("AcaoNovos", acaoNovos_);
  if (acaoCadastrados_ < 0 || acaoCadastrados_ > 2) return recusa("AcaoCadastrados", acaoCadastrados_);
  return true;
}

// Opens the group of that name, creating it when there is none; 0 when it
// cannot be created.
std::int32_t tImportadorCerca::abreGrupo(const std::string& nome) {
  db::Statement qr(dbSSE_, sqlGrupoCerca());
  qr.bindInt("Abertura", kAbertura).bindText("Nome", nome);
  qr.open();
  if (qr.eof()) {
    try {
      db::Statement insere(dbSSE_, sqlInsereGrupoCerca());
      insere.bindText("Nome", nome);
      insere.execute();
    } catch (const db::DbError& falha) {
      relancaSePerdida(falha);
    }
    qr.close();
    qr.open();
  }
  return qr.eof() ? 0 : qr.field("IDGrupoCerca").asInt();
}

void tImportadorCerca::leCerca(const xml::Element& primeiro, tParametroCerca& cerca) {
  for (xml::Element e = primeiro; e; e = e.nextSiblingElement()) {
    const std::string nome = common::NomeDoElemento(e);
    const std::string texto = common::TextoDoElemento(e);
    if (nome == "LATITUDE") {
      cerca.LatitudeRecebida = texto;
      cerca.Latitude = FormataCoordenada(Eixo::Latitude, texto);
    } else if (nome == "LONGITUDE") {
      cerca.LongitudeRecebida = texto;
      cerca.Longitude = FormataCoordenada(Eixo::Longitude, texto);
    } else if (nome == "NOMECERCA") {
      cerca.NomeRecebido = texto;
      cerca.Nome = text::trim(texto).empty() ? NomeSemNome(cerca.NomeGrupo, cerca.Posicao) : texto;
      cerca.Nome = CortaTexto(cerca.Nome, kLarguraNomeItem);
    } else if (nome == "RUAAVENIDA") {
      cerca.RuaAvenida = texto;
    } else if (nome == "BAIRRO") {
      cerca.Bairro = texto;
    } else if (nome == "CIDADE") {
      cerca.Cidade = texto;
    } else if (nome == "UF") {
      cerca.UF = texto;
    } else if (nome == "NUMERO") {
      cerca.Numero = texto;
    } else if (nome == "CEP") {
      cerca.CEP = texto;
    } else if (nome == "FONE1") {
      cerca.Fone1 = texto;
    } else if (nome == "FONE2") {
      cerca.Fone2 = texto;
    } else if (nome == "FAX") {
      cerca.Fax = texto;
    }
  }
}

bool tImportadorCerca::nomeExiste(const std::string& nome) {
  db::Statement qr(dbSSE_, sqlNomeCercaExiste());
  qr.bindText("nome", nome);
  qr.open();
  return !qr.eof();
}

void tImportadorCerca::decideEGrava(tGrupoCerca& grupo, tParametroCerca& cerca) {
  cerca.StatusImportacao = 1;
  if (ParCoordenadasRecusado(cerca.Latitude, cerca.Longitude)) return;
  if (nomeExiste(cerca.Nome)) {
    if (grupo.AcaoCadastrados == 2) return;
    if (grupo.AcaoCadastrados == 1)
      cerca.Nome = NomeLivre(cerca.Nome, kLarguraNomeItem, [this](const std::string& n) { return nomeExiste(n); });
  } else if (grupo.AcaoNovos == 1) {
    return;
  }
  cerca.StatusImportacao = grava(cerca);
}

// The default fence profile (tParam), or the fixed defaults when tParam names
// no profile.
void tImportadorCerca::carregaPerfil(tParametroCerca& cerca) {
  if (cerca.IdPerfil == -1) {
    db::Statement qr(dbSSE_, sqlPerfilCercaPadrao());
    qr.bindInt("IdModulo", kModuloCerca).bindInt("IdParam", kParamPerfilCerca);
    qr.open();
    if (!qr.eof()) cerca.IdPerfil = text::strToIntDef(text::trim(qr.field("ValParamDefault").asString()), -1);
  }
  db::Statement qr(dbSSE_, sqlPerfilCerca());
  qr.bindInt("idPerfil", cerca.IdPerfil);
  qr.open();
  tValoresPerfilCerca& v = cerca.Perfil;
  if (qr.eof()) {
    v = {};
    cerca.IdPerfil = -1;
    return;
  }
  auto i = [&](const char* coluna) { return qr.field(coluna).asInt(); };
  v.Formato = i("Formato");
  v.Tipo = i("Tipo");
  v.Lado_A = qr.field("Lado_A").asFloat();
  v.Lado_B = qr.field("Lado_B").asFloat();
  v.EntDeslacreBau = i("EntDeslacreBau");
  v.EntDeslacreCabine = i("EntDeslacreCabine");
  v.EntDeslacreCarreta = i("EntDeslacreCarreta");
  v.EntLibPortas = i("EntLibPortas");
  v.EntDestrava = i("EntDestrava");
  v.EntLibMov = i("EntLibMov");
  v.EntLacreBau = i("EntLacreBau");
  v.EntLacreCabine = i("EntLacreCabine");
  v.EntLacreCarreta = i("EntLacreCarreta");
  v.EntAcao = i("EntAcao");
  v.SaiLacreBau = i("SaiLacreBau");
  v.SaiLacreCabine = i("SaiLacreCabine");
  v.SaiLacreCarreta = i("SaiLacreCarreta");
  v.SaiAcao = i("SaiAcao");
  v.SaiAtivaRastreador = i("SaiAtivaRastreador");
}

// Reads the row by name, then runs the modify statement for an existing row or
// the insert procedure for a new one. A failure gives the fence status 1.
std::int32_t tImportadorCerca::grava(tParametroCerca& cerca) {
  try {
    carregaPerfil(cerca);
    db::Statement qr(dbSSE_, sqlCerca());
    qr.bindText("Nome", cerca.Nome);
    qr.open();
    const bool existente = !qr.eof();

    db::Statement up(dbSSE_, existente ? sqlModificaCerca() : sqlInsereCerca());
    if (existente) {
      up.bindInt("OLD_IDCerca", qr.field("IDCerca").asInt64()).bind("Obs", qr.field("Obs"));
    } else {
      up.bindNull("obs");
    }
    const tValoresPerfilCerca& v = cerca.Perfil;
    up.bindInt("IDGrupoCerca", idGrupo_)
        .bindText("Nome", cerca.Nome)
        .bindText("Latitude", CortaTexto(cerca.Latitude, kLarguraCoordenada))
        .bindText("Longitude", CortaTexto(cerca.Longitude, kLarguraCoordenada))
        .bindText("Referencia", "")
        .bindText("Cidade", CortaTexto(cerca.Cidade, kLarguraCidade))
        .bindText("UF", CortaTexto(cerca.UF, kLarguraUF))
        .bindText("CEP", CortaTexto(cerca.CEP, kLarguraCEP))
        .bindText("Endereco", CortaTexto(cerca.RuaAvenida, kLarguraEndereco))
        .bindText("Numero", CortaTexto(cerca.Numero, kLarguraNumero))
        .bindText("Bairro", CortaTexto(cerca.Bairro, kLarguraBairro))
        .bindText("Complemento", "")
        .bindText("Fone1", CortaTexto(cerca.Fone1, kLarguraFone))
        .bindText("Fone2", CortaTexto(cerca.Fone2, kLarguraFone))
        .bindText("Fax", CortaTexto(cerca.Fax, kLarguraFone))
        .bindInt("Formato", v.Formato)
        .bindInt("Tipo", v.Tipo)
        .bindFloat("Lado_A", v.Lado_A)
        .bindFloat("Lado_B", v.Lado_B)
        .bindInt("EntDeslacreBau", v.EntDeslacreBau)
        .bindInt("EntDeslacreCabine", v.EntDeslacreCabine)
        .bindInt("EntDeslacreCarreta", v.EntDeslacreCarreta)
        .bindInt("EntLibPortas", v.EntLibPortas)
        .bindInt("EntDestrava", v.EntDestrava)
        .bindInt("EntLibMov", v.EntLibMov)
        .bindInt("EntLacreBau", v.EntLacreBau)
        .bindInt("EntLacreCabine", v.EntLacreCabine)
        .bindInt("EntLacreCarreta", v.EntLacreCarreta)
        .bindInt("EntAcao", v.EntAcao)
        .bindInt("SaiLacreBau", v.SaiLacreBau)
        .bindInt("SaiLacreCabine", v.SaiLacreCabine)
        .bindInt("SaiLacreCarreta", v.SaiLacreCarreta)
        .bindInt("SaiAcao", v.SaiAcao)
        .bindInt("SaiAtivaRastreador", v.SaiAtivaRastreador)
        .bindInt("idPerfil", cerca.IdPerfil);
    up.execute();
    return 0;
  } catch (const db::DbError& falha) {
    relancaSePerdida(falha);
    return 1;
  }
}

void tImportadorCerca::associa(tParametroCerca& cerca) {
  if (cerca.StatusImportacao != 0) return;
  if (veiculos_.Vazia()) return;
  {
    db::Statement qr(dbSSE_, sqlIdCerca());
    qr.bindText("Nome", cerca.Nome);
    qr.open();
    if (!qr.eof()) cerca.IdCerca = qr.field("IdCerca").asInt();
  }
  for (auto* no = veiculos_.Primeiro(); no; no = no->Proximo()) {
    const auto& veiculo = static_cast<const common::tVeiculo&>(no->Valor());
    try {
      db::Statement associa(dbSSE_, sqlAssociaCercaVeic());
      associa.bindInt("IdVeiculo", veiculo.IdTerminal())
          .bindInt("IdCerca", cerca.IdCerca)
          .bindInt("IDTransp", veiculo.idTransp())
          .bindInt("IDFrota", veiculo.idFrota())
          .bindInt("Status", kStatusAssociacao);
      associa.execute();
    } catch (const db::DbError& falha) {
      relancaSePerdida(falha);
    }
    db::Statement presenca(dbSSE_, sqlCercaVeicExiste());
    presenca.bindInt("IDVeiculo", veiculo.IdTerminal()).bindInt("IdCerca", cerca.IdCerca);
    presenca.open();
    cerca.Veiculos.Adiciona(std::make_unique<common::tStatusAssociacaoVeiculo>(veiculo.IdTerminal(), presenca.eof() ? 1 : 0));
  }
}

void tImportadorCerca::enviaStatus(const tGrupoCerca& grupo) {
  using telecmd::LimpaTextoXML;
  std::string corpo = " <CodMsg> -49 </CodMsg>  <GrupoCerca>  <DataHoraEm> " + telecmd::DataHoraAtual() +
                      " </DataHoraEm>  <NomeGrupo> " + LimpaTextoXML(grupo.Nome) + " </NomeGrupo> ";
  for (auto* no = grupo.Cercas.Primeiro(); no; no = no->Proximo()) {
    const auto& c = static_cast<const tParametroCerca&>(no->Valor());
    corpo += " <Cerca>  <NomeCerca>" + LimpaTextoXML(c.NomeRecebido) + "</NomeCerca>  <Latitude>" +
             LimpaTextoXML(c.LatitudeRecebida) + "</Latitude>  <Longitude>" + LimpaTextoXML(c.LongitudeRecebida) +
             "</Longitude>  <StsImportacao>" + std::to_string(c.StatusImportacao) + "</StsImportacao> ";
    for (auto* v = c.Veiculos.Primeiro(); v; v = v->Proximo()) {
      const auto& a = static_cast<const common::tStatusAssociacaoVeiculo&>(v->Valor());
      corpo += " <Veiculo>  <IdTerminal>" + a.Terminal() + "</IdTerminal>  <StsAssociacao>" +
               std::to_string(a.Status()) + "</StsAssociacao>  </Veiculo> ";
    }
    corpo += " </Cerca> ";
  }
  corpo += " </GrupoCerca> ";
  canal_.Enfileira_XML_Envio(telecmd::LimpaAcentos(corpo));
}

}  // namespace kvt::security
