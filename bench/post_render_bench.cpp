// Rendering of event Posts and the event road from the table to the clients.
// - Post2XML of a typical position Post (events per second), against copying
//   the same number of bytes that the rendering produces, in the same run;
//   once without and once with the location element (k-d tree of the demo
//   central's places).
// - Table to clients: event Posts in tEvtPost02 of an embedded central, read by
//   the event pass, queued in the outbound buffer and flushed to 1 or 10 local
//   clients, until every client holds every byte; at the default rows per pass
//   (100) and at a raised one (1000). The passes are driven back to back, so
//   this is the processing rate; with the one-second timer a table is read
//   once every three seconds, which caps it at rows-per-pass / 3 per second.
#include <benchmark/benchmark.h>

#include "bench/ratio_reporter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QTcpSocket>

#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "central/central.h"
#include "platform/db/db.h"
#include "platform/ini/ini_file.h"
#include "platform/text/regional.h"
#include "server/canal_eventos_link.h"
#include "server/common/lista_veiculo.h"
#include "server/events/event_polling.h"
#include "server/events/location.h"
#include "server/events/post_xml.h"
#include "server/link/client_link.h"
#include "server/link/command_queue.h"
#include "server/runtime/configuracao.h"
#include "server/runtime/estado_servidor.h"
#include "server/runtime/log_files.h"
#include "server/runtime/watchdog.h"

using namespace kvt;

namespace {

const std::string kPostPosicao =
    "#5,2,20#6,19,11/06/2024 10:20:30#21,4,1A2B#4,1,1#22,19,11/06/2024 10:20:28#2A,2,80#2B,3,270#2C,6,123456"
    "#2D,1,1#2E,13,023 32 45 6 S#2F,13,046 38 12 3 O#30,1,0#31,1,9";

std::vector<events::LinhaToken> catalogo() {
  return {{5, "CodMsg", 1},     {6, "DataHoraEm", 1},  {33, "IdTerminal", 1}, {34, "DataHoraEvento", 1},
          {4, "Posicao", 0},    {42, "Velocidade", 1}, {43, "Rumo", 1},       {44, "Hodometro", 1},
          {45, "Ignicao", 1},   {46, "Latitude", 1},   {47, "Longitude", 1},  {48, "PosicaoInvalida", 1},
          {49, "Satelites", 1}, {38, "Texto", 1}};
}

std::filesystem::path pastaTemporaria(const char* nome) {
  std::mt19937 g(std::random_device{}());
  auto p = std::filesystem::temp_directory_path() / (std::string(nome) + "-" + std::to_string(g()));
  std::filesystem::create_directories(p);
  return p;
}

// ------------------------------------------------------------------ rendering

void BM_CopiaMesmosBytes(benchmark::State& state) {
  events::tRenderizadorPost r;
  r.CarregaTokens(catalogo());
  const std::string corpo = r.Post2XML(kPostPosicao);
  std::string destino;
  for (auto _ : state) {
    destino.assign(corpo.data(), corpo.size());
    benchmark::DoNotOptimize(destino.data());
  }
  state.SetItemsProcessed(state.iterations());
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * corpo.size()));
}
BENCHMARK(BM_CopiaMesmosBytes);

void BM_Post2XML(benchmark::State& state) {
  events::tRenderizadorPost r;
  r.CarregaTokens(catalogo());
  std::size_t bytes = 0;
  for (auto _ : state) {
    std::string corpo = r.Post2XML(kPostPosicao);
    bytes = corpo.size();
    benchmark::DoNotOptimize(corpo.data());
  }
  state.SetItemsProcessed(state.iterations());
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}
BENCHMARK(BM_Post2XML);

void BM_Post2XMLComLocalizacao(benchmark::State& state) {
  const auto pasta = pastaTemporaria("kvt-post-bench");
  central::CentralOptions op;
  op.demo = true;
  const auto files = central::createCentral(pasta.string(), op);
  {
    auto dbZenthora = db::Connection::open(files.urlZenthora);
    events::tLocalizacao localizacao;
    localizacao.CarregaLocalizacao(*dbZenthora);
    events::tRenderizadorPost r;
    r.CarregaTokens(catalogo());
    r.detalhes.localizacao = &localizacao;
    for (auto _ : state) {
      std::string corpo = r.Post2XML(kPostPosicao);
      benchmark::DoNotOptimize(corpo.data());
    }
    state.SetItemsProcessed(state.iterations());
  }
  std::filesystem::remove_all(pasta);
}
BENCHMARK(BM_Post2XMLComLocalizacao);

// ------------------------------------------------------- table to clients

struct Estrada {
  std::filesystem::path pasta = pastaTemporaria("kvt-road-bench");
  central::CentralFiles files;
  std::unique_ptr<db::Connection> dbZenthora, dbBase;
  runtime::tConfiguracao cfg;
  runtime::EstadoServidor estado;
  runtime::HistoryList historico;
  runtime::SinalDeVida sinal;
  std::unique_ptr<runtime::LogFiles> logs;
  events::tRenderizadorPost renderizador;
  std::unique_ptr<link::LinkClientes> link;
  std::unique_ptr<link::FilaComandos> fila;
  std::unique_ptr<common::tListaVeiculo> lista;
  std::unique_ptr<server::CanalEventosDoLink> canal;
  std::unique_ptr<events::tLeituraEventos> leitura;
  struct Cliente {
    QTcpSocket socket;
    std::int64_t recebidos = 0;
  };
  std::vector<std::unique_ptr<Cliente>> clientes;

