// Delivers sync callbacks on a thread of its own, in the order the mixer
// queued them, holding no lock of the mixer while a callback runs.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "outside/bass/bass_api.h"

namespace audio {

struct SyncCall {
  SYNCPROC* proc = nullptr;
  HSYNC sync = 0;
  DWORD channel = 0;
  DWORD data = 0;
  std::uintptr_t user = 0;
  bool one_time = false;
};

class Notifier : public std::enable_shared_from_this<Notifier> {
 public:
  // `claim(call)` is asked just before each call and must say whether the
  // sync is still set (a sync removed, or whose channel was freed, after the
  // call was queued is skipped); it also retires a one-time sync.
  static std::shared_ptr<Notifier> Start(std::function<bool(const SyncCall&)> claim);
  Notifier(const Notifier&) = delete;
  Notifier& operator=(const Notifier&) = delete;

  void Post(const SyncCall& call);
  // Waits (real time) until every call queued so far has returned. False on
  // time-out. Returns at once when called from the notifier thread itself.
  bool WaitIdle(std::uint32_t timeout_ms);
  // Ends the thread after the queued calls; waits for it unless called from a
  // callback on the notifier thread itself.
  void Shutdown();
  bool OnNotifierThread() const { return std::this_thread::get_id() == thread_id_; }

 private:
  explicit Notifier(std::function<bool(const SyncCall&)> claim) : claim_(std::move(claim)) {}
  // The thread keeps the notifier alive until it returns.
  static void Main(std::shared_ptr<Notifier> self);

  std::function<bool(const SyncCall&)> claim_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable idle_;
  std::deque<SyncCall> queue_;
  bool busy_ = false;
  bool quit_ = false;
  bool exited_ = false;
  std::thread::id thread_id_;
};

}  // namespace audio
