#include "platform/shell/shell_execute.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <string>

#include "platform/core/errors.h"
#include "platform/core/handles.h"
#include "platform/fs/drives.h"
#include "platform/sys/process.h"

namespace {

HINSTANCE Result(INT_PTR value) { return reinterpret_cast<HINSTANCE>(value); }

// "http://...", "mailto:...": a scheme of two or more letters, then a colon.
bool IsAddress(const std::string& text) {
  const std::size_t colon = text.find(':');
  if (colon == std::string::npos || colon < 2) return false;
  for (std::size_t i = 0; i < colon; ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (!std::isalnum(c) && c != '+' && c != '-' && c != '.') return false;
  }
  return std::isalpha(static_cast<unsigned char>(text[0])) != 0;
}

HINSTANCE Start(const std::string& command_line, LPCSTR directory) {
  std::string line = command_line;
  PROCESS_INFORMATION information;
  if (!CreateProcess(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, directory, nullptr,
                     &information)) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND) return Result(SE_ERR_FNF);
    if (error == ERROR_ACCESS_DENIED) return Result(SE_ERR_ACCESSDENIED);
    return Result(SE_ERR_NOASSOC);
  }
  CloseHandle(information.hProcess);
  return Result(42);
}

}  // namespace

HINSTANCE ShellExecute(HWND, LPCSTR operation, LPCSTR file, LPCSTR parameters, LPCSTR directory,
                       INT) {
  using platform::QuoteArgument;
  const std::string verb = operation != nullptr ? operation : "open";
  if (file == nullptr || file[0] == '\0') return Result(SE_ERR_FNF);
  if (!verb.empty() && verb != "open" && verb != "Open" && verb != "OPEN") {
    return Result(SE_ERR_NOASSOC);
  }
  const std::string target = file;
  if (IsAddress(target) && !(target.size() > 1 && target[1] == ':')) {
    return Start("xdg-open " + QuoteArgument(target), directory);
  }
  std::optional<std::string> native = platform::NativePath(target);
  struct stat st{};
  if (!native || ::stat(native->c_str(), &st) != 0) return Result(SE_ERR_FNF);
  if (S_ISREG(st.st_mode) && ::access(native->c_str(), X_OK) == 0) {
    std::string line = QuoteArgument(target);
    if (parameters != nullptr && parameters[0] != '\0') line += std::string(" ") + parameters;
    return Start(line, directory);
  }
  return Start("xdg-open " + QuoteArgument(*native), directory);
}
