// Long runs of the real korvatel program against the embedded central, with
// a client on a real socket that logs in and reads everything: every event
// row written to tEvtPost02 must reach it at least once, whatever happens to
// the server or to the other clients meanwhile. They take minutes, so they
// carry the ctest label "soak" and stay out of the default run (README, Tests).
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>


#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <thread>

#include "central/central.h"
#include "central/quillon/post_text.h"
#include "platform/db/db.h"
#include "platform/ini/ini_file.h"
#include "tests/support/central_processos.h"
#include "tests/support/temp_dir.h"

using namespace kvt;
using Relogio = std::chrono::steady_clock;

namespace {

void dorme(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

double segundosDesde(Relogio::time_point t) {
  return std::chrono::duration<double>(Relogio::now() - t).count();
}

// The korvatel program as a child process, killed and started again at will.
class Servidor {
 public:
  Servidor(std::string pasta) : pasta_(std::move(pasta)) {}
  ~Servidor() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }

  void inicia() {
    const std::string programa = (test::binaryDir() / "bin" / "korvatel").string();
    const std::string saida = pasta_ + "/korvatel.out";
    inicioSaida_ = saida_().size();
    pid_ = ::fork();
    if (pid_ == 0) {
      if (::chdir(pasta_.c_str()) != 0) ::_exit(127);
      const int fd = ::open(saida.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
      ::dup2(fd, 1);
      ::dup2(fd, 2);
      ::execl(programa.c_str(), programa.c_str(), "--dir", pasta_.c_str(), "--headless", static_cast<char*>(nullptr));
      ::_exit(127);
    }
    ASSERT_GT(pid_, 0);
    ++inicios_;
  }
  // The exit status when the program ended on its own (a refused start).
  std::optional<int> terminou() {
    int status = 0;
    if (pid_ <= 0 || ::waitpid(pid_, &status, WNOHANG) != pid_) return std::nullopt;
    pid_ = -1;
    return status;
  }
  void mata() {
    ASSERT_GT(pid_, 0);
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
    ++mortes_;
  }
  // SIGTERM and the exit status of a clean stop.
  int para() {
    int status = -1;
    if (pid_ <= 0) return status;
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
    return status;
  }
  bool vivo() const { return pid_ > 0; }
  // What the program wrote to its standard output and error since its last start.
  std::string saidaDaVez() { return saida_().substr(std::min(inicioSaida_, saida_().size())); }
  int inicios() const { return inicios_; }
  int mortes() const { return mortes_; }

 private:
  std::string saida_() { return test::readFile(pasta_ + "/korvatel.out"); }

  std::string pasta_;
  std::size_t inicioSaida_ = 0;
  pid_t pid_ = -1;
  int inicios_ = 0, mortes_ = 0;
};

int conectaSocket(int porta, int rcvbuf = 0) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  if (rcvbuf > 0) ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &rcvbuf, sizeof rcvbuf);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<std::uint16_t>(porta));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

const std::string kLogin =
    "<telecomando><CodMsg>-27</CodMsg><LoginOperador>OPERADOR</LoginOperador><Senha>operador</Senha></telecomando>";
const std::string kRespostaLogin = "<CodMsg> -58 </CodMsg>";

// The reading client: connects when it can, logs in on every connection,
// reads everything it is sent, and connects again when the server goes.
struct Leitor {
  int porta;
  int fd = -1;
  int conexoes = 0;
  std::string recebido;  // everything, over every connection
  std::size_t inicioConexao = 0;

  explicit Leitor(int p) : porta(p) {}
  ~Leitor() {
    if (fd >= 0) ::close(fd);
  }
  // One turn: connect (and log in) when disconnected, else read what waits.
  void gira() {
    if (fd < 0) {
      fd = conectaSocket(porta);
      if (fd < 0) return;
      ++conexoes;
      inicioConexao = recebido.size();
      ::send(fd, kLogin.data(), kLogin.size(), MSG_NOSIGNAL);
      return;
    }
    char b[65536];
    for (;;) {
      const ssize_t n = ::recv(fd, b, sizeof b, MSG_DONTWAIT);
      if (n > 0) {
        recebido.append(b, static_cast<std::size_t>(n));
        continue;
      }
      if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return;
      ::close(fd);  // the server went
      fd = -1;
      return;
    }
  }
  bool logado() const { return fd >= 0 && recebido.find(kRespostaLogin, inicioConexao) != std::string::npos; }
  int respostasLogin() const {
    int n = 0;
    for (std::size_t p = recebido.find(kRespostaLogin); p != std::string::npos; p = recebido.find(kRespostaLogin, p + 1)) ++n;
    return n;
  }
};

