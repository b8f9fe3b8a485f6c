#include "bench/load/load_run.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <stdexcept>
#include <thread>

#include "bench/load/proc_stats.h"
#include "central/central.h"
#include "central/quillon/post_text.h"
#include "platform/clock/clock.h"
#include "platform/ini/ini_file.h"

namespace kvt::load {

namespace {

using Clock = std::chrono::steady_clock;

std::int64_t nowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count();
}

void sleepSeconds(double s) { std::this_thread::sleep_for(std::chrono::duration<double>(s)); }

int freePort() {
  const int s = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t n = sizeof a;
  ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
  ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &n);
  const int port = ntohs(a.sin_port);
  ::close(s);
  return port;
}

// ------------------------------------------------------------------ sqlite

class Sqlite {
 public:
  explicit Sqlite(const std::string& path) {
    if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
      throw std::runtime_error("cannot open " + path);
    sqlite3_busy_timeout(db_, 10000);
  }
  ~Sqlite() { sqlite3_close_v2(db_); }
  Sqlite(const Sqlite&) = delete;
  Sqlite& operator=(const Sqlite&) = delete;

  void exec(const std::string& sql) {
    char* erro = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &erro) != SQLITE_OK) {
      const std::string texto = erro ? erro : "?";
      sqlite3_free(erro);
      throw std::runtime_error(sql + ": " + texto);
    }
  }
  std::vector<std::int64_t> integers(const std::string& sql) {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) throw std::runtime_error(sql);
    std::vector<std::int64_t> out;
    while (sqlite3_step(st) == SQLITE_ROW) out.push_back(sqlite3_column_int64(st, 0));
    sqlite3_finalize(st);
    return out;
  }
  sqlite3* handle() { return db_; }

 private:
  sqlite3* db_ = nullptr;
};

// ------------------------------------------------------------------ feeder

// Inserts position Posts at a fixed rate, a small transaction every 10 ms,
// and remembers when each one's row became visible.
class Feeder {
 public:
  Feeder(const std::string& basePath, std::vector<std::int64_t> terminals, int rate, std::size_t capacity)
      : db_(basePath), terminals_(std::move(terminals)), rate_(rate), committedNs_(capacity, 0) {
    if (terminals_.empty()) throw std::runtime_error("the central has no vehicles");
  }
  ~Feeder() { stop(); }

  void start() {
    thread_ = std::thread([this] { run(); });
  }
  void stop() {
    running_ = false;
    if (thread_.joinable()) thread_.join();
  }
  // Commit time of event k (1-based), 0 when not inserted. Read after stop().
  std::int64_t committedNs(std::size_t k) const { return k < committedNs_.size() ? committedNs_[k] : 0; }
  std::size_t capacity() const { return committedNs_.size(); }
  std::string error() const { return error_; }

 private:
  std::string post(std::int64_t k, const std::string& when) {
    using quillon::appendField;
    const std::int64_t terminal = terminals_[static_cast<std::size_t>(k) % terminals_.size()];
    std::string p = "#1,1,0";
    appendField(p, "2", "ModCom02");
    appendField(p, "3", "Quillon");
    appendField(p, "4", "1");
    appendField(p, "5", "2");
    appendField(p, "6", when);
    appendField(p, "7", "0");
    appendField(p, "21", quillon::hexText(terminal));
    appendField(p, "2A", std::to_string(40 + k % 60));
    appendField(p, "2B", std::to_string(k % 360));
    appendField(p, "2C", std::to_string(k));  // the event's number, back in <Hodometro>
    appendField(p, "2D", "1");
    // Around the demo's towns of the South-East, so the location element is looked up.
    appendField(p, "2E", quillon::coordinateText(-20.0 - static_cast<double>(k % 500) / 100.0, true));
    appendField(p, "2F", quillon::coordinateText(-44.0 - static_cast<double>(k % 700) / 100.0, false));
    appendField(p, "30", "0");
    appendField(p, "31", "9");
    return p;
  }

