// quillon-sim: the stand-in for the communication base Quillon, for the demo
// and the end-to-end tests. It works only through the central's tables.
//
//   quillon-sim [--central DIR | --ini PATH] [--module N] [--rate EVENTS-PER-SECOND]
//               [--vehicles COUNT] [--seed N]
//
// Exit codes: 0 stopped by SIGTERM or SIGINT; 1 bad arguments or a failure.

#include <signal.h>

#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <iostream>
#include <string>
#include <string_view>
#include <thread>

#include "central/quillon/quillon_sim.h"
#include "platform/clock/clock.h"
#include "platform/db/db.h"
#include "platform/ini/ini_file.h"
#include "platform/text/cp1252.h"
#include "platform/text/date_time.h"
#include "platform/text/integer_text.h"

namespace {

constexpr const char* kUsage =
    "uso: quillon-sim [--central DIR | --ini PATH] [--module N] [--rate EVENTOS-POR-SEGUNDO]\n"
    "                 [--vehicles QUANTIDADE] [--seed N]\n"
    "  simula a base de comunicacao Quillon sobre as tabelas da central\n"
    "  --central DIR     pasta da central (o KORVATEL.INI dela); padrao: a pasta atual\n"
    "  --ini PATH        o KORVATEL.INI cujas conexoes [BANCOS] serao usadas\n"
    "  --module N        modulo de comunicacao 2 a 5 (padrao: o NOME_MR do INI, ou 2)\n"
    "  --rate R          eventos de veiculos por segundo (padrao 5; 0 = nenhum)\n"
    "  --vehicles N      quantos veiculos da central reportam (padrao 20)\n"
    "  --seed N          semente dos percursos e das escolhas (padrao 1)\n";

volatile std::sig_atomic_t stopRequested = 0;

void onStopSignal(int) { stopRequested = 1; }

int usage(const std::string& problem) {
  if (!problem.empty()) std::cerr << "quillon-sim: " << problem << "\n";
  std::cerr << kUsage;
  return 1;
}

void say(const std::string& cp1252Text) {
  const auto now = kvt::text::toSqlText(kvt::clk::now());
  std::cout << "[" << now << "] " << kvt::text::cp1252ToUtf8(cp1252Text) << std::endl;
}

struct Arguments {
  std::string ini;
  int module = 0;  // 0: from the INI
  double rate = 5;
  int vehicles = 20;
  std::uint32_t seed = 1;
};

bool parseNumber(std::string_view text, int& out, int low, int high) {
  const auto v = kvt::text::tryParseInt(text);
  if (!v || *v < low || *v > high) return false;
  out = *v;
  return true;
}

std::string parse(int argc, char** argv, Arguments& a) {
  std::string central = ".";
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    const bool hasValue = i + 1 < argc;
    const std::string value = hasValue ? argv[i + 1] : "";
    int n = 0;
    if (arg == "--central" && hasValue) {
      central = value;
    } else if (arg == "--ini" && hasValue) {
      a.ini = value;
    } else if (arg == "--module" && hasValue) {
      if (!parseNumber(value, a.module, 2, 5)) return "modulo invalido (2 a 5): " + value;
    } else if (arg == "--vehicles" && hasValue) {
      if (!parseNumber(value, a.vehicles, 1, 100000)) return "quantidade de veiculos invalida: " + value;
    } else if (arg == "--seed" && hasValue) {
      if (!parseNumber(value, n, 0, 2147483647)) return "semente invalida: " + value;
      a.seed = static_cast<std::uint32_t>(n);
    } else if (arg == "--rate" && hasValue) {
      try {
        std::size_t used = 0;
        a.rate = std::stod(value, &used);
        if (used != value.size() || !(a.rate >= 0) || a.rate > 100000) throw std::invalid_argument(value);
      } catch (const std::exception&) {
        return "taxa de eventos invalida: " + value;
      }
    } else {
      return "argumento invalido: " + std::string(arg);
    }
    ++i;
  }
  if (a.ini.empty()) a.ini = (std::filesystem::path(central) / "KORVATEL.INI").string();
  return "";
}

