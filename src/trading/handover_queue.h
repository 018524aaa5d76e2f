#pragma once

#include <deque>
#include <functional>
#include <mutex>
#include <utility>
#include <vector>

namespace vestrel {

// Hands what the terminal's library reports on its own threads to the
// window's thread.
//
// A callback copies its arguments into an item and pushes it; the queue
// wakes the window's thread (the window posts itself a message) when the
// first item of a batch arrives, and that thread drains the batch in the
// order it was pushed and applies it there: nothing of the panel runs on the
// library's threads but the push and the wake. After Close, pushes are
// dropped; Close waits for a push in progress, so once it returns no wake
// runs again and the window may go.
//
// The wake runs under the queue's lock, so it must be quick and must not
// call back into the queue (posting a message is both).
template <typename Item>
class HandoverQueue {
 public:
  explicit HandoverQueue(std::function<void()> wake) : wake_(std::move(wake)) {}

  HandoverQueue(const HandoverQueue&) = delete;
  HandoverQueue& operator=(const HandoverQueue&) = delete;

  // Any thread. False when the queue is closed and the item was dropped.
  bool Push(Item item) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (closed_) {
      return false;
    }
    items_.push_back(std::move(item));
    if (!wakePending_) {
      wakePending_ = true;
      wake_();
    }
    return true;
  }

  // The window's thread: every item pushed so far, oldest first.
  std::vector<Item> Drain() {
    std::lock_guard<std::mutex> lock(mutex_);
    wakePending_ = false;
    std::vector<Item> batch(std::make_move_iterator(items_.begin()),
                            std::make_move_iterator(items_.end()));
    items_.clear();
    return batch;
  }

  // Shutdown: drops what is waiting and every later push.
  void Close() {
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
    items_.clear();
  }

 private:
  std::mutex mutex_;
  std::function<void()> wake_;
  std::deque<Item> items_;
  bool wakePending_ = false;
  bool closed_ = false;
};

}  // namespace vestrel