  void run() {
    try {
      sqlite3_stmt* ins = nullptr;
      if (sqlite3_prepare_v2(db_.handle(), "INSERT INTO tEvtPost02 (Post) VALUES (?)", -1, &ins, nullptr) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(db_.handle()));
      const std::int64_t inicio = nowNs();
      std::int64_t inseridos = 0;
      auto proximo = Clock::now();
      while (running_) {
        const double decorrido = static_cast<double>(nowNs() - inicio) / 1e9;
        std::int64_t devidos = static_cast<std::int64_t>(decorrido * rate_) - inseridos;
        devidos = std::min<std::int64_t>(devidos, std::max(1, rate_ / 10));  // small transactions even when late
        if (inseridos + devidos + 1 >= static_cast<std::int64_t>(committedNs_.size())) break;
        if (devidos > 0) {
          const std::string when = quillon::postDateTime(clk::now());
          db_.exec("BEGIN IMMEDIATE");
          for (std::int64_t i = 1; i <= devidos; ++i) {
            const std::string texto = post(inseridos + i, when);
            sqlite3_bind_text(ins, 1, texto.data(), static_cast<int>(texto.size()), SQLITE_TRANSIENT);
            if (sqlite3_step(ins) != SQLITE_DONE) throw std::runtime_error(sqlite3_errmsg(db_.handle()));
            sqlite3_reset(ins);
          }
          db_.exec("COMMIT");
          const std::int64_t visivel = nowNs();
          for (std::int64_t i = 1; i <= devidos; ++i) committedNs_[static_cast<std::size_t>(inseridos + i)] = visivel;
          inseridos += devidos;
        }
        proximo += std::chrono::milliseconds(10);
        std::this_thread::sleep_until(proximo);
      }
      sqlite3_finalize(ins);
    } catch (const std::exception& e) {
      error_ = e.what();
    }
  }

  Sqlite db_;
  std::vector<std::int64_t> terminals_;
  int rate_;
  std::vector<std::int64_t> committedNs_;
  std::atomic<bool> running_{true};
  std::thread thread_;
  std::string error_;
};

// ------------------------------------------------------------------ client

// One client: connects, logs in as the demo's OPERADOR and records when each
// event number first arrives.
class Client {
 public:
  Client(int port, std::size_t capacity) : arrivalNs_(capacity) {
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<std::uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0)
      throw std::runtime_error("cannot connect to the server");
    timeval t{0, 200000};
    ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &t, sizeof t);
    const std::string login =
        "<telecomando><CodMsg>-27</CodMsg><LoginOperador>OPERADOR</LoginOperador><Senha>operador</Senha></telecomando>";
    if (::send(fd_, login.data(), login.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(login.size()))
      throw std::runtime_error("cannot send the log-in");
    thread_ = std::thread([this] { run(); });
  }
  ~Client() { stop(); }

  void stop() {
    running_ = false;
    if (thread_.joinable()) thread_.join();
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }
  bool loggedIn() const { return loggedIn_; }
  bool closed() const { return closed_; }
  std::int64_t arrivalNs(std::size_t k) const { return arrivalNs_[k].load(std::memory_order_relaxed); }
  std::int64_t duplicates() const { return duplicates_; }
  // Events 1..k all arrived (the drain's test); the scan resumes where it stopped.
  bool hasAllUpTo(std::size_t from, std::size_t to) {
    for (std::size_t k = std::max(from, scanned_); k <= to; ++k) {
      if (arrivalNs(k) == 0) return false;
      scanned_ = k + 1;
    }
    return true;
  }

 private:
  void run() {
    std::string pendente;
    std::vector<char> bloco(1 << 18);
    while (running_) {
      const ssize_t n = ::recv(fd_, bloco.data(), bloco.size(), 0);
      if (n == 0) {
        closed_ = true;
        break;
      }
      if (n < 0) {
        if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) continue;
        closed_ = true;
        break;
      }
      const std::int64_t agora = nowNs();
      pendente.append(bloco.data(), static_cast<std::size_t>(n));
      std::size_t inicio = 0;
      static constexpr std::string_view kFim = "</TeleEvento>";
      for (std::size_t fim = pendente.find(kFim); fim != std::string::npos; fim = pendente.find(kFim, inicio)) {
        documento(std::string_view(pendente).substr(inicio, fim - inicio), agora);
        inicio = fim + kFim.size();
      }
      pendente.erase(0, inicio);
    }
  }

  void documento(std::string_view doc, std::int64_t agora) {
    if (!loggedIn_ && doc.find("<CodMsg> -58 </CodMsg>") != std::string_view::npos) loggedIn_ = true;
    static constexpr std::string_view kHodometro = "<Hodometro>";
    const std::size_t p = doc.find(kHodometro);
    if (p == std::string_view::npos) return;
    std::size_t i = p + kHodometro.size();
    while (i < doc.size() && doc[i] == ' ') ++i;
    std::size_t k = 0;
    bool algum = false;
    for (; i < doc.size() && doc[i] >= '0' && doc[i] <= '9'; ++i) {
      k = k * 10 + static_cast<std::size_t>(doc[i] - '0');
      algum = true;
    }
    if (!algum || k == 0 || k >= arrivalNs_.size()) return;
    if (arrivalNs(k) == 0)
      arrivalNs_[k].store(agora, std::memory_order_relaxed);
    else
      ++duplicates_;
  }

  int fd_ = -1;
  std::vector<std::atomic<std::int64_t>> arrivalNs_;  // written by the reading thread, read by the drain
  std::atomic<bool> running_{true};
  std::atomic<bool> loggedIn_{false};
  std::atomic<bool> closed_{false};
  std::atomic<std::int64_t> duplicates_{0};
  std::size_t scanned_ = 0;
  std::thread thread_;
};

