// Documents per second through the telecommand processor, for an operator
// log-in (one user lookup on the embedded central, the -58 reply queued) and a
// vehicle command refused by the permission list (the 307 reply built, logged
// and written), against the bare parse of the same bytes in the same run.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "central/central.h"
#include "platform/crypto/md5.h"
#include "platform/db/db.h"
#include "platform/ini/ini_file.h"
#include "platform/xml/xml_document.h"
#include "server/runtime/configuracao.h"
#include "server/runtime/estado_servidor.h"
#include "server/runtime/log_files.h"
#include "server/runtime/status_model.h"
#include "server/telecmd/permissao_central.h"
#include "server/telecmd/resposta_erro.h"
#include "server/telecmd/tele_cmd.h"
#include "server/telecmd/texto_xml.h"

namespace {

using namespace kvt;

const std::string kLogin =
    "<telecomando><codmsg>-27</codmsg><loginoperador>maria</loginoperador><senha>segredo</senha>"
    "<ultimoteleeventoprocessado>0</ultimoteleeventoprocessado></telecomando>";
const std::string kRecusado =
    "<telecomando><codmsg>5c</codmsg><idterminal>00a0b1</idterminal><idseqmsg>12</idseqmsg></telecomando>";

// One connected client that is logged in; what would go out is wrapped and
// counted, as the link does before it touches a socket.
class CanalMemoria : public telecmd::CanalClientes {
 public:
  Cliente LocalizaCliente(const std::string&, int) const override { return {true, "Sim", 7, "Maria"}; }
  void RegistraLogin(const std::string&, int, std::int32_t, const std::string&) override {}
  int NumClientes() const override { return 1; }
  void Enfileira_XML_Envio(const std::string& corpo) override { bytes += telecmd::EnvelopaTeleEvento(corpo).size(); }
  void EscreveEmTodasConexoes(const std::string& documento) override { bytes += documento.size(); }
  std::size_t bytes = 0;
};

struct Servidor {
  std::filesystem::path dir;
  central::CentralFiles central;
  std::unique_ptr<db::Connection> dbZenthora;
  runtime::tConfiguracao cfg;
  runtime::EstadoServidor estado;
  runtime::StatusModel status;
  std::unique_ptr<runtime::LogFiles> logs;
  CanalMemoria canal;
  std::unique_ptr<telecmd::RespostaStatusErro> respostas;
  std::unique_ptr<telecmd::tPermissaoCentral> permissao;
  std::unique_ptr<telecmd::tTeleCmd> teleCmd;

  Servidor() {
    std::string modelo = (std::filesystem::temp_directory_path() / "kvt-telecmd-bench-XXXXXX").string();
    if (!mkdtemp(modelo.data())) std::abort();
    dir = modelo;
    central = central::createCentral((dir / "central").string());
    ini::IniFile ini(central.ini);
    ini.writeString("KORVATEL", "TELECMD", "-27");
    ini.reload();
    runtime::LeChavesLog(ini, cfg);
    runtime::LeChavesKorvatel(ini, cfg);
    dbZenthora = db::Connection::open(central.urlZenthora);
    db::Statement st(*dbZenthora, std::string("INSERT INTO tUsuario (idUsuario, Login, Nome, Senha) VALUES "
                                              "(7, 'MARIA', 'Maria', :senha)"));
    st.bindBinary("senha", crypto::md5("SEGREDO"));
    st.execute();
    logs = std::make_unique<runtime::LogFiles>(cfg.log, central.ini, status.lberro, dir.string());
    respostas = std::make_unique<telecmd::RespostaStatusErro>(canal, *logs);
    permissao = std::make_unique<telecmd::tPermissaoCentral>(*dbZenthora, *respostas);
    teleCmd = std::make_unique<telecmd::tTeleCmd>(
        telecmd::tTeleCmd::Dependencias{canal, cfg, estado, status, *logs, *dbZenthora, *respostas, *permissao});
  }
  ~Servidor() {
    teleCmd.reset();
    dbZenthora.reset();
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
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
