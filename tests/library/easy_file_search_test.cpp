// TEasyFileSearch on trees of the test's own: breadth-first order, the
// folder texts, the name-mask rule for folders, the counters, filters, the
// entries as the file system reports them, and folders that vanish, loop or
// are empty.
#include <gtest/gtest.h>

#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <utime.h>

#include <filesystem>
#include <string>
#include <vector>

#include "classlib/DateTime.h"
#include "library/EasyFileSearch.h"
#include "platform/fs/files.h"
#include "platform/fs/find_files.h"
#include "tests/library/library_test_support.h"

namespace velko_test {
namespace {

namespace fs = std::filesystem;

class EasySearchTest : public DriveTest {
 protected:
  void SetUp() override {
    DriveTest::SetUp();
    search.SetRootPath("T:\\");
    search.OnFileFound = [this](const TFileInformations& info) { found.push_back(info.Path + info.Name); };
    search.OnChangeFolder = [this](const String& path) { folders.push_back(path); };
    search.OnStatistics = [this](const TStatistics& s) {
      stats = s;
      ++statistics_count;
    };
  }
  void Tree() {
    Put("b.mp3", "bb");
    Put("a.mp3", "a");
    Put("notes", "n");
    Put("Rock\\one.mp3", "1");
    Put("Rock\\Deep\\deep.mp3", "d");
    Put("Pop\\two.MP3", "22");
    Put("Pop\\cover.jpg", "j");
  }
  void Masks(std::vector<String> masks) {
    TStringList list;
    for (const String& m : masks) list.Add(m);
    search.SetFileNames(&list);
  }

