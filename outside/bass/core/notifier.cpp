#include "outside/bass/core/notifier.h"

#include <chrono>

namespace audio {

std::shared_ptr<Notifier> Notifier::Start(std::function<bool(const SyncCall&)> claim) {
  std::shared_ptr<Notifier> notifier(new Notifier(std::move(claim)));
  std::lock_guard<std::mutex> lock(notifier->mutex_);
  std::thread thread(Main, notifier);
  notifier->thread_id_ = thread.get_id();
  thread.detach();
  return notifier;
}

void Notifier::Post(const SyncCall& call) {
  std::lock_guard<std::mutex> lock(mutex_);
  queue_.push_back(call);
  wake_.notify_all();
}

bool Notifier::WaitIdle(std::uint32_t timeout_ms) {
  if (OnNotifierThread()) return true;
  std::unique_lock<std::mutex> lock(mutex_);
  return idle_.wait_for(lock, std::chrono::milliseconds(timeout_ms),
                        [this] { return (queue_.empty() && !busy_) || exited_; });
}

void Notifier::Shutdown() {
  std::unique_lock<std::mutex> lock(mutex_);
  quit_ = true;
  wake_.notify_all();
  if (OnNotifierThread()) return;
  idle_.wait(lock, [this] { return exited_; });
}

void Notifier::Main(std::shared_ptr<Notifier> self) {
  std::unique_lock<std::mutex> lock(self->mutex_);
  for (;;) {
    self->wake_.wait(lock, [&] { return self->quit_ || !self->queue_.empty(); });
    if (self->queue_.empty()) break;  // quitting with nothing left to deliver
    SyncCall call = self->queue_.front();
    self->queue_.pop_front();
    self->busy_ = true;
    lock.unlock();
    if (self->claim_(call)) call.proc(call.sync, call.channel, call.data, call.user);
    lock.lock();
    self->busy_ = false;
    if (self->queue_.empty()) self->idle_.notify_all();
  }
  self->exited_ = true;
  self->idle_.notify_all();
}

}  // namespace audio
