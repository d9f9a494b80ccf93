// SHFileOperation on real files in temporary folders: the four operations,
// collisions, confirmations, the trash, a move to another file system and
// failures.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "platform/core/errors.h"
#include "platform/dlg/message_box.h"
#include "platform/fs/drives.h"
#include "platform/shell/file_operation.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fsys = std::filesystem;
using velko_test::ReadFile;

std::string List(std::initializer_list<std::string> items) {
  std::string out;
  for (const std::string& item : items) {
    out += item;
    out += '\0';
  }
  out += '\0';
  return out;
}

class FileOperationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::MapDrive('T', dir_.path().string());
    platform::SetTrashFolder((dir_.path() / "trash").string());
    fsys::create_directories(dir_.path() / "src");
    fsys::create_directories(dir_.path() / "dst");
    platform::SetMessageBoxHook([this](const platform::MessageBoxRequest& request) {
      boxes_.push_back(request);
      return answer_;
    });
    platform::SetFileOperationProgressHook([this](const platform::FileOperationProgress& p) {
      progress_.push_back(p);
      return !(cancel_at_ >= 0 && p.done == cancel_at_ && !p.finished);
    });
  }
  void TearDown() override {
    platform::SetMessageBoxHook(nullptr);
    platform::SetFileOperationProgressHook(nullptr);
    platform::UnmapDrive('T');
    velko_test::RestoreSandboxFolders();
  }

  int Run(UINT function, const std::string& from, const std::string& to, FILEOP_FLAGS flags,
          const char* title = nullptr) {
    op_ = SHFILEOPSTRUCT{};
    op_.wFunc = function;
    op_.pFrom = from.c_str();
    op_.pTo = to.empty() ? nullptr : to.c_str();
    op_.fFlags = flags;
    op_.lpszProgressTitle = title;
    return SHFileOperation(&op_);
  }
  fsys::path P(const std::string& name) const { return dir_.path() / name; }

  velko_test::TempDir dir_;
  SHFILEOPSTRUCT op_{};
  std::vector<platform::MessageBoxRequest> boxes_;
  std::vector<platform::FileOperationProgress> progress_;
  int answer_ = IDYES;
  int cancel_at_ = -1;
};

TEST_F(FileOperationTest, CopyMoveAndRenameIntoFoldersAndNames) {
  dir_.WriteFile("src/a.txt", "alpha");
  dir_.WriteFile("src/b.txt", "beta");
  dir_.WriteFile("src/sub/c.txt", "gamma");
  const FILEOP_FLAGS quiet = FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR;

  EXPECT_EQ(Run(FO_COPY, List({"T:\\src\\a.txt"}), List({"T:\\dst"}), quiet), 0);
  EXPECT_EQ(ReadFile(P("dst/a.txt")), "alpha");
  EXPECT_TRUE(fsys::exists(P("src/a.txt")));
  // One source and a name that is not a folder: the copy takes that name.
  EXPECT_EQ(Run(FO_COPY, List({"T:\\src\\a.txt"}), List({"T:\\dst\\other.txt"}), quiet), 0);
  EXPECT_EQ(ReadFile(P("dst/other.txt")), "alpha");
  // Wildcards and several sources go into a folder, made when missing.
  EXPECT_EQ(Run(FO_COPY, List({"T:\\src\\*.txt"}), List({"T:\\new"}), quiet), 0);
  EXPECT_EQ(ReadFile(P("new/b.txt")), "beta");
  // A folder is copied whole.
  EXPECT_EQ(Run(FO_COPY, List({"T:\\src\\sub"}), List({"T:\\dst"}), quiet), 0);
  EXPECT_EQ(ReadFile(P("dst/sub/c.txt")), "gamma");

  EXPECT_EQ(Run(FO_MOVE, List({"T:\\src\\b.txt"}), List({"T:\\dst"}), quiet), 0);
  EXPECT_FALSE(fsys::exists(P("src/b.txt")));
  EXPECT_EQ(ReadFile(P("dst/b.txt")), "beta");

  EXPECT_EQ(Run(FO_RENAME, List({"T:\\dst\\b.txt"}), List({"c.txt"}), quiet), 0);
  EXPECT_EQ(ReadFile(P("dst/c.txt")), "beta");
  EXPECT_EQ(Run(FO_RENAME, List({"T:\\dst\\c.txt"}), List({"a.txt"}), quiet | FOF_NOERRORUI),
            static_cast<int>(ERROR_ALREADY_EXISTS));
  EXPECT_EQ(ReadFile(P("dst/c.txt")), "beta");

  // Several destinations, one per source.
  EXPECT_EQ(Run(FO_COPY, List({"T:\\src\\a.txt", "T:\\src\\sub\\c.txt"}),
                List({"T:\\multi\\one.txt", "T:\\multi\\two.txt"}), quiet | FOF_MULTIDESTFILES),
            0);
  EXPECT_EQ(ReadFile(P("multi/one.txt")), "alpha");
  EXPECT_EQ(ReadFile(P("multi/two.txt")), "gamma");
  EXPECT_TRUE(boxes_.empty());
}

