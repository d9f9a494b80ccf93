// Lets files grow only to `bytes` while the object lives: a write beyond
// that fails as on a full disk (the signal that would end the process is
// ignored meanwhile). Read-only folders cannot stand for a failing disk when
// the tests run as root; this can.
#pragma once

#include <sys/resource.h>

#include <csignal>

namespace velko_test {

class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &old_);
    old_signal_ = std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{bytes, old_.rlim_max};
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, old_signal_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit old_{};
  void (*old_signal_)(int) = nullptr;
};

}  // namespace velko_test
