#pragma once

// Driving the Qt event loop from a test: until a condition holds, or for a
// short while so socket bytes can move.

#include <QCoreApplication>
#include <QElapsedTimer>

#include <functional>

namespace kvt::test {

// Runs the event loop until pred holds or ms of real time pass.
inline bool esperaAte(const std::function<bool()>& pred, int ms = 5000) {
  QElapsedTimer t;
  t.start();
  while (!pred()) {
    if (t.elapsed() > ms) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  return true;
}

// Lets socket bytes move for a short while.
inline void giraLoop(int ms = 30) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

}  // namespace kvt::test
