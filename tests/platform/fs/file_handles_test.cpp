#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <filesystem>
#include <thread>
#include <vector>
#include <string>

#include "platform/core/datetime.h"
#include "platform/core/errors.h"
#include "platform/fs/files.h"
#include "platform/fs/quick_read.h"
#include "tests/platform/checks.h"
#include "tests/platform/fs/fs_fixture.h"

namespace {

using velko_test::DriveTest;
using velko_test::HandleCloser;

HANDLE Open(const char* name, DWORD access, DWORD share, DWORD disposition, DWORD attributes = 0) {
  return CreateFile(name, access, share, nullptr, disposition, attributes, nullptr);
}

constexpr DWORD kReadWrite = GENERIC_READ | GENERIC_WRITE;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

bool WriteText(HANDLE file, const std::string& text) {
  DWORD written = 0;
  return WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
         written == text.size();
}

std::string ReadText(HANDLE file, DWORD count) {
  std::string buffer(count, '\0');
  DWORD read = 0;
  if (!ReadFile(file, buffer.data(), count, &read, nullptr)) return "<failed>";
  buffer.resize(read);
  return buffer;
}

TEST_F(DriveTest, CreatingDispositionsReportAnExistingFile) {
  Write("old.txt", "old");
  // CREATE_NEW refuses it (in any spelling), OPEN_ALWAYS keeps it and
  // CREATE_ALWAYS empties it; both of these say it was there.
  EXPECT_EQ(OPEN_ERROR_OF(Open("T:\\OLD.TXT", GENERIC_WRITE, kShareAll, CREATE_NEW)), ERROR_FILE_EXISTS);
  {
    HandleCloser file(Open("T:\\old.txt", kReadWrite, 0, OPEN_ALWAYS));
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_EQ(ReadText(file.get(), 10), "old");
  }
  {
    HandleCloser file(Open("T:\\old.txt", GENERIC_WRITE, 0, CREATE_ALWAYS));
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_EQ(GetFileSize(file.get(), nullptr), 0u);
    EXPECT_TRUE(WriteText(file.get(), "new"));
  }
  EXPECT_EQ(Contents("old.txt"), "new");
  // A file that was not there is made, with no error.
  for (DWORD disposition : {CREATE_NEW, CREATE_ALWAYS, OPEN_ALWAYS}) {
    const std::string name = "made" + std::to_string(disposition);
    HandleCloser made(Open(("T:\\" + name).c_str(), GENERIC_WRITE, 0, disposition));
    ASSERT_NE(made.get(), INVALID_HANDLE_VALUE) << disposition;
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS) << disposition;
    EXPECT_TRUE(std::filesystem::exists(Native(name))) << disposition;
  }
}

