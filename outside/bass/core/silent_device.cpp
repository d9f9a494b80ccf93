#include "outside/bass/core/silent_device.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/core/clock.h"

namespace audio {

namespace {
// The most rendered in one call of the mixer: what is due after a long
// clock step goes in few, large blocks.
constexpr std::size_t kBlockFrames = 4096;
// Real-clock pace of the device thread: about a sound card's buffer. Fewer,
// larger blocks keep the thread's share of a core low.
constexpr auto kRealClockTick = std::chrono::milliseconds(20);
// On the real clock, a stall longer than this (a suspended process) is
// skipped rather than rendered all at once.
constexpr std::uint64_t kMaxCatchUpMicros = 1'000'000;
// A test's AdvanceClock never waits longer than this for the device thread.
constexpr auto kAdvanceWaitLimit = std::chrono::seconds(10);
}  // namespace

struct SilentDevice::State {
  std::uint32_t rate = 44100;
  RenderCallback render;
  std::function<void()> after_advance;

  std::mutex mutex;
  std::condition_variable wake;
  std::condition_variable caught_up;
  bool running = false;
  bool quit = false;
  bool manual = false;
  std::uint64_t rendered = 0;
  // Frames due = base_frames + (clock - base_clock) in frames.
  std::uint64_t base_frames = 0;
  std::uint64_t base_clock = 0;
  std::atomic<std::thread::id> thread_id{};

  std::uint64_t DueFrames() const {
    if (!running) return rendered;
    const std::uint64_t now = platform::ClockMicros();
    const std::uint64_t elapsed = now > base_clock ? now - base_clock : 0;
    return base_frames + elapsed * rate / 1'000'000;
  }
  void Rebase() {
    base_frames = rendered;
    base_clock = platform::ClockMicros();
  }
};

SilentDevice::SilentDevice(std::uint32_t rate, RenderCallback render,
                           std::function<void()> after_advance)
    : state_(std::make_shared<State>()) {
  state_->rate = rate;
  state_->render = std::move(render);
  state_->after_advance = std::move(after_advance);
  state_->manual = platform::IsManualClock();
  state_->Rebase();
  std::unique_lock<std::mutex> lock(state_->mutex);
  std::thread thread(Main, state_);
  state_->thread_id = thread.get_id();
  thread.detach();
  lock.unlock();
  std::weak_ptr<State> weak = state_;
  listener_id_ = platform::AddClockListener([weak] {
    if (auto state = weak.lock()) OnClockAdvanced(state);
  });
}

SilentDevice::~SilentDevice() {
  platform::RemoveClockListener(listener_id_);
  std::unique_lock<std::mutex> lock(state_->mutex);
  state_->quit = true;
  state_->wake.notify_all();
  state_->caught_up.notify_all();
  // The thread is detached (so a listener call running late stays safe);
  // wait until it has left the render callback for good.
  state_->caught_up.wait(lock, [this] { return state_->thread_id == std::thread::id(); });
}

bool SilentDevice::OnMixerThread() const {
  return std::this_thread::get_id() == state_->thread_id;
}

void SilentDevice::Start() {
  std::lock_guard<std::mutex> lock(state_->mutex);
  if (state_->running) return;
  state_->running = true;
  state_->Rebase();
  state_->wake.notify_all();
}

void SilentDevice::Kick() {
  std::lock_guard<std::mutex> lock(state_->mutex);
  state_->wake.notify_all();
}

void SilentDevice::Pause() {
  std::lock_guard<std::mutex> lock(state_->mutex);
  state_->running = false;
}

void SilentDevice::Main(std::shared_ptr<State> state) {
  std::vector<std::int16_t> block(kBlockFrames * 2);
  std::unique_lock<std::mutex> lock(state->mutex);
  while (!state->quit) {
    const bool manual = platform::IsManualClock();
    if (manual != state->manual) {
      // The clock was switched: time restarts from here.
      state->manual = manual;
      state->Rebase();
    }
    std::uint64_t due = state->DueFrames();
    if (!manual && due > state->rendered + kMaxCatchUpMicros * state->rate / 1'000'000) {
      state->Rebase();
      due = state->rendered;
    }
    if (due > state->rendered) {
      const auto frames =
          static_cast<std::size_t>(std::min<std::uint64_t>(due - state->rendered, kBlockFrames));
      lock.unlock();
      state->render(block.data(), frames);
      lock.lock();
      state->rendered += frames;
      continue;
    }
    state->caught_up.notify_all();
    state->wake.wait_for(lock, manual ? std::chrono::milliseconds(50) : kRealClockTick);
  }
  state->thread_id = std::thread::id();
  state->caught_up.notify_all();
}

void SilentDevice::OnClockAdvanced(const std::shared_ptr<State>& state) {
  if (std::this_thread::get_id() == state->thread_id) return;
  {
    std::unique_lock<std::mutex> lock(state->mutex);
    if (state->quit || !state->running || !platform::IsManualClock()) return;
    const std::uint64_t target = state->DueFrames();
    state->wake.notify_all();
    state->caught_up.wait_for(lock, kAdvanceWaitLimit, [&] {
      return state->quit || !state->running || state->rendered >= target;
    });
    if (state->quit) return;
  }
  if (state->after_advance) state->after_advance();
}

}  // namespace audio
