// Starting programs: CreateProcess and WinExec, over posix_spawn (never
// through a shell). A command line is split into arguments by the
// platform's rules (blanks separate, double quotes group, backslashes
// escape quotes); the first is the program, a platform path or a name
// found on the PATH. A process handle is signalled when the process ends.
//
// Tests select a recording starter that keeps each request and starts
// nothing.
#pragma once

#include <sys/types.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/core/types.h"

constexpr DWORD STARTF_USESHOWWINDOW = 0x00000001;
constexpr DWORD NORMAL_PRIORITY_CLASS = 0x00000020;
constexpr DWORD CREATE_NEW_CONSOLE = 0x00000010;
constexpr DWORD DETACHED_PROCESS = 0x00000008;

struct STARTUPINFO {
  DWORD cb = sizeof(STARTUPINFO);
  LPSTR lpReserved = nullptr;
  LPSTR lpDesktop = nullptr;
  LPSTR lpTitle = nullptr;
  DWORD dwX = 0, dwY = 0, dwXSize = 0, dwYSize = 0;
  DWORD dwXCountChars = 0, dwYCountChars = 0, dwFillAttribute = 0;
  DWORD dwFlags = 0;
  WORD wShowWindow = 0;
  WORD cbReserved2 = 0;
  LPBYTE lpReserved2 = nullptr;
  HANDLE hStdInput = nullptr, hStdOutput = nullptr, hStdError = nullptr;
};

struct PROCESS_INFORMATION {
  HANDLE hProcess = nullptr;
  HANDLE hThread = nullptr;
  DWORD dwProcessId = 0;
  DWORD dwThreadId = 0;
};

// `application` (may be null) is the program; otherwise the first argument
// of `command_line` is. `folder` is the new process's current folder.
// Fills `information` with a process handle (waitable; close it with
// CloseHandle) and the process id; hThread is null.
BOOL CreateProcess(LPCSTR application, LPSTR command_line, LPSECURITY_ATTRIBUTES process_security,
                   LPSECURITY_ATTRIBUTES thread_security, BOOL inherit_handles, DWORD flags,
                   LPVOID environment, LPCSTR folder, STARTUPINFO* startup,
                   PROCESS_INFORMATION* information);
// Above 31 when the program started; 0, ERROR_FILE_NOT_FOUND or
// ERROR_PATH_NOT_FOUND (2, 3) or ERROR_BAD_FORMAT (11) when not.
UINT WinExec(LPCSTR command_line, UINT show);
BOOL GetExitCodeProcess(HANDLE process, LPDWORD exit_code);
BOOL TerminateProcess(HANDLE process, UINT exit_code);

namespace platform {

// One program start as the starter sees it: the Linux path of the program,
// its arguments (the first is the program as the command line named it)
// and the Linux folder it starts in (empty: ours).
struct ProcessLaunch {
  std::string program;
  std::vector<std::string> arguments;
  std::string folder;
};

class ProcessStarter {
 public:
  virtual ~ProcessStarter() = default;
  // Starts the program; returns 0 with its id in *pid, or an errno value.
  // A starter that runs nothing sets *pid to 0: the process counts as
  // ended at once with exit code 0.
  virtual int Start(const ProcessLaunch& launch, pid_t* pid) = 0;
};

// null: the real starter (posix_spawn).
void SetProcessStarter(std::shared_ptr<ProcessStarter> starter);
std::shared_ptr<ProcessStarter> CurrentProcessStarter();
std::shared_ptr<ProcessStarter> MakeSpawnProcessStarter();

// Keeps every launch and starts nothing.
class RecordingProcessStarter : public ProcessStarter {
 public:
  int Start(const ProcessLaunch& launch, pid_t* pid) override;
  std::vector<ProcessLaunch> Launches();
  void Clear();
  // The errno value the next starts fail with (0: they succeed).
  void FailWith(int error);

 private:
  std::mutex mutex_;
  std::vector<ProcessLaunch> launches_;
  int error_ = 0;
};

// Splits a command line into arguments by the platform's rules.
std::vector<std::string> SplitCommandLine(const std::string& command_line);
// Quotes one argument so that SplitCommandLine gives it back unchanged.
std::string QuoteArgument(const std::string& argument);
// The Linux path of a program named on a command line: a platform path
// that exists, else a name without separators found on the PATH; empty
// when there is none.
std::string FindProgram(const std::string& name);

}  // namespace platform
