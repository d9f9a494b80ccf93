#include "classlib/MPlayer.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"
#include "platform/fs/drives.h"
#include "platform/mm/mci_movie.h"
#include "tests/classlib/raised.h"
#include "tests/support/message_pump.h"
#include "tests/support/movie_maker.h"
#include "tests/support/temp_dir.h"

namespace {

class MediaPlayerTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    movies_ = new velko_test::TempDir;
    ASSERT_TRUE(velko_test::MakeMovie(movies_->path() / "short.avi", 0.8));
  }
  static void TearDownTestSuite() {
    delete movies_;
    movies_ = nullptr;
  }
  void SetUp() override {
    platform::MapDrive('M', movies_->path().string());
    form_ = new TForm(nullptr);
    form_->SetBounds(0, 0, 300, 240);
    panel_ = new TPanel(form_);
    panel_->SetParent(form_);
    panel_->SetBounds(10, 10, 160, 120);
    player_ = new TMediaPlayer(form_);
    form_->Show();
  }
  void TearDown() override {
    delete form_;
    platform::UnmapDrive('M');
  }

  static velko_test::TempDir* movies_;
  TForm* form_ = nullptr;
  TPanel* panel_ = nullptr;
  TMediaPlayer* player_ = nullptr;
};
velko_test::TempDir* MediaPlayerTest::movies_ = nullptr;

bool Loaded(const std::string& library) {
  void* handle = dlopen(library.c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (handle != nullptr) dlclose(handle);
  return handle != nullptr;
}

// The movie player library (and everything it pulls in) is loaded by the
// first open, not with the program; without it an open fails as a device
// whose driver is missing, the window's usual error. First in the file, so
// that no movie has been opened in this process before it.
TEST_F(MediaPlayerTest, TheMovieLibraryLoadsWithTheFirstOpen) {
  const std::string library = platform::mm::MovieLibraryName();
  EXPECT_FALSE(Loaded(library));

  platform::mm::SetMovieLibraryName("libvelko-no-such-movie-player.so.1");
  player_->FileName = "M:\\short.avi";
  EXPECT_EQ(velko_test::RaisedMessage<EMCIDeviceError>([&] { player_->Open(); }),
            "The device's driver could not be loaded.");
  EXPECT_EQ(player_->Error(), static_cast<int>(MCIERR_CANNOT_LOAD_DRIVER));
  EXPECT_EQ(player_->DeviceID(), 0u);
  EXPECT_FALSE(Loaded(library));

  platform::mm::SetMovieLibraryName("");
  player_->Open();
  EXPECT_TRUE(Loaded(library));
  player_->SetDisplay(panel_);
  EXPECT_NEAR(player_->Length(), 800, 40);
  player_->Play();
  EXPECT_EQ(player_->Mode(), mpPlaying);
  player_->Close();
}

TEST_F(MediaPlayerTest, ClosedPlayerReadsZeroAndRaisesOnCommands) {
  EXPECT_EQ(player_->Position(), 0);
  EXPECT_EQ(player_->Length(), 0);
  EXPECT_EQ(player_->Mode(), mpNotReady);
  EXPECT_THROW(player_->Play(), EMCIDeviceError);
  EXPECT_NE(player_->Error(), 0);
  player_->FileName = "M:\\absent.avi";
  const String message = velko_test::RaisedMessage<EMCIDeviceError>([&] { player_->Open(); });
  EXPECT_EQ(message, player_->ErrorMessage());
  EXPECT_NE(message, "(nothing raised)");
  EXPECT_EQ(player_->DeviceID(), 0u);
}

TEST_F(MediaPlayerTest, PlaysInTheDisplayAndNotifiesAtTheEnd) {
  int notified = 0;
  player_->OnNotify = [&](TObject*) { ++notified; };
  player_->FileName = "M:\\short.avi";
  player_->Open();
  player_->SetDisplay(panel_);
  player_->SetDisplayRect(panel_->ClientRect());
  EXPECT_NEAR(player_->Length(), 800, 40);
  EXPECT_EQ(player_->Mode(), mpStopped);
  player_->Play();
  EXPECT_EQ(player_->Mode(), mpPlaying);
  player_->Pause();
  EXPECT_EQ(player_->Mode(), mpPaused);
  player_->Pause();
  EXPECT_EQ(player_->Mode(), mpPlaying);
  ASSERT_TRUE(velko_test::PumpMessagesUntil([&] { return notified > 0; }, 15));
  EXPECT_EQ(player_->NotifyValue(), nvSuccessful);
  EXPECT_EQ(player_->Position(), player_->Length());
  // Played again, it starts from the beginning.
  player_->Notify = false;
  player_->Play();
  EXPECT_LT(player_->Position(), player_->Length());
  player_->Step();
  EXPECT_EQ(player_->Mode(), mpStopped);
  const int stepped = player_->Position();
  player_->Back();
  EXPECT_LT(player_->Position(), stepped);
  player_->Close();
  EXPECT_EQ(player_->Position(), 0);
  EXPECT_THROW(player_->Stop(), EMCIDeviceError);
}

}  // namespace
