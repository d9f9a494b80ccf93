#include "tests/support/x_server.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/gdi/gdi.h"
#include "platform/gdi/surface.h"

extern char** environ;

// The X and SDL libraries keep some memory until the process ends. Every
// test program that starts an X server links this file, and none defines
// its own list.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libX11\nleak:libSDL2\nleak:libxcb\nleak:libdbus\nleak:libXi\nleak:libXext\n"
         "leak:libXcursor\nleak:libXrandr\nleak:libXfixes\nleak:libXss\nleak:libxkbcommon\n"
         "leak:libXinerama\n";
}

namespace velko_test {
namespace {

static_assert(std::is_same_v<KeySym, unsigned long>, "XServer::Key takes an X key symbol");

constexpr auto kStartTime = std::chrono::seconds(20);

// Reads from `fd` until a newline comes, the writer closes it or the time
// is up; whatever came.
std::string ReadLine(int fd, std::chrono::steady_clock::time_point give_up) {
  std::string line;
  while (line.find('\n') == std::string::npos) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        give_up - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    pollfd ready{fd, POLLIN, 0};
    const int polled = poll(&ready, 1, static_cast<int>(left.count()));
    if (polled < 0 && errno == EINTR) continue;
    if (polled <= 0) break;
    char buffer[32];
    const ssize_t got = read(fd, buffer, sizeof(buffer));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    line.append(buffer, static_cast<size_t>(got));
  }
  return line;
}

// Starts Xvfb into `pid` and returns the display number it serves. Xvfb
// picks the first free number itself (-displayfd) and writes it to a pipe
// once it takes connections, so test programs run side by side never end up
// on one server.
std::optional<int> SpawnXvfb(pid_t& pid) {
  int pipe_ends[2];
  if (pipe(pipe_ends) != 0) return std::nullopt;
  const int read_end = pipe_ends[0], write_end = pipe_ends[1];
  fcntl(read_end, F_SETFD, FD_CLOEXEC);  // Xvfb inherits only the end it writes to
  std::vector<std::string> args{"Xvfb",      "-displayfd", std::to_string(write_end),
                                "-screen",   "0",          "800x600x24",
                                "-nolisten", "tcp"};
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  const bool spawned = posix_spawnp(&pid, "Xvfb", nullptr, nullptr, argv.data(), environ) == 0;
  close(write_end);  // from now on, end of file means Xvfb stopped
  if (!spawned) pid = 0;
  const std::string line =
      spawned ? ReadLine(read_end, std::chrono::steady_clock::now() + kStartTime) : "";
  close(read_end);
  int number = 0;
  const auto [end, error] = std::from_chars(line.data(), line.data() + line.size(), number);
  if (error != std::errc() || end == line.data() + line.size() || *end != '\n') return std::nullopt;
  return number;
}

}  // namespace

XServer::~XServer() {
  Stop();
}

namespace {

XErrorHandler g_previous_error_handler = nullptr;

// The tests read the windows of programs that make and destroy them at the
// same time: a window listed a moment ago may be gone by the time it is
// asked about. Such errors are passed over; every other error goes where it
// went before (Xlib's handler ends the process).
int PassOverVanishedWindows(Display* display, XErrorEvent* error) {
  if (error->error_code == BadWindow || error->error_code == BadDrawable) return 0;
  return g_previous_error_handler != nullptr ? g_previous_error_handler(display, error) : 0;
}

}  // namespace

bool XServer::Start() {
  Stop();
  const std::optional<int> number = SpawnXvfb(pid_);
  if (!number) {
    Stop();
    return false;
  }
  const std::string name = ":" + std::to_string(*number);
  display_ = XOpenDisplay(name.c_str());
  if (display_ == nullptr) {
    Stop();
    return false;
  }
  setenv("DISPLAY", name.c_str(), 1);
  name_ = name;
  const XErrorHandler previous = XSetErrorHandler(PassOverVanishedWindows);
  if (previous != PassOverVanishedWindows) g_previous_error_handler = previous;
  return true;
}

void XServer::Stop() {
  if (display_ != nullptr) XCloseDisplay(display_);
  display_ = nullptr;
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
  }
  pid_ = 0;
}

