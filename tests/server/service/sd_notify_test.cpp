// Notifications reach a real datagram socket the way the service manager listens.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "server/service/notificador_systemd.h"

#include "server/service/sd_notify.h"
#include "tests/support/temp_dir.h"

using namespace kvt;

namespace {

// A datagram socket bound to `nome` ("@..." for an abstract name).
struct Receptor {
  int fd = -1;
  explicit Receptor(const std::string& nome) {
    fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    std::memcpy(a.sun_path, nome.data(), nome.size());
    if (nome[0] == '@') a.sun_path[0] = '\0';
    const auto len = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + nome.size());
    EXPECT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&a), len), 0) << std::strerror(errno);
  }
  ~Receptor() { ::close(fd); }
  std::string recebe() {
    char buf[512];
    const ssize_t n = ::recv(fd, buf, sizeof buf, MSG_DONTWAIT);
    return n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : std::string();
  }
};

struct Ambiente {
  std::string nome;
  std::string antigo;
  bool tinha;
  Ambiente(std::string n, const std::string& valor) : nome(std::move(n)) {
    const char* v = std::getenv(nome.c_str());
    tinha = v != nullptr;
    if (v) antigo = v;
    if (valor.empty()) ::unsetenv(nome.c_str());
    else ::setenv(nome.c_str(), valor.c_str(), 1);
  }
  ~Ambiente() {
    if (tinha) ::setenv(nome.c_str(), antigo.c_str(), 1);
    else ::unsetenv(nome.c_str());
  }
};

}  // namespace

TEST(NotificaSystemd, ReachesAPathOrAnAbstractSocketAndIsQuietWithoutOne) {
  test::TempDir dir;
  const std::string caminho = dir.file("notify");
  {
    Receptor r(caminho);
    Ambiente a("NOTIFY_SOCKET", caminho);
    EXPECT_TRUE(service::NotificaSystemd("READY=1"));
    EXPECT_EQ(r.recebe(), "READY=1");
    EXPECT_TRUE(service::NotificaSystemd(service::TextoStatusSystemd(true, 3)));
    EXPECT_EQ(r.recebe(), "STATUS=Base: conectada, clientes: 3");
  }
  {
    const std::string abstrato = "@korvatel-teste-" + std::to_string(::getpid());
    Receptor r(abstrato);
    Ambiente a("NOTIFY_SOCKET", abstrato);
    EXPECT_TRUE(service::NotificaSystemd("WATCHDOG=1"));
    EXPECT_EQ(r.recebe(), "WATCHDOG=1");
  }
  {
    Ambiente a("NOTIFY_SOCKET", "");
    EXPECT_FALSE(service::NotificaSystemd("READY=1"));
  }
  {
    // nobody listens there, or the name is not a socket name at all: no error, just false
    Ambiente a("NOTIFY_SOCKET", dir.file("ninguem"));
    EXPECT_FALSE(service::NotificaSystemd("STOPPING=1"));
    Ambiente b("NOTIFY_SOCKET", "relativo/notify");
    EXPECT_FALSE(service::NotificaSystemd("STOPPING=1"));
    Ambiente c("NOTIFY_SOCKET", "/" + std::string(200, 'x'));
    EXPECT_FALSE(service::NotificaSystemd("STOPPING=1"));
  }
}

TEST(NotificaSystemd, WatchdogIntervalOnlyForThisProcess) {
  const std::string eu = std::to_string(::getpid());
  struct Caso {
    const char* usec;
    std::string pid;
    long long ms;
  } casos[] = {
      {"", "", 0},         {"30000000", "", 30000}, {"30000000", eu, 30000}, {"30000000", "1", 0},
      {"abc", "", 0},      {"-5", "", 0},           {"30000000x", "", 0},    {"30000000", "12x", 0},
      {"999", "", 0},  // below a millisecond: no usable interval
  };
  for (const auto& c : casos) {
    Ambiente u("WATCHDOG_USEC", c.usec);
    Ambiente p("WATCHDOG_PID", c.pid);
    EXPECT_EQ(service::IntervaloWatchdogSystemdMs(), c.ms) << c.usec << " pid " << c.pid;
  }
}

TEST(NotificadorSystemd, ReadyOnceThenWatchdogAtItsPaceStatusOnChangeAndNothingAfterStopping) {
  std::vector<std::string> enviados;
  service::NotificadorSystemd n(
      [&](std::string_view s) {
        enviados.emplace_back(s);
        return true;
      },
      60000);  // WatchdogSec=60: a sign of life every 10 s at most
  EXPECT_EQ(n.IntervaloVidaMs(), 10000u);
  n.SinalDeVida(0, false, 0);  // before READY the manager hears nothing
  EXPECT_TRUE(enviados.empty());
  n.Pronto(false, 0);
  n.Pronto(false, 0);
  EXPECT_EQ(enviados, (std::vector<std::string>{"READY=1", "STATUS=Base: fora do ar, clientes: 0"}));
  enviados.clear();

  // ticks near the top of the 32-bit counter wrap without a burst or a silence
  const std::uint32_t t0 = 0xFFFFF000u;
  n.SinalDeVida(t0, false, 0);
  n.SinalDeVida(t0 + 1000, false, 0);
  n.SinalDeVida(t0 + 9999, true, 0);
  n.SinalDeVida(t0 + 10000, true, 0);
  n.SinalDeVida(t0 + 12000, true, 2);
  n.SinalDeVida(t0 + 20000, true, 2);
  EXPECT_EQ(enviados, (std::vector<std::string>{"WATCHDOG=1", "STATUS=Base: conectada, clientes: 0", "WATCHDOG=1",
                                                "STATUS=Base: conectada, clientes: 2", "WATCHDOG=1"}));
  enviados.clear();
  n.Parando();
  n.Parando();
  n.SinalDeVida(t0 + 40000, false, 0);
  EXPECT_EQ(enviados, (std::vector<std::string>{"STOPPING=1"}));

  // without a watchdog (or outside systemd) only READY, STATUS and STOPPING go out
  enviados.clear();
  service::NotificadorSystemd sem([&](std::string_view s) {
    enviados.emplace_back(s);
    return true;
  }, 0);
  sem.Pronto(true, 1);
  sem.SinalDeVida(5000, true, 1);
  EXPECT_EQ(enviados.size(), 2u);
  EXPECT_EQ(service::NotificadorSystemd([](std::string_view) { return true; }, 3000).IntervaloVidaMs(), 1500u);
}
