// Streams over files, string list files and the file routines, on a test
// drive T: of the test's own.
#include "platform/core/modules.h"
#include <gtest/gtest.h>

#include <filesystem>

#include "classlib/Exceptions.h"
#include "classlib/FileRoutines.h"
#include "classlib/PathRoutines.h"
#include "classlib/Streams.h"
#include "classlib/StringRoutines.h"
#include "classlib/Strings.h"
#include "tests/classlib/raised.h"
#include "tests/platform/fs/fs_fixture.h"

namespace {

using velko_test::RaisedMessage;

using FilesTest = velko_test::DriveTest;

TEST_F(FilesTest, FileStreamCreatesWritesAndReadsBack) {
  {
    TFileStream out("T:\\data.bin", fmCreate);
    out.WriteBuffer("abcdef", 6);
    EXPECT_EQ(out.Size(), 6);
    EXPECT_EQ(out.FileName(), "T:\\data.bin");
  }
  EXPECT_EQ(Contents("data.bin"), "abcdef");
  TFileStream in("T:\\DATA.BIN", fmOpenRead);  // names ignore case
  char buffer[8] = {};
  in.SetPosition(2);
  EXPECT_EQ(in.Read(buffer, 8), 4);
  EXPECT_STREQ(buffer, "cdef");
  EXPECT_EQ(in.Seek(-1, soEnd), 5);
}

TEST_F(FilesTest, FileStreamErrorsNameTheFile) {
  EXPECT_EQ(RaisedMessage<EFOpenError>([] { TFileStream("T:\\missing.txt", fmOpenRead); }),
            "Cannot open file T:\\missing.txt");
  EXPECT_EQ(RaisedMessage<EFCreateError>([] { TFileStream("T:\\no folder\\x.txt", fmCreate); }),
            "Cannot create file T:\\no folder\\x.txt");
}

TEST_F(FilesTest, ShareModesKeepOtherOpenersOut) {
  Write("shared.txt", "x");
  {
    TFileStream reader("T:\\shared.txt", fmOpenRead | fmShareDenyWrite);
    TFileStream second_reader("T:\\shared.txt", fmOpenRead | fmShareDenyWrite);
    EXPECT_THROW(TFileStream("T:\\shared.txt", fmOpenReadWrite | fmShareDenyNone), EFOpenError);
  }
  {
    TFileStream exclusive("T:\\shared.txt", fmOpenReadWrite | fmShareExclusive);
    EXPECT_THROW(TFileStream("T:\\shared.txt", fmOpenRead | fmShareDenyNone), EFOpenError);
  }
  {
    TFileStream open("T:\\shared.txt", fmOpenReadWrite | fmShareDenyNone);
    TFileStream also("T:\\shared.txt", fmOpenReadWrite | fmShareDenyNone);
    also.WriteBuffer("y", 1);
  }
  EXPECT_EQ(Contents("shared.txt"), "y");
}

TEST_F(FilesTest, HandleStreamSizeCutsAndExtends) {
  Write("size.bin", "0123456789");
  {
    TFileStream f("T:\\size.bin", fmOpenReadWrite);
    f.SetSize(4);
    EXPECT_EQ(f.Size(), 4);
    f.SetSize(6);
  }
  EXPECT_EQ(Contents("size.bin"), String("0123\0\0", 6));
}

TEST_F(FilesTest, StringListFilesAndMemoryStreamFiles) {
  TStringList list;
  list.Add("Song.mp3,C:\\Music\\");
  list.Add("Other.mp3,C:\\Music\\");
  list.SaveToFile("T:\\mp3.csv");
  EXPECT_EQ(Contents("mp3.csv"), "Song.mp3,C:\\Music\\\r\nOther.mp3,C:\\Music\\\r\n");
  TStringList back;
  back.LoadFromFile("T:\\mp3.csv");
  EXPECT_TRUE(back.Equals(&list));
  EXPECT_THROW(back.LoadFromFile("T:\\none.csv"), EFOpenError);

  TMemoryStream memory;
  memory.LoadFromFile("T:\\mp3.csv");
  EXPECT_EQ(memory.Size(), 41);
  memory.SaveToFile("T:\\copy.csv");
  EXPECT_EQ(Contents("copy.csv"), Contents("mp3.csv"));
}

TEST_F(FilesTest, ExistenceFoldersDeletingAndRenaming) {
  Write("a.txt", "1");
  MakeFolder("Music");
  EXPECT_TRUE(FileExists("T:\\a.txt"));
  EXPECT_FALSE(FileExists("T:\\Music"));
  EXPECT_TRUE(DirectoryExists("T:\\Music"));
  EXPECT_TRUE(DirectoryExists("T:\\music\\"));
  EXPECT_FALSE(DirectoryExists("T:\\a.txt"));
  EXPECT_TRUE(ForceDirectories("T:\\one\\two\\three\\"));
  EXPECT_TRUE(std::filesystem::is_directory(Native("one/two/three")));
  EXPECT_TRUE(ForceDirectories("T:\\one\\two"));  // already there
  EXPECT_THROW(ForceDirectories(""), Exception);
  EXPECT_TRUE(RenameFile("T:\\a.txt", "T:\\b.txt"));
  EXPECT_FALSE(FileExists("T:\\a.txt"));
  EXPECT_TRUE(FileExists("T:\\b.txt"));
  EXPECT_FALSE(RenameFile("T:\\nothing.txt", "T:\\c.txt"));
  EXPECT_TRUE(DeleteFile(String("T:\\b.txt")));
  EXPECT_FALSE(DeleteFile(String("T:\\b.txt")));
  EXPECT_TRUE(CreateDir("T:\\new"));
  EXPECT_TRUE(RemoveDir("T:\\new"));
  EXPECT_FALSE(DirectoryExists("T:\\new"));
}

TEST_F(FilesTest, FileAgeIsTheLocalDosDateOfTheLastWrite) {
  Write("dated.txt", "x");
  HANDLE h = FileOpen("T:\\dated.txt", fmOpenReadWrite);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  const TDateTime when = EncodeDate(2003, 6, 7) + EncodeTime(14, 5, 8, 0);
  EXPECT_EQ(FileSetDate(h, DateTimeToFileDate(when)), 0);
  EXPECT_EQ(FileGetDate(h), DateTimeToFileDate(when));
  FileClose(h);
  EXPECT_EQ(FileAge("T:\\dated.txt"), DateTimeToFileDate(when));
  EXPECT_NEAR(FileDateToDateTime(FileAge("T:\\dated.txt")), when, 1e-9);
  EXPECT_EQ(FileAge("T:\\missing.txt"), -1);
  MakeFolder("folder");
  EXPECT_EQ(FileAge("T:\\folder"), -1);
}

TEST_F(FilesTest, FileHandleRoutines) {
  HANDLE h = FileCreate("T:\\raw.bin");
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_EQ(FileWrite(h, "hello", 5), 5);
  EXPECT_EQ(FileSeek(h, 1, 0), 1);
  char buffer[4] = {};
  EXPECT_EQ(FileRead(h, buffer, 3), 3);
  EXPECT_EQ(String(buffer, 3), "ell");
  EXPECT_EQ(FileSeek(h, 0, 2), 5);
  FileClose(h);
  EXPECT_EQ(FileOpen("T:\\absent.bin", fmOpenRead), INVALID_HANDLE_VALUE);
  EXPECT_EQ(FileGetAttr("T:\\absent.bin"), -1);
  EXPECT_NE(FileGetAttr("T:\\raw.bin") & faArchive, 0);
  EXPECT_EQ(FileSetAttr("T:\\raw.bin", faReadOnly), 0);
  EXPECT_NE(FileGetAttr("T:\\raw.bin") & faReadOnly, 0);
  EXPECT_THROW(TFileStream("T:\\raw.bin", fmOpenWrite), EFOpenError);
  EXPECT_EQ(FileSetAttr("T:\\raw.bin", 0), 0);
}

TEST_F(FilesTest, FindFirstListsEntriesAndLeavesOutSpecialOnesUnlessAsked) {
  Write("Music/one.mp3", "1");
  Write("Music/two.MP3", "22");
  Write("Music/notes.txt", "333");
  Write("Music/.hidden.mp3", "4");
  MakeFolder("Music/Sub.mp3");
  std::vector<String> names;
  TSearchRec rec;
  int r = FindFirst("T:\\Music\\*.mp3", faAnyFile & ~faDirectory & ~faHidden, rec);
  while (r == 0) {
    names.push_back(rec.Name);
    if (rec.Name == "two.MP3") {
      EXPECT_EQ(rec.Size, 2);
      EXPECT_NE(rec.Attr & faArchive, 0);
      EXPECT_GT(rec.Time, 0);
    }
    r = FindNext(rec);
  }
  FindClose(rec);
  EXPECT_EQ(r, static_cast<int>(ERROR_NO_MORE_FILES));
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<String>{"one.mp3", "two.MP3"}));

  names.clear();
  r = FindFirst("T:\\Music\\*.mp3", faAnyFile, rec);
  while (r == 0) {
    names.push_back(rec.Name);
    r = FindNext(rec);
  }
  FindClose(rec);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<String>{".hidden.mp3", "Sub.mp3", "one.mp3", "two.MP3"}));

  EXPECT_EQ(FindFirst("T:\\Music\\*.wma", faAnyFile, rec), static_cast<int>(ERROR_FILE_NOT_FOUND));
  EXPECT_NE(FindFirst("T:\\Nowhere\\*.*", faAnyFile, rec), 0);
}

