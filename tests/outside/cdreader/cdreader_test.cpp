// The CD audio plug-in on a written disc image, with an output module of
// the test's own that records what it is given.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "outside/winamp/winamp_api.h"
#include "platform/cd/cd.h"
#include "platform/core/modules.h"
#include "platform/fs/drives.h"
#include "platform/user/message_queue.h"
#include "platform/user/window.h"
#include "platform/user/window_class.h"
#include "platform/user/window_styles.h"
#include "tests/support/cd_image.h"
#include "tests/support/temp_dir.h"

namespace {

struct Output {
  std::mutex mutex;
  std::string written;
  std::atomic<int> can_write{1 << 20};
  int opens = 0, closes = 0;
  std::vector<int> flushes;
  int rate = 0, channels = 0, bits = 0;
};
Output* g_out = nullptr;

Out_Module MakeOutput() {
  Out_Module m{};
  m.version = OUT_VER;
  m.Open = [](int rate, int channels, int bits, int, int) {
    std::lock_guard lock(g_out->mutex);
    ++g_out->opens;
    g_out->rate = rate;
    g_out->channels = channels;
    g_out->bits = bits;
    return 0;
  };
  m.Close = [] {
    std::lock_guard lock(g_out->mutex);
    ++g_out->closes;
  };
  m.Write = [](char* buf, int len) {
    std::lock_guard lock(g_out->mutex);
    g_out->written.append(buf, static_cast<size_t>(len));
    return 0;
  };
  m.CanWrite = [] { return g_out->can_write.load(); };
  m.IsPlaying = [] { return 1; };
  m.Pause = [](int) { return 0; };
  m.SetVolume = [](int) {};
  m.SetPan = [](int) {};
  m.Flush = [](int t) {
    std::lock_guard lock(g_out->mutex);
    g_out->flushes.push_back(t);
    g_out->written.clear();
  };
  m.GetOutputTime = [] { return 0; };
  m.GetWrittenTime = [] { return 0; };
  return m;
}

class CdReaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::ResetDriveTable();
    auto cue = velko_test::WriteCdImage(dir_.path(), "disc", {{100}, {150}, {60, false}});
    ASSERT_TRUE(platform::cd::InsertImage('K', cue.string()));
    g_out = &out_;
    output_ = MakeOutput();
    WNDCLASS wc{};
    wc.lpfnWndProc = DefWindowProc;
    wc.lpszClassName = "CdReaderTestSink";
    RegisterClass(&wc);
    sink_ = CreateWindowEx(0, "CdReaderTestSink", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    library_ = LoadLibrary((velko_test::ProgramFolder() / "Plugins" / "in_CDReader.dll").c_str());
    ASSERT_NE(library_, nullptr);
    auto entry = reinterpret_cast<winampGetInModule2Proc>(GetProcAddress(library_, kWinampGetInModule2));
    ASSERT_NE(entry, nullptr);
    module_ = entry();
    module_->hMainWindow = sink_;
    module_->outMod = &output_;
    module_->Init();
  }
  void TearDown() override {
    if (module_) module_->Quit();
    if (library_) FreeLibrary(library_);
    DestroyWindow(sink_);
    platform::cd::RemoveImage('K');
    platform::ResetDriveTable();
  }

  // Counts the end-of-input messages that arrive within `ms`, returning
  // as soon as the first has come when `until_first`.
  int EndMessages(int ms, bool until_first = true) {
    int count = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < deadline) {
      MSG msg;
      while (PeekMessage(&msg, sink_, WM_WA_MPEG_EOF, WM_WA_MPEG_EOF, PM_REMOVE)) ++count;
      if (count && until_first) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return count;
  }
  std::string Written() {
    std::lock_guard lock(out_.mutex);
    return out_.written;
  }
  static std::string Sectors(int first, int last) {
    std::string s;
    for (int lsn = first; lsn <= last; ++lsn) s += velko_test::CdImageSector(lsn);
    return s;
  }

  velko_test::TempDir dir_;
  Output out_;
  Out_Module output_{};
  HWND sink_ = nullptr;
  HMODULE library_ = nullptr;
  In_Module* module_ = nullptr;
};

TEST_F(CdReaderTest, FileInfoAndModule) {
  EXPECT_STREQ(module_->FileExtensions, "CDA");
  EXPECT_EQ(module_->is_seekable, 1);
  char title[GETFILEINFO_TITLE_LENGTH];
  int length = 0;
  module_->GetFileInfo("K:\\Track02.cda", title, &length);
  EXPECT_STREQ(title, "Track 02");
  EXPECT_EQ(length, 2000);
  module_->GetFileInfo("K:\\Track09.cda", title, &length);
  EXPECT_EQ(length, 0);
}

TEST_F(CdReaderTest, PlaysTheTrackSamplesAndEndsOnce) {
  ASSERT_EQ(module_->Play("K:\\Track02.cda"), 0);
  EXPECT_EQ(module_->GetLength(), 2000);
  ASSERT_EQ(EndMessages(10000), 1);
  EXPECT_EQ(EndMessages(100, false), 0);  // once only
  EXPECT_TRUE(Written() == Sectors(100, 249));
  EXPECT_EQ((std::vector<int>{out_.rate, out_.channels, out_.bits}), (std::vector<int>{44100, 2, 16}));
  module_->Stop();
  EXPECT_EQ(out_.closes, 1);
}

TEST_F(CdReaderTest, SeekFlushesAndReadsOnFromTheNewPlace) {
  out_.can_write = 0;  // nothing goes out before the seek
  ASSERT_EQ(module_->Play("K:\\Track02.cda"), 0);
  module_->SetOutputTime(1000);
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  out_.can_write = 1 << 20;
  ASSERT_EQ(EndMessages(10000), 1);
  EXPECT_EQ(out_.flushes, (std::vector<int>{1000}));
  EXPECT_TRUE(Written() == Sectors(175, 249));
  module_->Stop();
}

TEST_F(CdReaderTest, EjectEndsTheSong) {
  out_.can_write = 0;
  ASSERT_EQ(module_->Play("K:\\Track02.cda"), 0);
  ASSERT_TRUE(platform::cd::Eject('K'));
  out_.can_write = 1 << 20;
  EXPECT_EQ(EndMessages(10000), 1);
  EXPECT_LT(Written().size(), Sectors(100, 249).size());
  module_->Stop();
  EXPECT_EQ(module_->Play("K:\\Track02.cda"), -1);  // no track file on an empty drive
}

}  // namespace
