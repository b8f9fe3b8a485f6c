// One target import of 5,000 targets for 3 vehicles on the embedded central
// (options, group, name test, row read, insert procedure, profile, capacity,
// association and presence test per target and vehicle, the -48 reply),
// against bare inserts of the same target and association rows, one
// statement each, in the same run.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "bench/bench_support.h"
#include "bench/ratio_reporter.h"
#include "central/central.h"
#include "platform/db/db.h"
#include "platform/ini/ini_file.h"
#include "platform/xml/xml_document.h"
#include "server/runtime/configuracao.h"
#include "server/runtime/log_files.h"
#include "server/runtime/status_model.h"
#include "server/security/coordinate_text.h"
#include "server/security/importador_alvo.h"
#include "server/security/target_icon.h"
#include "server/telecmd/resposta_erro.h"
#include "server/telecmd/texto_xml.h"

namespace {

using namespace kvt;

constexpr int kAlvos = 5000;
constexpr int kVeiculos[] = {0xA1, 0xA2, 0xA3};

std::string latitude(int i) { return "-" + std::to_string(20 + i % 10) + "." + std::to_string(1000 + i); }
std::string longitude(int i) { return "-" + std::to_string(40 + i % 10) + "." + std::to_string(2000 + i); }
std::string nome(int i) { return "Cliente " + std::to_string(i); }

std::string documento() {
  std::string d = "<telecomando><codmsg>-9</codmsg><VEICULO>";
  for (int v : kVeiculos) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "%X", v);
    d += std::string("<IDTERMINAL>") + hex + "</IDTERMINAL>";
  }
  d += "</VEICULO><ASSOCIACAOALVOSVEICULOS>1</ASSOCIACAOALVOSVEICULOS><IDPERFILDEFINICAO>1</IDPERFILDEFINICAO>"
       "<GRUPOALVO><NOMEGRUPO>Clientes</NOMEGRUPO>";
  for (int i = 0; i < kAlvos; ++i)
    d += "<ALVO><NOMEALVO>" + nome(i) + "</NOMEALVO><LATITUDE>" + latitude(i) + "</LATITUDE><LONGITUDE>" +
         longitude(i) + "</LONGITUDE><RUAAVENIDA>Rua " + std::to_string(i) +
         "</RUAAVENIDA><CIDADE>Campinas</CIDADE><UF>SP</UF></ALVO>";
  return d + "</GRUPOALVO></telecomando>";
}

struct Central {
  bench::PastaTemporaria pasta{"kvt-target-bench"};
  central::CentralFiles files;
  std::unique_ptr<db::Connection> dbZenthora, dbSSE;
  runtime::tConfiguracao cfg;
  runtime::StatusModel status;
  std::unique_ptr<runtime::LogFiles> logs;
  bench::CanalContador canal;
  std::unique_ptr<telecmd::RespostaStatusErro> respostas;

  Central() {
    files = central::createCentral((pasta.caminho() / "central").string());
    ini::IniFile ini(files.ini);
    runtime::LeChavesLog(ini, cfg);
    dbZenthora = db::Connection::open(files.urlZenthora);
    dbSSE = db::Connection::open(files.urlSse);
    executa(*dbZenthora, "INSERT INTO SuportaMilAlvos (Rastreador) VALUES (3)");
    for (int v : kVeiculos)
      executa(*dbZenthora, "INSERT INTO tVeiculo (IdTerminal, IdTransp, IdFrota, Veiculo, Rastreador, Versao) VALUES (" +
                               std::to_string(v) + ", 1, 1, 'V', 3, '3.2.1')");
    executa(*dbSSE, "INSERT INTO tPerfilAlvo (idPerfil, Nome, Tolerancia_Alvo) VALUES (1, 'Cliente', 300)");
    logs = std::make_unique<runtime::LogFiles>(cfg.log, files.ini, status.lberro, pasta.caminho().string());
    respostas = std::make_unique<telecmd::RespostaStatusErro>(canal, *logs);
  }
  ~Central() {
    respostas.reset();
    logs.reset();
    dbSSE.reset();
    dbZenthora.reset();
  }
  static void executa(db::Connection& c, const std::string& sql) {
    db::Statement st(c, sql);
    st.execute();
  }
  void esvazia() {
    executa(*dbSSE, "DELETE FROM tAlvoVeic");
    executa(*dbSSE, "DELETE FROM tAlvo");
    executa(*dbSSE, "DELETE FROM tGrupo");
  }
  std::int64_t conta(const std::string& sql) {
    db::Statement st(*dbSSE, sql);
    st.open();
    return st.field(std::size_t{0}).asInt64();
  }
};

