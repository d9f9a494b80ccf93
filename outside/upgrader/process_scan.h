// Finding out whether a program still runs, from the machine's process
// folders (/proc/<pid>). Processes start and end all the while a scan
// reads them: one that is gone by the time its files are read is simply
// not the program.
#pragma once

#include <optional>
#include <string>

namespace upgrader {

// The whole of a small file (/proc/<pid>/cmdline, say); nothing when it
// cannot be opened or read, as when its process has ended meanwhile.
std::optional<std::string> ReadWholeFile(const std::string& path);

// True when the process of `process_folder` (/proc/<pid>) runs `program`:
// as its executable, or as the script its interpreter was given. A zombie
// does not count, nor a process that can no longer be read.
bool ProcessRuns(const std::string& process_folder, const std::string& program);

// True while a process other than this one runs `program`; `processes` is
// the folder of the process folders.
bool ProgramRunning(const std::string& program, const std::string& processes = "/proc");

}  // namespace upgrader