// Each event row carries its own number in a free text: "soak-NNNNNN-".
constexpr const char* kMarca = "soak-";

std::string postEvento(int id, std::size_t tamanhoTexto) {
  char numero[16];
  std::snprintf(numero, sizeof numero, "%06d", id);
  std::string texto = std::string(kMarca) + numero + "-";
  if (texto.size() < tamanhoTexto) texto.append(tamanhoTexto - texto.size(), 'x');
  std::string post = "#1,1,0";
  quillon::appendField(post, "2", "ModCom02");
  quillon::appendField(post, "3", "Quillon");
  quillon::appendField(post, "4", "0");
  quillon::appendField(post, "5", "13");  // free text
  quillon::appendField(post, "6", "11/12/2026 10:20:30");
  quillon::appendField(post, "7", "0");
  quillon::appendField(post, "21", "1000");  // the first vehicle of the demo central, which OPERADOR sees
  quillon::appendField(post, "26", quillon::encodeFreeText(texto));
  return post;
}

// How many times each event number arrived in a whole document: one cut
// short by a kill does not count.
std::map<int, int> eventosRecebidos(const std::string& recebido) {
  static const std::string inicio = "<?xml version=", fim = "</TeleEvento>", marca = kMarca;
  std::map<int, int> vezes;
  for (std::size_t f = recebido.find(fim); f != std::string::npos; f = recebido.find(fim, f + 1)) {
    const std::size_t i = recebido.rfind(inicio, f);
    if (i == std::string::npos) continue;
    const std::size_t p = recebido.find(marca, i);
    if (p == std::string::npos || p > f) continue;
    const std::size_t q = p + marca.size();
    if (q + 7 <= f && recebido[q + 6] == '-') ++vezes[std::atoi(recebido.substr(q, 6).c_str())];
  }
  return vezes;
}

struct Soak : ::testing::Test {
  test::TempDir dir;
  central::CentralFiles files;
  std::unique_ptr<db::Connection> base;
  int porta = 0;
  int recusas = 0;
  Relogio::time_point iniciadoEm;

  void SetUp() override {
    central::CentralOptions opt;
    opt.demo = true;
    files = test::centralParaProcessos(dir.path().string(), opt);
    ini::IniFile ini(files.ini);
    ini.writeInteger("KORVATEL", "TIMER_BUFFER", 1);
    porta = ini.readInteger("KORVATEL", "KORVATEL_PORT", 0);
    base = db::Connection::open(files.urlBase);
  }

  void posta(int id, std::size_t tamanhoTexto) {
    db::Statement s(*base, std::string("insert into tEvtPost02 (Post) values (:Post)"));
    s.bindMemo("Post", postEvento(id, tamanhoTexto)).execute();
  }
  void executa(const std::string& sql) { db::Statement(*base, sql).execute(); }
  std::int32_t posicaoIni() { return ini::IniFile(files.ini).readInteger("CONTROLE", "ULTIMO_NUM_SEQ_PROCESSADO", -1); }
  std::string saidaServidor() { return test::readFile(dir.file("korvatel.out")); }
  // Every log file of the run, oldest first.
  std::string logCompleto() {
    std::string tudo;
    for (int i = 0; i <= 5; ++i) {
      char nome[32];
      std::snprintf(nome, sizeof nome, "KORVATEL%02d.log", i);
      if (std::filesystem::exists(dir.file(nome))) tudo += test::readFile(dir.file(nome));
    }
    return tudo;
  }
  // What a failure shows: the start of what the client received and the end of the server's log.
  std::string diagnostico(const std::string& recebido) {
    const std::string log = logCompleto();
    return "received (" + std::to_string(recebido.size()) + " bytes): " + recebido.substr(0, 1500) +
           "\n--- log, last 4000 bytes:\n" + log.substr(log.size() > 4000 ? log.size() - 4000 : 0);
  }

  // Starts the server; a killed instance leaves its heartbeat row fresh for
  // a moment, so a start may be refused: vigia starts it again then.
  void inicia(Servidor& s) {
    ASSERT_NO_FATAL_FAILURE(s.inicia());
    iniciadoEm = Relogio::now();
  }
  // Called on every turn: a start that was refused is repeated; any other end
  // of the program fails the test.
  void vigia(Servidor& s) {
    const auto st = s.terminou();
    if (!st) return;
    const std::string saida = s.saidaDaVez();
    ASSERT_TRUE(WIFEXITED(*st) && WEXITSTATUS(*st) == 1 && saida.find("em execu") != std::string::npos)
        << "korvatel ended by itself, status " << *st << "\n" << saida;
    ++recusas;
    ASSERT_NO_FATAL_FAILURE(inicia(s));
  }

