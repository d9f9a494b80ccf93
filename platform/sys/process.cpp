#include "platform/sys/process.h"

#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>

#include "platform/core/errors.h"
#include "platform/core/threads.h"
#include "platform/core/waits.h"
#include "platform/fs/drives.h"

extern char** environ;

namespace platform {

namespace {

std::mutex g_mutex;
std::shared_ptr<ProcessStarter> g_starter;

// A started process: signalled when it has ended. A thread of its own
// waits for the child, so no ended child is left behind unreaped.
class ProcessObject : public WaitableObject {
 public:
  explicit ProcessObject(pid_t pid) : pid_(pid) {}

  bool IsReadyFor(DWORD) override { return ended_; }
  bool NeedsPolling() const override { return false; }

  void Ended(DWORD code) {
    {
      auto lock = LockDispatcher();
      ended_ = true;
      exit_code_ = code;
    }
    NotifyWaiters();
  }
  DWORD ExitCode() {
    auto lock = LockDispatcher();
    return ended_ ? exit_code_ : STILL_ACTIVE;
  }
  pid_t pid() const { return pid_; }
  bool ended() {
    auto lock = LockDispatcher();
    return ended_;
  }

 private:
  const pid_t pid_;
  bool ended_ = false;
  DWORD exit_code_ = STILL_ACTIVE;
};

void WatchChild(const std::shared_ptr<ProcessObject>& process) {
  std::thread([process] {
    int status = 0;
    pid_t result;
    do {
      result = ::waitpid(process->pid(), &status, 0);
    } while (result < 0 && errno == EINTR);
    DWORD code = 0;
    if (result > 0 && WIFEXITED(status)) code = static_cast<DWORD>(WEXITSTATUS(status));
    if (result > 0 && WIFSIGNALED(status)) code = 0xC0000000u | static_cast<DWORD>(WTERMSIG(status));
    process->Ended(code);
  }).detach();
}

class SpawnStarter : public ProcessStarter {
 public:
  int Start(const ProcessLaunch& launch, pid_t* pid) override {
    std::vector<char*> argv;
    for (const std::string& argument : launch.arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    if (argv.empty()) argv.push_back(const_cast<char*>(launch.program.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!launch.folder.empty()) posix_spawn_file_actions_addchdir_np(&actions, launch.folder.c_str());
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    // The child starts with default signal handling and its own process
    // group, so it outlives a terminal's signals to ours.
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGCHLD);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    const int result = ::posix_spawn(pid, launch.program.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return result;
  }
};

bool IsExecutableFile(const std::string& path) {
  struct stat st{};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

}  // namespace

void SetProcessStarter(std::shared_ptr<ProcessStarter> starter) {
  std::lock_guard lock(g_mutex);
  g_starter = std::move(starter);
}

std::shared_ptr<ProcessStarter> CurrentProcessStarter() {
  std::lock_guard lock(g_mutex);
  if (!g_starter) g_starter = MakeSpawnProcessStarter();
  return g_starter;
}

std::shared_ptr<ProcessStarter> MakeSpawnProcessStarter() { return std::make_shared<SpawnStarter>(); }

int RecordingProcessStarter::Start(const ProcessLaunch& launch, pid_t* pid) {
  std::lock_guard lock(mutex_);
  if (error_ != 0) return error_;
  launches_.push_back(launch);
  *pid = 0;
  return 0;
}

std::vector<ProcessLaunch> RecordingProcessStarter::Launches() {
  std::lock_guard lock(mutex_);
  return launches_;
}

void RecordingProcessStarter::Clear() {
  std::lock_guard lock(mutex_);
  launches_.clear();
}

void RecordingProcessStarter::FailWith(int error) {
  std::lock_guard lock(mutex_);
  error_ = error;
}

std::vector<std::string> SplitCommandLine(const std::string& line) {
  std::vector<std::string> arguments;
  std::size_t i = 0;
  const std::size_t n = line.size();
  while (true) {
    while (i < n && (line[i] == ' ' || line[i] == '\t')) ++i;
    if (i >= n) break;
    std::string argument;
    bool quoted = false;
    while (i < n && (quoted || (line[i] != ' ' && line[i] != '\t'))) {
      if (line[i] == '\\') {
        std::size_t slashes = 0;
        while (i < n && line[i] == '\\') {
          ++slashes;
          ++i;
        }
        if (i < n && line[i] == '"') {
          argument.append(slashes / 2, '\\');
          if (slashes % 2 == 1) {
            argument += '"';
            ++i;
          }
        } else {
          argument.append(slashes, '\\');
        }
      } else if (line[i] == '"') {
        if (quoted && i + 1 < n && line[i + 1] == '"') {
          argument += '"';
          i += 2;
        } else {
          quoted = !quoted;
          ++i;
        }
      } else {
        argument += line[i++];
      }
    }
    arguments.push_back(std::move(argument));
  }
  return arguments;
}

std::string QuoteArgument(const std::string& argument) {
  if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos) return argument;
  std::string out = "\"";
  std::size_t slashes = 0;
  for (char c : argument) {
    if (c == '\\') {
      ++slashes;
      continue;
    }
    if (c == '"') {
      out.append(slashes * 2 + 1, '\\');
      out += '"';
    } else {
      out.append(slashes, '\\');
      out += c;
    }
    slashes = 0;
  }
  out.append(slashes * 2, '\\');
  out += '"';
  return out;
}

std::string FindProgram(const std::string& name) {
  if (name.empty()) return {};
  if (std::optional<std::string> native = NativePath(name); native && IsExecutableFile(*native)) {
    return *native;
  }
  if (name.find_first_of("\\/:") != std::string::npos) {
    // An absolute Linux path works too.
    return name[0] == '/' && IsExecutableFile(name) ? name : std::string();
  }
  const char* path = std::getenv("PATH");
  std::string folders = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
  std::size_t start = 0;
  while (start <= folders.size()) {
    std::size_t end = folders.find(':', start);
    if (end == std::string::npos) end = folders.size();
    const std::string folder = folders.substr(start, end - start);
    if (!folder.empty() && IsExecutableFile(folder + "/" + name)) return folder + "/" + name;
    start = end + 1;
  }
  return {};
}

}  // namespace platform

BOOL CreateProcess(LPCSTR application, LPSTR command_line, LPSECURITY_ATTRIBUTES,
                   LPSECURITY_ATTRIBUTES, BOOL, DWORD, LPVOID, LPCSTR folder, STARTUPINFO*,
                   PROCESS_INFORMATION* information) {
  using namespace platform;
  ProcessLaunch launch;
  launch.arguments = SplitCommandLine(command_line != nullptr ? command_line : "");
  const std::string program =
      application != nullptr ? application : (launch.arguments.empty() ? "" : launch.arguments[0]);
  if (program.empty()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (launch.arguments.empty()) launch.arguments.push_back(program);
  // A program not found here is left to the starter, which fails with
  // "not found" when it really starts programs.
  launch.program = FindProgram(program);
  if (launch.program.empty()) launch.program = program;
  if (folder != nullptr && folder[0] != '\0') {
    std::optional<std::string> native = NativePath(folder);
    if (!native) {
      SetLastError(ERROR_DIRECTORY);
      return FALSE;
    }
    launch.folder = *native;
  }
  pid_t pid = 0;
  const int error = CurrentProcessStarter()->Start(launch, &pid);
  if (error != 0) {
    SetLastError(error == ENOEXEC ? ERROR_BAD_EXE_FORMAT : ErrorFromErrno(error));
    return FALSE;
  }
  auto process = std::make_shared<ProcessObject>(pid);
  if (pid > 0) {
    WatchChild(process);
  } else {
    process->Ended(0);
  }
  if (information != nullptr) {
    information->hProcess = RegisterObject(process);
    information->hThread = nullptr;
    information->dwProcessId = static_cast<DWORD>(pid);
    information->dwThreadId = 0;
  }
  return TRUE;
}

UINT WinExec(LPCSTR command_line, UINT) {
  std::string line = command_line != nullptr ? command_line : "";
  PROCESS_INFORMATION information;
  if (!CreateProcess(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, nullptr,
                     &information)) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_BAD_FORMAT
               ? error
               : (error == ERROR_BAD_EXE_FORMAT ? ERROR_BAD_FORMAT : 0);
  }
  CloseHandle(information.hProcess);
  return 33;
}

BOOL GetExitCodeProcess(HANDLE process, LPDWORD exit_code) {
  auto object = platform::LookupObjectAs<platform::ProcessObject>(process);
  if (!object || exit_code == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  *exit_code = object->ExitCode();
  return TRUE;
}

BOOL TerminateProcess(HANDLE process, UINT) {
  auto object = platform::LookupObjectAs<platform::ProcessObject>(process);
  if (!object) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (object->pid() > 0 && !object->ended() && ::kill(object->pid(), SIGKILL) != 0) {
    platform::SetLastErrorFromErrno(errno);
    return FALSE;
  }
  return TRUE;
}
