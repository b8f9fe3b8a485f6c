// One vehicle command for 100 vehicles through the telecommand processor
// (registration and model checks, the transmission check and spCmdAvulso for
// each vehicle) against the bare spCmdAvulso executions of the same 100 rows,
// and one formatted message (6A: size of the form, checks, padding) against the
// bare spMensagemFormatada execution of the same row, on the embedded central,
// in the same run.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "bench/bench_support.h"
#include "bench/ratio_reporter.h"
#include "platform/db/db.h"
#include "platform/ini/ini_file.h"
#include "server/runtime/configuracao.h"
#include "server/telecmd/comando_veiculo.h"
#include "server/telecmd/mensagens_formatadas.h"

namespace {

using namespace kvt;

constexpr int kVeiculos = 100;
constexpr int kPrimeiro = 0x1000;

// One logged-in client; what would go out is only counted.
class CanalMemoria : public telecmd::CanalClientes {
 public:
  Cliente LocalizaCliente(const std::string&, int) const override { return {true, "Sim", 7, "Maria"}; }
  void RegistraLogin(const std::string&, int, std::int32_t, const std::string&) override {}
  int NumClientes() const override { return 1; }
  void Enfileira_XML_Envio(const std::string& corpo) override { bytes += corpo.size(); }
  void EscreveEmTodasConexoes(const std::string& documento) override { bytes += documento.size(); }
  std::size_t bytes = 0;
};

struct Servidor : bench::ServidorTelecmd<CanalMemoria> {
  Servidor() : ServidorTelecmd("kvt-cmdveic-bench", "1,106,-27") {
    ini::IniFile ini(central.ini);
    runtime::LeChavesControle(ini, cfg);
    db::Statement(*dbZenthora,
                  "INSERT INTO tRastreador (Rastreador, ListaKVT) VALUES (2, 1);"
                  "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < " +
                      std::to_string(kVeiculos - 1) +
                      ") INSERT INTO tVeiculo (IdTerminal, Rastreador, Versao, TipoComunicacao) "
                      "SELECT " + std::to_string(kPrimeiro) + " + i, 2, '2.0', 1 FROM n")
        .execute();
    ligaProcessador();
    estado.BaseAtiva = true;
    // one form of 40 bytes for the first vehicle
    db::Statement(*dbZenthora,
                  "INSERT INTO tCfgMacro (idMacro, Titulo, Terminal, Hash) VALUES (439041101, 'ENTREGA', 5, 439041101);"
                  "INSERT INTO tCfgMacroCampos (idMacro, idCampo, Hash, Nome, Tipo, Tam) VALUES "
                  "(439041101, 1, 439041101, 'NF', 1, 10), (439041101, 2, 439041101, 'RECEBEDOR', 1, 30);"
                  "INSERT INTO tMacroVeic (idMacro, idTerminal, IdSeq) VALUES (439041101, " +
                      std::to_string(kPrimeiro) + ", 1)")
        .execute();
  }
  std::int64_t linhas() {
    db::Statement st(*dbZenthora, std::string("SELECT count(*) FROM tTelecomando"));
    st.open();
    return st.field(std::size_t{0}).asInt64();
  }
};

std::string documentoCem() {
  std::string xml = "<telecomando><CodMsg>01</CodMsg><IdSeqMsg>1</IdSeqMsg><Veiculo>";
  char id[16];
  for (int i = 0; i < kVeiculos; ++i) {
    std::snprintf(id, sizeof id, "%X", kPrimeiro + i);
    xml += std::string("<IdTerminal>") + id + "</IdTerminal>";
  }
  return xml + "</Veiculo></telecomando>";
}

// The baseline: the 100 executions of spCmdAvulso alone, prepared once.
void BM_BaseSpCmdAvulsoCem(benchmark::State& state) {
  Servidor s;
  db::Statement sp(*s.dbZenthora, telecmd::sqlCmdAvulso());
  std::int32_t seq = 1;
  for (auto _ : state) {
    for (int i = 0; i < kVeiculos; ++i) {
      sp.bindText("MSG_CmdAvulso", "1")
          .bindInt("IdTerminal", kPrimeiro + i)
          .bindText("Origem", "ModCom02")
          .bindInt("DESABILITAR_GPRS", 0)
          .bindInt("IdUsuario", 7)
          .bindText("Token1", "")
          .bindText("Token2", "")
          .bindInt("IdSeqMsg", seq++);
      sp.open();
      benchmark::DoNotOptimize(sp.field(std::size_t{0}).asInt());
      sp.close();
    }
  }
  state.SetItemsProcessed(state.iterations() * kVeiculos);
}

void BM_ComandoVeiculoCem(benchmark::State& state) {
  Servidor s;
  const std::string xml = documentoCem();
  for (auto _ : state) s.teleCmd->ProcessaTeleCmd(xml, "127.0.0.1", 40000);
  if (s.linhas() != static_cast<std::int64_t>(state.iterations()) * kVeiculos)
    state.SkipWithError("not every vehicle was stored");
  if (s.canal.bytes != 0) state.SkipWithError("a command was refused");
  state.SetItemsProcessed(state.iterations() * kVeiculos);
}

const std::string kFormatada = "<telecomando><CodMsg>6A</CodMsg><IdSeqMsg>9</IdSeqMsg><IdTerminal>1000</IdTerminal>"
                               "<Texto>NF 123 JOSE</Texto><IdMensagem>4</IdMensagem><NroSeqMacro>1A2B3C4D</NroSeqMacro>"
                               "</telecomando>";

void BM_BaseSpMensagemFormatada(benchmark::State& state) {
  Servidor s;
  db::Statement sp(*s.dbZenthora, telecmd::sqlMensagemFormatada());
  const std::string texto = "NF 123 JOSE" + std::string(29, ' ');
  for (auto _ : state) {
    sp.bindInt("IdTerminal", kPrimeiro)
        .bindText("Mensagem", texto)
        .bindInt("ConfirmaRecebimento", 0)
        .bindText("Hash", "439041101")
        .bindText("Origem", "ModCom02")
        .bindInt("DESABILITAR_GPRS", 0)
        .bindInt("IdUsuario", 7)
        .bindInt("IdSeqMsg", 9)
        .bindInt("IdMensagem", 4);
    sp.open();
    benchmark::DoNotOptimize(sp.field(std::size_t{0}).asInt());
    sp.close();
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_MensagemFormatada(benchmark::State& state) {
  Servidor s;
  for (auto _ : state) s.teleCmd->ProcessaTeleCmd(kFormatada, "127.0.0.1", 40000);
  if (s.linhas() != static_cast<std::int64_t>(state.iterations())) state.SkipWithError("a message was not stored");
  state.SetItemsProcessed(state.iterations());
}

}  // namespace

BENCHMARK(BM_BaseSpMensagemFormatada)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MensagemFormatada)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BaseSpCmdAvulsoCem)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ComandoVeiculoCem)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  return kvt::bench::executaBenchmarks(argc, argv, [](const kvt::bench::Coletor& coletor) {
    kvt::bench::imprimeRazao(coletor, "BM_ComandoVeiculoCem", "BM_BaseSpCmdAvulsoCem",
                             "one command for 100 vehicles against the bare spCmdAvulso executions of the same rows");
    kvt::bench::imprimeRazao(coletor, "BM_MensagemFormatada", "BM_BaseSpMensagemFormatada",
                             "one formatted message against the bare spMensagemFormatada execution of the same row");
  });
}