  static std::vector<int> faltando(const std::map<int, int>& recebidos, int total) {
    std::vector<int> f;
    for (int id = 1; id <= total; ++id)
      if (!recebidos.count(id)) f.push_back(id);
    return f;
  }
  // Keeps the client reading until events 1 to total all arrived and the
  // position in KORVATEL.INI reached the last row, or the time runs out.
  void esperaTudo(Servidor& s, Leitor& leitor, int total, int segundos) {
    const auto inicio = Relogio::now();
    auto ultimaConferencia = inicio;
    while (segundosDesde(inicio) < segundos) {
      leitor.gira();
      ASSERT_NO_FATAL_FAILURE(vigia(s));
      if (segundosDesde(ultimaConferencia) >= 1) {
        ultimaConferencia = Relogio::now();
        if (posicaoIni() == total && faltando(eventosRecebidos(leitor.recebido), total).empty()) return;
      }
      dorme(5);
    }
  }
};

std::uint32_t sementeDoAmbiente() {
  if (const char* s = std::getenv("KVT_SOAK_SEED")) return static_cast<std::uint32_t>(std::strtoul(s, nullptr, 10));
  return std::random_device{}();
}

}  // namespace

// SIGKILL at random moments (seeded: KVT_SOAK_SEED gives a run's moments again) while 1,500
// events flow; the server is started again each time and the client logs in
// again on each new connection.
TEST_F(Soak, EveryEventReachesTheClientAcrossKillsOfTheServer) {
  constexpr int kEventos = 1500;
  constexpr int kEventosPorSegundo = 25;
  const std::uint32_t semente = sementeDoAmbiente();
  std::printf("soak seed %u (KVT_SOAK_SEED=%u gives this run's kill moments again)\n", semente, semente);
  RecordProperty("seed", std::to_string(semente));
  std::mt19937 aleatorio(semente);
  std::uniform_int_distribution<int> vida(300, 7000);  // ms from a start to its kill

  Servidor servidor(dir.path().string());
  Leitor leitor(porta);
  const auto inicio = Relogio::now();
  ASSERT_NO_FATAL_FAILURE(inicia(servidor));
  int proximaMorte = vida(aleatorio);

  int escritos = 0;
  while (escritos < kEventos) {
    const int devidos = std::min(kEventos, static_cast<int>(segundosDesde(inicio) * kEventosPorSegundo));
    for (; escritos < devidos; ++escritos) posta(escritos + 1, 40);
    leitor.gira();
    if (std::chrono::duration_cast<std::chrono::milliseconds>(Relogio::now() - iniciadoEm).count() >= proximaMorte) {
      ASSERT_NO_FATAL_FAILURE(servidor.mata());
      ASSERT_NO_FATAL_FAILURE(inicia(servidor));
      proximaMorte = vida(aleatorio);
    }
    ASSERT_NO_FATAL_FAILURE(vigia(servidor));
    dorme(5);
  }
  const double fluxo = segundosDesde(inicio);

  // no more kills: everything written must arrive
  ASSERT_NO_FATAL_FAILURE(esperaTudo(servidor, leitor, kEventos, 180));
  const auto recebidos = eventosRecebidos(leitor.recebido);
  const auto faltam = faltando(recebidos, kEventos);
  std::size_t repetidos = 0;
  for (const auto& [id, vezes] : recebidos) repetidos += static_cast<std::size_t>(vezes - 1);
  std::printf("soak: %d events over %.0f s, %d kills, %d refused starts, %d connections of the client, "
              "%zu events received more than once, %.0f s in all\n",
              kEventos, fluxo, servidor.mortes(), recusas, leitor.conexoes, repetidos, segundosDesde(inicio));

  EXPECT_GE(servidor.mortes(), 5) << "too few kills to mean anything";
  EXPECT_TRUE(faltam.empty()) << faltam.size() << " events never reached the client, the first " << faltam.front()
                              << " (seed " << semente << ")\n" << diagnostico(leitor.recebido);
  EXPECT_EQ(posicaoIni(), kEventos);
  EXPECT_EQ(recebidos.size(), static_cast<std::size_t>(kEventos));
  EXPECT_EQ(servidor.para(), 0) << saidaServidor();
}

