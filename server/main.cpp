// korvatel: the server. Usage: korvatel [MACHINE] [--dir PROGRAM-DIR] [--headless] [--show]
//
// MACHINE names the computer the diagnostic report (-29) describes; without it
// the report describes this computer.
// The program directory (KORVATEL.INI) is the executable's directory unless
// --dir names another; log files, BufferEnvio.txt and watchdog records go to the
// current working directory. Without a display (or with --headless) no window
// is created and the texts of message boxes go to standard error. With a
// display the status window starts hidden behind the tray icon; --show shows
// it at once (the way in where the desktop has no notification area).

#include <QApplication>
#include <QCoreApplication>
#include <QMessageBox>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

#include "platform/ini/ini_file.h"
#include "platform/ini/regional_settings.h"
#include "platform/text/cp1252.h"
#include "platform/text/regional.h"
#include "server/principal.h"
#include "server/runtime/bancos.h"
#include "server/runtime/configuracao.h"
#include "server/runtime/diagnostico.h"
#include "server/window/fontes_principal.h"
#include "server/window/janela_principal.h"
#include "server/window/splash.h"

using namespace kvt;
using namespace kvt::text::literals;

namespace {

struct Argumentos {
  std::string dir;
  bool headless = false;
  std::string maquina;  // the first argument that is not an option: the diagnostic report's machine
  bool show = false;
};

Argumentos leArgumentos(int argc, char** argv) {
  Argumentos a;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--dir" && i + 1 < argc) a.dir = argv[++i];
    else if (arg == "--headless") a.headless = true;
    else if (arg == "--show") a.show = true;
    else if (a.maquina.empty() && !arg.empty() && arg.front() != '-') a.maquina = arg;
  }
  return a;
}

std::string pastaDoExecutavel() {
  std::error_code ec;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string(".") : exe.parent_path().string();
}

bool temDisplay() {
  const char* x = std::getenv("DISPLAY");
  const char* w = std::getenv("WAYLAND_DISPLAY");
  return (x && *x) || (w && *w);
}

bool g_grafico = false;

void mostraNoTerminal(const std::string& texto) {
  const std::string utf8 = text::cp1252ToUtf8(texto) + "\n";
  std::fwrite(utf8.data(), 1, utf8.size(), stderr);
  std::fflush(stderr);
}

void mostraMensagem(const std::string& texto) {
  if (g_grafico) {
    QMessageBox::critical(nullptr, "KORVATEL", QString::fromStdString(text::cp1252ToUtf8(texto)));
    return;
  }
  mostraNoTerminal(texto);
}

// SIGTERM and SIGINT reach the event loop through a socket pair, so the
// shutdown runs on the main thread like any other event.
int g_sinal[2] = {-1, -1};

void aoSinal(int sinal) {
  const char c = static_cast<char>(sinal);
  [[maybe_unused]] auto n = ::write(g_sinal[1], &c, 1);
}

int executa(int argc, char** argv) {
  const Argumentos args = leArgumentos(argc, argv);
  g_grafico = !args.headless && temDisplay();
  // A signal that arrives during start-up waits in the socket pair and runs
  // the orderly shutdown once the event loop starts.
  if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_sinal) != 0) return 1;
  std::signal(SIGTERM, aoSinal);
  std::signal(SIGINT, aoSinal);
  std::signal(SIGPIPE, SIG_IGN);
  std::unique_ptr<QCoreApplication> app;
  if (g_grafico) app = std::make_unique<QApplication>(argc, argv);
  else app = std::make_unique<QCoreApplication>(argc, argv);

  // 1. the configuration file must be in the program directory
  std::string programDir = args.dir.empty() ? pastaDoExecutavel() : args.dir;
  if (programDir.back() != '/') programDir += '/';
  const std::string iniPath = programDir + "KORVATEL.INI";
  if (!std::filesystem::is_regular_file(iniPath)) {
    mostraMensagem("KORVATEL.INI não foi encontrado. Verifique a pasta "_cp + programDir);
    return 1;
  }

  try {
    // 2. module served
    const ini::IniFile ini(iniPath);
    const std::string nomeMr = ini.readString("KORVATEL", "NOME_MR", "ModCom02");
    const int numModCom = runtime::NumModComDe(nomeMr);
    // 3. regional formats (two-digit years in the 20-year window)
    text::setRegional(ini::readRegionalSettings(ini));
    QCoreApplication::setApplicationName(QString::fromStdString(text::cp1252ToUtf8(
        "Interface de Acesso à Central Talvero"_cp)));

    // 4. the central database
    runtime::Bancos bancos;
    bancos.dbZenthora = runtime::AbreBanco(ini, "dbZenthora");

    // 5. the splash window, only with a display
    std::unique_ptr<window::TFSplash> splash;
    if (g_grafico) {
      splash = std::make_unique<window::TFSplash>();
      splash->mostra();
      QCoreApplication::processEvents();
    }

    // 6. a single instance per module
    const auto instancia = runtime::VerificaInstancia(*bancos.dbZenthora, "KORVATEL" + std::to_string(numModCom),
                                                      [](std::uint32_t ms) {
                                                        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
                                                      });
    if (!instancia.livre) {
      mostraMensagem("O KORVATEL já está em execução na máquina "_cp + instancia.maquina + ". Verifique");
      std::_Exit(1);
    }

    // 7. the security database, then the server itself
    splash.reset();
    bancos.dbSSE = runtime::AbreBanco(ini, "dbSSE");
    server::OpcoesServidor opcoes;
    opcoes.programDir = programDir;
    opcoes.workDir = ".";
    opcoes.mostraMensagem = mostraMensagem;
    opcoes.maquinaDiagnostico = args.maquina;
    server::TFPrincipal principal(opcoes, bancos, instancia.intervaloMs);
    if (!principal.FormCreate()) return 1;

    // the status window and the tray icon, only with a display
    std::unique_ptr<window::JanelaPrincipal> janela;
    if (g_grafico) {
      janela = std::make_unique<window::JanelaPrincipal>(window::FontesDe(principal));
      if (args.show) janela->Exibir();
      else if (!janela->bandejaDisponivel())
        mostraNoTerminal("Área de notificação indisponível: use --show para exibir a janela do KORVATEL."_cp);
    }

    QSocketNotifier notificador(g_sinal[0], QSocketNotifier::Read);
    QObject::connect(&notificador, &QSocketNotifier::activated, [&] {
      char c;
      const bool lido = ::read(g_sinal[0], &c, 1) == 1;
      notificador.setEnabled(false);
      principal.MotivoParada(!lido ? "sinal" : c == SIGINT ? "sinal SIGINT" : "sinal SIGTERM");
      if (janela) janela->Fechar();
      else principal.FormClose([] { QCoreApplication::quit(); });
    });
    app->exec();
    return 0;
  } catch (...) {
    // anything that escapes start-up ends the process without a message
    return 1;
  }
}

}  // namespace

int main(int argc, char** argv) { return executa(argc, argv); }
