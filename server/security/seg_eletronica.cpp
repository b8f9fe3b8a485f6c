#include "server/security/seg_eletronica.h"

#include <string>

#include "server/security/elp_import.h"
#include "server/security/route_import.h"
#include "server/security/importador_alvo.h"
#include "server/security/importador_cerca.h"
#include "server/telecmd/tele_cmd.h"
#include "server/telecmd/texto_xml.h"

namespace kvt::security {

KVT_SQL(sqlPerfilDefinicao,
        "SELECT IdPerfil, Nome, Item=0 \r\n"
        "FROM dbModRas..TPerfilAlvo\r\n"
        "UNION\r\n"
        "SELECT IdPerfil, Nome, Item=1 \r\n"
        "FROM dbModRas..TPerfilCerca",
        "SELECT idPerfil AS IdPerfil, Nome, 0 AS Item FROM dbModRas.tPerfilAlvo "
        "UNION "
        "SELECT idPerfil AS IdPerfil, Nome, 1 AS Item FROM dbModRas.tPerfilCerca "
        "ORDER BY 1, 3");

KVT_SQL(sqlListaAlvos,
        "SELECT G.IdGrupo, G.Nome_Grupo, A.IdAlvo, A.Nome_Alvo, A.Lat_Alvo, A.Lon_Alvo\r\n"
        "FROM dbModRas..tAlvo AS A INNER JOIN dbModRas..tGrupo  AS G\r\n"
        "     ON A.IdGrupo = G.IdGrupo\r\n"
        "ORDER BY G.IdGrupo",
        "SELECT G.IdGrupo, G.Nome_Grupo, A.IdAlvo, A.Nome_Alvo, A.Lat_Alvo, A.Lon_Alvo "
        "FROM dbModRas.tAlvo AS A INNER JOIN dbModRas.tGrupo AS G ON A.IdGrupo = G.IdGrupo "
        "ORDER BY G.IdGrupo, A.IdAlvo");

KVT_SQL(sqlListaCercas,
        "SELECT G.IdGrupoCerca, G.Nome AS NomeGrupo, C.IdCerca, C.Nome AS NomeCerca, C.Latitude, C.Longitude\r\n"
        "FROM dbModRas..tCerca AS C INNER JOIN dbModRas..tGrupoCerca  AS G\r\n"
        "     ON C.IdGrupoCerca = G.IdGrupoCerca\r\n"
        "ORDER BY G.IdGrupoCerca",
        "SELECT G.IdGrupoCerca, G.Nome AS NomeGrupo, C.IdCerca, C.Nome AS NomeCerca, C.Latitude, C.Longitude "
        "FROM dbModRas.tCerca AS C INNER JOIN dbModRas.tGrupoCerca AS G ON C.IdGrupoCerca = G.IdGrupoCerca "
        "ORDER BY G.IdGrupoCerca, C.IdCerca");

// The element and column names of one grouped list.
struct TdmSegEletronica::FormatoLista {
  const char* codMsg;
  const char* grupo;     // GrupoAlvo
  const char* item;      // Alvo
  const char* idItem;    // IdAlvo
  const char* nomeItem;  // NomeAlvo
  const char* contagem;  // NumAlvosXML
  const char* colIdGrupo;
  const char* colNomeGrupo;
  const char* colIdItem;
  const char* colNomeItem;
  const char* colLatitude;
  const char* colLongitude;
};

namespace {

using telecmd::LimpaTextoXML;

std::string inicioCorpo(const char* codMsg) { return std::string(" <CodMsg> ") + codMsg + " </CodMsg> "; }

std::string elementoContagem(const char* nome, int contagem) {
  return std::string(" <") + nome + "> " + std::to_string(contagem) + " </" + nome + ">";
}

// Closes the query when it is open, then runs it.
void reabre(db::Statement& qr) {
  if (qr.isOpen()) qr.close();
  qr.open();
}

}  // namespace

TdmSegEletronica::TdmSegEletronica(const Dependencias& d)
    : canal_(d.canal),
      respostas_(d.respostas),
      logs_(d.logs),
      dbZenthora_(d.dbZenthora),
      dbSSE_(d.dbSSE),
      qrPerfilDefinicao_(std::make_unique<db::Statement>(d.dbZenthora, sqlPerfilDefinicao())),
      qrListaAlvos_(std::make_unique<db::Statement>(d.dbZenthora, sqlListaAlvos())),
      qrListaCercas_(std::make_unique<db::Statement>(d.dbZenthora, sqlListaCercas())) {}

TdmSegEletronica::~TdmSegEletronica() = default;

void TdmSegEletronica::RegistraTratadores(telecmd::tTeleCmd& teleCmd) {
  using telecmd::PedidoTeleCmd;
  using telecmd::Tratador;
  teleCmd.DefineTratador(Tratador::ListaPerfisDefinicao, [this](const PedidoTeleCmd&) {
    ListaPerfisDefinicao();
    return true;
  });
  teleCmd.DefineTratador(Tratador::ListaAlvos, [this](const PedidoTeleCmd&) {
    ListaAlvos();
    return true;
  });
  teleCmd.DefineTratador(Tratador::ListaCercas, [this](const PedidoTeleCmd&) {
    ListaCercas();
    return true;
  });
  teleCmd.DefineTratador(Tratador::ImportaAlvos, [this](const PedidoTeleCmd& p) {
    Importar_Alvos(p.raiz);
    return true;
  });
  teleCmd.DefineTratador(Tratador::ImportaCercas, [this](const PedidoTeleCmd& p) {
    Importar_Cercas(p.raiz);
    return true;
  });
  teleCmd.DefineTratador(Tratador::ImportaRotas, [this](const PedidoTeleCmd& p) {
    Importar_Rotas(p.raiz);
    return true;
  });
  teleCmd.DefineTratador(Tratador::ImportaMensagensELP, [this](const PedidoTeleCmd& p) {
    Importar_MensagensELP(p.raiz);
    return true;
  });
}

void TdmSegEletronica::Importar_Alvos(const xml::Element& raiz) {
  logs_.log("tTeleCmd", "TdmSegEletronica.Importar_Alvos (inicio) teste 3");
  tImportadorAlvo importador({canal_, respostas_, logs_, dbZenthora_, dbSSE_});
  importador.ImportaAlvos(raiz);
  logs_.log("tTeleCmd", "TdmSegEletronica.Importar_Alvos (fim) 2");
}

void TdmSegEletronica::Importar_Cercas(const xml::Element& raiz) {
  tImportadorCerca importador({canal_, respostas_, dbZenthora_, dbSSE_});
  importador.ImportaCercas(raiz);
}

void TdmSegEletronica::Importar_Rotas(const xml::Element& raiz) {
  tImportadorRota importador({canal_, respostas_, dbZenthora_, dbSSE_});
  importador.ImportaRotas(raiz);
}

void TdmSegEletronica::Importar_MensagensELP(const xml::Element& raiz) {
  tImportacaoMensagensELP importacao({canal_, respostas_, dbZenthora_});
  importacao.Importa(raiz);
}

void TdmSegEletronica::ListaPerfisDefinicao() {
  db::Statement& qr = *qrPerfilDefinicao_;
  reabre(qr);
  std::string corpo = inicioCorpo("-45");
  for (; !qr.eof(); qr.next()) {
    corpo += " <PerfilDefinicao> ";
    corpo += "<IdPerfilDefinicao> " + std::to_string(qr.field("IdPerfil").asInt()) + " </IdPerfilDefinicao>";
    corpo += "<NomePerfilDefinicao> " + LimpaTextoXML(qr.field("Nome").asString()) + " </NomePerfilDefinicao>";
    corpo += "<Item> " + std::to_string(qr.field("Item").asInt()) + " </Item>";
    corpo += " </PerfilDefinicao> ";
  }
  qr.close();
  canal_.Enfileira_XML_Envio(corpo);
}

void TdmSegEletronica::ListaAlvos() {
  static const FormatoLista kAlvos{"-46",     "GrupoAlvo", "Alvo",   "IdAlvo",    "NomeAlvo", "NumAlvosXML",
                                   "IdGrupo", "Nome_Grupo", "IdAlvo", "Nome_Alvo", "Lat_Alvo", "Lon_Alvo"};
  listaPorGrupo(*qrListaAlvos_, kAlvos);
}

void TdmSegEletronica::ListaCercas() {
  static const FormatoLista kCercas{"-47",          "GrupoCerca", "Cerca",   "IdCerca",   "NomeCerca", "NumCercasXML",
                                    "IdGrupoCerca", "NomeGrupo",  "IdCerca", "NomeCerca", "Latitude",  "Longitude"};
  listaPorGrupo(*qrListaCercas_, kCercas);
}

// Groups in query order; a document holds at most 1000 items, and a group cut
// by a full document is opened again, with its name, in the next one.
void TdmSegEletronica::listaPorGrupo(db::Statement& qr, const FormatoLista& f) {
  reabre(qr);
  std::string corpo = inicioCorpo(f.codMsg);
  int contagem = 0;
  while (!qr.eof()) {
    const std::int64_t grupo = qr.field(f.colIdGrupo).asInt64();
    corpo += std::string("<") + f.grupo + "> " + "<NomeGrupo> " + LimpaTextoXML(qr.field(f.colNomeGrupo).asString()) +
             " </NomeGrupo>";
    do {
      corpo += std::string(" <") + f.item + "> ";
      corpo += std::string("<") + f.idItem + "> " + std::to_string(qr.field(f.colIdItem).asInt()) + " </" + f.idItem + ">";
      corpo += std::string("<") + f.nomeItem + "> " + LimpaTextoXML(qr.field(f.colNomeItem).asString()) + " </" +
               f.nomeItem + ">";
      corpo += "<Latitude> " + qr.field(f.colLatitude).asString() + " </Latitude>";
      corpo += "<Longitude> " + qr.field(f.colLongitude).asString() + " </Longitude>";
      corpo += std::string(" </") + f.item + "> ";
      qr.next();
      ++contagem;
    } while (!qr.eof() && qr.field(f.colIdGrupo).asInt64() == grupo && contagem < kItensPorDocumento);
    corpo += std::string(" </") + f.grupo + ">";
    if (contagem == kItensPorDocumento) {
      corpo += elementoContagem(f.contagem, contagem);
      canal_.Enfileira_XML_Envio(corpo);
      corpo = inicioCorpo(f.codMsg);
      contagem = 0;
    }
  }
  qr.close();
  corpo += elementoContagem(f.contagem, contagem);
  canal_.Enfileira_XML_Envio(corpo);
}

}  // namespace kvt::security
