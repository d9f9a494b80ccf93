// Starts the program itself (build*/bin/velko) as another process, with
// its own home, settings, data and runtime folders under a folder of the
// test, so it never reads or writes the user's own settings or music.
#pragma once

#include <sys/types.h>

#include <filesystem>

namespace velko_test {

// The child's pid, or -1 when it could not be started. `home` must exist.
pid_t StartProgram(const std::filesystem::path& home);

// Waits up to `seconds` for the child to end; false when it did not.
bool WaitForProgramExit(pid_t pid, int* status, double seconds);

}  // namespace velko_test
