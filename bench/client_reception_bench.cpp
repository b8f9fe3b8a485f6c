// KVTClient's reception: the server's TeleEvento stream cut into documents
// (lower-casing and trimming included), against copying the same bytes in the
// same chunks; and each document's validation and tree node, against parsing
// it alone.
#include <benchmark/benchmark.h>

#include <string>

#include "bench/ratio_reporter.h"
#include "client/arvore_xml.h"
#include "client/recepcao.h"
#include "client/validacao.h"
#include "platform/xml/xml_document.h"

namespace {

constexpr std::size_t kPedaco = 4096;  // bytes per read

const std::string& evento() {
  static const std::string doc =
      "<?xml version=\"1.0\" ?>  <TeleEvento>  <DataHoraEm> 06/05/2024 07:08:09 </DataHoraEm>  <CodMsg> 0 </CodMsg>"
      "  <Evento> 30 </Evento>  <DataHoraEvento> 06/05/2024 07:08:01 </DataHoraEvento>  <IdTerminal> 1E240 "
      "</IdTerminal>  <Latitude> -22,9 </Latitude>  <Longitude> -47,06 </Longitude>  <Velocidade> 80 </Velocidade>"
      "  <Localizacao> 12 Km NE de Campinas - SP </Localizacao>  </TeleEvento>";
  return doc;
}

std::string fluxo() {
  std::string out;
  while (out.size() < 1024 * 1024) out += evento();
  return out;
}

void BM_CopiaEmPedacos(benchmark::State& state) {
  const std::string f = fluxo();
  std::string destino;
  destino.reserve(f.size());
  for (auto _ : state) {
    destino.clear();
    for (std::size_t p = 0; p < f.size(); p += kPedaco) destino.append(f, p, kPedaco);
    benchmark::DoNotOptimize(destino.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * f.size()));
}
BENCHMARK(BM_CopiaEmPedacos);

void BM_TextoRecebidoCorta(benchmark::State& state) {
  const std::string f = fluxo();
  for (auto _ : state) {
    kvt::cliente::TextoRecebido t;
    for (std::size_t p = 0; p < f.size(); p += kPedaco) {
      t.acrescenta(std::string_view(f).substr(p, kPedaco));
      if (t.temDocumentoCompleto())
        for (auto& d : t.cortaDocumentos()) benchmark::DoNotOptimize(d.texto.data());
    }
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * f.size()));
}
BENCHMARK(BM_TextoRecebidoCorta);

void BM_SoParse(benchmark::State& state) {
  for (auto _ : state) {
    kvt::xml::Document d;
    benchmark::DoNotOptimize(d.parse(evento()));
  }
}
BENCHMARK(BM_SoParse);

void BM_ValidaEArvore(benchmark::State& state) {
  kvt::cliente::ArvoreXML arvore;
  for (auto _ : state) {
    auto v = kvt::cliente::ValidaXML(evento(), "127.0.0.1");
    benchmark::DoNotOptimize(arvore.adiciona(v.documento.root()).texto.data());
    if (arvore.numNos() > kvt::cliente::ArvoreXML::kMaxNos) arvore.limpa();
  }
}
BENCHMARK(BM_ValidaEArvore);

}  // namespace

int main(int argc, char** argv) {
  return kvt::bench::executaBenchmarks(argc, argv, [](const kvt::bench::Coletor& coletor) {
    kvt::bench::imprimeRazao(coletor, "BM_TextoRecebidoCorta", "BM_CopiaEmPedacos",
                             "cutting the reception against copying the same chunks");
    kvt::bench::imprimeRazao(coletor, "BM_ValidaEArvore", "BM_SoParse",
                             "validation and tree node against parsing alone");
  });
}
