// The whole panel with [Live] Orders=1 while the terminal's library calls
// back on several threads at once: the window's thread drains and applies,
// then shuts down with callbacks still coming. Built with ThreadSanitizer,
// so a data race fails the run.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "fakes/fake_panel_ports.h"

namespace vestrel {
namespace {

using namespace testing;

constexpr int kThreads = 4;
constexpr int kEach = 400;

TradeStatusEvent Trade(std::int64_t number, bool sell) {
  return {StreamMode::New, number, 1, "C1", "S1", 100, 1, 0, sell};
}

std::size_t FillLines(const FakePanelPorts& rig) {
  std::size_t fills = 0;
  for (const EventLogEntry& entry : rig.services.AppLog.Entries) {
    fills += entry.Text.starts_with("FILL ") ? 1 : 0;
  }
  return fills;
}

TEST(LiveHandover, EveryCallbackBeforeShutdownIsAppliedAndLoggedAndNoneAfterIt) {
  FakePanelPorts rig;
  rig.profile.Values["Main/Compact"] = "0";
  rig.profile.Values["Live/Orders"] = "1";
  ASSERT_TRUE(rig.panel.Start());
  OrderStatusEvent ordersDone;
  ordersDone.Mode = StreamMode::SnapshotEnd;
  TradeStatusEvent tradesDone;
  tradesDone.Mode = StreamMode::SnapshotEnd;
  ASSERT_TRUE(rig.streams.Fire(ordersDone));
  ASSERT_TRUE(rig.streams.Fire(tradesDone));

  // Buys from every thread while the window's thread applies them.
  std::atomic<int> running{kThreads};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < kEach; ++i) {
        EXPECT_TRUE(rig.streams.Fire(Trade(t * kEach + i + 1, false)));
      }
      --running;
    });
  }
  while (running.load() > 0) {
    rig.panel.TerminalEventsArrived();
  }
  for (std::thread& thread : threads) {
    thread.join();
  }
  threads.clear();
  rig.panel.TerminalEventsArrived();
  EXPECT_EQ(rig.panel.Trading().CurrentPosition().Quantity(), kThreads * kEach);
  EXPECT_EQ(FillLines(rig), static_cast<std::size_t>(kThreads * kEach));

  // Sells still coming while the panel shuts down, and after.
  std::atomic<bool> shutDown{false};
  std::atomic<int> fired{0};
  std::atomic<int> acceptedAfterShutdown{0};
  std::atomic<int> accepted{0};
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < kEach; ++i) {
        const bool after = shutDown.load();
        if (rig.streams.Fire(Trade(1'000'000 * (t + 1) + i, true))) {
          ++accepted;
          if (after) {
            ++acceptedAfterShutdown;
          }
        }
        ++fired;
      }
    });
  }
  while (fired.load() < kThreads * kEach / 2) {
    rig.panel.TerminalEventsArrived();
  }
  rig.panel.Shutdown();
  shutDown = true;
  const std::int64_t position = rig.panel.Trading().CurrentPosition().Quantity();
  const std::size_t fills = FillLines(rig);
  for (std::thread& thread : threads) {
    thread.join();
  }
  rig.panel.TerminalEventsArrived();  // a wake posted before the window went
  EXPECT_EQ(acceptedAfterShutdown.load(), 0);
  EXPECT_EQ(rig.panel.Trading().CurrentPosition().Quantity(), position);
  // Every trade the panel took from the library is applied and has its
  // line: nothing of the logs lost.
  EXPECT_EQ(FillLines(rig), fills);
  EXPECT_EQ(static_cast<std::int64_t>(fills), 2 * kThreads * kEach - position);
  EXPECT_EQ(fills, static_cast<std::size_t>(kThreads * kEach + accepted.load()));
}

}  // namespace
}  // namespace vestrel
