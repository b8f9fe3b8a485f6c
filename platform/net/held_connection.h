#pragma once

// A descriptor of our own on an accepted TCP connection, beside the one the
// socket layer works with.
//
// The socket layer closes its descriptor as soon as it reads the end of a
// connection, and there a reset by the peer reads just like an orderly close.
// While this descriptor is held the connection stays in the kernel, which
// still tells the two apart: after an orderly close our half stays open, after
// a reset (or a failure) the connection is closed although we still hold it.
// Sends made through it reach this connection or fail; they never reach a
// descriptor number the system gave to another connection after the socket
// layer closed its own.
//
//   net::HeldConnection held(socket->socketDescriptor());
//   auto r = held.send(data, size);      // non-blocking, never raises SIGPIPE
//   if (held.endedInError()) ...         // when the socket layer reports the end
//   held.close();                        // and the connection goes with the last descriptor

#include <cstddef>

namespace kvt::net {

// What became of a send.
enum class SendFailure {
  None,        // bytes were taken
  WouldBlock,  // nothing taken now; the peer has not made room yet
  Connection,  // the connection failed: reset, broken pipe, aborted, timed out, unreachable
  Local,       // the system could not send (no buffers, no memory, not a socket, ...);
               // nothing says the connection itself failed
};

// The kind of failure an errno of a send stands for.
SendFailure classifySendError(int error);

struct SendResult {
  long taken = -1;  // bytes taken, or -1
  SendFailure failure = SendFailure::None;
  int error = 0;  // the errno, when failure is Connection or Local
};

class HeldConnection {
 public:
  HeldConnection() = default;
  // Holds a duplicate of descriptor (the caller keeps its own); nothing is held
  // when it cannot be duplicated.
  explicit HeldConnection(int descriptor);
  ~HeldConnection() { close(); }
  HeldConnection(const HeldConnection&) = delete;
  HeldConnection& operator=(const HeldConnection&) = delete;
  HeldConnection(HeldConnection&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  HeldConnection& operator=(HeldConnection&& other) noexcept {
    if (this != &other) {
      close();
      fd_ = other.fd_;
      other.fd_ = -1;
    }
    return *this;
  }

  bool isOpen() const { return fd_ >= 0; }
  // Lets the connection go (it ends when the socket layer closed its own too).
  void close();

  // Offers the bytes without waiting.
  SendResult send(const char* data, std::size_t size);
  // The error the kernel holds for the connection, cleared by reading it; 0 when none.
  int takePendingError();
  // The connection is closed in the kernel although held here: the peer reset
  // it, or it failed. False while open, after an orderly close by the peer,
  // and when nothing is held.
  bool endedInError() const;

 private:
  int fd_ = -1;
};

}  // namespace kvt::net
