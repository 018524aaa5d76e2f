// The hand-over queue with callbacks on several threads at once, as the
// terminal's library makes them, and the window's thread draining: built
// with ThreadSanitizer, so a data race fails the run.
#include "trading/handover_queue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace vestrel {
namespace {

struct Item {
  int Thread = 0;
  int Sequence = 0;
};

// Stands in for the window's message queue: a wake posts, the window's
// thread waits for a post.
struct Window {
  std::mutex Mutex;
  std::condition_variable Posted;
  int Posts = 0;

  void Post() {
    {
      std::lock_guard<std::mutex> lock(Mutex);
      ++Posts;
    }
    Posted.notify_one();
  }
  void WaitForPost() {
    std::unique_lock<std::mutex> lock(Mutex);
    Posted.wait(lock, [&] { return Posts > 0; });
    --Posts;
  }
};

TEST(HandoverQueue, EveryCallbackReachesTheWindowThreadOnceAndInItsThreadsOrder) {
  constexpr int kThreads = 4;
  constexpr int kEach = 5000;
  Window window;
  HandoverQueue<Item> queue([&] { window.Post(); });

  std::vector<std::thread> library;
  for (int thread = 0; thread < kThreads; ++thread) {
    library.emplace_back([&queue, thread] {
      for (int sequence = 0; sequence < kEach; ++sequence) {
        EXPECT_TRUE(queue.Push({thread, sequence}));
      }
    });
  }
  std::map<int, int> next;
  int received = 0;
  while (received < kThreads * kEach) {
    window.WaitForPost();
    for (const Item& item : queue.Drain()) {
      EXPECT_EQ(item.Sequence, next[item.Thread]++);
      ++received;
    }
  }
  for (std::thread& thread : library) {
    thread.join();
  }
  EXPECT_EQ(received, kThreads * kEach);
  EXPECT_TRUE(queue.Drain().empty());
}

TEST(HandoverQueue, PushesRacingWithCloseAreDroppedAndNoWakeFollowsIt) {
  std::atomic<bool> closed{false};
  std::atomic<int> wakesAfterClose{0};
  std::atomic<int> pushed{0};
  std::atomic<int> acceptedAfterClose{0};
  HandoverQueue<Item> queue([&] {
    if (closed.load()) {
      ++wakesAfterClose;
    }
  });

  std::atomic<bool> stop{false};
  std::vector<std::thread> library;
  for (int thread = 0; thread < 3; ++thread) {
    library.emplace_back([&, thread] {
      for (int sequence = 0; !stop.load(); ++sequence) {
        const bool afterClose = closed.load();
        if (queue.Push({thread, sequence})) {
          ++pushed;
          acceptedAfterClose += afterClose ? 1 : 0;
        }
      }
    });
  }
  while (pushed.load() < 1000) {
    queue.Drain();
  }
  queue.Close();
  closed = true;
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  stop = true;
  for (std::thread& thread : library) {
    thread.join();
  }
  EXPECT_EQ(wakesAfterClose.load(), 0);
  EXPECT_EQ(acceptedAfterClose.load(), 0);
  EXPECT_FALSE(queue.Push({9, 0}));
  EXPECT_TRUE(queue.Drain().empty());
}

}  // namespace
}  // namespace vestrel
