// KVTClient: the desktop protocol test client of KORVATEL, or, with --cli,
// its command-line mode for scripts.

#include <QApplication>
#include <QCoreApplication>
#include <QTimer>

#include <cstdio>
#include <string>
#include <vector>

#include "client/config_cliente.h"
#include "client/janela_principal.h"
#include "client/modo_cli.h"
#include "platform/ini/ini_file.h"

namespace {

using namespace kvt::cliente;

std::string pastaDoPrograma(const std::vector<std::string>& args) {
  for (std::size_t i = 0; i + 1 < args.size(); ++i)
    if (args[i] == "--dir") return args[i + 1];
  return QCoreApplication::applicationDirPath().toStdString();
}

int executaCli(int argc, char** argv, const std::vector<std::string>& args) {
  QCoreApplication app(argc, argv);
  app.setApplicationName("KVTClient");
  std::string erro;
  const auto opcoes = LeOpcoesCli(args, erro);
  if (!opcoes) {
    std::fprintf(stderr, "kvtclient: %s\n%s", erro.c_str(), UsoCli().c_str());
    return kSaidaUso;
  }
  const std::string pasta = pastaDoPrograma(args);
  const kvt::ini::IniFile ini(pasta + "/" + kArquivoIni);
  ModoCli cli(*opcoes, LeConfiguracao(ini), pasta);
  int codigo = kSaidaOk;
  QObject::connect(&cli, &ModoCli::terminou, &app, [&](int c) {
    codigo = c;
    app.exit(c);
  });
  QTimer::singleShot(0, &cli, [&] { cli.inicia(); });
  app.exec();
  return codigo;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  for (const std::string& a : args) {
    if (a == "--cli") return executaCli(argc, argv, args);
    if (a == "-h" || a == "--help") {
      std::printf("uso: kvtclient [--dir PASTA]\n%s", UsoCli().c_str());
      return 0;
    }
  }
  QApplication app(argc, argv);
  app.setApplicationName("KVTClient");
  JanelaPrincipal janela(pastaDoPrograma(args));
  janela.show();
  return app.exec();
}
