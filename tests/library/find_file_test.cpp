// TFindFile: property checks and their messages, the folder list, the
// depth-first walk and its filters, the matching routines, contained text,
// and the worker thread (abort, a second Execute, deletion mid-search,
// entries removed during the walk, a link loop).
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <vector>

#include "classlib/DateTime.h"
#include "classlib/FileRoutines.h"
#include "library/FindFile.h"
#include "platform/core/threads.h"
#include "tests/library/library_test_support.h"
#include "tests/support/message_pump.h"

namespace velko_test {
namespace {

namespace fs = std::filesystem;

TEST(FindFileRoutines, WildcardMatchTable) {
  struct Case {
    const char* full;
    const char* mask;
    bool match;
  } cases[] = {
      {"C:\\X\\A.TMP", "*.TMP", true},
      {"C:\\X\\a.tmp", "*.TMP", true},
      {"C:\\X\\A.TMP.BAK", "*.TMP", false},
      {"C:\\X\\A.B", "*", false},
      {"C:\\X\\AB", "*", true},
      {"C:\\X\\A.B", "?.?", true},
      {"C:\\X\\A.B", "???.?", true},   // "?" is skipped at the name's dot
      {"C:\\X\\AB.C", "?.C", false},
      {"C:\\TEMP\\X.Y", "C:\\TEMP\\*.*", true},
      {"C:\\OLD\\TEMP\\X.Y", "C:\\TEMP\\*.*", true},
      {"D:\\TEMP\\X.Y", "C:\\TEMP\\*.*", false},
      {"D:\\TEMP\\X.Y", "?:\\TEMP\\*.*", true},
      {"C:\\TEMPO\\X.Y", "C:\\TEMP\\*.*", false},
      {"C:\\X\\Y", "C:\\X\\", true},
      {"", "", true},
      {"A", "C:\\LONG\\FOLDER\\*", false},  // a mask folder longer than the name's
      {"C:\\", "C:", true},
      {"X", "C:", false},  // a drive in the mask needs one in the name
  };
  for (const Case& c : cases) EXPECT_EQ(WildcardMatch(c.full, c.mask), c.match) << c.full << " " << c.mask;
}

TEST(FindFileRoutines, DateInRangeAndStripBackslash) {
  const TDateTime day = EncodeDate(2020, 5, 10);
  const TDateTime noon = day + 0.5;
  struct Case {
    TDateTime d, before, after;
    bool in;
  } cases[] = {
      {noon, 0, 0, true},
      {noon, day, 0, true},              // whole days compared
      {noon, day - 1, 0, false},
      {noon, 0, day, true},
      {noon, 0, day + 1, false},
      {noon, 0.6, 0, true},              // time of day only
      {noon, 0.4, 0, false},
      {noon, 0, 0.4, true},
      {noon, day + 0.4, 0, false},       // date and time
      {noon, day + 0.6, day + 0.4, true},
  };
  for (const Case& c : cases) EXPECT_EQ(DateInRange(c.d, c.before, c.after), c.in) << c.before << " " << c.after;
  EXPECT_EQ(StripBackslash("C:\\MOVIES\\"), "C:\\MOVIES");
  EXPECT_EQ(StripBackslash("C:\\"), "C:\\");
  EXPECT_EQ(StripBackslash("\\"), "\\");
  EXPECT_EQ(StripBackslash(""), "");
}

class FindFileTest : public DriveTest {
 protected:
  void SetUp() override {
    DriveTest::SetUp();
    finder = std::make_unique<TFindFile>(nullptr);
    finder->SetLocation("T:\\");
    finder->OnFound = [this](TObject*, const String& folder, WIN32_FIND_DATA& data) {
      found.push_back(folder + "|" + data.cFileName);
    };
    finder->OnNewFolder = [this](TObject*, const String& folder, bool& ignore) {
      folders.push_back(folder);
      ignore = folder == ignored;
    };
    finder->OnComplete = [this](TObject*) { ++completed; };
  }
  void TearDown() override {
    finder.reset();
    DriveTest::TearDown();
  }
  void Tree() {
    Put("a.avi", "a");
    Put(".hidden.avi", "h");
    Put("Films\\b.avi", "bb");
    Put("Films\\Old\\c.avi", "c");
    Put("Films\\x.txt", "x");
    Put(".dot\\d.avi", "d");
    Put("Skip\\e.avi", "e");
  }
  bool WaitForCompletion(int count = 1) {
    return PumpMessagesUntil([&] { return completed >= count && !finder->Busy(); }, 20);
  }