  TEasyFileSearch search{nullptr};
  std::vector<String> found;
  std::vector<String> folders;
  TStatistics stats;
  int statistics_count = 0;
};

TEST_F(EasySearchTest, TheVersionCannotBeSet) {
  search.SetVersion("other");
  EXPECT_EQ(search.Version(), "TEasyFileSearch v1.02");
}

TEST_F(EasySearchTest, FoldersNeedTheLineStarDotStarOrAMatchingMask) {
  Tree();
  Put("Best.Of\\x.txt", "x");
  search.SearchOptions = {okIncludeSubfolder, okLookForDirectory};
  Masks({"*.of"});
  search.Execute();
  EXPECT_EQ(found, (std::vector<String>{"T:\\Best.Of"}));
  EXPECT_EQ(stats.DirectoriesFound, 1u);

  found.clear();
  Masks({"*.*"});
  search.Execute();
  EXPECT_EQ(found, (std::vector<String>{"T:\\Best.Of", "T:\\Pop", "T:\\Rock", "T:\\Rock\\Deep"}));

  // Files: "*.*" matches only names with a dot; any file passes the
  // attribute test with okLookForAnyFile.
  found.clear();
  search.SearchOptions = {okLookForAnyFile};
  search.Execute();
  EXPECT_EQ(found, (std::vector<String>{"T:\\a.mp3", "T:\\b.mp3"}));
  EXPECT_EQ(stats.FilesFound, 2u);
  EXPECT_EQ(stats.FoldersWithFiles, 1u);
}

TEST_F(EasySearchTest, SizeExcludeDateAndAcceptFilters) {
  Tree();
  Masks({"*.mp3"});
  search.FilterKind = {fkFilterOnSize};
  search.SizeFilterSize = 1;
  search.Execute();
  EXPECT_EQ(found, (std::vector<String>{"T:\\a.mp3", "T:\\Rock\\one.mp3", "T:\\Rock\\Deep\\deep.mp3"}));

  found.clear();
  search.SizeFilterKind = sfkBiggerOrEqualTo;
  search.SizeFilterSize = 2;
  TStringList excluded;
  excluded.Add("TWO.*");
  search.SetExcludedFiles(&excluded);
  search.Execute();
  EXPECT_EQ(found, (std::vector<String>{"T:\\b.mp3"}));

  // A file last written on a day long ago is before today and not the same.
  struct utimbuf old_times {};
  old_times.actime = old_times.modtime = 946728000;  // 2000-01-01 12:00 UTC
  ASSERT_EQ(utime((dir_ / "a.mp3").c_str(), &old_times), 0);
  excluded.Clear();
  search.SetExcludedFiles(&excluded);
  search.FilterKind = {fkFilterOnDate};
  search.DateFilterFileAccess = dfakModifiedFiles;
  search.DateFilterKind = dfkBefore;
  search.DateFilterFirstDate = EncodeDate(2001, 1, 1);
  found.clear();
  search.Execute();
  EXPECT_EQ(found, (std::vector<String>{"T:\\a.mp3"}));
  search.DateFilterKind = dfkSame;
  search.DateFilterFirstDate = Date();
  found.clear();
  search.Execute();
  EXPECT_EQ(found.size(), 4u);

  // The last word is OnAcceptFile's.
  search.FilterKind = {};
  search.OnAcceptFile = [](const TFileInformations& info) { return info.Name != "b.mp3"; };
  found.clear();
  search.Execute();
  EXPECT_EQ(found.size(), 4u);
  EXPECT_EQ(stats.FilesFound, 4u);
}

TEST_F(EasySearchTest, AMissingRootFailsButVanishedLoopedAndEmptyFoldersDoNot) {
  search.SetRootPath("T:\\nowhere");
  EXPECT_FALSE(search.Execute());
  EXPECT_EQ(statistics_count, 1);
  EXPECT_EQ(stats.FilesFound + stats.FoldersWithFiles + stats.DirectoriesFound, 0u);

  // An empty root lists nothing and is no failure.
  search.SetRootPath("T:\\");
  EXPECT_TRUE(search.Execute());
  EXPECT_TRUE(found.empty());

  Tree();
  fs::create_directory_symlink(dir_.path(), dir_ / "Rock" / "Loop");
  // Pop goes away after the root was listed and before it is walked.
  search.OnFileFound = [this](const TFileInformations& info) {
    found.push_back(info.Path + info.Name);
    if (info.Name == "a.mp3") fs::remove_all(dir_ / "Pop");
  };
  Masks({"*.mp3", "Loop"});
  folders.clear();
  EXPECT_TRUE(search.Execute());
  EXPECT_EQ(folders, (std::vector<String>{"T:\\", "T:\\Pop", "T:\\Rock", "T:\\Rock\\Deep"}));
  EXPECT_EQ(found, (std::vector<String>{"T:\\a.mp3", "T:\\b.mp3", "T:\\Rock\\Loop", "T:\\Rock\\one.mp3",
                                        "T:\\Rock\\Deep\\deep.mp3"}));
}

// While alive, the calling thread (and the threads it starts) obeys file
// permissions even when the tests run as root, so that a folder can be
// made unreadable.
class PermissionsEnforced {
 public:
  PermissionsEnforced() {
    header_.version = _LINUX_CAPABILITY_VERSION_3;
    if (syscall(SYS_capget, &header_, saved_) != 0) return;
    __user_cap_data_struct reduced[2] = {saved_[0], saved_[1]};
    reduced[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
    dropped_ = syscall(SYS_capset, &header_, reduced) == 0;
  }
  ~PermissionsEnforced() {
    if (dropped_) syscall(SYS_capset, &header_, saved_);
  }
  PermissionsEnforced(const PermissionsEnforced&) = delete;
  PermissionsEnforced& operator=(const PermissionsEnforced&) = delete;

 private:
  __user_cap_header_struct header_{};
  __user_cap_data_struct saved_[2]{};
  bool dropped_ = false;
};

// Everything a search reports, in order: each folder entered, each entry
// found with its attributes and size, and the counters.
struct HuntCase {
  const char* what;
  TOptions options;
  std::vector<String> masks;
  std::vector<String> events;
};

TEST_F(EasySearchTest, ResultsDoNotDependOnHowTheFileSystemReportsEntries) {
  // Names in several scripts, hidden and read-only files, a pipe, links to
  // a file, to folders (one of them a loop) and to nothing, a folder nobody
  // may read and one whose entries nobody may look up.
  for (const char* name : {"a.mp3", "Zebra.MP3", "ábc.mp3", "Ärger.mp3", "Ωmega.mp3", "ёлка.mp3", "日本.mp3",
                           "notes.txt", ".hidden.mp3", "readonly.mp3", "Rock\\one.mp3", "Rock\\Deep\\deep.mp3",
                           "Locked\\x.mp3", "Blind\\y.mp3", "Blind\\Sub\\z.mp3", "Живое\\песня.mp3"}) {
    Put(name, "abc");
  }
  ASSERT_EQ(mkfifo((dir_ / "pipe.mp3").c_str(), 0644), 0);
  fs::create_symlink(dir_ / "Zebra.MP3", dir_ / "linked.mp3");
  fs::create_symlink(dir_ / "nowhere", dir_ / "gone.mp3");
  fs::create_directory_symlink(dir_ / "Rock", dir_ / "LinkedRock.mp3");
  fs::create_directory_symlink(dir_.path(), dir_ / "Rock" / "Loop");
  ASSERT_EQ(chmod((dir_ / "readonly.mp3").c_str(), 0444), 0);
  ASSERT_EQ(chmod((dir_ / "Locked").c_str(), 0), 0);
  ASSERT_EQ(chmod((dir_ / "Blind").c_str(), 0444), 0);

  const std::vector<HuntCase> cases = {
      {"the music hunt's options", {okIncludeSubfolder, okLookForAnyFile}, {"*.mp3", "Loop"},
        {"enter T:\\", "T:\\.hidden.mp3 34 3", "T:\\a.mp3 32 3", "T:\\gone.mp3 1028 0",
         "T:\\linked.mp3 1056 3", "T:\\pipe.mp3 4 0", "T:\\readonly.mp3 33 3", "T:\\Zebra.MP3 32 3",
         "T:\\ábc.mp3 32 3", "T:\\Ärger.mp3 32 3", "T:\\Ωmega.mp3 32 3", "T:\\ёлка.mp3 32 3",
         "T:\\日本.mp3 32 3", "enter T:\\Blind", "enter T:\\Locked", "enter T:\\Rock", "T:\\Rock\\one.mp3 32 3",
         "enter T:\\Живое", "T:\\Живое\\песня.mp3 32 3", "enter T:\\Rock\\Deep",
         "T:\\Rock\\Deep\\deep.mp3 32 3", "counted 15 4 0"}},
      {"folders and read-only files", {okIncludeSubfolder, okLookForReadOnlyFile, okLookForDirectory}, {"*.*"},
        {"enter T:\\", "T:\\Blind 17 0", "T:\\LinkedRock.mp3 1040 0", "T:\\Locked 17 0",
         "T:\\readonly.mp3 33 3", "T:\\Rock 16 0", "T:\\Живое 16 0", "enter T:\\Blind", "enter T:\\Locked",
         "enter T:\\Rock", "T:\\Rock\\Deep 16 0", "T:\\Rock\\Loop 1040 0", "enter T:\\Живое",
         "enter T:\\Rock\\Deep", "counted 1 1 7"}},
      {"hidden files, root only", {okLookForHiddenFile, okLookForSystemFile}, {"*.mp3"},
        {"enter T:\\", "T:\\.hidden.mp3 34 3", "T:\\gone.mp3 1028 0", "T:\\pipe.mp3 4 0", "counted 3 1 0"}},
  };
  std::vector<String> events;
  search.OnChangeFolder = [&](const String& path) { events.push_back("enter " + path); };
  search.OnFileFound = [&](const TFileInformations& info) {
    events.push_back(info.Path + info.Name + " " + std::to_string(info.Attributes) + " " + std::to_string(info.Size));
  };
  search.OnStatistics = [&](const TStatistics& s) {
    events.push_back("counted " + std::to_string(s.FilesFound) + " " + std::to_string(s.FoldersWithFiles) + " " +
                     std::to_string(s.DirectoriesFound));
  };
  for (const bool typed : {true, false}) {
    SCOPED_TRACE(typed ? "entries with their types" : "entries without types");
    platform::fs::ListWithoutEntryTypes(!typed);
    for (const HuntCase& c : cases) {
      SCOPED_TRACE(c.what);
      search.SearchOptions = c.options;
      Masks(c.masks);
      events.clear();
      {
        PermissionsEnforced enforced;
        EXPECT_TRUE(search.Execute());
      }
      EXPECT_EQ(events, c.events);
    }
  }
  platform::fs::ListWithoutEntryTypes(false);
  chmod((dir_ / "Locked").c_str(), 0755);
  chmod((dir_ / "Blind").c_str(), 0755);
}

}  // namespace
}  // namespace velko_test