TEST_F(FilesTest, FullNamesCurrentFolderAndTheProgramPath) {
  MakeFolder("work");
  EXPECT_TRUE(SetCurrentDir("T:\\work"));
  EXPECT_EQ(GetCurrentDir(), "T:\\work");
  EXPECT_EQ(ExpandFileName("song.mp3"), "T:\\work\\song.mp3");
  EXPECT_EQ(ExpandFileName("..\\x\\.\\y.txt"), "T:\\x\\y.txt");
  EXPECT_EQ(ExpandFileName("C:\\a\\b"), "C:\\a\\b");
  const String program = ParamStr(0);
  ASSERT_FALSE(program.empty());
  EXPECT_EQ(program.substr(1, 2), ":\\");
  EXPECT_EQ(ExtractFileName(program), "classlib_tests");
  EXPECT_TRUE(FileExists(program));
  EXPECT_EQ(ParamStr(ParamCount() + 1), "");

  // Tests that place the program in another folder move ParamStr(0) too.
  MakeFolder("bin");
  platform::SetProgramPath(Native("bin/velko").string());
  EXPECT_EQ(ParamStr(0), "T:\\bin\\velko");
  platform::SetProgramPath(std::string());
  EXPECT_EQ(ParamStr(0), program);
}

}  // namespace
