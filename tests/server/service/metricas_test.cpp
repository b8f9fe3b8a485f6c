// The figures and the health verdict, as the monitoring endpoint publishes them.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "central/central.h"
#include "platform/db/db.h"
#include "server/service/metricas.h"
#include "server/service/sonda_bancos.h"
#include "tests/support/temp_dir.h"

using namespace kvt;
using service::Metricas;
using service::Saude;

TEST(FormataMetricas, EverySampleIsValidTextExpositionWithItsHelpAndTypeAndNoFreeLabels) {
  Metricas m;
  m.eventosLidos = 120;
  m.eventosEntregues = 118;
  m.descargas = 7;
  m.tentativas = 9;
  m.falhas = 1;
  m.retrocessos = 1;
  m.clientesConectados = 2;
  m.comandosNaFila = 4;
  m.tamanhoBuffer = 512;
  m.limiteBuffer = 65536;
  m.posicaoEventos = 2147483647;
  m.posicaoControle = 33;
  m.eventosAguardando = 5;
  const std::string texto = service::FormataMetricas(m);
  ASSERT_FALSE(texto.empty());
  ASSERT_EQ(texto.back(), '\n');

  const std::regex amostra(R"re(([a-z_]+)(\{tabela="(eventos|controle)"\})? (-?[0-9]+))re");
  const std::regex ajuda(R"re(# HELP ([a-z_]+) [^\n]+)re");
  const std::regex tipo(R"re(# TYPE ([a-z_]+) (counter|gauge))re");
  std::set<std::string> ajudas, tipos, vistas;
  std::map<std::string, std::string> valores;
  std::istringstream linhas(texto);
  for (std::string l; std::getline(linhas, l);) {
    std::smatch s;
    if (std::regex_match(l, s, ajuda)) {
      EXPECT_TRUE(ajudas.insert(s[1]).second) << l;
    } else if (std::regex_match(l, s, tipo)) {
      EXPECT_TRUE(tipos.insert(s[1]).second) << l;
      if (s[2] == "counter") {
        EXPECT_TRUE(s[1].str().ends_with("_total")) << l;
      }
    } else {
      ASSERT_TRUE(std::regex_match(l, s, amostra)) << "not a sample: " << l;
      EXPECT_TRUE(tipos.count(s[1])) << "sample before its TYPE: " << l;
      EXPECT_TRUE(vistas.insert(s[1].str() + s[2].str()).second) << "repeated: " << l;
      valores[s[1].str() + s[2].str()] = s[4];
    }
  }
  EXPECT_EQ(ajudas, tipos);
  EXPECT_EQ(valores["korvatel_eventos_lidos_total"], "120");
  EXPECT_EQ(valores["korvatel_eventos_entregues_total"], "118");
  EXPECT_EQ(valores["korvatel_descargas_total"], "7");
  EXPECT_EQ(valores["korvatel_tentativas_envio_total"], "9");
  EXPECT_EQ(valores["korvatel_falhas_descarga_total"], "1");
  EXPECT_EQ(valores["korvatel_retrocessos_total"], "1");
  EXPECT_EQ(valores["korvatel_clientes_conectados"], "2");
  EXPECT_EQ(valores["korvatel_comandos_na_fila"], "4");
  EXPECT_EQ(valores["korvatel_buffer_bytes"], "512");
  EXPECT_EQ(valores["korvatel_buffer_limite_bytes"], "65536");
  EXPECT_EQ(valores["korvatel_posicao_numseq{tabela=\"eventos\"}"], "2147483647");
  EXPECT_EQ(valores["korvatel_posicao_numseq{tabela=\"controle\"}"], "33");
  EXPECT_EQ(valores["korvatel_eventos_aguardando"], "5");
}

