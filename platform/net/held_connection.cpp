#include "platform/net/held_connection.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace kvt::net {

SendFailure classifySendError(int error) {
  switch (error) {
    case 0:
      return SendFailure::None;
    case EAGAIN:
#if EWOULDBLOCK != EAGAIN
    case EWOULDBLOCK:
#endif
      return SendFailure::WouldBlock;
    case ECONNRESET:
    case EPIPE:
    case ECONNABORTED:
    case ETIMEDOUT:
    case ENOTCONN:
    case ENETRESET:
    case ENETDOWN:
    case ENETUNREACH:
    case EHOSTDOWN:
    case EHOSTUNREACH:
      return SendFailure::Connection;
    default:
      return SendFailure::Local;
  }
}

HeldConnection::HeldConnection(int descriptor) {
  if (descriptor >= 0) fd_ = ::fcntl(descriptor, F_DUPFD_CLOEXEC, 0);
}

void HeldConnection::close() {
  if (fd_ < 0) return;
  ::close(fd_);
  fd_ = -1;
}

SendResult HeldConnection::send(const char* data, std::size_t size) {
  if (fd_ < 0) return {-1, SendFailure::Connection, ENOTCONN};
  for (;;) {
    const ssize_t taken = ::send(fd_, data, size, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (taken >= 0) return {static_cast<long>(taken), SendFailure::None, 0};
    const int error = errno;
    if (error == EINTR) continue;
    return {-1, classifySendError(error), error};
  }
}

int HeldConnection::takePendingError() {
  if (fd_ < 0) return 0;
  int error = 0;
  socklen_t size = sizeof error;
  if (::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &size) != 0) return 0;
  return error;
}

bool HeldConnection::endedInError() const {
  if (fd_ < 0) return false;
  tcp_info info{};
  socklen_t size = sizeof info;
  if (::getsockopt(fd_, IPPROTO_TCP, TCP_INFO, &info, &size) != 0) return false;
  return info.tcpi_state == TCP_CLOSE;
}

}  // namespace kvt::net
