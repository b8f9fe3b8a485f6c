// korvatel-central: builds the embedded central in a folder.
//
//   korvatel-central init DIR [--demo] [--module NOME_MR] [--port N] [--force]
//
// Exit codes: 0 created; 1 bad arguments or a failure; 2 the folder already
// holds a central and --force was not given.

#include <charconv>
#include <cstdio>
#include <exception>
#include <iostream>
#include <string>
#include <string_view>

#include "central/central.h"
#include "central/demo_data.h"

namespace {

constexpr const char* kUsage =
    "uso: korvatel-central init DIR [--demo] [--module NOME_MR] [--port N] [--force]\n"
    "  cria em DIR a central embutida (zenthora.db, base.db, sse.db) e o KORVATEL.INI\n"
    "  --demo            preenche a central com os dados de demonstracao\n"
    "  --module NOME_MR  modulo de comunicacao atendido (padrao ModCom02)\n"
    "  --port N          porta TCP do KORVATEL (padrao 12000)\n"
    "  --force           substitui uma central que ja exista em DIR\n";

int usage(const std::string& problem) {
  if (!problem.empty()) std::cerr << "korvatel-central: " << problem << "\n";
  std::cerr << kUsage;
  return 1;
}

bool parsePort(std::string_view text, int& port) {
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), port);
  return ec == std::errc() && end == text.data() + text.size() && port > 0 && port <= 65535;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3 || std::string_view(argv[1]) != "init") return usage(argc < 2 ? "" : "comando desconhecido");
  const std::string dir = argv[2];
  kvt::central::CentralOptions options;
  for (int i = 3; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--demo") {
      options.demo = true;
    } else if (arg == "--force") {
      options.overwrite = true;
    } else if (arg == "--module" && i + 1 < argc && *argv[i + 1]) {
      options.nomeMr = argv[++i];
    } else if (arg == "--port" && i + 1 < argc) {
      if (!parsePort(argv[++i], options.port)) return usage("porta invalida: " + std::string(argv[i]));
    } else {
      return usage("argumento invalido: " + std::string(arg));
    }
  }

  try {
    const auto files = kvt::central::createCentral(dir, options);
    std::cout << "Central criada em " << dir << (options.demo ? " (com dados de demonstracao)" : "") << "\n"
              << "  dbZenthora: " << files.zenthora << "\n"
              << "  dbBase:     " << files.base << "\n"
              << "  dbSSE:      " << files.sse << "\n"
              << "  INI:        " << files.ini << " (NOME_MR=" << options.nomeMr << ", KORVATEL_PORT=" << options.port
              << ")\n";
    if (options.demo) {
      std::cout << "  " << kvt::central::kDemoVehicles << " veiculos; operadores:";
      for (const auto& o : kvt::central::demoOperators())
        if (o.status == 1 && o.habKvt == 1) std::cout << " " << o.login << "/" << o.senha;
      std::cout << "\n";
    }
    return 0;
  } catch (const kvt::central::CentralExists& e) {
    std::cerr << "korvatel-central: ja existe uma central em " << dir << " (" << e.what()
              << "); use --force para substitui-la\n";
    return 2;
  } catch (const std::exception& e) {
    std::cerr << "korvatel-central: falha ao criar a central: " << e.what() << "\n";
    return 1;
  }
}
