// Moves the manual clock on from a thread of its own while the test's
// thread waits inside a handler or a modal loop.
#pragma once

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/core/clock.h"

namespace velko_test {

class ClockDriver {
 public:
  explicit ClockDriver(int step_ms = 50) {
    thread_ = std::thread([this, step_ms] {
      while (!stop_) {
        platform::AdvanceClockMs(step_ms);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
    });
  }
  ~ClockDriver() {
    stop_ = true;
    thread_.join();
  }
  ClockDriver(const ClockDriver&) = delete;
  ClockDriver& operator=(const ClockDriver&) = delete;

 private:
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace velko_test
