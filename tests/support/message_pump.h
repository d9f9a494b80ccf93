// Runs the calling thread's message loop for tests that wait on windows.
#pragma once

#include <functional>

namespace velko_test {

// Dispatches the thread's messages until `done` answers true (checked after
// each round) or `seconds` have passed; whether `done` was reached.
bool PumpMessagesUntil(const std::function<bool()>& done, double seconds = 20);

}  // namespace velko_test
