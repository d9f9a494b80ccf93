#include "tests/support/message_pump.h"

#include <chrono>
#include <thread>

#include "platform/user/message_queue.h"

namespace velko_test {

bool PumpMessagesUntil(const std::function<bool()>& done, double seconds) {
  const auto give_up = std::chrono::steady_clock::now() +
                       std::chrono::milliseconds(static_cast<int>(seconds * 1000));
  while (std::chrono::steady_clock::now() < give_up) {
    MSG msg;
    while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessage(&msg);
    }
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

}  // namespace velko_test