void BM_ImportaAlvos(benchmark::State& state) {
  Central c;
  xml::Document doc;
  if (!doc.parse(documento())) std::abort();
  for (auto _ : state) {
    state.PauseTiming();
    c.esvazia();
    state.ResumeTiming();
    security::tImportadorAlvo importador({c.canal, *c.respostas, *c.logs, *c.dbZenthora, *c.dbSSE});
    importador.ImportaAlvos(doc.root());
  }
  if (c.conta("SELECT count(*) FROM tAlvo") != kAlvos || c.conta("SELECT count(*) FROM tAlvoVeic") != 3000)
    state.SkipWithError("the import did not store every target and association");
  state.SetItemsProcessed(state.iterations() * kAlvos);
}

// The same rows, one plain statement each: the targets with their normalized
// coordinates and picture, then the associations up to each vehicle's 1000.
void BM_InsercoesDiretas(benchmark::State& state) {
  Central c;
  for (auto _ : state) {
    state.PauseTiming();
    c.esvazia();
    state.ResumeTiming();
    db::Statement alvo(*c.dbSSE, std::string("INSERT INTO tAlvo (IdAlvo, IdGrupo, Nome_Alvo, Lat_Alvo, Lon_Alvo, "
                                             "End_Alvo, Cid_Alvo, UF_Alvo, Tolerancia_Alvo, bmp_alvo, idPerfil) "
                                             "VALUES (:id, 1, :nome, :lat, :lon, :rua, 'Campinas', 'SP', 300, :bmp, 1)"));
    for (int i = 0; i < kAlvos; ++i) {
      alvo.bindInt("id", i + 1)
          .bindText("nome", nome(i))
          .bindText("lat", security::FormataCoordenada(security::Eixo::Latitude, latitude(i)))
          .bindText("lon", security::FormataCoordenada(security::Eixo::Longitude, longitude(i)))
          .bindText("rua", "Rua " + std::to_string(i))
          .bindBinary("bmp", security::TargetIcon());
      alvo.execute();
    }
    db::Statement associa(*c.dbSSE, std::string("INSERT INTO tAlvoVeic (IdTransp, IdFrota, IdVeiculo, IdAlvo, Status_AV, "
                                                "Sequencial, NumOrdemRef, NumOrdemUser, DataHora, Origem) VALUES "
                                                "(1, 1, :v, :a, 3, 0, 0, 0, datetime('now','localtime'), 1)"));
    for (int i = 0; i < 1000; ++i)
      for (int v : kVeiculos) {
        associa.bindInt("v", v).bindInt("a", i + 1);
        associa.execute();
      }
  }
  state.SetItemsProcessed(state.iterations() * kAlvos);
}

}  // namespace

// Every statement commits on its own, so both sides pay one commit per row:
// one iteration each is enough for a stable ratio.
BENCHMARK(BM_InsercoesDiretas)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_ImportaAlvos)->Unit(benchmark::kMillisecond)->Iterations(1);

int main(int argc, char** argv) {
  return kvt::bench::executaBenchmarks(argc, argv, [](const kvt::bench::Coletor& coletor) {
    const double m = coletor.tempo("BM_ImportaAlvos/iterations:1"),
                 b = coletor.tempo("BM_InsercoesDiretas/iterations:1");
    if (m > 0 && b > 0)
      std::printf(
          "BM_ImportaAlvos: %.2f x the time of BM_InsercoesDiretas (5,000 targets for 3 vehicles against "
          "bare inserts of the same rows)\n",
          m / b);
  });
}
