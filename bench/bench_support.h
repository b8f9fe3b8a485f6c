#pragma once

// What the server's benchmarks share: a temporary folder, a client channel
// that only counts what would go out, and the telecommand processor built over
// an embedded central as the server builds it.

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

#include "central/central.h"
#include "platform/db/db.h"
#include "platform/ini/ini_file.h"
#include "server/runtime/configuracao.h"
#include "server/runtime/estado_servidor.h"
#include "server/runtime/log_files.h"
#include "server/runtime/status_model.h"
#include "server/telecmd/permissao_central.h"
#include "server/telecmd/resposta_erro.h"
#include "server/telecmd/tele_cmd.h"
#include "server/telecmd/texto_xml.h"

namespace kvt::bench {

// A new folder under the system's temporary folder, named prefixo-XXXXXX;
// removed with all it holds when this goes.
class PastaTemporaria {
 public:
  explicit PastaTemporaria(const std::string& prefixo) {
    std::string modelo = (std::filesystem::temp_directory_path() / (prefixo + "-XXXXXX")).string();
    if (!mkdtemp(modelo.data())) std::abort();
    caminho_ = modelo;
  }
  ~PastaTemporaria() {
    std::error_code ec;
    std::filesystem::remove_all(caminho_, ec);
  }
  PastaTemporaria(const PastaTemporaria&) = delete;
  PastaTemporaria& operator=(const PastaTemporaria&) = delete;
  const std::filesystem::path& caminho() const { return caminho_; }

 private:
  std::filesystem::path caminho_;
};

// One connected client that is logged in; what would go out is wrapped and
// counted, as the link does before it touches a socket.
class CanalContador : public telecmd::CanalClientes {
 public:
  Cliente LocalizaCliente(const std::string&, int) const override { return {true, "Sim", 7, "Maria"}; }
  void RegistraLogin(const std::string&, int, std::int32_t, const std::string&) override {}
  int NumClientes() const override { return 1; }
  void Enfileira_XML_Envio(const std::string& corpo) override { bytes += telecmd::EnvelopaTeleEvento(corpo).size(); }
  void EscreveEmTodasConexoes(const std::string& documento) override { bytes += documento.size(); }
  std::size_t bytes = 0;
};

// The telecommand processor over an embedded central in a temporary folder,
// answering through a Canal of the benchmark's own.
template <class Canal>
struct ServidorTelecmd {
  PastaTemporaria pasta;
  central::CentralFiles central;
  std::unique_ptr<db::Connection> dbZenthora;
  runtime::tConfiguracao cfg;
  runtime::EstadoServidor estado;
  runtime::StatusModel status;
  std::unique_ptr<runtime::LogFiles> logs;
  Canal canal;
  std::unique_ptr<telecmd::RespostaStatusErro> respostas;
  std::unique_ptr<telecmd::tPermissaoCentral> permissao;
  std::unique_ptr<telecmd::tTeleCmd> teleCmd;

  // The central, with the message codes telecmd lets through written to its
  // INI and the log and server keys read back; the processor comes with
  // ligaProcessador, once the benchmark's rows are in.
  ServidorTelecmd(const std::string& prefixo, const std::string& telecmd)
      : pasta(prefixo), central(central::createCentral((pasta.caminho() / "central").string())) {
    ini::IniFile ini(central.ini);
    ini.writeString("KORVATEL", "TELECMD", telecmd);
    ini.reload();
    runtime::LeChavesLog(ini, cfg);
    runtime::LeChavesKorvatel(ini, cfg);
    dbZenthora = db::Connection::open(central.urlZenthora);
  }

  void ligaProcessador() {
    logs = std::make_unique<runtime::LogFiles>(cfg.log, central.ini, status.lberro, pasta.caminho().string());
    respostas = std::make_unique<telecmd::RespostaStatusErro>(canal, *logs);
    permissao = std::make_unique<telecmd::tPermissaoCentral>(*dbZenthora, *respostas);
    teleCmd = std::make_unique<telecmd::tTeleCmd>(
        telecmd::tTeleCmd::Dependencias{canal, cfg, estado, status, *logs, *dbZenthora, *respostas, *permissao});
  }
};

}  // namespace kvt::bench
