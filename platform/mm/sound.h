// Wave sounds: PlaySound and sndPlaySound. A sound is a RIFF WAVE image
// (from a file, from memory, from a resource or named by an event alias)
// played on an audio device of its own, separate from any other audio
// output of the process. One sound plays at a time; a new one stops the
// one playing, unless the caller asks not to.
//
// Event aliases are looked up under HKEY_CURRENT_USER
// "AppEvents\Schemes\Apps\.Default\<alias>\.Current" (the default value is
// the file to play); an alias without a file plays nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/core/types.h"

constexpr DWORD SND_SYNC = 0x0000;
constexpr DWORD SND_ASYNC = 0x0001;
constexpr DWORD SND_NODEFAULT = 0x0002;
constexpr DWORD SND_MEMORY = 0x0004;
constexpr DWORD SND_LOOP = 0x0008;
constexpr DWORD SND_NOSTOP = 0x0010;
constexpr DWORD SND_PURGE = 0x0040;
constexpr DWORD SND_APPLICATION = 0x0080;
constexpr DWORD SND_NOWAIT = 0x00002000;
constexpr DWORD SND_ALIAS = 0x00010000;
constexpr DWORD SND_FILENAME = 0x00020000;
constexpr DWORD SND_RESOURCE = 0x00040004;
constexpr DWORD SND_ALIAS_ID = 0x00110000;

// `sound` is a file name, an alias, a resource name (with `module`) or,
// with SND_MEMORY, a pointer to a whole RIFF WAVE image (copied before the
// call returns, so the caller may free it at once). The call cannot know
// how many bytes the caller holds there: it reads only what the image's
// RIFF size field covers, and of that no further than the end of the data
// chunk; a caller first checks the size field against its buffer
// (platform::WaveImageFits). A null `sound` stops the sound playing.
// Returns TRUE when the sound was started (or, without SND_ASYNC, played to
// its end).
BOOL PlaySound(LPCSTR sound, HMODULE module, DWORD flags);
// The older form: `sound` is an alias or a file name (or, with SND_MEMORY, a
// wave image); no module.
BOOL sndPlaySound(LPCSTR sound, UINT flags);

namespace platform {

// Whether `bytes` bytes held at `image` may be handed to the sound calls
// with SND_MEMORY: they hold at least the 12-byte RIFF header, and the RIFF
// size field stays within them (12 <= size + 8 <= bytes).
bool WaveImageFits(const void* image, std::size_t bytes);

// Where the sound calls send a wave image to be heard. The default output
// opens an SDL2 audio device for each sound; tests install a recording one.
class SoundOutput {
 public:
  virtual ~SoundOutput() = default;
  // Starts playing `wave` (a whole RIFF WAVE image); false when it cannot be
  // decoded or no device opens. Stops whatever played before.
  virtual bool Start(std::shared_ptr<const std::vector<std::uint8_t>> wave, bool loop) = 0;
  // Stops the sound playing, if any.
  virtual void Stop() = 0;
  // A sound is playing (a looping one until it is stopped).
  virtual bool Playing() = 0;
  // Waits until the sound started last has ended or was stopped.
  virtual void WaitUntilDone() = 0;
};

// The output the sound calls use; null goes back to the SDL2 output.
void SetSoundOutput(std::shared_ptr<SoundOutput> output);
// The SDL2 output (one device per sound, opened on a thread of its own so
// the calls return at once).
std::shared_ptr<SoundOutput> MakeSdlSoundOutput();

// Resolves a resource for SND_RESOURCE: the wave image of resource `name`
// of `module`, or empty when there is none. The class library installs the
// look-up of its own resources.
using SoundResourceLookup =
    std::function<std::shared_ptr<const std::vector<std::uint8_t>>(HMODULE module, const std::string& name)>;
void SetSoundResourceLookup(SoundResourceLookup lookup);

// A test's output: keeps every request instead of playing it. A started
// sound counts as playing until it is stopped or `Finish` is called; without
// a loop, `WaitUntilDone` finishes it at once.
class RecordingSoundOutput : public SoundOutput {
 public:
  struct Play {
    std::vector<std::uint8_t> wave;
    bool loop = false;
  };

  bool Start(std::shared_ptr<const std::vector<std::uint8_t>> wave, bool loop) override;
  void Stop() override;
  bool Playing() override;
  void WaitUntilDone() override;

  // Ends the sound playing as if it had played to its end.
  void Finish();
  std::vector<Play> Plays();
  int Stops();
  void Clear();

 private:
  std::mutex mutex_;
  std::vector<Play> plays_;
  int stops_ = 0;
  bool playing_ = false;
};

}  // namespace platform