TEST_F(DriveTest, OpenExistingAndTruncateExistingNeedTheFile) {
  EXPECT_EQ(OPEN_ERROR_OF(Open("T:\\missing.txt", GENERIC_READ, 0, OPEN_EXISTING)), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(OPEN_ERROR_OF(Open("T:\\nowhere\\missing.txt", GENERIC_READ, 0, OPEN_EXISTING)), ERROR_PATH_NOT_FOUND);
  EXPECT_EQ(OPEN_ERROR_OF(Open("T:\\nowhere\\new.txt", GENERIC_WRITE, 0, CREATE_ALWAYS)), ERROR_PATH_NOT_FOUND);
  EXPECT_EQ(OPEN_ERROR_OF(Open("T:\\missing.txt", GENERIC_WRITE, 0, TRUNCATE_EXISTING)), ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(std::filesystem::exists(Native("missing.txt")));

  Write("full.txt", "0123456789");
  {
    HandleCloser file(Open("T:\\full.txt", GENERIC_WRITE, 0, TRUNCATE_EXISTING));
    ASSERT_NE(file.get(), INVALID_HANDLE_VALUE);
  }
  EXPECT_EQ(Contents("full.txt"), "");
  // Truncating without write access is a bad request.
  EXPECT_EQ(OPEN_ERROR_OF(Open("T:\\full.txt", GENERIC_READ, 0, TRUNCATE_EXISTING)), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(OPEN_ERROR_OF(Open("T:\\full.txt", GENERIC_READ, 0, 0)), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(OPEN_ERROR_OF(Open("T:\\full.txt", GENERIC_READ, 0, 6)), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(OPEN_ERROR_OF(Open(nullptr, GENERIC_READ, 0, OPEN_EXISTING)), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(OPEN_ERROR_OF(Open("", GENERIC_READ, 0, OPEN_EXISTING)), ERROR_PATH_NOT_FOUND);
}

TEST_F(DriveTest, FoldersCannotBeOpenedAsFiles) {
  MakeFolder("Music");
  for (DWORD disposition : {OPEN_EXISTING, OPEN_ALWAYS, CREATE_ALWAYS, TRUNCATE_EXISTING}) {
    EXPECT_EQ(OPEN_ERROR_OF(Open("T:\\Music", GENERIC_WRITE, 0, disposition)), ERROR_ACCESS_DENIED) << disposition;
  }
  EXPECT_EQ(OPEN_ERROR_OF(Open("T:\\Music", GENERIC_READ, 0, CREATE_NEW)), ERROR_FILE_EXISTS);
  EXPECT_EQ(OPEN_ERROR_OF(Open("T:\\", GENERIC_READ, kShareAll, OPEN_EXISTING)), ERROR_ACCESS_DENIED);
  EXPECT_TRUE(std::filesystem::is_directory(Native("Music")));
}

TEST_F(DriveTest, ReadOnlyFilesRefuseWritingEvenToTheSuperuser) {
  Write("locked.txt", "keep");
  ASSERT_TRUE(SetFileAttributes("T:\\locked.txt", FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(GetFileAttributes("T:\\locked.txt"), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_EQ(OPEN_ERROR_OF(Open("T:\\locked.txt", GENERIC_WRITE, 0, OPEN_EXISTING)), ERROR_ACCESS_DENIED);
  EXPECT_EQ(OPEN_ERROR_OF(Open("T:\\locked.txt", GENERIC_READ, 0, CREATE_ALWAYS)), ERROR_ACCESS_DENIED);
  HandleCloser reader(Open("T:\\locked.txt", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING));
  ASSERT_NE(reader.get(), INVALID_HANDLE_VALUE);
  EXPECT_EQ(ReadText(reader.get(), 10), "keep");
  EXPECT_EQ(Contents("locked.txt"), "keep");

  // A file created read-only is still writable through the handle that made it.
  HandleCloser made(Open("T:\\made.txt", GENERIC_WRITE, 0, CREATE_NEW, FILE_ATTRIBUTE_READONLY));
  ASSERT_NE(made.get(), INVALID_HANDLE_VALUE);
  EXPECT_TRUE(WriteText(made.get(), "once"));
  EXPECT_TRUE(GetFileAttributes("T:\\made.txt") & FILE_ATTRIBUTE_READONLY);
}

TEST_F(DriveTest, SharingModesAreEnforcedBetweenHandles) {
  Write("shared.bin", "data");
  HandleCloser reader(Open("T:\\shared.bin", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING));
  ASSERT_NE(reader.get(), INVALID_HANDLE_VALUE);
  // Another reader that lets others read is fine.
  HandleCloser second(Open("T:\\SHARED.BIN", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING));
  EXPECT_NE(second.get(), INVALID_HANDLE_VALUE);
  // A writer clashes with the reader's share mode.
  EXPECT_EQ(OPEN_ERROR_OF(Open("T:\\shared.bin", GENERIC_WRITE, kShareAll, OPEN_EXISTING)), ERROR_SHARING_VIOLATION);
  // A reader that denies reading clashes with the open readers.
  EXPECT_EQ(OPEN_ERROR_OF(Open("T:\\shared.bin", GENERIC_READ, 0, OPEN_EXISTING)), ERROR_SHARING_VIOLATION);
  // Truncating is writing.
  EXPECT_EQ(OPEN_ERROR_OF(Open("T:\\shared.bin", GENERIC_WRITE, kShareAll, CREATE_ALWAYS)), ERROR_SHARING_VIOLATION);
  EXPECT_EQ(Contents("shared.bin"), "data");
  // Deleting needs every open to share deletion.
  EXPECT_EQ(ERROR_OF(DeleteFile("T:\\shared.bin")), ERROR_SHARING_VIOLATION);
  EXPECT_EQ(ERROR_OF(MoveFile("T:\\shared.bin", "T:\\moved.bin")), ERROR_SHARING_VIOLATION);
}

TEST_F(DriveTest, WritersSharingWithReadersAllowReaders) {
  HandleCloser writer(Open("T:\\growing.txt", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, CREATE_ALWAYS));
  ASSERT_NE(writer.get(), INVALID_HANDLE_VALUE);
  ASSERT_TRUE(WriteText(writer.get(), "line"));
  HandleCloser reader(Open("T:\\growing.txt", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING));
  ASSERT_NE(reader.get(), INVALID_HANDLE_VALUE);
  EXPECT_EQ(ReadText(reader.get(), 10), "line");
  // A reader that would not let the writer go on is refused.
  EXPECT_EQ(OPEN_ERROR_OF(Open("T:\\growing.txt", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING)), ERROR_SHARING_VIOLATION);
}

TEST_F(DriveTest, ReadsAndWritesNeedTheMatchingAccess) {
  Write("a.txt", "abc");
  HandleCloser reader(Open("T:\\a.txt", GENERIC_READ, kShareAll, OPEN_EXISTING));
  DWORD count = 99;
  EXPECT_EQ(ERROR_OF(WriteFile(reader.get(), "x", 1, &count, nullptr)), ERROR_ACCESS_DENIED);
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(ERROR_OF(SetEndOfFile(reader.get())), ERROR_ACCESS_DENIED);
  HandleCloser writer(Open("T:\\a.txt", GENERIC_WRITE, kShareAll, OPEN_EXISTING));
  char buffer[4];
  EXPECT_EQ(ERROR_OF(ReadFile(writer.get(), buffer, 3, &count, nullptr)), ERROR_ACCESS_DENIED);
  // Bad arguments and handles fail cleanly.
  EXPECT_EQ(ERROR_OF(ReadFile(reader.get(), nullptr, 3, &count, nullptr)), ERROR_NOACCESS);
  EXPECT_EQ(ERROR_OF(ReadFile(reader.get(), buffer, 3, nullptr, nullptr)), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(ERROR_OF(ReadFile(INVALID_HANDLE_VALUE, buffer, 3, &count, nullptr)), ERROR_INVALID_HANDLE);
  EXPECT_EQ(ERROR_OF(ReadFile(nullptr, buffer, 3, &count, nullptr)), ERROR_INVALID_HANDLE);
  EXPECT_EQ(ERROR_OF(GetFileSize(reinterpret_cast<HANDLE>(0x7777), nullptr) != INVALID_FILE_SIZE), ERROR_INVALID_HANDLE);
  // A find handle is not a file handle.
  WIN32_FIND_DATA data;
  HANDLE find = FindFirstFile("T:\\*", &data);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  EXPECT_EQ(ERROR_OF(ReadFile(find, buffer, 3, &count, nullptr)), ERROR_INVALID_HANDLE);
  FindClose(find);
  // A zero-byte read at the end succeeds with nothing.
  EXPECT_EQ(ReadText(reader.get(), 3), "abc");
  EXPECT_EQ(ReadText(reader.get(), 3), "");
}

TEST_F(DriveTest, FilePointerRulesWithAndWithoutTheHighPart) {
  HandleCloser file(Open("T:\\seek.bin", kReadWrite, 0, CREATE_ALWAYS));
  ASSERT_TRUE(WriteText(file.get(), "0123456789"));
  EXPECT_EQ(SetFilePointer(file.get(), 2, nullptr, FILE_BEGIN), 2u);
  EXPECT_EQ(ReadText(file.get(), 3), "234");
  EXPECT_EQ(SetFilePointer(file.get(), -2, nullptr, FILE_CURRENT), 3u);
  EXPECT_EQ(SetFilePointer(file.get(), -1, nullptr, FILE_END), 9u);
  EXPECT_EQ(ReadText(file.get(), 5), "9");
  // Before the start: refused, the pointer stays.
  EXPECT_EQ(ERROR_OF(SetFilePointer(file.get(), -20, nullptr, FILE_CURRENT) != INVALID_SET_FILE_POINTER), ERROR_NEGATIVE_SEEK);
  EXPECT_EQ(SetFilePointer(file.get(), 0, nullptr, FILE_CURRENT), 10u);
  EXPECT_EQ(ERROR_OF(SetFilePointer(file.get(), 0, nullptr, 7) != INVALID_SET_FILE_POINTER), ERROR_INVALID_PARAMETER);
  // Past the end is allowed; reading there gives nothing.
  EXPECT_EQ(SetFilePointer(file.get(), 100, nullptr, FILE_BEGIN), 100u);
  EXPECT_EQ(ReadText(file.get(), 4), "");
  EXPECT_EQ(GetFileSize(file.get(), nullptr), 10u);

  LARGE_INTEGER to{}, at{};
  to.QuadPart = 5;
  ASSERT_TRUE(SetFilePointerEx(file.get(), to, &at, FILE_BEGIN));
  EXPECT_EQ(at.QuadPart, 5);
  to.QuadPart = -6;
  EXPECT_EQ(ERROR_OF(SetFilePointerEx(file.get(), to, &at, FILE_CURRENT)), ERROR_NEGATIVE_SEEK);
}

TEST_F(DriveTest, SparseFileBeyondFourGigabytes) {
  HandleCloser file(Open("T:\\big.bin", kReadWrite, 0, CREATE_ALWAYS));
  ASSERT_NE(file.get(), INVALID_HANDLE_VALUE);
  // Move to 5 GiB + 16 with the high part: 5 GiB = 0x1'4000'0000.
  LONG high = 1;
  const DWORD low = SetFilePointer(file.get(), 0x40000010, &high, FILE_BEGIN);
  EXPECT_EQ(low, 0x40000010u);
  EXPECT_EQ(high, 1);
  EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
  ASSERT_TRUE(WriteText(file.get(), "far away"));

  DWORD size_high = 0;
  EXPECT_EQ(GetFileSize(file.get(), &size_high), 0x40000018u);
  EXPECT_EQ(size_high, 1u);
  LARGE_INTEGER size{};
  ASSERT_TRUE(GetFileSizeEx(file.get(), &size));
  EXPECT_EQ(size.QuadPart, 0x140000018LL);

  // Back 8 bytes from the end with a negative 64-bit distance.
  high = -1;
  EXPECT_EQ(SetFilePointer(file.get(), -8, &high, FILE_END), 0x40000010u);
  EXPECT_EQ(high, 1);
  EXPECT_EQ(ReadText(file.get(), 8), "far away");

  // Without the high part a position past 32 bits is refused and the pointer stays.
  EXPECT_EQ(ERROR_OF(SetFilePointer(file.get(), 0, nullptr, FILE_CURRENT) != INVALID_SET_FILE_POINTER), ERROR_INVALID_PARAMETER);
  high = 0;
  EXPECT_EQ(SetFilePointer(file.get(), 0, &high, FILE_CURRENT), 0x40000018u);
  EXPECT_EQ(high, 1);

  // A low part of all ones is a real position: the last error tells it apart.
  high = 0;
  SetLastError(ERROR_GEN_FAILURE);
  EXPECT_EQ(SetFilePointer(file.get(), -1, &high, FILE_BEGIN), 0xFFFFFFFFu);
  EXPECT_EQ(high, 0);
  EXPECT_EQ(GetLastError(), NO_ERROR);

  // Cut the file back to 4 GiB + 1 at the pointer.
  high = 1;
  EXPECT_EQ(SetFilePointer(file.get(), 1, &high, FILE_BEGIN), 1u);
  ASSERT_TRUE(SetEndOfFile(file.get()));
  EXPECT_EQ(GetFileSize(file.get(), &size_high), 1u);
  EXPECT_EQ(size_high, 1u);
  struct stat st {};
  ASSERT_EQ(stat(Native("big.bin").c_str(), &st), 0);
  EXPECT_EQ(st.st_size, 0x100000001LL);
  EXPECT_LT(st.st_blocks * 512, 1 << 20);  // still sparse
}

TEST_F(DriveTest, SetEndOfFileGrowsAndShrinks) {
  HandleCloser file(Open("T:\\cut.txt", kReadWrite, 0, CREATE_ALWAYS));
  ASSERT_TRUE(WriteText(file.get(), "0123456789"));
  EXPECT_EQ(SetFilePointer(file.get(), 4, nullptr, FILE_BEGIN), 4u);
  ASSERT_TRUE(SetEndOfFile(file.get()));
  EXPECT_EQ(GetFileSize(file.get(), nullptr), 4u);
  EXPECT_EQ(SetFilePointer(file.get(), 8, nullptr, FILE_BEGIN), 8u);
  ASSERT_TRUE(SetEndOfFile(file.get()));
  EXPECT_TRUE(FlushFileBuffers(file.get()));
  EXPECT_EQ(Contents("cut.txt"), std::string("0123") + std::string(4, '\0'));
}

TEST_F(DriveTest, FileTimesRoundTrip) {
  HandleCloser file(Open("T:\\timed.txt", kReadWrite, FILE_SHARE_READ, CREATE_ALWAYS));
  ASSERT_TRUE(WriteText(file.get(), "x"));
  FILETIME creation, access, write;
  ASSERT_TRUE(GetFileTime(file.get(), &creation, &access, &write));
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  const double age_seconds =
      (static_cast<double>(platform::FileTimeToTicks(now)) - static_cast<double>(platform::FileTimeToTicks(write))) / 1e7;
  EXPECT_GE(age_seconds, -2.0);
  EXPECT_LT(age_seconds, 60.0);
  EXPECT_LE(platform::FileTimeToTicks(creation), platform::FileTimeToTicks(write));

  SYSTEMTIME st{};
  st.wYear = 2004;
  st.wMonth = 7;
  st.wDay = 1;
  st.wHour = 8;
  st.wMilliseconds = 250;
  FILETIME when;
  ASSERT_TRUE(SystemTimeToFileTime(&st, &when));
  when.dwLowDateTime += 1234;  // 123.4 microseconds: kept to the 100 ns
  ASSERT_TRUE(SetFileTime(file.get(), nullptr, nullptr, &when));
  FILETIME read_back, access_after;
  ASSERT_TRUE(GetFileTime(file.get(), nullptr, &access_after, &read_back));
  EXPECT_EQ(platform::FileTimeToTicks(read_back), platform::FileTimeToTicks(when));
  EXPECT_EQ(platform::FileTimeToTicks(access_after), platform::FileTimeToTicks(access));  // untouched

  // A zero time leaves that time alone.
  const FILETIME zero{};
  ASSERT_TRUE(SetFileTime(file.get(), &zero, &when, &zero));
  ASSERT_TRUE(GetFileTime(file.get(), nullptr, &access_after, &read_back));
  EXPECT_EQ(platform::FileTimeToTicks(access_after), platform::FileTimeToTicks(when));
  EXPECT_EQ(platform::FileTimeToTicks(read_back), platform::FileTimeToTicks(when));

  // The Linux file agrees.
  const auto linux_time = std::filesystem::last_write_time(Native("timed.txt"));
  const auto since_epoch = std::chrono::duration_cast<std::chrono::seconds>(
      std::chrono::file_clock::to_sys(linux_time).time_since_epoch());
  EXPECT_EQ(since_epoch.count(), 1088668800);  // 2004-07-01 08:00:00 UTC

  HandleCloser reader(Open("T:\\timed.txt", GENERIC_READ, kShareAll, OPEN_EXISTING));
  EXPECT_EQ(ERROR_OF(SetFileTime(reader.get(), nullptr, nullptr, &when)), ERROR_ACCESS_DENIED);
}

TEST_F(DriveTest, SpecialFilesAreNotOpened) {
  ASSERT_EQ(mkfifo(Native("pipe").c_str(), 0666), 0);
  // Opening a pipe would wait for a writer forever: it is refused at once.
  EXPECT_EQ(OPEN_ERROR_OF(Open("T:\\pipe", GENERIC_READ, kShareAll, OPEN_EXISTING)), ERROR_ACCESS_DENIED);
  EXPECT_EQ(GetFileAttributes("T:\\pipe"), FILE_ATTRIBUTE_SYSTEM);
}

}  // namespace

namespace {

TEST_F(DriveTest, ThreadsOpeningOneFileLeaveNoClaimsBehind) {
  Write("busy.txt", "shared by threads");
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&failures] {
      for (int i = 0; i < 200; ++i) {
        HANDLE file = Open("T:\\busy.txt", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
        if (file == INVALID_HANDLE_VALUE || ReadText(file, 6) != "shared") ++failures;
        if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
        WIN32_FIND_DATA data;
        HANDLE find = FindFirstFile("T:\\*.txt", &data);
        if (find == INVALID_HANDLE_VALUE) {
          ++failures;
        } else {
          FindClose(find);
        }
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(failures.load(), 0);
  // Every claim was released: an exclusive open succeeds.
  HandleCloser exclusive(Open("T:\\busy.txt", kReadWrite, 0, OPEN_EXISTING));
  EXPECT_NE(exclusive.get(), INVALID_HANDLE_VALUE);
}

// The readers' quick open agrees with CreateFile on every kind of name,
// and its reads leave the file pointer alone.
TEST_F(DriveTest, QuickOpenForReadingAgreesWithCreateFile) {
  Write("Music/Song.mp3", "0123456789");
  MakeFolder("Folder");
  ASSERT_EQ(mkfifo(Native("pipe.mp3").c_str(), 0644), 0);
  for (const char* name : {"T:\\Music\\Song.mp3", "T:\\MUSIC\\song.MP3", "Music\\Song.mp3", "T:\\Music\\none.mp3",
                           "T:\\Nowhere\\song.mp3", "T:\\Folder", "T:\\pipe.mp3", "T:\\Music\\a<b.mp3", "T:\\",
                           "Q:\\song.mp3"}) {
    SCOPED_TRACE(name);
    HandleCloser usual(Open(name, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING));
    const DWORD usual_error = GetLastError();
    std::uint64_t size = 99;
    HandleCloser quick(platform::fs::OpenForReading(name, FILE_SHARE_READ, &size));
    EXPECT_EQ(GetLastError(), usual_error);
    ASSERT_EQ(quick.get() == INVALID_HANDLE_VALUE, usual.get() == INVALID_HANDLE_VALUE);
    if (quick.get() == INVALID_HANDLE_VALUE) continue;
    EXPECT_EQ(size, 10u);
    char bytes[8] = {};
    EXPECT_EQ(platform::fs::ReadAt(quick.get(), 6, bytes, 8), 4);
    EXPECT_EQ(std::string(bytes, 4), "6789");
    EXPECT_EQ(ReadText(quick.get(), 3), "012") << "the file pointer did not move";
  }

  // Its claim on the file is the one CreateFile makes: readers may join,
  // writers may not.
  std::uint64_t size = 0;
  HandleCloser reading(platform::fs::OpenForReading("T:\\Music\\Song.mp3", FILE_SHARE_READ, &size));
  ASSERT_NE(reading.get(), INVALID_HANDLE_VALUE);
  HandleCloser other_reader(Open("T:\\Music\\Song.mp3", GENERIC_READ, kShareAll, OPEN_EXISTING));
  EXPECT_NE(other_reader.get(), INVALID_HANDLE_VALUE);
  HandleCloser writer(Open("T:\\Music\\Song.mp3", GENERIC_WRITE, kShareAll, OPEN_EXISTING));
  EXPECT_EQ(writer.get(), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  HandleCloser writing(Open("T:\\Folder\\w.mp3", GENERIC_WRITE, 0, CREATE_NEW));
  HandleCloser refused(platform::fs::OpenForReading("T:\\Folder\\w.mp3", FILE_SHARE_READ, &size));
  EXPECT_EQ(refused.get(), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
}

}  // namespace
