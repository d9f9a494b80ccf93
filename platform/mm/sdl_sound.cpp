// The sound output over SDL2 audio. Each sound gets an audio device of its
// own, opened in the wave's own format (SDL converts to what the card
// takes). Opening and closing devices can take a while, so a thread of the
// output does it and the sound calls only hand it the wave. SDL itself is
// loaded by the first sound; without it no sound is heard, as when no
// device opens.

#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

#include "platform/display/sdl_library.h"
#include "platform/mm/sound.h"

namespace platform {

namespace {

class SdlSoundOutput : public SoundOutput {
 public:
  ~SdlSoundOutput() override {
    {
      std::lock_guard lock(mutex_);
      quit_ = true;
    }
    changed_.notify_all();
    if (worker_.joinable()) worker_.join();
  }

  bool Start(std::shared_ptr<const std::vector<std::uint8_t>> wave, bool loop) override {
    {
      std::lock_guard lock(mutex_);
      ++generation_;
      job_ = std::move(wave);
      job_loop_ = loop;
      playing_ = true;
      if (!worker_.joinable()) worker_ = std::thread([this] { Run(); });
    }
    changed_.notify_all();
    return true;
  }

  void Stop() override {
    {
      std::lock_guard lock(mutex_);
      ++generation_;
      job_.reset();
      playing_ = false;
    }
    changed_.notify_all();
  }

  bool Playing() override {
    std::lock_guard lock(mutex_);
    return playing_;
  }

  void WaitUntilDone() override {
    std::unique_lock lock(mutex_);
    const std::uint64_t generation = generation_;
    changed_.wait(lock, [&] { return !playing_ || generation_ != generation || quit_; });
  }

 private:
  // What the device callback reads; lives while the device is open.
  struct Playback {
    Uint8* samples = nullptr;
    Uint32 length = 0;
    Uint32 position = 0;
    Uint8 silence = 0;
    bool loop = false;
    SdlSoundOutput* owner = nullptr;
  };

  static void Callback(void* user, Uint8* stream, int length) {
    auto* playback = static_cast<Playback*>(user);
    auto wanted = static_cast<Uint32>(length);
    while (wanted > 0) {
      if (playback->position >= playback->length) {
        if (playback->loop && playback->length > 0) {
          playback->position = 0;
          continue;
        }
        std::memset(stream, playback->silence, wanted);
        {
          std::lock_guard lock(playback->owner->mutex_);
          playback->owner->device_done_ = true;
        }
        playback->owner->changed_.notify_all();
        return;
      }
      const Uint32 take = std::min(wanted, playback->length - playback->position);
      std::memcpy(stream, playback->samples + playback->position, take);
      playback->position += take;
      stream += take;
      wanted -= take;
    }
  }

  void Run() {
    const SdlLibrary* sdl = LoadSdl();
    const bool audio = sdl != nullptr && sdl->InitSubSystem(SDL_INIT_AUDIO) == 0;
    std::unique_lock lock(mutex_);
    while (!quit_) {
      if (!job_) {
        changed_.wait(lock, [&] { return quit_ || job_ != nullptr; });
        continue;
      }
      std::shared_ptr<const std::vector<std::uint8_t>> wave = std::move(job_);
      job_.reset();
      const bool loop = job_loop_;
      const std::uint64_t generation = generation_;
      device_done_ = false;
      lock.unlock();

      Playback playback;
      playback.loop = loop;
      playback.owner = this;
      SDL_AudioSpec spec{};
      SDL_AudioDeviceID device = 0;
      SDL_RWops* source = audio ? sdl->RWFromConstMem(wave->data(), static_cast<int>(wave->size()))
                                : nullptr;
      if (source != nullptr &&
          sdl->LoadWAV_RW(source, 1, &spec, &playback.samples, &playback.length) != nullptr) {
        playback.silence = spec.silence;
        // Short device buffers keep a cue's start and end prompt.
        spec.samples = 256;
        while (spec.samples < 4096 && spec.samples * 50 < spec.freq) spec.samples *= 2;
        spec.callback = &SdlSoundOutput::Callback;
        spec.userdata = &playback;
        device = sdl->OpenAudioDevice(nullptr, 0, &spec, nullptr, 0);
      }
      lock.lock();
      if (device != 0) {
        sdl->PauseAudioDevice(device, 0);
        auto interrupted = [&] { return quit_ || generation_ != generation; };
        changed_.wait(lock, [&] { return interrupted() || device_done_; });
        if (!interrupted()) {
          // Let the device play out what it was last handed.
          const auto drain = std::chrono::milliseconds(
              spec.freq > 0 ? 1000 * static_cast<int>(spec.samples) * 2 / spec.freq + 1 : 0);
          changed_.wait_for(lock, drain, interrupted);
        }
        lock.unlock();
        sdl->CloseAudioDevice(device);
        lock.lock();
      }
      if (playback.samples != nullptr) sdl->FreeWAV(playback.samples);
      if (generation_ == generation) playing_ = false;
      lock.unlock();
      changed_.notify_all();
      lock.lock();
    }
    lock.unlock();
    if (audio) sdl->QuitSubSystem(SDL_INIT_AUDIO);
    // SDL keeps per-thread data (its error text) for threads it did not
    // make; this thread ends here, so free it.
    if (sdl != nullptr) sdl->TLSCleanup();
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  std::thread worker_;
  bool quit_ = false;
  std::uint64_t generation_ = 0;
  std::shared_ptr<const std::vector<std::uint8_t>> job_;
  bool job_loop_ = false;
  bool playing_ = false;
  bool device_done_ = false;
};

}  // namespace

std::shared_ptr<SoundOutput> MakeSdlSoundOutput() { return std::make_shared<SdlSoundOutput>(); }

bool RecordingSoundOutput::Start(std::shared_ptr<const std::vector<std::uint8_t>> wave,
                                 bool loop) {
  std::lock_guard lock(mutex_);
  plays_.push_back(Play{*wave, loop});
  playing_ = true;
  return true;
}

void RecordingSoundOutput::Stop() {
  std::lock_guard lock(mutex_);
  ++stops_;
  playing_ = false;
}

bool RecordingSoundOutput::Playing() {
  std::lock_guard lock(mutex_);
  return playing_;
}

void RecordingSoundOutput::WaitUntilDone() {
  std::lock_guard lock(mutex_);
  if (!plays_.empty() && !plays_.back().loop) playing_ = false;
}

void RecordingSoundOutput::Finish() {
  std::lock_guard lock(mutex_);
  playing_ = false;
}

std::vector<RecordingSoundOutput::Play> RecordingSoundOutput::Plays() {
  std::lock_guard lock(mutex_);
  return plays_;
}

int RecordingSoundOutput::Stops() {
  std::lock_guard lock(mutex_);
  return stops_;
}

void RecordingSoundOutput::Clear() {
  std::lock_guard lock(mutex_);
  plays_.clear();
  stops_ = 0;
  playing_ = false;
}

}  // namespace platform
