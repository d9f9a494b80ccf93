#include "tests/playback/player_fixture.h"

#include <chrono>

#include "platform/core/clock.h"
#include "platform/core/modules.h"
#include "platform/fs/drives.h"
#include "playback/PluginCtrl.h"

namespace playback_test {

namespace fs = std::filesystem;

fs::path TestPluginBuildFolder() { return VELKO_TEST_PLUGIN_DIR; }
fs::path TestStubFolder() { return VELKO_TEST_STUB_DIR; }

std::string PlatformPathOf(const fs::path& native) {
  return platform::PlatformPath(native.string()).value_or(native.string());
}

TestProgramFolder::TestProgramFolder(const FolderOptions& options) {
  const fs::path bin = velko_test::ProgramFolder();
  switch (options.bass) {
    case BassVariant::kNormal:
      fs::copy_file(bin / "bass.dll", dir_ / "bass.dll");
      break;
    case BassVariant::kVersion16:
      fs::copy_file(TestStubFolder() / "bass_v16" / "bass.dll", dir_ / "bass.dll");
      break;
    case BassVariant::kMissingExport:
      fs::copy_file(TestStubFolder() / "bass_missing_export" / "bass.dll", dir_ / "bass.dll");
      break;
    case BassVariant::kNone:
      break;
  }
  if (options.wma) fs::copy_file(bin / "basswma.dll", dir_ / "basswma.dll");
  fs::create_directories(plugins());
  for (const auto& [built, as] : options.plugins) AddPlugin(built, as);
}

TestProgramFolder::~TestProgramFolder() = default;

void TestProgramFolder::AddPlugin(const std::string& built_name, const std::string& as_name) {
  fs::copy_file(TestPluginBuildFolder() / built_name, plugins() / (as_name.empty() ? built_name : as_name),
                fs::copy_options::overwrite_existing);
}

std::string TestProgramFolder::WriteFile(const std::string& name, const std::string& bytes) const {
  return PlatformPathOf(dir_.WriteFile(name, bytes));
}

bool BassControls::Load(const fs::path& bass_dll) {
  module_ = LoadLibrary(PlatformPathOf(bass_dll).c_str());
  if (module_ == nullptr) return false;
  auto bind = [this](auto& target, const char* name) {
    target = reinterpret_cast<std::remove_reference_t<decltype(target)>>(GetProcAddress(module_, name));
  };
  bind(UseSilentDevice, "VelkoBass_UseSilentDevice");
  bind(FailInit, "VelkoBass_FailInit");
  bind(FXParameterCalls, "VelkoBass_FXParameterCalls");
  bind(ResetCounters, "VelkoBass_ResetCounters");
  bind(WaitFeeders, "VelkoBass_WaitFeeders");
  bind(WaitSyncs, "VelkoBass_WaitSyncs");
  bind(CaptureOutput, "VelkoBass_CaptureOutput");
  bind(ReadOutput, "VelkoBass_ReadOutput");
  return UseSilentDevice && FailInit && FXParameterCalls && ResetCounters && WaitFeeders && WaitSyncs &&
         CaptureOutput && ReadOutput;
}

void BassControls::Free() {
  if (module_ != nullptr) FreeLibrary(module_);
  module_ = nullptr;
}

ClockDriver::ClockDriver(BassControls& controls, std::uint64_t step_ms) {
  auto wait_feeders = controls.WaitFeeders;
  thread_ = std::thread([this, wait_feeders, step_ms] {
    while (!stop_) {
      // A feeder blocked on the clock itself makes this give up quickly.
      if (wait_feeders != nullptr) wait_feeders(20);
      platform::AdvanceClockMs(step_ms);
      std::this_thread::sleep_for(std::chrono::microseconds(300));
    }
  });
}

ClockDriver::~ClockDriver() {
  stop_ = true;
  thread_.join();
}

void PlaybackTest::SetUp() {
  // Nothing of an earlier test's plug-in host is left over.
  MakeFreshPluginHost();
  platform::UseManualClock(1'000'000'000);
  platform::SetMessageBoxHook([this](const platform::MessageBoxRequest& request) {
    std::lock_guard<std::mutex> lock(boxes_mutex_);
    boxes_.push_back({request.text, request.caption, request.type});
    return request.DefaultButton();
  });
}

void PlaybackTest::TearDown() {
  DestroyPlayer();
  bass_.Free();
  platform::SetProgramPath("");
  platform::SetMessageBoxHook({});
  platform::UseRealClock();
  folder_.reset();
}

TestProgramFolder& PlaybackTest::Folder(const FolderOptions& options) {
  folder_ = std::make_unique<TestProgramFolder>(options);
  platform::SetProgramPath((folder_->path() / "velko").string());
  if (fs::exists(folder_->path() / "bass.dll") && options.bass == BassVariant::kNormal) {
    EXPECT_TRUE(bass_.Load(folder_->path() / "bass.dll"));
    bass_.UseSilentDevice(TRUE);
    bass_.FailInit(0);
    bass_.ResetCounters();
  }
  return *folder_;
}

TBASSPlayer& PlaybackTest::MakePlayer() {
  if (!folder_) Folder();
  player_ = new TBASSPlayer(nullptr);
  player_->OnPlayEnd = [this](TObject*) { ++play_ends_; };
  return *player_;
}

void PlaybackTest::DestroyPlayer() {
  if (player_ == nullptr) return;
  TBASSPlayer* player = player_;
  player_ = nullptr;
  delete player;
}

void PlaybackTest::PlayMs(std::uint64_t ms, DWORD feeder_wait_ms) {
  for (std::uint64_t t = 0; t < ms; t += 10) {
    if (bass_.loaded()) bass_.WaitFeeders(feeder_wait_ms);
    platform::AdvanceClockMs(10);
    ProcessPendingMessages();
  }
}

bool PlaybackTest::PumpUntil(const std::function<bool()>& done, int real_ms) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(real_ms);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    ProcessPendingMessages();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

std::vector<ShownBox> PlaybackTest::TakeBoxes() {
  std::lock_guard<std::mutex> lock(boxes_mutex_);
  std::vector<ShownBox> taken;
  taken.swap(boxes_);
  return taken;
}

}  // namespace playback_test