// The module named by the INI's NOME_MR ("ModCom02" to "ModCom05"), else 2.
int moduleOf(const std::string& nomeMr) {
  for (int m = 3; m <= 5; ++m)
    if (nomeMr == "ModCom0" + std::to_string(m)) return m;
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  Arguments args;
  if (argc > 1 && (std::string_view(argv[1]) == "--help" || std::string_view(argv[1]) == "-h")) {
    std::cout << kUsage;
    return 0;
  }
  if (const std::string problem = parse(argc, argv, args); !problem.empty()) return usage(problem);

  kvt::ini::IniFile ini(args.ini);
  if (!ini.exists()) {
    std::cerr << "quillon-sim: arquivo de configuracao nao encontrado: " << args.ini << "\n";
    return 1;
  }
  const std::string urlZenthora = ini.readString("BANCOS", "dbZenthora", "");
  const std::string urlBase = ini.readString("BANCOS", "dbBase", "");
  if (urlZenthora.empty() || urlBase.empty()) {
    std::cerr << "quillon-sim: " << args.ini << " nao tem dbZenthora e dbBase na secao [BANCOS]\n";
    return 1;
  }

  struct sigaction action {};
  action.sa_handler = onStopSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);

  try {
    // Relative paths in the URLs are read from the INI's folder, the central's
    // own folder, wherever the program was started from.
    const auto iniDir = std::filesystem::absolute(args.ini).parent_path();
    std::filesystem::current_path(iniDir);
    auto zenthora = kvt::db::Connection::open(urlZenthora);
    auto base = kvt::db::Connection::open(urlBase);

    kvt::quillon::SimOptions options;
    options.module = args.module ? args.module : moduleOf(ini.readString("KORVATEL", "NOME_MR", "ModCom02"));
    options.nomeBase = ini.readString("KORVATEL", "NOME_BASE", "Quillon");
    options.vehicles = args.vehicles;
    options.seed = args.seed;
    options.note = say;
    kvt::quillon::QuillonSim sim(*zenthora, *base, options);

    char rate[32];
    std::snprintf(rate, sizeof rate, "%g", args.rate);
    say("quillon-sim: " + sim.nomeMr() + " (" + sim.eventTable() + ", " + sim.controlTable() + "), " +
        std::to_string(sim.fleet().size()) + " veiculos, " + rate + " eventos/s, semente " +
        std::to_string(args.seed));
    if (sim.fleet().size() == 0) say("aviso: a central nao tem veiculos; nenhum evento de veiculo sera gravado");

    using Clock = std::chrono::steady_clock;
    constexpr auto kTick = std::chrono::milliseconds(100);
    auto last = Clock::now();
    auto nextHeartbeat = last, nextCommands = last, nextTelecommands = last, nextReport = last + std::chrono::seconds(10);
    double due = 0;
    long long total = 0;
    while (!stopRequested) {
      const auto now = Clock::now();
      try {
        if (now >= nextHeartbeat) {
          sim.heartbeat();
          nextHeartbeat = now + std::chrono::seconds(1);
        }
        if (now >= nextCommands) {
          sim.serveCommandPosts();
          nextCommands = now + std::chrono::milliseconds(250);
        }
        if (now >= nextTelecommands) {
          sim.serveTelecommands();
          nextTelecommands = now + std::chrono::seconds(1);
        }
        // Events at the asked rate; a pause drops what fell due meanwhile.
        due += args.rate * std::chrono::duration<double>(now - last).count();
        const int n = static_cast<int>(std::min(due, 10000.0));
        if (n > 0) {
          total += sim.appendEvents(n);
          due -= n;
        }
        if (sim.paused()) due = 0;
      } catch (const kvt::db::DbError& e) {
        if (e.connectionLost()) throw;
        say(std::string("[ERRO] ") + e.what());  // a busy central: the next tick tries again
      }
      last = now;
      if (now >= nextReport) {
        say(std::to_string(total) + " eventos gravados" + (sim.paused() ? " (parado por D0)" : ""));
        nextReport = now + std::chrono::seconds(10);
      }
      std::this_thread::sleep_until(now + kTick);
    }
    say("quillon-sim encerrado: " + std::to_string(total) + " eventos gravados");
    return 0;
  } catch (const std::exception& e) {
    std::cerr << "quillon-sim: falha: " << kvt::text::cp1252ToUtf8(e.what()) << "\n";
    return 1;
  }
}
