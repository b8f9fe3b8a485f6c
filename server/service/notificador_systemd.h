#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace kvt::service {

// The server's conversation with the service manager: READY once the port
// listens, WATCHDOG=1 from the main loop's life tick (at most every
// `intervaloVidaMs`, half the interval the manager asked for and never more
// than 10 s), STATUS whenever the base state or the client count changes, and
// STOPPING at shutdown. Outside systemd every call is a no-op.
class NotificadorSystemd {
 public:
  using Envia = std::function<bool(std::string_view)>;
  // `envia` is NotificaSystemd in production; `watchdogMs` what the manager asked for (0: none).
  NotificadorSystemd(Envia envia, long long watchdogMs);
  // Reads NOTIFY_SOCKET and WATCHDOG_USEC of this process.
  NotificadorSystemd();

  void Pronto(bool baseAtiva, int clientes);
  // Called at every life tick of the main loop, with the tick in milliseconds.
  void SinalDeVida(std::uint32_t tickMs, bool baseAtiva, int clientes);
  void Parando();

  std::uint32_t IntervaloVidaMs() const { return intervaloVidaMs_; }

 private:
  void status(bool baseAtiva, int clientes);

  Envia envia_;
  std::uint32_t intervaloVidaMs_ = 0;  // 0: the manager watches nothing
  bool pronto_ = false;
  bool parando_ = false;
  bool primeiroSinal_ = true;
  std::uint32_t ultimoSinal_ = 0;
  std::string ultimoStatus_;
};

}  // namespace kvt::service