TEST(AvaliaSaude, ServiceableOnlyWithEveryConnectionStartedAndPassesRunning) {
  Saude bom;
  bom.dbZenthora = bom.dbBase = bom.dbSSE = bom.inicializado = true;
  bom.msDesdePassagem = 1000;
  struct Caso {
    const char* nome;
    void (*muda)(Saude&);
    int status;
  } casos[] = {
      {"all good", [](Saude&) {}, 200},
      {"base down is reported, not a failure", [](Saude& s) { s.baseAtiva = false; }, 200},
      {"no flush yet is fine", [](Saude& s) { s.msDesdeDescarga.reset(); }, 200},
      {"pass at the limit", [](Saude& s) { s.msDesdePassagem = service::kLimitePassagemMs; }, 200},
      {"pass too old", [](Saude& s) { s.msDesdePassagem = service::kLimitePassagemMs + 1; }, 503},
      {"no pass yet", [](Saude& s) { s.msDesdePassagem.reset(); }, 503},
      {"dbZenthora lost", [](Saude& s) { s.dbZenthora = false; }, 503},
      {"dbBase lost", [](Saude& s) { s.dbBase = false; }, 503},
      {"dbSSE lost", [](Saude& s) { s.dbSSE = false; }, 503},
      {"still starting", [](Saude& s) { s.inicializado = false; }, 503},
  };
  for (const auto& c : casos) {
    Saude s = bom;
    c.muda(s);
    const auto r = service::AvaliaSaude(s);
    EXPECT_EQ(r.status, c.status) << c.nome << ": " << r.corpo;
    EXPECT_NE(r.corpo.find(c.status == 200 ? "\"status\":\"ok\"" : "\"status\":\"falha\""), std::string::npos)
        << c.nome;
  }
  Saude s = bom;
  s.dbBase = false;
  s.msDesdeDescarga = 2500;
  s.msDesdePassagem.reset();
  const auto corpo = service::AvaliaSaude(s).corpo;
  EXPECT_NE(corpo.find("\"dbBase\":false"), std::string::npos) << corpo;
  EXPECT_NE(corpo.find("\"dbZenthora\":true"), std::string::npos) << corpo;
  EXPECT_NE(corpo.find("\"msDesdeUltimaPassagem\":null"), std::string::npos) << corpo;
  EXPECT_NE(corpo.find("\"msDesdeUltimaDescarga\":2500"), std::string::npos) << corpo;
}

TEST(SondaBanco, AnswersForEachDatabaseOfTheCentralAndFailsQuietlyWhenItIsGone) {
  test::TempDir dir;
  const auto files = central::createCentral(dir.path().string());
  auto zenthora = db::Connection::open(files.urlZenthora);
  auto base = db::Connection::open(files.urlBase);
  auto sse = db::Connection::open(files.urlSse);
  EXPECT_TRUE(service::SondaBanco(zenthora.get(), service::BancoSondado::dbZenthora));
  EXPECT_TRUE(service::SondaBanco(base.get(), service::BancoSondado::dbBase));
  EXPECT_TRUE(service::SondaBanco(sse.get(), service::BancoSondado::dbSSE));
  // a connection that points at the wrong database does not pass for the right one
  EXPECT_FALSE(service::SondaBanco(base.get(), service::BancoSondado::dbSSE));
  EXPECT_FALSE(service::SondaBanco(nullptr, service::BancoSondado::dbZenthora));
  sse->close();
  EXPECT_FALSE(service::SondaBanco(sse.get(), service::BancoSondado::dbSSE));

  // the file overwritten under an open connection: the database is gone for it
  for (const std::string sufixo : {"", "-wal", "-shm"}) {
    std::fstream f(files.zenthora + sufixo, std::ios::in | std::ios::out | std::ios::binary);
    if (f) f << std::string(8192, 'Z');
  }
  EXPECT_FALSE(service::SondaBanco(zenthora.get(), service::BancoSondado::dbZenthora));
}

TEST(ComandosNaFila, CountsOnlyTheModulesDocumentsAndAnswersMinusOneWhenItCannot) {
  test::TempDir dir;
  const auto files = central::createCentral(dir.path().string());
  auto zenthora = db::Connection::open(files.urlZenthora);
  EXPECT_EQ(service::ComandosNaFila(zenthora.get(), 2), 0);
  for (int modulo : {2, 2, 3})
    db::Statement(*zenthora, "INSERT INTO tFilaComandoKVT (XML, IP, Porta, DHEntrada, ModCom) VALUES ('<x/>', "
                             "'127.0.0.1', 1, datetime('now'), " + std::to_string(modulo) + ")")
        .execute();
  EXPECT_EQ(service::ComandosNaFila(zenthora.get(), 2), 2);
  EXPECT_EQ(service::ComandosNaFila(zenthora.get(), 3), 1);
  EXPECT_EQ(service::ComandosNaFila(nullptr, 2), -1);
  zenthora->close();
  EXPECT_EQ(service::ComandosNaFila(zenthora.get(), 2), -1);
}
