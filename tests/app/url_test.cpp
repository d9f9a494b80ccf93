// The URL launcher through a stand-in opener on PATH, and the about box.
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "app/HelpView.h"
#include "app/URL.h"
#include "app/aboutpar.h"
#include "platform/sys/process.h"
#include "platform/user/virtual_keys.h"
#include "tests/app/app_fixture.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;

namespace app_test {
namespace {

TEST(URLTest, PrefixesInOrder) {
  const char* expected[] = {"file://", "ftp://", "gopher://", "http://", "https://",
                            "mailto:", "news:",  "telnet:",   "wais:"};
  for (int i = 0; i <= utWais; ++i) EXPECT_STREQ(URLPrefix(static_cast<TURLType>(i)), expected[i]);
  TURL url(nullptr);
  EXPECT_EQ(url.URLType(), utHttp);
  EXPECT_FALSE(url.Execute());
}

TEST(URLTest, TheAddressReachesTheOpenerAsOneArgument) {
  velko_test::TempDir dir;
  const fs::path out = dir.path() / "args.txt";
  const fs::path opener = dir.path() / "xdg-open";
  {
    std::ofstream script(opener);
    script << "#!/bin/sh\nprintf '%s\\n' \"$#\" \"$1\" > \"" << out.string() << ".tmp\"\nmv \"" << out.string()
           << ".tmp\" \"" << out.string() << "\"\n";
  }
  chmod(opener.c_str(), 0755);
  const std::string old_path = getenv("PATH") ? getenv("PATH") : "";
  setenv("PATH", (dir.path().string() + ":" + old_path).c_str(), 1);
  auto recording = platform::CurrentProcessStarter();
  platform::SetProcessStarter(platform::MakeSpawnProcessStarter());

  TURL url(nullptr);
  url.SetURLType(utMailto);
  url.SetURL("me@example.com?subject=a;b $(x) c");
  const bool opened = url.Execute();

  for (int i = 0; i < 500 && !fs::exists(out); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  platform::SetProcessStarter(recording);
  setenv("PATH", old_path.c_str(), 1);
  EXPECT_TRUE(opened);
  std::ifstream in(out);
  std::string count, arg;
  std::getline(in, count);
  std::getline(in, arg);
  EXPECT_EQ(count, "1");
  EXPECT_EQ(arg, "mailto:me@example.com?subject=a;b $(x) c");
}

using AboutTest = AppTest;

TEST_F(AboutTest, TheAboutBoxMailsTheMakerAndClosesOnEsc) {
  Start({.earlier_starts = 9, .write_list = true, .list_text = ""});
  auto recording = std::dynamic_pointer_cast<platform::RecordingProcessStarter>(platform::CurrentProcessStarter());
  ASSERT_NE(recording, nullptr);
  recording->Clear();
  ParAbout->SpeedButton1->Click();
  const auto launches = recording->Launches();
  ASSERT_EQ(launches.size(), 1u);
  ASSERT_EQ(launches[0].arguments.size(), 2u);
  EXPECT_EQ(launches[0].arguments[1], std::string("mailto:") + kMakerMail);
  EXPECT_EQ(ParAbout->Caption(), "About");
  Word esc = 27;
  ParAbout->Abort(nullptr, esc, {});
  EXPECT_FALSE(ParAbout->Visible());
}

}  // namespace
}  // namespace app_test

namespace app_test {
namespace {

using HelpTest = AppTest;

TEST_F(HelpTest, F1ShowsTheAboutBoxThenTheHelpText) {
  Prepare({.earlier_starts = 9, .write_list = true, .list_text = ""});
  std::ofstream(ProgramFile("velko.hlp"), std::ios::binary) << "Velko - Help\r\n\r\nKeys\r\n  F1   About\r\n";
  Start();
  boxes_.clear();
  // The about box closes as soon as it shows.
  ParAbout->OnShow = [](TObject*) { PostMessage(ParAbout->Handle(), WM_CLOSE, 0, 0); };
  Press(VK_F1);
  ASSERT_NE(HelpViewer, nullptr);
  EXPECT_TRUE(HelpViewer->Visible());
  EXPECT_EQ(HelpViewer->HelpText->Lines()->Strings(2), "Keys");
  EXPECT_TRUE(HelpViewer->HelpText->ReadOnly());
  EXPECT_TRUE(boxes_.empty());
}

TEST_F(HelpTest, AMissingHelpFileGivesABox) {
  Start({.earlier_starts = 9, .write_list = true, .list_text = ""});
  boxes_.clear();
  PostMessage(ParAbout->Handle(), WM_CLOSE, 0, 0);
  Form1->AboutHelp();
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_NE(boxes_[0].text.find("velko.hlp"), std::string::npos);
  EXPECT_EQ(HelpViewer, nullptr);
}

}  // namespace
}  // namespace app_test
