// The tracker list (-1) over 600 trackers: the statement run, every row
// rendered and one reply per tracker queued, against copying the bytes of the
// same replies, in the same run. The -31 list of all vehicles in one document
// is measured the same way.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "bench/ratio_reporter.h"
#include "platform/db/db.h"
#include "platform/text/regional.h"
#include "server/telecmd/consultas.h"

namespace {

using namespace kvt;

constexpr int kRastreadores = 600;

// One logged-in client; every reply is wrapped and kept, as the link does
// before it touches a socket.
class CanalMemoria : public telecmd::CanalClientes {
 public:
  Cliente LocalizaCliente(const std::string&, int) const override { return {true, "Sim", 7, "Maria"}; }
  void RegistraLogin(const std::string&, int, std::int32_t, const std::string&) override {}
  int NumClientes() const override { return 1; }
  void Enfileira_XML_Envio(const std::string& corpo) override { documentos.push_back(telecmd::EnvelopaTeleEvento(corpo)); }
  void EscreveEmTodasConexoes(const std::string& documento) override { documentos.push_back(documento); }
  std::vector<std::string> documentos;
};

struct Servidor : bench::ServidorTelecmd<CanalMemoria> {
  std::unique_ptr<db::Connection> dbBase;
  std::unique_ptr<telecmd::tConsultas> consultas;

  Servidor() : ServidorTelecmd("kvt-consultas-bench", "-1") {
    dbBase = db::Connection::open(central.urlBase);
    for (const char* sql :
         {"INSERT INTO tTransp (IdTransp, Transportadora) VALUES (1, 'Transportes Andrade Ltda')",
          "INSERT INTO tFrota (IdFrota, Nome_Frota) VALUES (1, 'Andrade Pesados')",
          "INSERT INTO tRastreador (Rastreador, Descricao, ListaKVT) VALUES (1, 'KR-100 GPRS', 1)",
          "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 600) "
          "INSERT INTO tVeiculo (IdTerminal, IdTransp, IdFrota, Veiculo, Marca, Modelo, Tipo, Cor, Ano, Placas, "
          "Chassi, Cidade, UF, Rastreador, Versao, DadosCnx1, DataAlteracao) SELECT 4096 + i, 1, 1, "
          "printf('Caminhao %03d', i), 'Scania', 'R 450', 'Cavalo mecanico', 'Branco', 2019, printf('ABC%04d', i), "
          "'9BSR0000000000000', 'Sao Paulo', 'SP', 1, '2.0.4', '5511970000000', '2020-01-01 00:00:00' FROM n",
          "INSERT INTO tGridVeiculos (IdTerminal, Latitude, Longitude, Localizacao, StatusVeic, TecnologiaEvento, "
          "DataHoraEm_LastCnx_OK) SELECT IdTerminal, -23.5, -46.6, 'Em Sao Paulo', 'Parado', 2, "
          "'2024-01-01 10:00:00' FROM tVeiculo"}) {
      db::Statement st(*dbZenthora, std::string(sql));
      st.execute();
    }
    ligaProcessador();
    consultas = std::make_unique<telecmd::tConsultas>(
        telecmd::tConsultas::Dependencias{*teleCmd, *dbBase, *logs, {}, ""});
  }

  // The documents one request gives, for the copy baseline.
  std::vector<std::string> respostasDe(const std::string& xml) {
    canal.documentos.clear();
    teleCmd->ProcessaTeleCmd(xml, "127.0.0.1", 40000);
    return std::move(canal.documentos);
  }
};

const std::string kListaRastreadores = "<telecomando><codmsg>-1</codmsg></telecomando>";
const std::string kUltimasPosicoes = "<telecomando><codmsg>-31</codmsg></telecomando>";

void BM_Consulta(benchmark::State& state, const std::string& xml) {
  Servidor s;
  std::size_t bytes = 0;
  for (auto _ : state) {
    s.canal.documentos.clear();
    s.teleCmd->ProcessaTeleCmd(xml, "127.0.0.1", 40000);
    bytes = 0;
    for (const auto& d : s.canal.documentos) bytes += d.size();
  }
  if (bytes == 0) state.SkipWithError("nothing was answered");
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

// The baseline: copying the very bytes the request produces into the same
// kind of list.
void BM_CopiaMesmosBytes(benchmark::State& state, const std::string& xml) {
  Servidor s;
  const std::vector<std::string> modelo = s.respostasDe(xml);
  std::size_t bytes = 0;
  for (const auto& d : modelo) bytes += d.size();
  std::vector<std::string> copia;
  for (auto _ : state) {
    copia.clear();
    for (const auto& d : modelo) copia.push_back(d);
    benchmark::DoNotOptimize(copia.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

}  // namespace

BENCHMARK_CAPTURE(BM_CopiaMesmosBytes, lista, kListaRastreadores)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Consulta, lista, kListaRastreadores)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_CopiaMesmosBytes, posicoes, kUltimasPosicoes)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Consulta, posicoes, kUltimasPosicoes)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
  text::setRegional({});
  return kvt::bench::executaBenchmarks(argc, argv, [](const kvt::bench::Coletor& coletor) {
    kvt::bench::imprimeRazao(coletor, "BM_Consulta/lista", "BM_CopiaMesmosBytes/lista",
                             "-1 over 600 trackers: statement, rendering and 600 replies, against copying their bytes");
    kvt::bench::imprimeRazao(coletor, "BM_Consulta/posicoes", "BM_CopiaMesmosBytes/posicoes",
                             "-31 of 600 vehicles in one document, against copying its bytes");
  });
}