TEST_F(FileOperationTest, CollisionsRenameOrAsk) {
  dir_.WriteFile("src/a.txt", "new");
  dir_.WriteFile("dst/a.txt", "old");
  EXPECT_EQ(Run(FO_COPY, List({"T:\\src\\a.txt"}), List({"T:\\dst"}), FOF_RENAMEONCOLLISION), 0);
  EXPECT_EQ(Run(FO_COPY, List({"T:\\src\\a.txt"}), List({"T:\\dst"}), FOF_RENAMEONCOLLISION), 0);
  EXPECT_EQ(ReadFile(P("dst/a.txt")), "old");
  EXPECT_EQ(ReadFile(P("dst/Copy of a.txt")), "new");
  EXPECT_EQ(ReadFile(P("dst/Copy (2) of a.txt")), "new");
  EXPECT_TRUE(boxes_.empty());

  // Without renaming the user is asked: No skips, Cancel aborts, Yes replaces.
  answer_ = IDNO;
  EXPECT_EQ(Run(FO_COPY, List({"T:\\src\\a.txt"}), List({"T:\\dst"}), 0), 0);
  EXPECT_EQ(ReadFile(P("dst/a.txt")), "old");
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].caption, "Confirm File Replace");
  answer_ = IDCANCEL;
  EXPECT_EQ(Run(FO_MOVE, List({"T:\\src\\a.txt"}), List({"T:\\dst"}), 0),
            static_cast<int>(ERROR_CANCELLED));
  EXPECT_TRUE(op_.fAnyOperationsAborted);
  EXPECT_EQ(ReadFile(P("src/a.txt")), "new");
  answer_ = IDYES;
  EXPECT_EQ(Run(FO_MOVE, List({"T:\\src\\a.txt"}), List({"T:\\dst"}), 0), 0);
  EXPECT_FALSE(op_.fAnyOperationsAborted);
  EXPECT_EQ(ReadFile(P("dst/a.txt")), "new");
}

TEST_F(FileOperationTest, DeleteToTrashOrForGood) {
  dir_.WriteFile("src/a b.txt", "one");
  dir_.WriteFile("src/gone.txt", "two");
  dir_.WriteFile("other/a b.txt", "three");
  answer_ = IDNO;
  EXPECT_EQ(Run(FO_DELETE, List({"T:\\src\\a b.txt"}), "", FOF_ALLOWUNDO),
            static_cast<int>(ERROR_CANCELLED));
  EXPECT_TRUE(fsys::exists(P("src/a b.txt")));
  answer_ = IDYES;
  EXPECT_EQ(Run(FO_DELETE, List({"T:\\src\\a b.txt"}), "", FOF_ALLOWUNDO), 0);
  EXPECT_EQ(Run(FO_DELETE, List({"T:\\other\\a b.txt"}), "", FOF_ALLOWUNDO | FOF_NOCONFIRMATION), 0);
  EXPECT_FALSE(fsys::exists(P("src/a b.txt")));
  EXPECT_EQ(ReadFile(P("trash/files/a b.txt")), "one");
  EXPECT_EQ(ReadFile(P("trash/files/a b.txt.2")), "three");
  const std::string info = ReadFile(P("trash/info/a b.txt.trashinfo"));
  EXPECT_EQ(info.rfind("[Trash Info]\nPath=", 0), 0u) << info;
  EXPECT_NE(info.find("/src/a%20b.txt\n"), std::string::npos) << info;
  EXPECT_NE(info.find("\nDeletionDate=20"), std::string::npos) << info;

  EXPECT_EQ(Run(FO_DELETE, List({"T:\\src\\gone.txt"}), "", FOF_NOCONFIRMATION), 0);
  EXPECT_FALSE(fsys::exists(P("src/gone.txt")));
  EXPECT_FALSE(fsys::exists(P("trash/files/gone.txt")));
}

