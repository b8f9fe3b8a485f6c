// The outbound buffer's marks, each against a baseline of the same run:
// - appending documents with the rows they came from (and a filtered row now
//   and then), as the event passes do: the bytes, the mark of each document,
//   the disk mirror BufferEnvio.txt and the log entry of every append;
//   against appending the same bytes to a plain std::string, and against the
//   same bytes appended to a string and written to an open file, one write
//   per document (the least the mirror costs);
// - the commit computation of a flush: the rows the buffer's first bytes
//   delivered (PosicoesAte) and how many documents they hold (DocumentosAte);
//   against appending the same bytes to a plain std::string.
// For a flush of 64 documents (about 30 KB) and for a buffer of 2,048 (about
// 1 MiB, the largest a flush carries).
#include <benchmark/benchmark.h>

#include "bench/ratio_reporter.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "server/link/outbound_buffer.h"
#include "server/runtime/configuracao.h"
#include "server/runtime/log_files.h"

namespace {

using kvt::link::OrigemDocumento;

// A rendered event as it travels: about 480 bytes.
const std::string& documentoEvento() {
  static const std::string doc = kvt::link::EnvelopaTeleEvento(
      " <CodMsg> 2 </CodMsg>  <DataHoraEm> 11/06/2024 10:20:30 </DataHoraEm>  <IdTerminal> 001A2B </IdTerminal>  "
      "<Velocidade> 72 </Velocidade>  <Direcao> 135 </Direcao>  <Hodometro> 182344 </Hodometro>  <Ignicao> 1 "
      "</Ignicao>  <Latitude> 23\xB0" "32'51.7\" S </Latitude>  <Longitude> 46\xB0" "38'10.2\" W </Longitude>  "
      "<Satelites> 9 </Satelites>  <Localizacao> 3,2 km NE de S\xE3o Paulo - SP </Localizacao>  <PosicaoValida> 1 "
      "</PosicaoValida>  <Texto> Chegando na doca 4, aguardando conferencia da carga </Texto> ");
  return doc;
}

// The row of the i-th document: events and control events in turn, and
// every fourth row of the events filtered out (a mark without a document).
OrigemDocumento origem(std::int32_t i) {
  return i % 2 == 0 ? OrigemDocumento::Evento(i) : OrigemDocumento::Controle(i);
}
bool filtradaDepois(std::int32_t i) { return i % 4 == 0; }

struct Ambiente {
  kvt::bench::PastaTemporaria pasta{"kvt-buffer-bench"};
  kvt::runtime::tConfiguracao cfg;
  kvt::runtime::HistoryList historico;
  std::string ini = (pasta.caminho() / "KORVATEL.INI").string();
  std::unique_ptr<kvt::runtime::LogFiles> logs;
  Ambiente() {
    std::FILE* f = std::fopen(ini.c_str(), "wb");
    std::fputs("[KORVATEL]\r\n", f);
    std::fclose(f);
    logs = std::make_unique<kvt::runtime::LogFiles>(cfg.log, ini, historico, pasta.caminho().string());
  }
};

void BM_BaseAnexaString(benchmark::State& state) {
  const auto n = static_cast<std::int32_t>(state.range(0));
  const std::string& doc = documentoEvento();
  std::string destino;
  destino.reserve(kvt::link::BufferEnvio::kCapacidade + doc.size());
  for (auto _ : state) {
    destino.clear();
    for (std::int32_t i = 1; i <= n; ++i) destino.append(doc);
    benchmark::DoNotOptimize(destino.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * n * static_cast<std::int64_t>(doc.size()));
}
BENCHMARK(BM_BaseAnexaString)->Arg(64)->Arg(2048)->Unit(benchmark::kMicrosecond);

void BM_BaseAnexaStringEArquivo(benchmark::State& state) {
  const auto n = static_cast<std::int32_t>(state.range(0));
  const std::string& doc = documentoEvento();
  Ambiente a;
  const std::string arquivo = (a.pasta.caminho() / "espelho.txt").string();
  std::string destino;
  destino.reserve(kvt::link::BufferEnvio::kCapacidade + doc.size());
  for (auto _ : state) {
    destino.clear();
    const int fd = ::open(arquivo.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND, 0644);
    for (std::int32_t i = 1; i <= n; ++i) {
      destino.append(doc);
      if (::write(fd, doc.data(), doc.size()) < 0) std::abort();
    }
    ::close(fd);
    benchmark::DoNotOptimize(destino.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * n * static_cast<std::int64_t>(doc.size()));
}
BENCHMARK(BM_BaseAnexaStringEArquivo)->Arg(64)->Arg(2048)->Unit(benchmark::kMicrosecond);

void BM_AnexaDocumentosComLinhas(benchmark::State& state) {
  const auto n = static_cast<std::int32_t>(state.range(0));
  const std::string& doc = documentoEvento();
  Ambiente a;
  kvt::link::BufferEnvio buffer(a.pasta.caminho().string(), *a.logs);
  for (auto _ : state) {
    // a flush's start and end: the mirror goes, the buffer empties
    buffer.LimpaBufferEnvio();
    buffer.Esvazia();
    for (std::int32_t i = 1; i <= n; ++i) {
      buffer.Incrementa_Buffer_Char_Envio(doc, origem(i));
      if (filtradaDepois(i)) buffer.MarcaLinhaConcluida(OrigemDocumento::Evento(i + 1));
    }
    benchmark::DoNotOptimize(buffer.Conteudo().data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * n * static_cast<std::int64_t>(doc.size()));
}
BENCHMARK(BM_AnexaDocumentosComLinhas)->Arg(64)->Arg(2048)->Unit(benchmark::kMicrosecond);

void BM_ComprometeNoEnvio(benchmark::State& state) {
  const auto n = static_cast<std::int32_t>(state.range(0));
  Ambiente a;
  kvt::link::BufferEnvio buffer(a.pasta.caminho().string(), *a.logs);
  for (std::int32_t i = 1; i <= n; ++i) {
    buffer.Incrementa_Buffer_Char_Envio(documentoEvento(), origem(i));
    if (filtradaDepois(i)) buffer.MarcaLinhaConcluida(OrigemDocumento::Evento(i + 1));
  }
  // a document queued while the flush waited: not part of what it carried
  buffer.Incrementa_Buffer_Char_Envio(documentoEvento(), OrigemDocumento::Evento(n + 10));
  const std::size_t tamanho = buffer.Conteudo().size() - documentoEvento().size();
  for (auto _ : state) {
    const auto posicoes = buffer.PosicoesAte(tamanho);
    const std::int32_t documentos = buffer.DocumentosAte(tamanho);
    benchmark::DoNotOptimize(posicoes);
    benchmark::DoNotOptimize(documentos);
  }
}
BENCHMARK(BM_ComprometeNoEnvio)->Arg(64)->Arg(2048)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  return kvt::bench::executaBenchmarks(argc, argv, [](const kvt::bench::Coletor& c) {
    for (const char* n : {"/64", "/2048"}) {
      const std::string anexa = std::string("BM_AnexaDocumentosComLinhas") + n;
      const std::string compromete = std::string("BM_ComprometeNoEnvio") + n;
      const std::string base = std::string("BM_BaseAnexaString") + n;
      const std::string baseArquivo = std::string("BM_BaseAnexaStringEArquivo") + n;
      kvt::bench::imprimeRazoes(c, anexa.c_str(), base.c_str(),
                                "appends with marks, mirror and log against the same bytes to a string");
      kvt::bench::imprimeRazoes(c, anexa.c_str(), baseArquivo.c_str(),
                                "appends with marks, mirror and log against a string and one write per document");
      kvt::bench::imprimeRazoes(c, compromete.c_str(), base.c_str(),
                                "the commit computation of a flush against appending its bytes to a string");
    }
  });
}
