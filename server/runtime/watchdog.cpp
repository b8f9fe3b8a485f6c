#include "server/runtime/watchdog.h"

#include <cstdio>
#include <cstdlib>

#include "platform/clock/clock.h"
#include "platform/text/cp1252.h"
#include "platform/text/date_time.h"

namespace kvt::runtime {

using namespace text::literals;

void SinalDeVida::marca(std::uint32_t tick) {
  std::lock_guard lock(mutex_);
  tick_ = tick;
}

std::uint32_t SinalDeVida::ultimo() const {
  std::lock_guard lock(mutex_);
  return tick_;
}

std::string NomeArquivoWatchDog(int year, int month, int day) {
  return "WatchDog_" + std::to_string(year) + "_" + std::to_string(month) + "_" + std::to_string(day) + ".log";
}

tThr_WatchDog::tThr_WatchDog(SinalDeVida& sinal, std::string folder, Limites limites, std::function<void()> finaliza)
    : sinal_(sinal),
      folder_(std::move(folder)),
      limites_(limites),
      finaliza_(finaliza ? std::move(finaliza) : [] { std::_Exit(1); }),
      tickInicio_(clk::tickCount()) {}

tThr_WatchDog::~tThr_WatchDog() { stop(); }

void tThr_WatchDog::start() {
  if (thread_.joinable()) return;
  thread_ = std::thread([this] { run(); });
}

void tThr_WatchDog::stop() {
  {
    std::lock_guard lock(mutex_);
    ending_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void tThr_WatchDog::run() {
  std::unique_lock lock(mutex_);
  while (!ending_) {
    wake_.wait_for(lock, std::chrono::milliseconds(limites_.intervaloMs), [this] { return ending_; });
    if (ending_) break;
    lock.unlock();
    const bool fired = verifica();
    lock.lock();
    if (fired) break;
  }
}

bool tThr_WatchDog::verifica() {
  const std::uint32_t silencio = clk::ticksBetween(sinal_.ultimo(), clk::tickCount());
  if (silencio <= limites_.limiteMs) return false;
  texto_ += "O KVT não responde à "_cp + std::to_string(silencio / 1000) + " segundos.\r\n";
  texto_ += "A aplicação será finalizada."_cp + "\r\n";
  const text::DateTime agora = clk::now();
  std::string registro = "(";
  registro.append(text::dateTimeToStr(agora)).append(") ").append(texto_).append("\r\n");
  const std::string name = NomeArquivoWatchDog(agora.year, agora.month, agora.day);
  const std::string path = folder_.empty() || folder_ == "." ? name : folder_ + "/" + name;
  if (FILE* f = std::fopen(path.c_str(), "ab")) {
    std::fwrite(registro.data(), 1, registro.size(), f);
    std::fclose(f);
  }
  finaliza_();
  return true;
}

}  // namespace kvt::runtime
