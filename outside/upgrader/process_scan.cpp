#include "outside/upgrader/process_scan.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace upgrader {

std::optional<std::string> ReadWholeFile(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::string text;
  char buffer[4096];
  for (;;) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      // ESRCH for a process that ended while it was read.
      close(fd);
      return std::nullopt;
    }
    if (n == 0) break;
    text.append(buffer, static_cast<std::size_t>(n));
  }
  close(fd);
  return text;
}

namespace {

bool RunsAsExecutable(const std::string& process_folder, const std::string& program) {
  char exe[4096];
  const ssize_t n = readlink((process_folder + "/exe").c_str(), exe, sizeof exe - 1);
  return n > 0 && std::string(exe, static_cast<std::size_t>(n)) == program;
}

// A script: its path is one of the first arguments.
bool RunsAsScript(const std::string& cmdline, const std::string& program) {
  std::size_t start = 0;
  for (int i = 0; i < 3 && start < cmdline.size(); ++i) {
    const std::size_t end = cmdline.find('\0', start);
    if (cmdline.compare(start, end == std::string::npos ? std::string::npos : end - start, program) == 0) return true;
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return false;
}

bool IsZombie(const std::string& stat) {
  const std::size_t paren = stat.rfind(')');
  return paren != std::string::npos && paren + 2 < stat.size() && stat[paren + 2] == 'Z';
}

}  // namespace

bool ProcessRuns(const std::string& process_folder, const std::string& program) {
  if (RunsAsExecutable(process_folder, program)) return true;
  const std::optional<std::string> cmdline = ReadWholeFile(process_folder + "/cmdline");
  if (!cmdline || !RunsAsScript(*cmdline, program)) return false;
  // The zombie of an ended child does not count.
  const std::optional<std::string> stat = ReadWholeFile(process_folder + "/stat");
  return stat && !IsZombie(*stat);
}

bool ProgramRunning(const std::string& program, const std::string& processes) {
  DIR* folder = opendir(processes.c_str());
  if (folder == nullptr) return false;
  bool running = false;
  const std::string self = std::to_string(getpid());
  while (const dirent* entry = readdir(folder)) {
    const std::string pid = entry->d_name;
    if (pid.empty() || pid.find_first_not_of("0123456789") != std::string::npos || pid == self) continue;
    if (ProcessRuns(processes + "/" + pid, program)) {
      running = true;
      break;
    }
  }
  closedir(folder);
  return running;
}

}  // namespace upgrader
