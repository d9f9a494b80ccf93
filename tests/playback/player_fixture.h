// Shared set-up of the playback engine's tests.
//
// Each test stands the program in a program folder of its own: bass.dll and
// basswma.dll copied from the build's program folder (or a test variant of
// bass.dll, or nothing), and a "Plugins" folder with copies of the test
// plug-ins. The audio library runs on its silent device and the manual
// clock; message boxes are answered and recorded by the platform's hook.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "outside/bass/bass_test_controls.h"
#include "platform/dlg/message_box.h"
#include "playback/BASSPlayer.h"
#include "tests/support/temp_dir.h"

namespace playback_test {

// Which bass.dll the program folder gets.
enum class BassVariant { kNormal, kVersion16, kMissingExport, kNone };

struct FolderOptions {
  BassVariant bass = BassVariant::kNormal;
  bool wma = true;
  // Test plug-in files (by their built names) and the names they get in
  // "Plugins"; an empty second name keeps the built one.
  std::vector<std::pair<std::string, std::string>> plugins = {};
};

// A program folder in a temporary folder, where the program pretends to be.
class TestProgramFolder {
 public:
  explicit TestProgramFolder(const FolderOptions& options);
  ~TestProgramFolder();

  const std::filesystem::path& path() const { return dir_.path(); }
  std::filesystem::path plugins() const { return dir_.path() / "Plugins"; }
  // Copies a test plug-in (or any file) into "Plugins".
  void AddPlugin(const std::string& built_name, const std::string& as_name = "");
  // Writes a file into the folder (a song, a tone file) and returns its
  // platform path.
  std::string WriteFile(const std::string& name, const std::string& bytes) const;

 private:
  velko_test::TempDir dir_;
};

// The folder the build puts the test plug-ins and bass.dll variants in.
std::filesystem::path TestPluginBuildFolder();
std::filesystem::path TestStubFolder();

// The platform path of a Linux path.
std::string PlatformPathOf(const std::filesystem::path& native);

// The audio library's test controls, taken from the bass.dll of a folder
// (the one the player will load).
class BassControls {
 public:
  bool Load(const std::filesystem::path& bass_dll);
  void Free();
  bool loaded() const { return module_ != nullptr; }

  decltype(&::VelkoBass_UseSilentDevice) UseSilentDevice = nullptr;
  decltype(&::VelkoBass_FailInit) FailInit = nullptr;
  decltype(&::VelkoBass_FXParameterCalls) FXParameterCalls = nullptr;
  decltype(&::VelkoBass_ResetCounters) ResetCounters = nullptr;
  decltype(&::VelkoBass_WaitFeeders) WaitFeeders = nullptr;
  decltype(&::VelkoBass_WaitSyncs) WaitSyncs = nullptr;
  decltype(&::VelkoBass_CaptureOutput) CaptureOutput = nullptr;
  decltype(&::VelkoBass_ReadOutput) ReadOutput = nullptr;

 private:
  HMODULE module_ = nullptr;
};

// Advances the manual clock on a thread of its own, in small steps, for as
// long as it lives: it stands in for time passing while the main thread is
// inside one of the engine's wait loops (a plug-in's start, seek or play-out).
class ClockDriver {
 public:
  ClockDriver(BassControls& controls, std::uint64_t step_ms = 10);
  ~ClockDriver();
  ClockDriver(const ClockDriver&) = delete;
  ClockDriver& operator=(const ClockDriver&) = delete;

 private:
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

// A recorded message box.
struct ShownBox {
  std::string text;
  std::string caption;
  UINT type = 0;
};

class PlaybackTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Makes the program folder (call before MakePlayer when the defaults do
  // not suit).
  TestProgramFolder& Folder(const FolderOptions& options = {});
  // Creates the player in the program folder (made with the defaults when
  // Folder was not called).
  TBASSPlayer& MakePlayer();
  void DestroyPlayer();

  // Lets the silent device play `ms` in 10 ms steps, handling the main
  // thread's messages (timers, end syncs) after each step. Before each step
  // it waits up to `feeder_wait_ms` for the streams' feeders: a plug-in's
  // output ring can leave its feeder and the plug-in both backing off on the
  // clock, and only a clock step parts them.
  void PlayMs(std::uint64_t ms, DWORD feeder_wait_ms = 2000);
  // Handles the main thread's messages until `done` is true or `real_ms` of
  // real time have passed; returns done().
  bool PumpUntil(const std::function<bool()>& done, int real_ms = 20000);
  // Runs a call that waits on the clock (a plug-in song's Play or
  // SetPosition) while a ClockDriver moves time on; PumpUntil likewise.
  template <class F>
  void WithClock(F call) {
    ClockDriver driver(bass_);
    call();
  }
  bool PumpWithClockUntil(const std::function<bool()>& done, int real_ms = 20000) {
    ClockDriver driver(bass_);
    return PumpUntil(done, real_ms);
  }

  std::vector<ShownBox> TakeBoxes();

  std::unique_ptr<TestProgramFolder> folder_;
  BassControls bass_;
  TBASSPlayer* player_ = nullptr;
  int play_ends_ = 0;

 private:
  std::mutex boxes_mutex_;
  std::vector<ShownBox> boxes_;
};

}  // namespace playback_test
