// Documents per second through the telecommand processor, for an operator
// log-in (one user lookup on the embedded central, the -58 reply queued) and a
// vehicle command refused by the permission list (the 307 reply built, logged
// and written), against the bare parse of the same bytes in the same run.
#include <benchmark/benchmark.h>

#include <string>

#include "bench/bench_support.h"
#include "platform/crypto/md5.h"
#include "platform/db/db.h"
#include "platform/xml/xml_document.h"

namespace {

using namespace kvt;

const std::string kLogin =
    "<telecomando><codmsg>-27</codmsg><loginoperador>maria</loginoperador><senha>segredo</senha>"
    "<ultimoteleeventoprocessado>0</ultimoteleeventoprocessado></telecomando>";
const std::string kRecusado =
    "<telecomando><codmsg>5c</codmsg><idterminal>00a0b1</idterminal><idseqmsg>12</idseqmsg></telecomando>";

struct Servidor : bench::ServidorTelecmd<bench::CanalContador> {
  Servidor() : ServidorTelecmd("kvt-telecmd-bench", "-27") {
    db::Statement st(*dbZenthora, std::string("INSERT INTO tUsuario (idUsuario, Login, Nome, Senha) VALUES "
                                              "(7, 'MARIA', 'Maria', :senha)"));
    st.bindBinary("senha", crypto::md5("SEGREDO"));
    st.execute();
    ligaProcessador();
  }
};

void BM_ParseBaseline(benchmark::State& state, const std::string& xml) {
  xml::Document doc;
  const std::string bytes = xml + "\r\n";
  for (auto _ : state) benchmark::DoNotOptimize(doc.parse(bytes));
  state.SetItemsProcessed(state.iterations());
}

void BM_ProcessaTeleCmd(benchmark::State& state, const std::string& xml) {
  Servidor s;
  for (auto _ : state) {
    s.teleCmd->ProcessaTeleCmd(xml, "127.0.0.1", 40000);
    if (s.status.lberro.size() > 1000) s.status.lberro.clear();
  }
  if (s.canal.bytes == 0) state.SkipWithError("nothing was answered");
  state.SetItemsProcessed(state.iterations());
}

}  // namespace

BENCHMARK_CAPTURE(BM_ParseBaseline, login, kLogin);
BENCHMARK_CAPTURE(BM_ProcessaTeleCmd, login, kLogin);
BENCHMARK_CAPTURE(BM_ParseBaseline, recusado, kRecusado);
BENCHMARK_CAPTURE(BM_ProcessaTeleCmd, recusado, kRecusado);

BENCHMARK_MAIN();
