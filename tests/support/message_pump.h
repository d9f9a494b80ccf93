// Runs the calling thread's message loop for tests that wait on windows.
#pragma once

#include <functional>

namespace velko_test {

// Dispatches every message waiting for the thread (each translated first);
// how many there were.
int PumpWaitingMessages();

// Dispatches the thread's messages until `done` answers true (asked after
// each message and whenever the queue is empty) or `seconds` have passed;
// whether `done` was reached. With nothing to do it sleeps a millisecond of
// real time, so it works while a manual clock stands still. `pump`, when
// given, takes the waiting messages instead (the application's own loop).
bool PumpMessagesUntil(const std::function<bool()>& done, double seconds = 20,
                       const std::function<void()>& pump = {});

// Dispatches for `seconds`, to show that nothing more happens meanwhile.
void PumpMessagesFor(double seconds);

}  // namespace velko_test
