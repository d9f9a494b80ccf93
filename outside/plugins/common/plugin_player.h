// What the program's own input plug-ins share: a decoder interface, the
// thread that feeds a decoder's PCM to the host's output module, and the
// small helpers every plug-in needs (file paths, titles, the module record).
//
// The playing thread writes a block whenever the output module's CanWrite
// allows it, and otherwise idles in 10 ms steps on the platform clock (so a
// test on the manual clock sets its pace). Pause pauses the output with the
// thread; a seek moves the decoder and flushes the output to the new time;
// the end of the input is posted to the main window once per run to the end;
// Stop joins the thread and closes the output.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "outside/winamp/winamp_api.h"

namespace velko_plugin {

// A source of interleaved 16-bit PCM.
class Decoder {
 public:
  virtual ~Decoder() = default;
  virtual int rate() const = 0;
  virtual int channels() const = 0;  // 1 or 2
  virtual int length_ms() const = 0;
  virtual const std::string& title() const = 0;
  // Fills up to `max_frames` frames; 0 when the input has ended.
  virtual int Read(std::int16_t* out, int max_frames) = 0;
  // Goes on from `ms` (past the end: nothing more is read).
  virtual void Seek(int ms) = 0;
};

// Plays one decoder at a time through the module's output.
class PluginPlayer {
 public:
  explicit PluginPlayer(In_Module& module, int block_frames = 1024) : module_(module), block_frames_(block_frames) {}
  ~PluginPlayer() { Stop(); }
  PluginPlayer(const PluginPlayer&) = delete;
  PluginPlayer& operator=(const PluginPlayer&) = delete;

  // Opens the output and starts the thread; false (and nothing running)
  // when the output refuses the format.
  bool Start(std::unique_ptr<Decoder> decoder);
  // Joins the thread and closes the output; nothing when nothing plays.
  void Stop();
  void SetPaused(bool paused);
  bool paused() const { return paused_; }
  void Seek(int ms);
  bool playing() const { return thread_.joinable(); }
  int length_ms() const { return playing() ? decoder_->length_ms() : 0; }
  std::string title() const { return playing() ? decoder_->title() : std::string(); }
  int output_time() const;

 private:
  void Run();
  // Waits `ms` on the platform clock, or until told to stop or seek.
  void Idle(unsigned ms);

  In_Module& module_;
  const int block_frames_;
  std::unique_ptr<Decoder> decoder_;
  std::thread thread_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> paused_{false};
  std::atomic<int> seek_to_{-1};
};

// The Linux path of a platform path; nothing for a null or empty name or one
// no drive maps.
std::optional<std::string> NativePath(const char* file);
// The file name without its folder and extension.
std::string BaseTitle(const std::string& path);
// Copies `title` into a GetFileInfo title buffer (at most 256 bytes with the
// terminator, never cutting a UTF-8 sequence).
void CopyTitle(const std::string& title, char* out);
// Reads a whole file of at most `limit` bytes; nothing when it cannot be
// read or is larger.
std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::string& native_path, std::size_t limit);
bool IsUtf8(const std::string& bytes);
// Text that is not valid UTF-8 is taken as Latin-1.
std::string ToUtf8(const std::string& bytes);

// A module record with the interface's version and every call the host
// replaces filled with one that does nothing.
In_Module BlankModule();

}  // namespace velko_plugin
