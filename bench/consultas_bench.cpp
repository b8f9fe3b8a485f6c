// The tracker list (-1) over 600 trackers: the statement run, every row
// rendered and one reply per tracker queued, against copying the bytes of the
// same replies, in the same run. The -31 list of all vehicles in one document
// is measured the same way.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bench/ratio_reporter.h"
#include "central/central.h"
#include "platform/db/db.h"
#include "platform/ini/ini_file.h"
#include "platform/text/regional.h"
#include "server/runtime/configuracao.h"
#include "server/runtime/estado_servidor.h"
#include "server/runtime/log_files.h"
#include "server/runtime/status_model.h"
#include "server/telecmd/consultas.h"
#include "server/telecmd/permissao_central.h"
#include "server/telecmd/resposta_erro.h"
#include "server/telecmd/tele_cmd.h"
#include "server/telecmd/texto_xml.h"

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

struct Servidor {
  std::filesystem::path dir;
  central::CentralFiles central;
  std::unique_ptr<db::Connection> dbZenthora, dbBase;
  runtime::tConfiguracao cfg;
  runtime::EstadoServidor estado;
  runtime::StatusModel status;
  std::unique_ptr<runtime::LogFiles> logs;
  CanalMemoria canal;
  std::unique_ptr<telecmd::RespostaStatusErro> respostas;
  std::unique_ptr<telecmd::tPermissaoCentral> permissao;
  std::unique_ptr<telecmd::tTeleCmd> teleCmd;
  std::unique_ptr<telecmd::tConsultas> consultas;

  Servidor() {
    std::string modelo = (std::filesystem::temp_directory_path() / "kvt-consultas-bench-XXXXXX").string();
    if (!mkdtemp(modelo.data())) std::abort();
    dir = modelo;
    central = central::createCentral((dir / "central").string());
    ini::IniFile ini(central.ini);
    ini.writeString("KORVATEL", "TELECMD", "-1");
    ini.reload();
    runtime::LeChavesLog(ini, cfg);
    runtime::LeChavesKorvatel(ini, cfg);
    dbZenthora = db::Connection::open(central.urlZenthora);
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
    logs = std::make_unique<runtime::LogFiles>(cfg.log, central.ini, status.lberro, dir.string());
    respostas = std::make_unique<telecmd::RespostaStatusErro>(canal, *logs);
    permissao = std::make_unique<telecmd::tPermissaoCentral>(*dbZenthora, *respostas);
    teleCmd = std::make_unique<telecmd::tTeleCmd>(
        telecmd::tTeleCmd::Dependencias{canal, cfg, estado, status, *logs, *dbZenthora, *respostas, *permissao});
    consultas = std::make_unique<telecmd::tConsultas>(
        telecmd::tConsultas::Dependencias{*teleCmd, *dbBase, *logs, {}, ""});
  }
  ~Servidor() {
    consultas.reset();
    teleCmd.reset();
    dbZenthora.reset();
    dbBase.reset();
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
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

using ::kvt::bench::Coletor;

}  // namespace

BENCHMARK_CAPTURE(BM_CopiaMesmosBytes, lista, kListaRastreadores)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Consulta, lista, kListaRastreadores)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_CopiaMesmosBytes, posicoes, kUltimasPosicoes)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Consulta, posicoes, kUltimasPosicoes)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
  text::setRegional({});
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  Coletor coletor;
  benchmark::RunSpecifiedBenchmarks(&coletor);
  const auto razao = [&](const char* medido, const char* base, const char* texto) {
    const double m = coletor.tempo(medido), b = coletor.tempo(base);
    if (m > 0 && b > 0) std::printf("%s: %.2f x the time of %s (%s)\n", medido, m / b, base, texto);
  };
  razao("BM_Consulta/lista", "BM_CopiaMesmosBytes/lista",
        "-1 over 600 trackers: statement, rendering and 600 replies, against copying their bytes");
  razao("BM_Consulta/posicoes", "BM_CopiaMesmosBytes/posicoes",
        "-31 of 600 vehicles in one document, against copying its bytes");
  benchmark::Shutdown();
  return 0;
}
