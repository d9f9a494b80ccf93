#include "platform/user/remote_windows.h"

#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <sstream>
#include <thread>
#include <vector>

#include "platform/core/errors.h"
#include "platform/user/activation.h"
#include "platform/user/message_queue.h"
#include "platform/user/messages.h"
#include "platform/user/window_styles.h"
#include "platform/user/window.h"
#include "platform/user/window_position.h"
#include "platform/user/window_system.h"

namespace platform {

namespace {

constexpr std::uintptr_t kRemoteMarker = std::uintptr_t{1} << 62;
constexpr int kAnswerTimeoutMs = 2000;

std::mutex g_mutex;
std::string g_folder;
std::string g_socket_path;  // ours, once the server runs

std::string DefaultFolder() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime != nullptr && runtime[0] == '/') return std::string(runtime) + "/velko/windows";
  return "/tmp/velko-" + std::to_string(::getuid()) + "/windows";
}

HWND MakeRemote(pid_t pid, std::uintptr_t local) {
  return reinterpret_cast<HWND>(kRemoteMarker | (static_cast<std::uintptr_t>(pid) << 32) |
                                (local & 0xFFFFFFFFu));
}
pid_t PidOf(HWND hwnd) {
  return static_cast<pid_t>((reinterpret_cast<std::uintptr_t>(hwnd) & ~kRemoteMarker) >> 32);
}
std::uintptr_t LocalOf(HWND hwnd) { return reinterpret_cast<std::uintptr_t>(hwnd) & 0xFFFFFFFFu; }

std::string SocketPath(const std::string& folder, pid_t pid) {
  return folder + "/" + std::to_string(pid) + ".sock";
}

// Texts travel one per field; tabs, line ends and % are escaped.
std::string Escape(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '%' || c == '\t' || c == '\n' || c == '\r') {
      char buffer[4];
      std::snprintf(buffer, sizeof buffer, "%%%02X", static_cast<unsigned char>(c));
      out += buffer;
    } else {
      out += c;
    }
  }
  return out;
}
std::string Unescape(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size()) {
      out += static_cast<char>(std::strtol(text.substr(i + 1, 2).c_str(), nullptr, 16));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

bool WriteAll(int fd, const std::string& data) {
  std::size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = ::send(fd, data.data() + done, data.size() - done, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// Reads until the peer closes or, with `line_only`, up to the first line end.
bool ReadAll(int fd, std::string* out, bool line_only) {
  char buffer[4096];
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kAnswerTimeoutMs);
  while (out->size() < (1u << 20)) {
    if (line_only && out->find('\n') != std::string::npos) return true;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    pollfd p{fd, POLLIN, 0};
    const int ready = ::poll(&p, 1, static_cast<int>(left.count()));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return false;
    const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return !line_only;
    out->append(buffer, static_cast<std::size_t>(n));
  }
  return false;
}

// ---- The answering side ----

std::string ListWindows() {
  std::string out;
  auto lock = user::Lock();
  for (user::Window* window : user::System().desktop->children) {
    char handle[32];
    std::snprintf(handle, sizeof handle, "%lx",
                  static_cast<unsigned long>(user::HandleValue(window->handle)));
    out += handle;
    out += '\t';
    out += Escape(window->window_class->name);
    out += '\t';
    out += Escape(window->text);
    out += '\n';
  }
  return out;
}

// The own top-level window a request names, or null.
HWND OwnTopLevel(const std::string& text) {
  const auto value = static_cast<std::uintptr_t>(std::strtoull(text.c_str(), nullptr, 16));
  auto lock = user::Lock();
  for (user::Window* window : user::System().desktop->children) {
    if (user::HandleValue(window->handle) == value) return window->handle;
  }
  return nullptr;
}

std::string Answer(const std::string& request) {
  std::istringstream in(request);
  std::string command;
  std::string handle;
  int argument = 0;
  in >> command >> handle >> argument;
  if (command == "LIST") return ListWindows();
  HWND hwnd = OwnTopLevel(handle);
  if (hwnd == nullptr) return "0\n";
  if (command == "ISWINDOW") return "1\n";
  if (command == "ICONIC") return ::IsIconic(hwnd) ? "1\n" : "0\n";
  if (command == "SHOW") {
    // Restoring a minimised window goes through its system command, as a
    // click on its task button would, so its program restores its forms.
    if (argument == SW_RESTORE && ::IsIconic(hwnd)) {
      return ::PostMessage(hwnd, WM_SYSCOMMAND, SC_RESTORE, 0) ? "1\n" : "0\n";
    }
    return ::ShowWindow(hwnd, argument) ? "1\n" : "0\n";
  }
  if (command == "FOREGROUND") {
    // A hidden window (a program's application window) hands the
    // activation to its first visible owned window.
    if (!::IsWindowVisible(hwnd)) {
      auto lock = user::Lock();
      for (user::Window* window : user::System().desktop->children) {
        if (window->owner != nullptr && window->owner->handle == hwnd &&
            (window->style & WS_VISIBLE) != 0) {
          hwnd = window->handle;
          break;
        }
      }
    }
    return ::SetForegroundWindow(hwnd) ? "1\n" : "0\n";
  }
  return "0\n";
}

void Serve(int listener) {
  for (;;) {
    const int client = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0) {
      if (errno == EINTR || errno == ECONNABORTED) continue;
      return;
    }
    std::string request;
    if (ReadAll(client, &request, true)) WriteAll(client, Answer(request));
    ::close(client);
  }
}

void RemoveOwnSocket() {
  std::lock_guard lock(g_mutex);
  if (!g_socket_path.empty()) ::unlink(g_socket_path.c_str());
}

// ---- The asking side ----

// The answer of process `pid`, or nothing when it does not answer.
std::optional<std::string> Ask(const std::string& folder, pid_t pid, const std::string& request) {
  const std::string path = SocketPath(folder, pid);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) return std::nullopt;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return std::nullopt;
  std::optional<std::string> answer;
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
    std::string text;
    if (WriteAll(fd, request + "\n") && ReadAll(fd, &text, false)) answer = std::move(text);
  } else if (errno == ECONNREFUSED && ::kill(pid, 0) != 0 && errno == ESRCH) {
    ::unlink(path.c_str());  // left behind by a process that ended abruptly
  }
  ::close(fd);
  return answer;
}

