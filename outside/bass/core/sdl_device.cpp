// The sound card through SDL2: SDL's audio thread pulls each block from the
// mixer through the callback, so that thread is the mixer thread. SDL is
// loaded when the first device opens (the platform's loader); without it
// no device opens.
#include <atomic>
#include <thread>

#include "outside/bass/core/output_device.h"
#include "platform/display/sdl_library.h"

namespace audio {

namespace {

constexpr Uint16 kDeviceBufferFrames = 1024;

class SdlDevice : public OutputDevice {
 public:
  SdlDevice(std::uint32_t rate, RenderCallback render) : rate_(rate), render_(std::move(render)) {}

  ~SdlDevice() override {
    if (device_ != 0) sdl_->CloseAudioDevice(device_);
    if (subsystem_started_) sdl_->QuitSubSystem(SDL_INIT_AUDIO);
  }

  bool Open() {
    sdl_ = platform::LoadSdl();
    if (sdl_ == nullptr || sdl_->InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    subsystem_started_ = true;
    SDL_AudioSpec want{};
    want.freq = static_cast<int>(rate_);
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = kDeviceBufferFrames;
    want.callback = &SdlDevice::Callback;
    want.userdata = this;
    SDL_AudioSpec have{};
    device_ = sdl_->OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (device_ == 0) return false;
    latency_ms_ = static_cast<std::uint32_t>(have.samples * 1000u / rate_);
    return true;
  }

  void Start() override { sdl_->PauseAudioDevice(device_, 0); }
  void Pause() override { sdl_->PauseAudioDevice(device_, 1); }
  bool silent() const override { return false; }
  std::uint32_t latency_ms() const override { return latency_ms_; }
  bool OnMixerThread() const override {
    return mixer_thread_.load() == std::this_thread::get_id();
  }

 private:
  static void Callback(void* userdata, Uint8* stream, int length) {
    auto* self = static_cast<SdlDevice*>(userdata);
    self->mixer_thread_.store(std::this_thread::get_id());
    self->render_(reinterpret_cast<std::int16_t*>(stream), static_cast<std::size_t>(length) / 4);
  }

  const platform::SdlLibrary* sdl_ = nullptr;
  const std::uint32_t rate_;
  RenderCallback render_;
  SDL_AudioDeviceID device_ = 0;
  bool subsystem_started_ = false;
  std::uint32_t latency_ms_ = 0;
  std::atomic<std::thread::id> mixer_thread_{};
};

}  // namespace

std::unique_ptr<OutputDevice> OpenSdlDevice(std::uint32_t rate, RenderCallback render) {
  auto device = std::make_unique<SdlDevice>(rate, std::move(render));
  if (!device->Open()) return nullptr;
  return device;
}

}  // namespace audio
