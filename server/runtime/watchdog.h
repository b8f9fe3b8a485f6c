#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace kvt::runtime {

// The main loop's last sign of life, shared with the watchdog under one lock.
class SinalDeVida {
 public:
  void marca(std::uint32_t tick);
  std::uint32_t ultimo() const;

 private:
  mutable std::mutex mutex_;
  std::uint32_t tick_ = 0;
};

// Ends the process when the main loop has shown no sign of life for too long,
// after appending its record to WatchDog_<y>_<m>_<d>.log. It runs on its own
// thread and touches nothing of the main thread but the shared tick.
struct LimitesWatchDog {
  std::uint32_t intervaloMs = 10000;  // sleep between two checks
  std::uint32_t limiteMs = 120000;    // silence that ends the process
};

class tThr_WatchDog {
 public:
  using Limites = LimitesWatchDog;
  // `finaliza` ends the process (std::_Exit(1) in production).
  tThr_WatchDog(SinalDeVida& sinal, std::string folder, Limites limites = LimitesWatchDog(),
                std::function<void()> finaliza = nullptr);
  ~tThr_WatchDog();
  tThr_WatchDog(const tThr_WatchDog&) = delete;
  tThr_WatchDog& operator=(const tThr_WatchDog&) = delete;

  void start();
  // Stops the thread (orderly shutdown); the process usually ends without it.
  void stop();
  // One check, as the thread runs it; true when it fired.
  bool verifica();

  const std::string& texto() const { return texto_; }
  std::uint32_t tickInicio() const { return tickInicio_; }

 private:
  void run();

  SinalDeVida& sinal_;
  std::string folder_;
  Limites limites_;
  std::function<void()> finaliza_;
  std::uint32_t tickInicio_;
  std::string texto_;
  std::thread thread_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool ending_ = false;
};

// "WatchDog_" + year + "_" + month + "_" + day + ".log", numbers without leading zeros.
std::string NomeArquivoWatchDog(int year, int month, int day);

}  // namespace kvt::runtime