// The other processes with a socket, in id order.
std::vector<pid_t> OtherProcesses(const std::string& folder) {
  std::vector<pid_t> pids;
  std::error_code error;
  for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
       it.increment(error)) {
    const std::string name = it->path().filename().string();
    if (name.size() < 6 || name.substr(name.size() - 5) != ".sock") continue;
    char* stop = nullptr;
    const long pid = std::strtol(name.c_str(), &stop, 10);
    if (pid <= 0 || std::string(stop) != ".sock" || pid == ::getpid()) continue;
    pids.push_back(static_cast<pid_t>(pid));
  }
  std::sort(pids.begin(), pids.end());
  return pids;
}

bool AnswerIsYes(HWND hwnd, const std::string& request) {
  std::optional<std::string> answer = Ask(WindowDirectoryFolder(), PidOf(hwnd), request);
  return answer && answer->rfind("1", 0) == 0;
}

std::string HandleText(HWND hwnd) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%lx", static_cast<unsigned long>(LocalOf(hwnd)));
  return buffer;
}

}  // namespace

void SetWindowDirectoryFolder(const std::string& native_folder) {
  std::lock_guard lock(g_mutex);
  g_folder = native_folder;
}

std::string WindowDirectoryFolder() {
  std::lock_guard lock(g_mutex);
  return g_folder.empty() ? DefaultFolder() : g_folder;
}

void EnsureWindowDirectoryServer() {
  static std::once_flag once;
  std::call_once(once, [] {
    const std::string folder = WindowDirectoryFolder();
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    ::chmod(folder.c_str(), 0700);
    const std::string path = SocketPath(folder, ::getpid());
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) return;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listener < 0) return;
    ::unlink(path.c_str());
    if (::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener, 16) != 0) {
      ::close(listener);
      return;
    }
    {
      std::lock_guard lock(g_mutex);
      g_socket_path = path;
    }
    std::atexit(&RemoveOwnSocket);
    std::thread([listener] { Serve(listener); }).detach();
  });
}

namespace remote {

bool IsRemote(HWND hwnd) { return (reinterpret_cast<std::uintptr_t>(hwnd) & kRemoteMarker) != 0; }

HWND FindNext(HWND after, LPCSTR class_name, LPCSTR window_name) {
  if (class_name != nullptr && user::IsIntegerAtom(class_name)) return nullptr;
  const std::string folder = WindowDirectoryFolder();
  bool passed = after == nullptr;
  for (pid_t pid : OtherProcesses(folder)) {
    if (!passed && pid < PidOf(after)) continue;
    std::optional<std::string> answer = Ask(folder, pid, "LIST");
    if (!answer) continue;
    std::istringstream lines(*answer);
    std::string line;
    while (std::getline(lines, line)) {
      const std::size_t tab1 = line.find('\t');
      const std::size_t tab2 = tab1 == std::string::npos ? tab1 : line.find('\t', tab1 + 1);
      if (tab2 == std::string::npos) continue;
      const auto local =
          static_cast<std::uintptr_t>(std::strtoull(line.substr(0, tab1).c_str(), nullptr, 16));
      HWND handle = MakeRemote(pid, local);
      if (!passed) {
        if (handle == after) passed = true;
        continue;
      }
      const std::string window_class = Unescape(line.substr(tab1 + 1, tab2 - tab1 - 1));
      const std::string text = Unescape(line.substr(tab2 + 1));
      if (class_name != nullptr && strcasecmp(window_class.c_str(), class_name) != 0) continue;
      if (window_name != nullptr && text != window_name) continue;
      return handle;
    }
    passed = true;  // the window after which to go on has gone: go on with the next process
  }
  return nullptr;
}

BOOL IsWindow(HWND hwnd) { return AnswerIsYes(hwnd, "ISWINDOW " + HandleText(hwnd)) ? TRUE : FALSE; }
BOOL IsIconic(HWND hwnd) { return AnswerIsYes(hwnd, "ICONIC " + HandleText(hwnd)) ? TRUE : FALSE; }
BOOL ShowWindow(HWND hwnd, int command) {
  return AnswerIsYes(hwnd, "SHOW " + HandleText(hwnd) + " " + std::to_string(command)) ? TRUE : FALSE;
}
BOOL SetForegroundWindow(HWND hwnd) {
  return AnswerIsYes(hwnd, "FOREGROUND " + HandleText(hwnd)) ? TRUE : FALSE;
}

}  // namespace remote

}  // namespace platform