// A client that stops reading (a 4 KiB receive buffer, never a recv) beside
// one that reads everything, 1,200 events of about 4 KB, TIMEOUT 3 and
// TIMER_BUFFER 1: the stalled client is closed and the reader gets them all.
// A flush that commits the position the passes reached instead of the rows
// it carried loses here the event whose document waited for the next flush.
TEST_F(Soak, AStalledClientIsClosedAndTheReaderGetsEveryEvent) {
  constexpr int kEventos = 1200;
  ini::IniFile(files.ini).writeInteger("CONTROLE", "TIMEOUT", 3);
  Servidor servidor(dir.path().string());
  const auto inicio = Relogio::now();
  ASSERT_NO_FATAL_FAILURE(inicia(servidor));

  // The stalled client connects first, so each flush serves it before the
  // reader: when it fails the reader gets nothing of that flush.
  int parado = -1;
  for (int i = 0; i < 3000 && parado < 0; ++i) {
    parado = conectaSocket(porta, 4096);
    ASSERT_NO_FATAL_FAILURE(vigia(servidor));
    if (parado < 0) dorme(10);
  }
  ASSERT_GE(parado, 0);
  Leitor leitor(porta);
  for (int i = 0; i < 3000 && !leitor.logado(); ++i) {
    leitor.gira();
    ASSERT_NO_FATAL_FAILURE(vigia(servidor));
    dorme(10);
  }
  ASSERT_TRUE(leitor.logado()) << saidaServidor();

  executa("BEGIN");
  for (int id = 1; id <= kEventos; ++id) posta(id, 4000);
  executa("COMMIT");

  // It logs in once a quarter of the events went out, so that its failed
  // flush follows successful ones; it never reads.
  const auto chegadaParado = Relogio::now();
  for (int i = 1; segundosDesde(chegadaParado) < 120; ++i) {
    leitor.gira();
    ASSERT_NO_FATAL_FAILURE(vigia(servidor));
    if (i % 20 == 0 && eventosRecebidos(leitor.recebido).size() >= kEventos / 4) break;
    dorme(10);
  }
  ::send(parado, kLogin.data(), kLogin.size(), MSG_NOSIGNAL);
  // its reply goes to every client logged in, the reader included
  for (int i = 0; i < 3000 && leitor.respostasLogin() < 2; ++i) {
    leitor.gira();
    ASSERT_NO_FATAL_FAILURE(vigia(servidor));
    dorme(10);
  }
  ASSERT_EQ(leitor.respostasLogin(), 2) << "the stalled client's log-in was not answered";
  const std::size_t antesDoParado = eventosRecebidos(leitor.recebido).size();

  // Closed by the server: once its bytes are drained the stalled socket reads
  // the end of the stream (or a reset), where a live one would just wait.
  auto fechado = [&] {
    char b[65536];
    for (const auto inicioDreno = Relogio::now(); segundosDesde(inicioDreno) < 20;) {
      const ssize_t n = ::recv(parado, b, sizeof b, MSG_DONTWAIT);
      if (n == 0 || (n < 0 && errno == ECONNRESET)) return true;
      if (n < 0) dorme(10);
    }
    return false;
  };
  sockaddr_in local{};
  socklen_t tamanhoLocal = sizeof local;
  ::getsockname(parado, reinterpret_cast<sockaddr*>(&local), &tamanhoLocal);
  const std::string desconectado = "Timeout (3 seg) para envio de buffer. Cliente IP 127.0.0.1 Porta " +
                                   std::to_string(ntohs(local.sin_port)) + ". Cliente desconectado pelo KVT";
  ASSERT_NO_FATAL_FAILURE(esperaTudo(servidor, leitor, kEventos, 240));
  const auto recebidos = eventosRecebidos(leitor.recebido);
  const auto faltam = faltando(recebidos, kEventos);
  std::printf("stalled client: %d events of 4 KB in %.0f s, %zu of them had reached the reader when the stalled "
              "client was logged in; the reader connected %d time(s)\n",
              kEventos, segundosDesde(inicio), antesDoParado, leitor.conexoes);

  EXPECT_NE(logCompleto().find(desconectado), std::string::npos) << "the stalled client was not timed out";
  EXPECT_TRUE(fechado()) << "the stalled client is still connected";
  EXPECT_EQ(leitor.conexoes, 1);
  EXPECT_LT(antesDoParado, static_cast<std::size_t>(kEventos)) << "the stalled client came too late to matter";
  EXPECT_TRUE(faltam.empty()) << faltam.size() << " events never reached the reader, the first " << faltam.front()
                              << "\n" << diagnostico(leitor.recebido);
  EXPECT_EQ(recebidos.size(), static_cast<std::size_t>(kEventos));
  EXPECT_EQ(posicaoIni(), kEventos);
  ::close(parado);
  EXPECT_EQ(servidor.para(), 0) << saidaServidor();
}
