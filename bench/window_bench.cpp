// The status window's refresh, against filling the same widgets from scratch
// (what a view that redraws everything on each event would do):
// - a refresh with nothing changed, the common case of an idle server;
// - a refresh after one delivery (two counters and one history line changed).
// The history holds 1000 lines and the client tree 10 clients.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QTreeWidget>
#include <QWidget>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "bench/ratio_reporter.h"
#include "server/link/link_status.h"
#include "server/runtime/status_model.h"
#include "server/window/janela_principal.h"
#include "server/window/texto_qt.h"

using namespace kvt;

namespace {

constexpr int kLinhasHistorico = 1000;
constexpr int kClientes = 10;

struct Cenario {
  runtime::StatusModel status;
  link::ModeloLink link;
  std::int64_t eventos = 0;

  Cenario() {
    status.caption = "KORVATEL";
    status.nome_Base = "Quillon";
    status.lb_modcom = "ModCom02";
    status.lb_id_base = "601";
    status.lb_KVTPorta = "12000";
    status.icone = runtime::StatusModel::IconeBandeja::KvtOk;
    status.dicaBandeja = "KORVATEL - Ativo";
    for (int i = 0; i < kLinhasHistorico; ++i) status.lberro.append("[11/06/2024 10:20:30] linha " + std::to_string(i));
    for (int i = 0; i < kClientes; ++i)
      link.ClientesTreeView.push_back({"[10.0.0." + std::to_string(i) + ":4000] Tentativas:0",
                                       {"Operador :maria", "Comunnic :Sim"}});
    link.lbLimBuf_INI = link.lbLimBuf_calculado = "65536";
  }
  void umEvento() {
    ++eventos;
    link.lbevtsent = std::to_string(eventos);
    link.lbBytes_Enviados = std::to_string(eventos * 700);
    status.lberro.append("[11/06/2024 10:20:30] evento " + std::to_string(eventos));
  }
};

std::unique_ptr<window::JanelaPrincipal> abre(Cenario& c) {
  window::FontesJanela f;
  f.status = &c.status;
  f.modeloLink = [&c] { return &c.link; };
  f.bandejaDisponivel = true;
  auto j = std::make_unique<window::JanelaPrincipal>(std::move(f));
  j->Exibir();
  return j;
}

void BM_AtualizaTelaSemMudanca(benchmark::State& state) {
  Cenario c;
  auto janela = abre(c);
  for (auto _ : state) janela->AtualizaTela();
}
BENCHMARK(BM_AtualizaTelaSemMudanca);

void BM_AtualizaTelaUmEvento(benchmark::State& state) {
  Cenario c;
  auto janela = abre(c);
  for (auto _ : state) {
    c.umEvento();
    janela->AtualizaTela();
  }
}
BENCHMARK(BM_AtualizaTelaUmEvento);

// Baseline: the same widgets filled from scratch after each event.
void BM_RedesenhoCompleto(benchmark::State& state) {
  Cenario c;
  QWidget raiz;
  std::vector<QLabel*> rotulos;
  for (int i = 0; i < 18; ++i) rotulos.push_back(new QLabel(&raiz));
  auto* arvore = new QTreeWidget(&raiz);
  auto* lista = new QListWidget(&raiz);
  raiz.show();
  for (auto _ : state) {
    c.umEvento();
    const std::string textos[] = {c.status.nome_Base, c.status.lb_modcom, c.status.lb_id_base, c.status.lb_KVTPorta,
                                  c.status.st_Sts_Base.texto, c.link.stStatusServer.texto, c.link.lbBytes_Enviados,
                                  c.link.lbevtsent, c.status.lbcmdsent, c.link.lbLimBuf_INI, c.link.lbLimBuf_calculado,
                                  c.link.lbTamBuf, c.status.lbNumEvtAguardando, c.link.lbContadorEstat,
                                  c.link.lbContadorReset, c.link.lbAnaliseEstat, c.link.lbBufferAnterior,
                                  c.status.lbAviso};
    for (std::size_t i = 0; i < rotulos.size(); ++i) rotulos[i]->setText(window::ParaQt(textos[i]));
    arvore->clear();
    for (const auto& no : c.link.ClientesTreeView) {
      auto* item = new QTreeWidgetItem(arvore, QStringList{window::ParaQt(no.texto)});
      for (const auto& filho : no.filhos) new QTreeWidgetItem(item, QStringList{window::ParaQt(filho)});
    }
    arvore->expandAll();
    lista->clear();
    for (const std::string& linha : c.status.lberro.lines()) lista->addItem(window::ParaQt(linha));
    // the history keeps its size, so every round costs the same
    state.PauseTiming();
    c.status.lberro.clear();
    for (int i = 0; i < kLinhasHistorico; ++i) c.status.lberro.append("[11/06/2024 10:20:30] linha");
    state.ResumeTiming();
  }
}
BENCHMARK(BM_RedesenhoCompleto);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  kvt::bench::Coletor coletor;
  benchmark::RunSpecifiedBenchmarks(&coletor);
  const auto razao = [&](const char* medido, const char* base, const char* texto) {
    const double m = coletor.tempo(medido), b = coletor.tempo(base);
    if (m > 0 && b > 0) std::printf("%s: %.4f x the time of %s (%s)\n", medido, m / b, base, texto);
  };
  razao("BM_AtualizaTelaUmEvento", "BM_RedesenhoCompleto", "refresh after one delivery against filling every widget");
  razao("BM_AtualizaTelaSemMudanca", "BM_RedesenhoCompleto", "idle refresh against filling every widget");
  benchmark::Shutdown();
  return 0;
}