COLORREF XServer::Pixel(int x, int y) {
  XImage* image = XGetImage(display_, DefaultRootWindow(display_), x, y, 1, 1, AllPlanes, ZPixmap);
  if (image == nullptr) return CLR_INVALID;
  const unsigned long p = XGetPixel(image, 0, 0);
  XDestroyImage(image);
  return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

namespace {

// An X window dump (XWDFileHeader: big-endian 32-bit fields, then the
// window's name, the colours and the rows of a Z pixmap).
constexpr std::size_t kXwdHeaderFields = 25;
constexpr std::size_t kXwdColourSize = 12;

std::uint32_t BigEndian32(const std::string& bytes, std::size_t at) {
  return (std::uint32_t{static_cast<unsigned char>(bytes[at])} << 24) |
         (std::uint32_t{static_cast<unsigned char>(bytes[at + 1])} << 16) |
         (std::uint32_t{static_cast<unsigned char>(bytes[at + 2])} << 8) |
         std::uint32_t{static_cast<unsigned char>(bytes[at + 3])};
}

// The channel of `pixel` that `mask` selects, as 0..255.
std::uint32_t Channel(std::uint32_t pixel, std::uint32_t mask) {
  if (mask == 0) return 0;
  int shift = 0;
  while (((mask >> shift) & 1) == 0) ++shift;
  const std::uint32_t value = (pixel & mask) >> shift, top = mask >> shift;
  return top == 255 ? value : value * 255 / top;
}

std::shared_ptr<platform::Surface> ParseXwd(const std::string& dump) {
  if (dump.size() < kXwdHeaderFields * 4) return nullptr;
  auto field = [&](std::size_t i) { return BigEndian32(dump, i * 4); };
  const std::uint32_t header_size = field(0), format = field(2), width = field(4), height = field(5);
  const std::uint32_t byte_order = field(7), bits_per_pixel = field(11), bytes_per_line = field(12);
  const std::uint32_t red = field(14), green = field(15), blue = field(16), colours = field(19);
  if (format != ZPixmap || (bits_per_pixel != 24 && bits_per_pixel != 32) || width == 0 || height == 0 ||
      width > 16384 || height > 16384 || bytes_per_line < width * (bits_per_pixel / 8))
    return nullptr;
  const std::size_t rows_at = std::size_t{header_size} + std::size_t{colours} * kXwdColourSize;
  if (rows_at > dump.size() || (dump.size() - rows_at) / bytes_per_line < height) return nullptr;
  auto surface = platform::Surface::Create(static_cast<int>(width), static_cast<int>(height));
  if (!surface) return nullptr;
  const std::size_t bytes_per_pixel = bits_per_pixel / 8;
  for (std::uint32_t y = 0; y < height; ++y) {
    for (std::uint32_t x = 0; x < width; ++x) {
      const std::size_t at = rows_at + std::size_t{y} * bytes_per_line + x * bytes_per_pixel;
      std::uint32_t pixel = 0;
      for (std::size_t b = 0; b < bytes_per_pixel; ++b) {
        const std::uint32_t byte = static_cast<unsigned char>(dump[at + b]);
        pixel |= byte_order == LSBFirst ? byte << (8 * b) : byte << (8 * (bytes_per_pixel - 1 - b));
      }
      surface->SetPixel(static_cast<int>(x), static_cast<int>(y),
                        RGB(Channel(pixel, red), Channel(pixel, green), Channel(pixel, blue)));
    }
  }
  return surface;
}

}  // namespace

std::shared_ptr<platform::Surface> XServer::ScreenAsXwdReadsIt() {
  if (display_ == nullptr) return nullptr;
  XSync(display_, False);
  const std::filesystem::path file =
      std::filesystem::temp_directory_path() / ("velko-xwd-" + std::to_string(getpid()) + ".xwd");
  std::vector<std::string> args{"xwd", "-root", "-silent", "-display", name_, "-out", file.string()};
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t xwd = 0;
  if (posix_spawnp(&xwd, "xwd", nullptr, nullptr, argv.data(), environ) != 0) return nullptr;
  int status = 0;
  while (waitpid(xwd, &status, 0) < 0 && errno == EINTR) {
  }
  std::ifstream in(file, std::ios::binary);
  const std::string dump((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  in.close();
  std::error_code ignored;
  std::filesystem::remove(file, ignored);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return nullptr;
  return ParseXwd(dump);
}

void XServer::MovePointer(int x, int y) {
  XTestFakeMotionEvent(display_, -1, x, y, CurrentTime);
  XFlush(display_);
}

void XServer::Click(int x, int y) {
  XTestFakeMotionEvent(display_, -1, x, y, CurrentTime);
  XTestFakeButtonEvent(display_, 1, True, CurrentTime);
  XTestFakeButtonEvent(display_, 1, False, CurrentTime);
  XFlush(display_);
}

void XServer::Key(unsigned long keysym) {
  const KeyCode code = XKeysymToKeycode(display_, keysym);
  XTestFakeKeyEvent(display_, code, True, CurrentTime);
  XTestFakeKeyEvent(display_, code, False, CurrentTime);
  XFlush(display_);
}

void KeepXLibrariesLoaded() {
  for (const char* name : {"libX11.so.6", "libXext.so.6", "libXcursor.so.1", "libXi.so.6",
                           "libXrandr.so.2", "libXss.so.1", "libXfixes.so.3", "libXinerama.so.1",
                           "libxkbcommon.so.0", "libdbus-1.so.3", "libX11-xcb.so.1"}) {
    dlopen(name, RTLD_NOW | RTLD_NODELETE);
  }
}

}  // namespace velko_test
