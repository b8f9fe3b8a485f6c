#include "server/service/sd_notify.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstring>

namespace kvt::service {

bool NotificaSystemd(std::string_view estado) {
  const char* caminho = std::getenv("NOTIFY_SOCKET");
  if (!caminho || !*caminho) return false;
  const std::size_t tamanho = std::strlen(caminho);
  sockaddr_un endereco{};
  if (tamanho >= sizeof(endereco.sun_path)) return false;
  if (caminho[0] != '/' && caminho[0] != '@') return false;
  endereco.sun_family = AF_UNIX;
  std::memcpy(endereco.sun_path, caminho, tamanho);
  if (caminho[0] == '@') endereco.sun_path[0] = '\0';  // abstract name
  const socklen_t len = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + tamanho);

  const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  ssize_t n;
  do {
    n = ::sendto(fd, estado.data(), estado.size(), MSG_NOSIGNAL, reinterpret_cast<const sockaddr*>(&endereco), len);
  } while (n < 0 && errno == EINTR);
  ::close(fd);
  return n == static_cast<ssize_t>(estado.size());
}

long long IntervaloWatchdogSystemdMs() {
  const char* usec = std::getenv("WATCHDOG_USEC");
  if (!usec || !*usec) return 0;
  if (const char* pid = std::getenv("WATCHDOG_PID"); pid && *pid) {
    char* fim = nullptr;
    const long long p = std::strtoll(pid, &fim, 10);
    if (*fim != '\0' || p != static_cast<long long>(::getpid())) return 0;
  }
  char* fim = nullptr;
  const long long us = std::strtoll(usec, &fim, 10);
  if (*fim != '\0' || us <= 0) return 0;
  return us / 1000;
}

std::string TextoStatusSystemd(bool baseAtiva, int clientes) {
  return std::string("STATUS=Base: ") + (baseAtiva ? "conectada" : "fora do ar") + ", clientes: " +
         std::to_string(clientes);
}

}  // namespace kvt::service
