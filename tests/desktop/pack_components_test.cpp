// The pack's smaller components: file storage, the wave component, the
// auto-run component, the window timer and the colour names.
#include <gtest/gtest.h>

#include <filesystem>

#include "classlib/Colors.h"
#include "classlib/Resources.h"
#include "desktop/zelComponents.h"
#include "platform/mm/sound.h"
#include "tests/desktop/desktop_fixture.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/wave_image.h"

namespace {

namespace fsys = std::filesystem;

class PackTest : public velko_test::DesktopTest {};

TEST_F(PackTest, FileDataRoundTripsAndRefusesCorruptCounts) {
  TzelFileStorage storage(nullptr);
  TMemoryStream stored;
  storage.WriteData(&stored);
  EXPECT_EQ(stored.Size(), 4);
  EXPECT_EQ(std::string(static_cast<const char*>(stored.Memory()), 4), std::string(4, '\0'));
  stored.SetPosition(0);
  storage.ReadData(&stored);
  EXPECT_EQ(storage.GetDataSize(), 0);

  dir_.WriteFile("in.bin", "hello");
  std::vector<std::string> log;
  storage.OnLoad = [&](TObject*, bool ok) { log.push_back(ok ? "load ok" : "load failed"); };
  storage.OnSave = [&](TObject*, bool ok) { log.push_back(ok ? "save ok" : "save failed"); };
  EXPECT_TRUE(storage.LoadFromFile("T:\\in.bin"));
  EXPECT_EQ(storage.GetDataSize(), 5);
  TMemoryStream again;
  storage.WriteData(&again);
  EXPECT_EQ(std::string(static_cast<const char*>(again.Memory()), 9), std::string("\5\0\0\0hello", 9));

  // A count beyond the stream is corrupt.
  const char corrupt[] = {'\xFF', '\0', '\0', '\0', 'x'};
  TMemoryStream bad;
  bad.WriteBuffer(corrupt, 5);
  bad.SetPosition(0);
  EXPECT_THROW(storage.ReadData(&bad), EzelFileStorage);

  // Saving over a file whose handler refuses leaves it alone.
  again.SetPosition(0);
  storage.ReadData(&again);
  dir_.WriteFile("out.bin", "old");
  storage.OnConfirmOverride = [](TObject*, bool& override_file) { override_file = false; };
  EXPECT_FALSE(storage.SaveToFile("T:\\out.bin"));
  EXPECT_EQ(velko_test::ReadFile(dir_.path() / "out.bin"), "old");
  EXPECT_TRUE(storage.SaveToFile("T:\\new.bin"));
  EXPECT_EQ(velko_test::ReadFile(dir_.path() / "new.bin"), "hello");
  EXPECT_FALSE(storage.LoadFromFile("T:\\missing.bin"));
  EXPECT_EQ(storage.GetDataSize(), 0);
  EXPECT_EQ(log, (std::vector<std::string>{"load ok", "save failed", "save ok", "load failed"}));
}

// A save that cannot be written whole (a file-size limit stands for a full
// disk) raises and leaves the old file as it was, with no temporary file.
TEST_F(PackTest, AFailedSaveKeepsTheOldFile) {
  dir_.WriteFile("big.bin", std::string(64 * 1024, 'n'));
  dir_.WriteFile("keep.bin", "old contents");
  TzelFileStorage storage(nullptr);
  ASSERT_TRUE(storage.LoadFromFile("T:\\big.bin"));
  bool raised = false;
  {
    velko_test::FileSizeLimit limit(4096);
    try {
      storage.SaveToFile("T:\\keep.bin");
    } catch (const EzelFileStorage&) {
      raised = true;
    }
  }
  EXPECT_TRUE(raised);
  const std::string kept = velko_test::ReadFile(dir_.path() / "keep.bin");
  EXPECT_TRUE(kept == "old contents") << "the file now holds " << kept.size() << " bytes";
  EXPECT_EQ(std::distance(fsys::directory_iterator(dir_.path()), {}), 2) << "a temporary file stayed";
  // Without the limit the same save goes through.
  EXPECT_TRUE(storage.SaveToFile("T:\\keep.bin"));
  EXPECT_TRUE(velko_test::ReadFile(dir_.path() / "keep.bin") == std::string(64 * 1024, 'n'));
}

TEST_F(PackTest, WaveSourcesAndFlags) {
  auto output = std::make_shared<platform::RecordingSoundOutput>();
  platform::SetSoundOutput(output);
  const auto stored_wave = velko_test::MakeWaveImage(10, 8000, 5);
  dir_.WriteFile("cue.wav", std::string(stored_wave.begin(), stored_wave.end()));
  TzelWav wav(nullptr);
  wav.SetFileName("T:\\cue.wav");
  wav.PrepareSound();
  EXPECT_EQ(wav.Flags(), SND_ASYNC | SND_NODEFAULT | SND_NOWAIT | SND_FILENAME);
  wav.Play();
  ASSERT_EQ(output->Plays().size(), 1u);

  // Stored with the form: plays after its file is gone.
  wav.SetPlayFrom(pfDFM);
  fsys::remove(dir_.path() / "cue.wav");
  wav.SetLooped(true);
  wav.Play();
  ASSERT_EQ(output->Plays().size(), 2u);
  EXPECT_EQ(output->Plays()[1].wave, stored_wave);
  EXPECT_TRUE(output->Plays()[1].loop);
  EXPECT_EQ(wav.Flags(), SND_ASYNC | SND_LOOP | SND_NODEFAULT | SND_NOWAIT | SND_MEMORY);

  // A resource of the program.
  const auto resource_wave = velko_test::MakeWaveImage(10, 8000, 9);
  RegisterResource("WAVE1", ResourceType::Wave, resource_wave);
  wav.SetPlayFrom(pfResource);
  wav.SetLooped(false);
  wav.Play();
  ASSERT_EQ(output->Plays().size(), 3u);
  EXPECT_EQ(output->Plays()[2].wave, resource_wave);
  UnregisterResource("WAVE1", ResourceType::Wave);
  platform::SetSoundOutput(std::make_shared<platform::RecordingSoundOutput>());
}

// Bytes stored with the form whose RIFF header claims more than they hold
// play nothing, and nothing past them is read (the address sanitizer
// watches the reads).
TEST_F(PackTest, StoredWaveClaimingMoreThanItHoldsPlaysNothing) {
  auto output = std::make_shared<platform::RecordingSoundOutput>();
  platform::SetSoundOutput(output);
  struct Case {
    std::vector<std::uint8_t> image;
    std::uint32_t claimed;
    bool plays;
  };
  const Case cases[] = {
      {velko_test::MakeWaveImage(1, 2000), 4096, false},       // 48 bytes
      {velko_test::MakeWaveImage(1, 2000), 200000000, false},  // 48 bytes
      {velko_test::MakeWaveImage(1, 8000), 65536, false},      // 60 bytes
      {velko_test::MakeWaveImage(1, 8000), 52, true},          // 60 bytes, as written
  };
  TzelWav wav(nullptr);
  wav.SetFileName("T:\\cue.wav");
  for (const Case& c : cases) {
    std::vector<std::uint8_t> image = c.image;
    for (int i = 0; i < 4; ++i) image[4 + i] = static_cast<std::uint8_t>(c.claimed >> (8 * i));
    dir_.WriteFile("cue.wav", std::string(image.begin(), image.end()));
    wav.SetPlayFrom(pfFile);
    wav.SetPlayFrom(pfDFM);  // loads the file into the held bytes
    ASSERT_EQ(wav.GetDataSize(), static_cast<int>(image.size()));
    output->Clear();
    wav.Play();
    EXPECT_EQ(output->Plays().size(), c.plays ? 1u : 0u) << c.claimed;
  }
  platform::SetSoundOutput(std::make_shared<platform::RecordingSoundOutput>());
}

TEST_F(PackTest, AutoRunKinds) {
  TzelAutoRun run(nullptr);
  run.SetFileName("C:\\Velko\\velko");
  run.SetAutoRun(true);
  EXPECT_TRUE(fsys::exists(autostart_.path() / "velko-machine-velko.desktop"));
  run.SetKind(aekUserRun);
  EXPECT_FALSE(fsys::exists(autostart_.path() / "velko-machine-velko.desktop"));
  EXPECT_TRUE(fsys::exists(autostart_.path() / "velko-user-velko.desktop"));
  run.SetKind(aekServiceRun);
  EXPECT_TRUE(fsys::is_empty(autostart_.path()));
  run.SetAutoRun(false);
  EXPECT_TRUE(fsys::is_empty(autostart_.path()));
}

TEST_F(PackTest, TimerWithoutHandlerHoldsNoTimer) {
  TzelColorPicker picker(nullptr);
  EXPECT_EQ(picker.Interval(), 100u);
  EXPECT_FALSE(picker.TimerRunning());
  picker.SetOnTimer([](TObject*) {});
  EXPECT_TRUE(picker.TimerRunning());
  picker.SetEnabled(false);
  EXPECT_FALSE(picker.TimerRunning());
}

TEST(ColorNames, PackNamesComeFirst) {
  struct Case {
    const char* name;
    int value;
  };
  const Case cases[] = {
      {"clCream", 0x00A6CAF0}, {"clSkyBlue", 0x00FFC800}, {"clGold", 0x0000C8FF},
      {"clHotLight", static_cast<int>(0x8000001A)}, {"clRed", clRed}, {"clBtnFace", clBtnFace},
  };
  TzelColorPicker linked(nullptr);  // the pack's colour names come with its unit
  for (const Case& c : cases) {
    int value = 0;
    EXPECT_TRUE(IdentToColor(c.name, value)) << c.name;
    EXPECT_EQ(value, c.value) << c.name;
    String name;
    EXPECT_TRUE(ColorToIdent(c.value, name)) << c.name;
    EXPECT_EQ(name, c.name);
  }
  int value = 0;
  EXPECT_TRUE(IdentToColor("CLCREAM", value));
  EXPECT_FALSE(IdentToColor("clNoSuchColour", value));
  EXPECT_EQ(ColorToString(0x123456), "$00123456");
  EXPECT_EQ(StringToColor("$00123456"), 0x123456);
  EXPECT_THROW(StringToColor("bogus"), EConvertError);
}

}  // namespace

namespace {

TEST(ZelPack, ClassesAreRegisteredAndTheStartButtonIsNone) {
  RegisterZelComponents();
  for (const char* name : {"TzelComponent", "TzelThreadTimer", "TzelCustomThreadTimer", "TzelTrayIcon",
                           "TzelOneInstance", "TzelRegistryMonitor", "TzelStartButtonProperties", "TzelWav"}) {
    TComponentFactory make = GetClass(name);
    ASSERT_TRUE(static_cast<bool>(make)) << name;
    TComponent* made = make(nullptr);
    EXPECT_EQ(made->ClassName(), name);
    delete made;
  }
  TzelStartButtonProperties start(nullptr);
  EXPECT_EQ(start.Button(), nullptr);
  EXPECT_EQ(start.ButtonLeft(), 0);
  EXPECT_EQ(start.ButtonWidth(), 0);
  EXPECT_FALSE(start.Enabled());
  EXPECT_FALSE(start.Visible());
  start.SetButtonLeft(10);
  start.SetVisible(true);
  EXPECT_EQ(start.ButtonLeft(), 0);
  EXPECT_FALSE(start.Visible());
}

}  // namespace
