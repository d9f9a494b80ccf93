#include "tests/support/message_pump.h"

#include <chrono>
#include <thread>

#include "platform/user/message_queue.h"

namespace velko_test {

int PumpWaitingMessages() {
  int count = 0;
  MSG msg;
  while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessage(&msg);
    ++count;
  }
  return count;
}

bool PumpMessagesUntil(const std::function<bool()>& done, double seconds, const std::function<void()>& pump) {
  const auto give_up = std::chrono::steady_clock::now() +
                       std::chrono::milliseconds(static_cast<int>(seconds * 1000));
  for (;;) {
    MSG msg;
    if (pump) pump();
    while (!pump && PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessage(&msg);
      if (done()) return true;
    }
    if (done()) return true;
    if (std::chrono::steady_clock::now() >= give_up) return false;
    // Real time, not the platform's clock: a test's manual clock may stand
    // still while the messages it waits for come from other threads.
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

void PumpMessagesFor(double seconds) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(static_cast<int>(seconds * 1000));
  PumpMessagesUntil([&] { return std::chrono::steady_clock::now() >= until; }, seconds + 1);
}

}  // namespace velko_test