  std::unique_ptr<TFindFile> finder;
  std::vector<String> found;
  std::vector<String> folders;
  String ignored = "none";
  int completed = 0;
};

TEST_F(FindFileTest, WrongPropertyValuesRaiseWithTheirMessages) {
  try {
    finder->SetFilename("C:\\x.avi");
    FAIL();
  } catch (const EFindFileError& e) {
    EXPECT_EQ(e.Message, "C:\\x.avi\n\rInvalid filename specified");
  }
  EXPECT_EQ(finder->Filename(), "*.*");
  try {
    finder->SetLocation("C:\\*");
    FAIL();
  } catch (const EFindFileError& e) {
    EXPECT_EQ(e.Message, "C:\\*\n\rlocation cannot to be contained wildcards");
  }
  EXPECT_THROW(finder->SetLocation("C:\\a?"), EFindFileError);
  EXPECT_EQ(finder->Location(), "T:\\");
}

TEST_F(FindFileTest, PreOrderWalkWithDotNamesAndIgnoredFolders) {
  Tree();
  ignored = "T:\\Skip";
  finder->SetFilename("*.avi");
  finder->Execute();
  EXPECT_EQ(found, (std::vector<String>{"T:\\|a.avi", "T:\\Films|b.avi", "T:\\Films\\Old|c.avi"}));
  EXPECT_EQ(folders, (std::vector<String>{"T:\\", "T:\\Films", "T:\\Films\\Old", "T:\\Skip"}));
  EXPECT_EQ(completed, 1);
  EXPECT_FALSE(finder->Busy());

  // A name without a dot searches name.*; the root named twice is searched once.
  found.clear();
  folders.clear();
  Put("MOVIE", "m");
  Put("movie.mpg", "m");
  finder->SetFilename("MOVIE");
  finder->SetLocation("T:\\;t:\\");
  finder->Subfolders = false;
  finder->Execute();
  EXPECT_EQ(found, (std::vector<String>{"T:\\|MOVIE", "T:\\|movie.mpg"}));
  EXPECT_EQ(folders, (std::vector<String>{"T:\\"}));
}

TEST_F(FindFileTest, FiltersOnAttributesSizeExcludesAndText) {
  Tree();
  finder->SetFilename("*.avi");
  finder->SizeMin = 2;
  finder->Execute();
  EXPECT_EQ(found, (std::vector<String>{"T:\\Films|b.avi"}));

  found.clear();
  finder->SizeMin = 0;
  TStringList excluded;
  excluded.Add("T:\\FILMS\\*.*");
  finder->SetExcludeFiles(&excluded);
  finder->Execute();
  EXPECT_EQ(found, (std::vector<String>{"T:\\|a.avi", "T:\\Films\\Old|c.avi", "T:\\Skip|e.avi"}));

  // Folders only with the directory attribute, exactly.
  found.clear();
  finder->SetExcludeFiles(nullptr);
  finder->SetFilename("*.*");
  finder->Attributes = {ffDirectory};
  finder->ExactAttribute = true;
  finder->Execute();
  EXPECT_EQ(found, (std::vector<String>{"T:\\|Films", "T:\\|Skip", "T:\\Films|Old"}));

  // Text across the 4096-byte blocks; a file that cannot be opened just
  // does not match.
  found.clear();
  std::string big(8000, 'x');
  big.replace(4090, 12, "needle-HAY!!");
  Put("Text\\big.dat", big);
  Put("Text\\small.dat", "no");
  fs::create_symlink(dir_ / "gone", dir_ / "Text" / "broken.dat");
  finder->SetLocation("T:\\Text");
  finder->Attributes = {ffArchive, ffReadonly, ffHidden, ffSystem};
  finder->ExactAttribute = false;
  finder->Containing = "NEEDLE-hay";
  finder->Execute();
  EXPECT_EQ(found, (std::vector<String>{"T:\\Text|big.dat"}));
  EXPECT_FALSE(finder->Aborted());
  found.clear();
  finder->IgnoreCase = false;
  finder->Execute();
  EXPECT_TRUE(found.empty());
}

TEST_F(FindFileTest, ThreadedSearchReportsInTheMainThreadAndCompletesOnce) {
  Tree();
  finder->SetFilename("*.avi");
  finder->Threaded = true;
  DWORD report_thread = 0;
  finder->OnFound = [&](TObject*, const String& folder, WIN32_FIND_DATA& data) {
    report_thread = GetCurrentThreadId();
    found.push_back(folder + "|" + data.cFileName);
  };
  finder->Execute();
  EXPECT_TRUE(finder->Busy());
  finder->Execute();  // ignored while busy
  ASSERT_TRUE(WaitForCompletion());
  EXPECT_EQ(report_thread, MainThreadID);
  EXPECT_EQ(found, (std::vector<String>{"T:\\|a.avi", "T:\\Films|b.avi", "T:\\Films\\Old|c.avi", "T:\\Skip|e.avi"}));
  PumpMessagesUntil([] { return false; }, 0.05);  // nothing more arrives
  EXPECT_EQ(completed, 1);

  // The next search may start from OnComplete.
  int starts = 0;
  finder->OnComplete = [&](TObject*) {
    ++completed;
    if (++starts == 1) finder->Execute();
  };
  found.clear();
  finder->Execute();
  ASSERT_TRUE(WaitForCompletion(3));
  EXPECT_EQ(found.size(), 8u);
}

TEST_F(FindFileTest, AbortDuringAThreadedSearchGivesOneCompletion) {
  for (int i = 0; i < 50; ++i) Put("F" + std::to_string(i) + "\\x.avi", "x");
  finder->Threaded = true;
  finder->OnFound = [&](TObject*, const String&, WIN32_FIND_DATA&) {
    if (found.empty()) finder->Abort();
    found.push_back("x");
  };
  finder->Execute();
  ASSERT_TRUE(WaitForCompletion());
  EXPECT_TRUE(finder->Aborted());
  EXPECT_LT(found.size(), 3u);
  PumpMessagesUntil([] { return false; }, 0.1);
  EXPECT_EQ(completed, 1);
}

TEST_F(FindFileTest, DeletingTheFinderMidSearchNeitherHangsNorReports) {
  for (int i = 0; i < 50; ++i) Put("F" + std::to_string(i) + "\\x.avi", "x");
  finder->Threaded = true;
  bool deleted = false;
  int after = 0;
  finder->OnFound = [&](TObject*, const String&, WIN32_FIND_DATA&) {
    if (deleted) ++after;
    found.push_back("x");
  };
  finder->OnComplete = [&](TObject*) {
    if (deleted) ++after;
  };
  finder->Execute();
  ASSERT_TRUE(PumpMessagesUntil([&] { return found.size() >= 2; }, 20));
  deleted = true;
  finder.reset();  // the worker is waiting on its next report
  PumpMessagesUntil([] { return false; }, 0.1);
  EXPECT_EQ(after, 0);
}

TEST_F(FindFileTest, AFinderDeletedByItsOwnCompletionDoesNotHang) {
  Tree();
  auto* owned = new TFindFile(nullptr);
  owned->SetLocation("T:\\");
  owned->Threaded = true;
  bool done = false;
  owned->OnComplete = [&](TObject* sender) {
    bool& flag = done;  // the handler goes with the finder
    delete static_cast<TFindFile*>(sender);
    flag = true;
  };
  owned->Execute();
  ASSERT_TRUE(PumpMessagesUntil([&] { return done; }, 20));
  PumpMessagesUntil([] { return false; }, 0.1);
}

TEST_F(FindFileTest, EntriesRemovedDuringTheWalkAndLinkLoopsArePassedOver) {
  Tree();
  fs::create_directory_symlink(dir_.path(), dir_ / "Films" / "Loop");
  finder->SetFilename("*.avi");
  finder->Threaded = true;
  finder->OnNewFolder = [this](TObject*, const String& folder, bool&) {
    folders.push_back(folder);
    // Removed before its listing: the walk goes on.
    if (folder == "T:\\Films") fs::remove_all(dir_ / "Skip");
    if (folder == "T:\\Films\\Old") fs::remove(dir_ / "Films" / "Old" / "c.avi");
  };
  finder->Execute();
  ASSERT_TRUE(WaitForCompletion());
  EXPECT_FALSE(finder->Aborted());
  EXPECT_EQ(found, (std::vector<String>{"T:\\|a.avi", "T:\\Films|b.avi"}));
  EXPECT_EQ(folders, (std::vector<String>{"T:\\", "T:\\Films", "T:\\Films\\Old"}));
}

}  // namespace
}  // namespace velko_test
