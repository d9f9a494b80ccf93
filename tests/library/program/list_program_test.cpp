// The program itself, in a program folder and a home folder (drive C:) of
// the test's own: the song list one start writes is the list the next
// start reads and saves again (F9) byte for byte; in the tag editor F9
// opens, the row of a song deleted meanwhile says so and a Save writes into
// no file. The later starts run on an X server of the test's own, driven
// through the X test extension.
#include <gtest/gtest.h>

#include <X11/keysym.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "classlib/Registry.h"
#include "library/advlistv.h"
#include "library/dotags.h"
#include "platform/core/modules.h"
#include "platform/reg/registry.h"
#include "tests/classlib/forms/forms_test_support.h"
#include "tests/library/program/x_windows.h"
#include "tests/support/program_process.h"
#include "tests/support/temp_dir.h"
#include "tests/support/x_server.h"

namespace velko_test {
namespace {

namespace fs = std::filesystem;

// A minute of silence as MPEG-1 layer III (128 kbit/s, 44.1 kHz, stereo):
// 417-byte frames whose side information is all zero. Long enough that the
// main window, which plays its list from the first row on, is still at its
// first song when a test ends.
std::string SilentMp3() {
  std::string frame(417, '\0');
  frame[0] = '\xFF';
  frame[1] = '\xFB';
  frame[2] = '\x90';
  std::string bytes;
  for (int i = 0; i < 38 * 60; ++i) bytes += frame;
  return bytes;
}

bool WaitFor(const std::function<bool()>& seen, double seconds) {
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (!seen()) {
    if (std::chrono::steady_clock::now() > give_up) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

// Every file below a folder with its bytes.
std::map<std::string, std::string> Files(const fs::path& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    if (entry.is_regular_file()) files[entry.path().string()] = ReadFile(entry.path());
  }
  return files;
}

std::string Describe(const std::vector<ShownWindow>& windows) {
  std::ostringstream text;
  for (const ShownWindow& w : windows) {
    text << "[\"" << w.title << "\" " << w.x << "," << w.y << " " << w.width << "x" << w.height << "] ";
  }
  return text.str();
}

class ListProgramTest : public FormsTest {
 protected:
  void SetUp() override {
    FormsTest::SetUp();
    const fs::path bin = ProgramFolder();
    ASSERT_EQ(access((bin / "velko").c_str(), X_OK), 0) << "the program is not built";
    program_ = root_.path() / "program";
    home_ = root_.path() / "home";
    fs::create_directories(program_);
    fs::create_directories(home_ / "Music");
    // The program in a folder of its own, so its lists are this test's: the
    // program itself linked (it finds its folder from its own path), the
    // rest of the build's program folder reached through links.
    std::error_code linked;
    fs::create_hard_link(bin / "velko", program_ / "velko", linked);
    if (linked) fs::copy_file(bin / "velko", program_ / "velko");
    for (const auto& entry : fs::directory_iterator(bin)) {
      const std::string name = entry.path().filename().string();
      if (name == "velko" || name == "mp3.csv" || name == "movie.csv") continue;
      fs::create_symlink(entry.path(), program_ / name);
    }
    // An empty movie list, so no box asks for one.
    std::ofstream(program_ / "movie.csv", std::ios::binary);
    if (const char* old = std::getenv("VELKO_BIN_DIR")) saved_bin_dir_ = old;
    setenv("VELKO_BIN_DIR", program_.c_str(), 1);
    // The X and SDL libraries' own memory is not the program's business here.
    setenv("ASAN_OPTIONS", "detect_leaks=0", 1);
  }
  void TearDown() override {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (saved_bin_dir_) {
      setenv("VELKO_BIN_DIR", saved_bin_dir_->c_str(), 1);
    } else {
      unsetenv("VELKO_BIN_DIR");
    }
    platform::SetProgramPath("");
    FormsTest::TearDown();
  }

  void AddSong(const std::string& relative) {
    fs::create_directories((home_ / relative).parent_path());
    std::ofstream(home_ / relative, std::ios::binary) << SilentMp3();
  }

  // Settings of a program started before: no first-start hunt or shuffle,
  // no update check, no hunt at activation.
  void SettingsOfALaterStart() {
    const std::string own = platform::RegistryFolder();
    platform::SetRegistryFolder((home_ / "config" / "velko" / "registry").string());
    {
      TRegistryIniFile settings("SOFTWARE\\Calvane Technology");
      settings.WriteString("Velko", "StartCount", "5");
      settings.WriteString("Velko", "Updates", "0");
      settings.WriteString("Velko", "Hunter", "0");
      settings.WriteString("Velko", "Shuffle", "0");
    }
    platform::SetRegistryFolder(own);
  }

  void StartProgram() {
    pid_ = velko_test::StartProgram(home_);
    ASSERT_GT(pid_, 0);
  }
  void StopProgram() {
    ASSERT_GT(pid_, 0);
    kill(pid_, SIGTERM);
    int status = 0;
    const bool ended = WaitForProgramExit(pid_, &status, 60);
    if (!ended) {
      kill(pid_, SIGKILL);
      waitpid(pid_, &status, 0);
    }
    pid_ = -1;
    ASSERT_TRUE(ended) << "the program did not end";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
  }
  bool Running() const { return pid_ > 0 && waitpid(pid_, nullptr, WNOHANG) == 0; }

  std::string ListFile() const { return ReadFile(program_ / "mp3.csv"); }
  ino_t ListInode() const {
    struct stat info{};
    return stat((program_ / "mp3.csv").c_str(), &info) == 0 ? info.st_ino : 0;
  }
  // The rows of list-file text as this program's own reader gives them.
  static std::vector<std::vector<String>> Rows(const std::string& text) {
    TAdvListView list(nullptr);
    list.Columns()->Add();
    list.Columns()->Add();
    list.LoadFromText(text, false);
    std::vector<std::vector<String>> rows;
    for (int i = 0; i < list.Items()->Count(); ++i) {
      TListItem* item = list.Items()->Item(i);
      std::vector<String> row{item->Caption()};
      for (int j = 0; j < item->SubItems()->Count(); ++j) row.push_back(item->SubItems()->Strings(j));
      rows.push_back(row);
    }
    return rows;
  }

  // The window of a title, once shown (within `seconds`).
  std::optional<ShownWindow> WaitForWindow(XServer& x, const std::string& title, double seconds) {
    std::optional<ShownWindow> found;
    WaitFor(
        [&] {
          for (const ShownWindow& w : ShownWindows(x.display())) {
            if (w.title == title) found = w;
          }
          return found.has_value() || !Running();
        },
        seconds);
    return found;
  }
  // The main window: shown in the middle of the screen once the start is
  // over (the splash window before it is smaller).
  bool WaitForMainWindow(XServer& x) {
    return WaitFor(
        [&] {
          for (const ShownWindow& w : ShownWindows(x.display())) {
            if (w.width >= 474 && w.height >= 270 && w.x <= 400 && w.x + w.width >= 400 && w.y <= 300 &&
                w.y + w.height >= 300) {
              return true;
            }
          }
          return !Running();
        },
        90);
  }
  // A message box newly shown (a window of the application's title that
  // was not there before), within `seconds`.
  std::optional<ShownWindow> WaitForNewBox(XServer& x, const std::vector<ShownWindow>& before, double seconds) {
    std::optional<ShownWindow> box;
    WaitFor(
        [&] {
          for (const ShownWindow& w : ShownWindows(x.display())) {
            bool old = false;
            for (const ShownWindow& b : before) old = old || b.id == w.id;
            if (!old && w.title == "Velko") box = w;
          }
          return box.has_value() || !Running();
        },
        seconds);
    return box;
  }
  // Answers a box with Return, the pointer over it; true once it is gone.
  bool Answer(XServer& x, const ShownWindow& box) {
    x.MovePointer(box.x + box.width / 2, box.y + 8);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    x.Key(XK_Return);
    return WaitFor(
        [&] {
          for (const ShownWindow& w : ShownWindows(x.display())) {
            if (w.id == box.id) return false;
          }
          return true;
        },
        20);
  }

  TempDir root_;
  fs::path program_, home_;
  pid_t pid_ = -1;
  std::optional<std::string> saved_bin_dir_;
};

// A folder "Bach, JS" with "Concerto #1.mp3" beside a song with a "#" in a
// folder without a comma: the first two lines of the list the hunt writes
// then count different commas but the same number of "#".
TEST_F(ListProgramTest, TheListOneStartWritesIsTheListTheNextStartSaves) {
  KeepXLibrariesLoaded();
  // The list's first two lines hold one '#' each and a different number
  // of commas (a folder "Bach, JS" beside one without a comma): counting
  // delimiters over the lines as they stand takes '#' for the delimiter.
  AddSong("Music/Bach, JS/Concerto #1.mp3");
  AddSong("Music/Bach, JS/Prelude.mp3");
  AddSong("Music/Etude #2.mp3");
  AddSong("Music/Wembley \"Live\".mp3");
  // The first start hunts drive C: and writes its list; on the headless
  // screen, with an empty list to read, nothing waits for an answer.
  std::ofstream(program_ / "mp3.csv", std::ios::binary);
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  ASSERT_NO_FATAL_FAILURE(StartProgram());
  ASSERT_TRUE(WaitFor([&] { return !ListFile().empty() || !Running(); }, 120) && Running())
      << "the first start wrote no list";
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  ASSERT_NO_FATAL_FAILURE(StopProgram());
  const std::string written = ListFile();
  {
    std::istringstream lines(written);
    std::string first, second;
    std::getline(lines, first);
    std::getline(lines, second);
    ASSERT_EQ(std::count(first.begin(), first.end(), '#'), 1) << written;
    ASSERT_EQ(std::count(second.begin(), second.end(), '#'), 1) << written;
    ASSERT_NE(std::count(first.begin(), first.end(), ','), std::count(second.begin(), second.end(), ',')) << written;
  }
  const std::vector<std::vector<String>> rows = Rows(written);
  ASSERT_EQ(rows.size(), 4u) << written;
  const std::vector<std::vector<String>> captions_and_folders{
      {"Concerto #1.mp3", "Music\\Bach, JS\\"},
      {"Etude #2.mp3", "Music\\"},
      {"Prelude.mp3", "Music\\Bach, JS\\"},
      {"Wembley \"Live\".mp3", "Music\\"}};
  for (std::size_t i = 0; i < rows.size(); ++i) {
    ASSERT_EQ(rows[i].size(), 2u) << written;
    EXPECT_EQ(rows[i][0], captions_and_folders[i][0]) << written;
    EXPECT_TRUE(rows[i][1].size() > 3 && rows[i][1].substr(3) == captions_and_folders[i][1]) << rows[i][1];
  }

  // The next start reads it; F9 saves the song list before the tag editor
  // shows.
  SettingsOfALaterStart();
  XServer x;
  ASSERT_TRUE(x.Start()) << "Xvfb did not start (scripts/deps installs it)";
  const ino_t before = ListInode();
  ASSERT_NO_FATAL_FAILURE(StartProgram());
  ASSERT_TRUE(WaitForMainWindow(x)) << Describe(ShownWindows(x.display()));
  x.MovePointer(400, 300);
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  x.Key(XK_F9);
  ASSERT_TRUE(WaitForWindow(x, "ID Tag Editor", 60)) << Describe(ShownWindows(x.display()));
  ASSERT_NE(ListInode(), before) << "F9 saved no list";
  EXPECT_EQ(ListFile(), written);
  EXPECT_EQ(Rows(ListFile()), rows);
  ASSERT_NO_FATAL_FAILURE(StopProgram());
}

// F9 opens the tag editor over the list; a song is then deleted outside the
// program. A click on another song and then on the deleted song's row gives
// a message; a title typed and saved then goes into no file at all.
TEST_F(ListProgramTest, TheRowOfADeletedSongSaysSoAndSaveWritesNoFile) {
  KeepXLibrariesLoaded();
  for (const char* name : {"01 First Song.mp3", "02 Second Song.mp3", "03 Third Song.mp3"}) {
    AddSong(std::string("Music/") + name);
  }
  std::ofstream(program_ / "mp3.csv", std::ios::binary)
      << "01 First Song.mp3,C:\\Music\\\r\n02 Second Song.mp3,C:\\Music\\\r\n03 Third Song.mp3,C:\\Music\\\r\n";
  SettingsOfALaterStart();

  // Where the rows, the title field and the Save button lie in the tag
  // editor's window: measured on the same window made here.
  platform::SetProgramPath((program_ / "velko").string());
  TPoint rows[3], title, save;
  {
    auto* form = new TTagForm(Application);
    form->Show();
    Pump();
    ASSERT_EQ(form->MusicList->Items()->Count(), 3);
    RECT frame;
    GetWindowRect(form->Handle(), &frame);
    auto spot = [&](TControl* control, int x, int y) {
      const TPoint p = control->ClientToScreen(Point(x, y));
      return Point(p.x - frame.left, p.y - frame.top);
    };
    for (int i = 0; i < 3; ++i) {
      const TRect r = form->MusicList->Items()->Item(i)->DisplayRect(drBounds);
      rows[i] = spot(form->MusicList, r.left + 30, (r.top + r.bottom) / 2);
    }
    title = spot(form->Edit1, 20, form->Edit1->Height() / 2);
    save = spot(form->SpeedButton2, form->SpeedButton2->Width() / 2, form->SpeedButton2->Height() / 2);
    delete form;
    Pump();
  }
  platform::SetProgramPath("");

  XServer x;
  ASSERT_TRUE(x.Start()) << "Xvfb did not start (scripts/deps installs it)";
  ASSERT_NO_FATAL_FAILURE(StartProgram());
  ASSERT_TRUE(WaitForMainWindow(x)) << Describe(ShownWindows(x.display()));
  x.MovePointer(400, 300);
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  x.Key(XK_F9);
  const std::optional<ShownWindow> editor = WaitForWindow(x, "ID Tag Editor", 60);
  ASSERT_TRUE(editor) << Describe(ShownWindows(x.display()));
  fs::remove(home_ / "Music" / "03 Third Song.mp3");
  const auto files = Files(home_ / "Music");

  auto click = [&](TPoint at) {
    x.Click(editor->x + at.x, editor->y + at.y);
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
  };
  click(rows[1]);
  std::vector<ShownWindow> shown = ShownWindows(x.display());
  ASSERT_FALSE(WaitForNewBox(x, shown, 1)) << "a box for a song that is there";
  click(rows[2]);
  const std::optional<ShownWindow> missing = WaitForNewBox(x, shown, 20);
  ASSERT_TRUE(missing) << "no message for the deleted song: " << Describe(ShownWindows(x.display()));
  ASSERT_TRUE(Answer(x, *missing));

  click(title);
  x.Key(XK_N);
  x.Key(XK_e);
  x.Key(XK_w);
  shown = ShownWindows(x.display());
  click(save);
  const std::optional<ShownWindow> not_saved = WaitForNewBox(x, shown, 20);
  ASSERT_TRUE(not_saved) << "no message for the save: " << Describe(ShownWindows(x.display()));
  ASSERT_TRUE(Answer(x, *not_saved));
  EXPECT_EQ(Files(home_ / "Music"), files) << "a song file was written";
  ASSERT_NO_FATAL_FAILURE(StopProgram());
}

}  // namespace
}  // namespace velko_test