  Estrada(int numClientes, int linhasPorLeitura) {
    central::CentralOptions op;
    op.port = 0;
    files = central::createCentral(pasta.string(), op);
    ini::IniFile ini(files.ini);
    runtime::LeChavesLog(ini, cfg);
    runtime::LeChavesKorvatel(ini, cfg);
    runtime::LeChavesControle(ini, cfg);
    cfg.TELEEVT = ",32,";
    cfg.SolicitaLogin = false;
    cfg.Eventos_Por_Leitura = linhasPorLeitura;
    cfg.log.Tam_Max_Arq_Log = 1000000000;
    dbZenthora = db::Connection::open(files.urlZenthora);
    dbBase = db::Connection::open(files.urlBase);
    db::Statement(*dbZenthora, std::string("insert into tVeiculo (IdTerminal) values (6699)")).execute();
    logs = std::make_unique<runtime::LogFiles>(cfg.log, files.ini, historico, pasta.string());
    renderizador.CarregaTokens(catalogo());
    link::OpcoesLink ol;
    ol.iniPath = files.ini;
    ol.pastaBuffer = pasta.string();
    ol.guarda = [](const std::function<void()>& f) { f(); };
    ol.insereComando = [](const std::string&, const std::string&, std::int32_t) {};
    ol.post2xml = [this](const std::string& post) { return renderizador.Post2XML(post); };
    link = std::make_unique<link::LinkClientes>(cfg, estado, *logs, ol);
    fila = std::make_unique<link::FilaComandos>(*dbZenthora, estado, *logs, link->Clientes(),
                                                [](const std::string&, const std::string&, std::int32_t) {});
    canal = std::make_unique<server::CanalEventosDoLink>(*link, *fila);
    lista = std::make_unique<common::tListaVeiculo>(*dbZenthora);
    leitura = std::make_unique<events::tLeituraEventos>(events::DependenciasLeitura{
        cfg, estado, *logs, sinal, files.ini, *dbBase, *dbZenthora, *lista, *canal, [](int) {}});
    link->Ativa(QHostAddress::LocalHost, 0);
    for (int i = 0; i < numClientes; ++i) {
      auto c = std::make_unique<Cliente>();
      Cliente* cp = c.get();
      QObject::connect(&c->socket, &QTcpSocket::readyRead, [cp] { cp->recebidos += cp->socket.readAll().size(); });
      c->socket.connectToHost(QHostAddress::LocalHost, link->PortaEscuta());
      clientes.push_back(std::move(c));
    }
    gira([&] { return link->NumConexoes() == numClientes; });
  }
  ~Estrada() {
    leitura.reset();
    clientes.clear();
    link.reset();
    QCoreApplication::processEvents();
    dbZenthora.reset();
    dbBase.reset();
    std::filesystem::remove_all(pasta);
  }
  static void gira(const std::function<bool()>& pronto) {
    QElapsedTimer t;
    t.start();
    while (!pronto() && t.elapsed() < 60000) QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
  }
  void enche(int eventos) {
    db::Statement(*dbBase, std::string("delete from tEvtPost02")).execute();
    db::Statement ins(*dbBase, std::string("insert into tEvtPost02 (Post) values (:Post)"));
    ins.bindMemo("Post", kPostPosicao);
    for (int i = 0; i < eventos; ++i) ins.execute();
    estado.UltimoNumSeqProcessado = 0;
  }
  // Reads, queues and flushes until every event reached every client.
  void escoa(int eventos) {
    const std::int64_t antes = link->BytesEnviados();
    while (estado.UltimoNumSeqProcessado < eventos || link->Buffer().TamBufferEnvio() > 0) {
      leitura->processEvt();
      link->Esvazia_Buffer_Envio();
      gira([&] { return !estado.EnviandoBuffer; });
    }
    const std::int64_t esperado = link->BytesEnviados() - antes;
    gira([&] {
      std::int64_t total = 0;
      for (const auto& c : clientes) total += c->recebidos;
      return total >= esperado;
    });
    for (const auto& c : clientes) c->recebidos = 0;
  }
};

void BM_TabelaParaClientes(benchmark::State& state) {
  const int numClientes = static_cast<int>(state.range(0));
  const int linhas = static_cast<int>(state.range(1));
  constexpr int kEventos = 3000;
  Estrada estrada(numClientes, linhas);
  for (auto _ : state) {
    state.PauseTiming();
    estrada.enche(kEventos);
    state.ResumeTiming();
    estrada.escoa(kEventos);
  }
  state.SetItemsProcessed(state.iterations() * kEventos);
  state.counters["eventos_por_s"] =
      benchmark::Counter(static_cast<double>(state.iterations() * kEventos), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_TabelaParaClientes)
    ->ArgNames({"clientes", "linhas"})
    ->Args({1, 100})
    ->Args({10, 100})
    ->Args({1, 1000})
    ->Args({10, 1000})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

using ::kvt::bench::Coletor;

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  text::setRegional({});
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  Coletor coletor;
  benchmark::RunSpecifiedBenchmarks(&coletor);
  kvt::bench::imprimeRazoes(coletor, "BM_Post2XML", "BM_CopiaMesmosBytes",
                            "rendering against copying the bytes it produces");
  kvt::bench::imprimeRazoes(coletor, "BM_Post2XMLComLocalizacao", "BM_CopiaMesmosBytes", "with the location element");
  benchmark::Shutdown();
  return 0;
}
