#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/clock/clock.h"
#include "server/runtime/watchdog.h"
#include "tests/support/temp_dir.h"

using namespace kvt;
using kvt::test::readFile;
using kvt::test::TempDir;

TEST(WatchDog, FiresOnlyPastTheLimitAndWritesItsRecord) {
  TempDir dir;
  clk::ManualClock manual(1000, {2024, 7, 3, 10, 11, 12, 0});
  clk::ScopedClock scope(manual);
  runtime::SinalDeVida sinal;
  sinal.marca(1000);
  int ended = 0;
  runtime::tThr_WatchDog dog(sinal, dir.path().string(), {}, [&] { ++ended; });

  manual.advance(120000);  // exactly the limit: still alive
  EXPECT_FALSE(dog.verifica());
  manual.advance(5500);
  EXPECT_TRUE(dog.verifica());
  EXPECT_EQ(ended, 1);
  EXPECT_EQ(readFile(dir.file("WatchDog_2024_7_3.log")),
            "(03/07/2024 10:13:17) O KVT n\xE3o responde \xE0 125 segundos.\r\nA aplica\xE7\xE3o ser\xE1 finalizada.\r\n\r\n");
}

TEST(WatchDog, ThreadEndsABlockedLoopAndNeverATickingOne) {
  TempDir dir;
  runtime::SinalDeVida sinal;
  sinal.marca(clk::tickCount());
  std::atomic<int> ended{0};
  // thresholds shrunk so the test runs in a fraction of a second
  runtime::tThr_WatchDog dog(sinal, dir.path().string(), {20, 150}, [&] { ++ended; });
  dog.start();
  // a loop that keeps ticking for longer than the limit
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(400);
  while (std::chrono::steady_clock::now() < until) {
    sinal.marca(clk::tickCount());
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_EQ(ended.load(), 0);
  // then it blocks
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (ended.load() == 0 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(ended.load(), 1);
  dog.stop();
  const auto now = clk::now();
  EXPECT_NE(readFile(dir.file(runtime::NomeArquivoWatchDog(now.year, now.month, now.day))).find("A aplica"),
            std::string::npos);
}
