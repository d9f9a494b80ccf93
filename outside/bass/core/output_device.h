// Where the mixed sound goes: the device pulls blocks of 16-bit stereo from
// the mixer on its own thread (that thread is the mixer thread).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

namespace audio {

// Fills `frames` interleaved stereo frames.
using RenderCallback = std::function<void(std::int16_t* out, std::size_t frames)>;

class OutputDevice {
 public:
  virtual ~OutputDevice() = default;
  // Starts or resumes consuming audio.
  virtual void Start() = 0;
  // Pauses consumption; the position of every channel stands still.
  virtual void Pause() = 0;
  virtual bool silent() const = 0;
  // Output latency in ms (what has been rendered but not yet heard).
  virtual std::uint32_t latency_ms() const = 0;
  virtual bool OnMixerThread() const = 0;
  // A channel started: render what is due now rather than at the next tick.
  // Safe to call with the core's lock held.
  virtual void Kick() {}
};

// The sound card through SDL2 audio; null when no device opens.
std::unique_ptr<OutputDevice> OpenSdlDevice(std::uint32_t rate, RenderCallback render);

}  // namespace audio