TEST_F(FileOperationTest, FailuresCarryTheSystemText) {
  boxes_.clear();
  EXPECT_EQ(Run(FO_COPY, List({"T:\\src\\missing.txt"}), List({"T:\\dst"}), 0),
            static_cast<int>(ERROR_FILE_NOT_FOUND));
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].caption, "Error Copying File or Folder");
  EXPECT_NE(boxes_[0].text.find(platform::ErrorMessageText(ERROR_FILE_NOT_FOUND)), std::string::npos);
  EXPECT_EQ(Run(FO_COPY, List({"T:\\src\\missing.txt"}), List({"T:\\dst"}), FOF_NOERRORUI),
            static_cast<int>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(boxes_.size(), 1u);
  // Wildcards that match nothing.
  EXPECT_EQ(Run(FO_COPY, List({"T:\\src\\*.none"}), List({"T:\\dst"}), 0),
            static_cast<int>(ERROR_NO_MORE_FILES));

  if (geteuid() != 0) {
    dir_.WriteFile("src/a.txt", "x");
    fsys::create_directories(P("locked"));
    fsys::permissions(P("locked"), fsys::perms::owner_read | fsys::perms::owner_exec);
    EXPECT_EQ(Run(FO_COPY, List({"T:\\src\\a.txt"}), List({"T:\\locked"}), FOF_NOERRORUI),
              static_cast<int>(ERROR_ACCESS_DENIED));
    fsys::permissions(P("locked"), fsys::perms::owner_all);
  }
}

TEST_F(FileOperationTest, ProgressTitleAndCancel) {
  dir_.WriteFile("src/1.txt", "1");
  dir_.WriteFile("src/2.txt", "2");
  dir_.WriteFile("src/3.txt", "3");
  EXPECT_EQ(Run(FO_COPY, List({"T:\\src\\1.txt", "T:\\src\\2.txt"}), List({"T:\\dst"}),
                FOF_SIMPLEPROGRESS | FOF_NOCONFIRMMKDIR, "Moving your file"),
            0);
  ASSERT_EQ(progress_.size(), 3u);
  EXPECT_EQ(progress_[0].title, "Moving your file");
  EXPECT_EQ(progress_[0].item, "");
  EXPECT_EQ(progress_[1].done, 1);
  EXPECT_TRUE(progress_[2].finished);

  progress_.clear();
  EXPECT_EQ(Run(FO_COPY, List({"T:\\src\\3.txt"}), List({"T:\\dst"}), FOF_SILENT), 0);
  EXPECT_TRUE(progress_.empty());

  cancel_at_ = 1;
  EXPECT_EQ(Run(FO_MOVE, List({"T:\\src\\*.txt"}), List({"T:\\moved"}), FOF_NOCONFIRMMKDIR),
            static_cast<int>(ERROR_CANCELLED));
  EXPECT_TRUE(op_.fAnyOperationsAborted);
  EXPECT_EQ(fsys::exists(P("moved/1.txt")) + fsys::exists(P("src/1.txt")), 1);
  EXPECT_TRUE(fsys::exists(P("src/2.txt")));
  EXPECT_TRUE(fsys::exists(P("src/3.txt")));
}

// A move to another file system: /dev/shm is a tmpfs where it exists.
TEST_F(FileOperationTest, MoveAcrossFileSystemsCopiesThenDeletes) {
  struct stat here{}, there{};
  if (::stat("/dev/shm", &there) != 0 || ::stat(dir_.path().c_str(), &here) != 0 ||
      here.st_dev == there.st_dev) {
    GTEST_SKIP() << "no second file system";
  }
  std::string other = "/dev/shm/velko-test-XXXXXX";
  ASSERT_NE(mkdtemp(other.data()), nullptr);
  platform::MapDrive('U', other);
  dir_.WriteFile("src/tree/a.bin", std::string(100000, 'a'));
  dir_.WriteFile("src/tree/deep/b.bin", "b");
  ::chmod(P("src/tree/a.bin").c_str(), 0640);
  EXPECT_EQ(Run(FO_MOVE, List({"T:\\src\\tree"}), List({"U:\\"}), FOF_NOCONFIRMATION), 0);
  EXPECT_FALSE(fsys::exists(P("src/tree")));
  EXPECT_EQ(ReadFile(fsys::path(other) / "tree/a.bin"), std::string(100000, 'a'));
  EXPECT_EQ(ReadFile(fsys::path(other) / "tree/deep/b.bin"), "b");
  struct stat st{};
  ASSERT_EQ(::stat((other + "/tree/a.bin").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);

  // A failure on the way (a pipe cannot be copied) keeps the source whole
  // and leaves no half copy.
  dir_.WriteFile("src/keep/x.bin", "x");
  ASSERT_EQ(::mkfifo(P("src/keep/pipe").c_str(), 0600), 0);
  EXPECT_NE(Run(FO_MOVE, List({"T:\\src\\keep"}), List({"U:\\"}),
                FOF_NOCONFIRMATION | FOF_NOERRORUI),
            0);
  EXPECT_TRUE(fsys::exists(P("src/keep/x.bin")));
  EXPECT_TRUE(fsys::exists(P("src/keep/pipe")));
  EXPECT_FALSE(fsys::exists(fsys::path(other) / "keep"));
  platform::UnmapDrive('U');
  fsys::remove_all(other);
}

}  // namespace
