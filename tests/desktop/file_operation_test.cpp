// TzelFileOperation on real files: the destination table of the
// multi-destination form, the normal form, errors and a cancel.
#include <gtest/gtest.h>

#include <filesystem>

#include "desktop/zelComponents.h"
#include "platform/core/errors.h"
#include "platform/dlg/message_box.h"
#include "platform/shell/file_operation.h"
#include "tests/desktop/desktop_fixture.h"

namespace {

namespace fsys = std::filesystem;

TEST(ZelFileOperationTest, DestinationTable) {
  TzelFileOperation op(nullptr);
  op.DestFolder = "C:\\x";
  struct Case {
    const char* source;
    const char* dest;
    const char* expected;
  };
  const Case cases[] = {
      {"C:\\in\\a.txt", "b", "C:\\x\\b.txt"},
      {"C:\\in\\a.txt", "*.bak", "C:\\x\\a.bak"},
      {"C:\\in\\a.txt", "C:\\y\\", "C:\\y\\a.txt"},
      {"C:\\in\\a.txt", "", "C:\\x\\a.txt"},
      {"C:\\in\\a.txt", "b.*", "C:\\x\\a.txt"},
      {"C:\\in\\a.txt", "sub\\\\c.doc", "C:\\x\\sub\\c.doc"},
      {"C:\\in\\a", "b", "C:\\x\\b"},
      {"C:\\in\\a.tar.gz", "?.zip", "C:\\x\\a.tar.zip"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(op.DestinationOf(c.source, c.dest), c.expected) << c.source << " = " << c.dest;
  }
  op.DestFolder = "C:\\x\\";
  EXPECT_EQ(op.DestinationOf("C:\\in\\a.txt", "b"), "C:\\x\\b.txt");
}

class ZelFileOperationFiles : public velko_test::DesktopTest {
 protected:
  void SetUp() override {
    DesktopTest::SetUp();
    platform::SetMessageBoxHook([this](const platform::MessageBoxRequest&) {
      ++boxes_;
      return answer_;
    });
    platform::SetFileOperationProgressHook(
        [this](const platform::FileOperationProgress& p) { return p.finished || !cancel_; });
    op_.OnError = [this](TObject* sender, const String& text, bool& handled) {
      EXPECT_EQ(sender, &op_);
      errors_.push_back(text);
      handled = true;
    };
  }
  void TearDown() override {
    platform::SetMessageBoxHook(nullptr);
    platform::SetFileOperationProgressHook(nullptr);
    DesktopTest::TearDown();
  }

  TzelFileOperation op_{nullptr};
  std::vector<String> errors_;
  int boxes_ = 0;
  int answer_ = IDYES;
  bool cancel_ = false;
};

TEST_F(ZelFileOperationFiles, OneEqualsSignSwitchesEveryLine) {
  dir_.WriteFile("in/a.txt", "a");
  dir_.WriteFile("in/b.txt", "b");
  fsys::create_directories(dir_.path() / "out");
  op_.DestFolder = "T:\\out";
  op_.FileList()->SetText("T:\\in\\a.txt=renamed\nT:\\in\\b.txt\n");
  op_.Options = {fofNoConfirmation, fofNoConfirmMkDir};
  EXPECT_TRUE(op_.Execute());
  EXPECT_EQ(velko_test::ReadFile(dir_.path() / "out/renamed.txt"), "a");
  EXPECT_EQ(velko_test::ReadFile(dir_.path() / "out/b.txt"), "b");
  EXPECT_TRUE(errors_.empty());
}

// Each line's destination on real files: relative to DestFolder, with the
// missing name or extension taken from the source, or a folder of its own.
TEST_F(ZelFileOperationFiles, EachLineGoesWhereItsDestinationSays) {
  const struct {
    const char* line;
    const char* source;
    const char* arrives;
  } lines[] = {
      {"T:\\in\\a.txt=*.bak", "in/a.txt", "out/a.bak"},
      {"T:\\in\\b.txt=T:\\other\\", "in/b.txt", "other/b.txt"},
      {"T:\\in\\c.txt=sub\\\\d", "in/c.txt", "out/sub/d.txt"},
      {"T:\\in\\e.txt=", "in/e.txt", "out/e.txt"},
      {"T:\\in\\f.txt=g.*", "in/f.txt", "out/f.txt"},
  };
  String text;
  for (const auto& l : lines) {
    dir_.WriteFile(l.source, l.source);
    text += String(l.line) + "\n";
  }
  fsys::create_directories(dir_.path() / "out");
  fsys::create_directories(dir_.path() / "other");
  op_.DestFolder = "T:\\out";
  op_.FileList()->SetText(text);
  op_.Options = {fofNoConfirmation, fofNoConfirmMkDir};
  EXPECT_TRUE(op_.Execute());
  for (const auto& l : lines) EXPECT_EQ(velko_test::ReadFile(dir_.path() / l.arrives), l.source) << l.line;
  EXPECT_TRUE(errors_.empty());
}

TEST_F(ZelFileOperationFiles, MoveFailureAndCancel) {
  dir_.WriteFile("in/a.txt", "a");
  fsys::create_directories(dir_.path() / "done");
  op_.Operation = fotMove;
  op_.DestFolder = "T:\\done";
  op_.ProgressTitle = "Velko is moving your file";
  op_.FileList()->SetText("T:\\in\\a.txt");
  EXPECT_TRUE(op_.Execute());
  EXPECT_EQ(velko_test::ReadFile(dir_.path() / "done/a.txt"), "a");

  // A missing source: the system's text reaches OnError.
  EXPECT_FALSE(op_.Execute());
  ASSERT_EQ(errors_.size(), 1u);
  EXPECT_EQ(errors_[0], platform::ErrorMessageText(ERROR_FILE_NOT_FOUND));

  // A cancel returns false and is not reported.
  dir_.WriteFile("in/b.txt", "b");
  op_.FileList()->SetText("T:\\in\\b.txt");
  cancel_ = true;
  EXPECT_FALSE(op_.Execute());
  EXPECT_EQ(errors_.size(), 1u);
  EXPECT_TRUE(fsys::exists(dir_.path() / "in/b.txt"));

  // An empty list does nothing and succeeds.
  op_.FileList()->Clear();
  EXPECT_TRUE(op_.Execute());
  EXPECT_EQ(op_.GetErrorText(0), "");
}

}  // namespace
