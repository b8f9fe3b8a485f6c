#pragma once

#include <string>
#include <string_view>

namespace kvt::service {

// Tells the service manager about the server's state through the datagram
// socket named by NOTIFY_SOCKET ("READY=1", "WATCHDOG=1", "STOPPING=1",
// "STATUS=..."). Without that variable (not started by systemd) nothing is
// sent and the result is false; a send that fails is false too and is never
// an error of the server.
bool NotificaSystemd(std::string_view estado);

// The interval at which the service manager expects WATCHDOG=1, in
// milliseconds: WATCHDOG_USEC when it names this process (or names none);
// 0 when no watchdog was asked for.
long long IntervaloWatchdogSystemdMs();

// "STATUS=" line of the service: the base state and the number of clients.
std::string TextoStatusSystemd(bool baseAtiva, int clientes);

}  // namespace kvt::service
