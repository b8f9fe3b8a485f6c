#include "server/service/notificador_systemd.h"

#include <algorithm>

#include "server/service/sd_notify.h"

namespace kvt::service {

namespace {
constexpr long long kMaxIntervaloVidaMs = 10000;
}

NotificadorSystemd::NotificadorSystemd(Envia envia, long long watchdogMs) : envia_(std::move(envia)) {
  if (watchdogMs > 0) intervaloVidaMs_ = static_cast<std::uint32_t>(std::clamp(watchdogMs / 2, 1LL, kMaxIntervaloVidaMs));
}

NotificadorSystemd::NotificadorSystemd() : NotificadorSystemd(NotificaSystemd, IntervaloWatchdogSystemdMs()) {}

void NotificadorSystemd::status(bool baseAtiva, int clientes) {
  std::string s = TextoStatusSystemd(baseAtiva, clientes);
  if (s == ultimoStatus_) return;
  if (envia_(s)) ultimoStatus_ = std::move(s);
}

void NotificadorSystemd::Pronto(bool baseAtiva, int clientes) {
  if (pronto_ || parando_) return;
  pronto_ = true;
  envia_("READY=1");
  status(baseAtiva, clientes);
}

void NotificadorSystemd::SinalDeVida(std::uint32_t tickMs, bool baseAtiva, int clientes) {
  if (!pronto_ || parando_) return;
  if (intervaloVidaMs_ > 0 && (primeiroSinal_ || tickMs - ultimoSinal_ >= intervaloVidaMs_)) {
    primeiroSinal_ = false;
    ultimoSinal_ = tickMs;
    envia_("WATCHDOG=1");
  }
  status(baseAtiva, clientes);
}

void NotificadorSystemd::Parando() {
  if (parando_) return;
  parando_ = true;
  envia_("STOPPING=1");
}

}  // namespace kvt::service