// The counter of the server's monitoring endpoint (GET /metrics); -1 when it
// cannot be read.
std::int64_t metric(int port, const std::string& name) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<std::uint16_t>(port));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  timeval t{5, 0};
  ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &t, sizeof t);
  std::string resposta;
  if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) {
    const std::string pedido = "GET /metrics HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n";
    ::send(fd, pedido.data(), pedido.size(), MSG_NOSIGNAL);
    char bloco[8192];
    for (ssize_t n; (n = ::recv(fd, bloco, sizeof bloco, 0)) > 0;) resposta.append(bloco, static_cast<std::size_t>(n));
  }
  ::close(fd);
  const std::string linha = "\n" + name + " ";
  const std::size_t p = resposta.find(linha);
  if (p == std::string::npos) return -1;
  return std::stoll(resposta.substr(p + linha.size()));
}

// ------------------------------------------------------------------ server

class ServerProcess {
 public:
  ServerProcess(const std::string& program, const std::string& folder) : folder_(folder) {
    pid_ = ::fork();
    if (pid_ < 0) throw std::runtime_error("fork failed");
    if (pid_ == 0) {
      if (::chdir(folder.c_str()) != 0) ::_exit(127);
      const int out = ::open("korvatel.out", O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (out >= 0) {
        ::dup2(out, 1);
        ::dup2(out, 2);
      }
      ::execl(program.c_str(), program.c_str(), "--dir", folder.c_str(), "--headless", static_cast<char*>(nullptr));
      ::_exit(127);
    }
  }
  ~ServerProcess() { stop(); }

  pid_t pid() const { return pid_; }
  bool running() {
    if (pid_ <= 0) return false;
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      return false;
    }
    return true;
  }
  void waitReady() {
    const std::string log = folder_ + "/KORVATEL01.log";
    for (int ms = 0; ms < 60000; ms += 50) {
      std::ifstream in(log, std::ios::binary);
      const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      if (text.find("Korvatel inicializado corretamente") != std::string::npos) return;
      if (!running()) throw std::runtime_error("the server ended during its start; see " + folder_ + "/korvatel.out");
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    throw std::runtime_error("the server did not start within 60 s");
  }
  void stop() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    for (int ms = 0; ms < 30000; ms += 50) {
      int status = 0;
      if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

 private:
  std::string folder_;
  pid_t pid_ = -1;
};

std::filesystem::path newFolder() {
  std::mt19937 g(std::random_device{}());
  auto p = std::filesystem::temp_directory_path() / ("kvt-load-" + std::to_string(g()));
  std::filesystem::create_directories(p);
  return p;
}

void writeSettings(const std::string& iniPath, const LoadSettings& settings) {
  ini::IniFile ini(iniPath);
  for (const auto& [chave, valor] : settings.ini) {
    const std::size_t ponto = chave.find('.');
    if (ponto == std::string::npos)
      ini.writeString("KORVATEL", chave, valor);
    else
      ini.writeString(chave.substr(0, ponto), chave.substr(ponto + 1), valor);
  }
}

double percentile(const std::vector<double>& sorted, std::size_t total, double p) {
  // Missing arrivals count as later than any: beyond the arrived ones there is no figure.
  const std::size_t i = static_cast<std::size_t>(p * static_cast<double>(total - 1) + 0.5);
  return i < sorted.size() ? sorted[i] : -1;
}

LoadResult runIn(const std::filesystem::path& pasta, const LoadSettings& settings, const LoadOptions& options);

}  // namespace

LoadResult runLoad(const LoadSettings& settings, const LoadOptions& options) {
  const std::filesystem::path pasta = newFolder();
  try {
    LoadResult r = runIn(pasta, settings, options);
    if (options.keepFolder)
      r.folder = pasta.string();
    else
      std::filesystem::remove_all(pasta);
    return r;
  } catch (const std::exception& e) {
    // The server's log and output stay for the diagnosis.
    throw std::runtime_error(std::string(e.what()) + " (folder kept: " + pasta.string() + ")");
  }
}

namespace {

LoadResult runIn(const std::filesystem::path& pasta, const LoadSettings& settings, const LoadOptions& options) {
  LoadResult r;
  {
    central::CentralOptions op;
    op.demo = true;
    op.port = freePort();
    const central::CentralFiles files = central::createCentral(pasta.string(), op);
    const int portaHttp = freePort();
    ini::IniFile(files.ini).writeInteger("KORVATEL", "PORTA_HTTP", portaHttp);
    writeSettings(files.ini, settings);
    std::vector<std::int64_t> terminais;
    {
      Sqlite z(files.zenthora);
      // a short heartbeat keeps the single-instance check of the start at one second
      z.exec("INSERT OR REPLACE INTO tDiagnostico(CodigoPrograma, NomePrograma, IntervaloAtualizacao) "
             "VALUES (12, 'KORVATEL2', 1)");
      // the vehicles the clients' operator may see
      terminais = z.integers(
          "SELECT V.IdTerminal FROM tUsuarioveiculo V JOIN tUsuario U ON U.idUsuario = V.idUsuario "
          "WHERE U.Login = 'OPERADOR' ORDER BY V.IdTerminal");
    }

    ServerProcess servidor(options.korvatel, pasta.string());
    servidor.waitReady();

    const std::size_t capacidade =
        static_cast<std::size_t>(settings.rate * (options.warmupSeconds + options.seconds + 120)) + 1000;
    Feeder feeder(files.base, terminais, settings.rate, capacidade);
    std::vector<std::unique_ptr<Client>> clientes;
    for (int i = 0; i < options.clients; ++i) clientes.push_back(std::make_unique<Client>(op.port, capacidade));
    // Events flow during the log-ins: the passes take a queued command before
    // every sixth row, so the ten log-ins do not wait for the third tick each.
    feeder.start();
    for (int ms = 0;; ms += 50) {
      if (std::all_of(clientes.begin(), clientes.end(), [](const auto& c) { return c->loggedIn(); })) break;
      if (ms > 90000 || !servidor.running()) throw std::runtime_error("the clients did not log in");
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    sleepSeconds(options.warmupSeconds);

    r.loadBefore = loadAverage();
    const std::int64_t t0 = nowNs();
    const std::int64_t cpu0 = cpuTicks(servidor.pid());
    const std::int64_t descargas0 = metric(portaHttp, "korvatel_descargas_total");
    pid_t perf = -1;
    if (!options.perfData.empty()) {
      const std::string alvo = std::to_string(servidor.pid());
      perf = ::fork();
      if (perf == 0) {
        ::execlp("perf", "perf", "record", "-q", "-g", "-F", "499", "-p", alvo.c_str(), "-o", options.perfData.c_str(),
                 static_cast<char*>(nullptr));
        ::_exit(127);
      }
    }
    sleepSeconds(options.seconds);
    const std::int64_t t1 = nowNs();
    const std::int64_t cpu1 = cpuTicks(servidor.pid());
    const std::int64_t descargas1 = metric(portaHttp, "korvatel_descargas_total");
    if (perf > 0) {
      ::kill(perf, SIGINT);
      ::waitpid(perf, nullptr, 0);
    }
    feeder.stop();
    r.loadAfter = loadAverage();
    if (!feeder.error().empty()) throw std::runtime_error("feeder: " + feeder.error());

    // The window's events: committed in [t0, t1).
    std::size_t primeiro = 0, ultimo = 0;
    for (std::size_t k = 1; k < feeder.capacity() && feeder.committedNs(k) != 0; ++k) {
      if (feeder.committedNs(k) < t0) continue;
      if (feeder.committedNs(k) >= t1) break;
      if (primeiro == 0) primeiro = k;
      ultimo = k;
    }
    r.insertedPerSecond =
        primeiro == 0 ? 0 : static_cast<double>(ultimo - primeiro + 1) / (static_cast<double>(t1 - t0) / 1e9);

    // Drain: until every client holds every event of the window.
    const std::int64_t limiteDreno = nowNs() + static_cast<std::int64_t>(options.drainSeconds * 1e9);
    while (primeiro != 0 && nowNs() < limiteDreno) {
      if (std::all_of(clientes.begin(), clientes.end(), [&](const auto& c) { return c->hasAllUpTo(primeiro, ultimo); }))
        break;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    r.peakRssKib = peakRssKib(servidor.pid());
    for (auto& c : clientes) c->stop();

    if (descargas0 >= 0 && descargas1 >= 0)
      r.flushesPerSecond = static_cast<double>(descargas1 - descargas0) / (static_cast<double>(t1 - t0) / 1e9);
    r.serverCores = static_cast<double>(cpu1 - cpu0) / static_cast<double>(ticksPerSecond()) /
                    (static_cast<double>(t1 - t0) / 1e9);
    std::vector<double> latencias;
    std::size_t entreguesATodos = 0;
    for (auto& c : clientes) r.duplicates += c->duplicates();
    if (primeiro != 0) {
      for (std::size_t k = primeiro; k <= ultimo; ++k) {
        bool todos = true;
        for (auto& c : clientes) {
          const std::int64_t chegada = c->arrivalNs(k);
          if (chegada == 0) {
            todos = false;
            continue;
          }
          latencias.push_back(static_cast<double>(chegada - feeder.committedNs(k)) / 1e6);
        }
        if (todos) ++entreguesATodos;
      }
      // Sustained: the window's events that reached the slowest client by the
      // end of the drain, over the window's length.
      std::size_t menor = ultimo - primeiro + 1;
      for (auto& c : clientes) {
        std::size_t n = 0;
        for (std::size_t k = primeiro; k <= ultimo; ++k) n += c->arrivalNs(k) != 0;
        menor = std::min(menor, n);
      }
      r.deliveredPerSecond = static_cast<double>(menor) / (static_cast<double>(t1 - t0) / 1e9);
      std::sort(latencias.begin(), latencias.end());
      const std::size_t total = (ultimo - primeiro + 1) * clientes.size();
      r.completeFraction = static_cast<double>(entreguesATodos) / static_cast<double>(ultimo - primeiro + 1);
      r.p50Ms = percentile(latencias, total, 0.50);
      r.p99Ms = percentile(latencias, total, 0.99);
      r.maxMs = latencias.size() == total && !latencias.empty() ? latencias.back() : -1;
    }
    servidor.stop();
  }
  return r;
}

}  // namespace

}  // namespace kvt::load
