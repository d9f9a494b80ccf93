// The clipboard and the global memory blocks it holds (headless: the
// process's own clipboard).
#include <cstring>
#include <thread>

#include "platform/core/errors.h"
#include "platform/user/clipboard.h"
#include "tests/platform/checks.h"
#include "tests/platform/ctl/ctl_test_support.h"

namespace ctl_test {
namespace {

using velko_test::ErrorOf;

class ClipboardTest : public ControlTest {
 protected:
  void SetUp() override {
    ControlTest::SetUp();
    blocks_before_ = platform::LiveGlobalBlocks();
  }
  void TearDown() override {
    // Whatever a test left on the clipboard goes; its blocks with it.
    if (OpenClipboard(host_)) {
      EmptyClipboard();
      CloseClipboard();
    }
    EXPECT_EQ(platform::LiveGlobalBlocks(), blocks_before_);
    ControlTest::TearDown();
  }

  static HGLOBAL TextBlock(const char* text) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, std::strlen(text) + 1);
    std::memcpy(GlobalLock(block), text, std::strlen(text) + 1);
    GlobalUnlock(block);
    return block;
  }

  std::size_t blocks_before_ = 0;
};

TEST_F(ClipboardTest, GlobalBlocksLockUnlockAndFree) {
  HGLOBAL moveable = GlobalAlloc(GHND, 10);
  ASSERT_NE(moveable, nullptr);
  EXPECT_EQ(GlobalSize(moveable), 10u);
  auto* bytes = static_cast<char*>(GlobalLock(moveable));
  ASSERT_NE(bytes, nullptr);
  EXPECT_EQ(bytes[9], 0);  // GMEM_ZEROINIT
  EXPECT_EQ(GlobalLock(moveable), bytes);
  EXPECT_EQ(GlobalFlags(moveable) & GMEM_LOCKCOUNT, 2u);
  EXPECT_TRUE(GlobalUnlock(moveable));
  SetLastError(123);
  EXPECT_EQ(ErrorOf(GlobalUnlock(moveable)), NO_ERROR);
  EXPECT_EQ(ERROR_OF(GlobalUnlock(moveable)), ERROR_NOT_LOCKED);
  moveable = GlobalReAlloc(moveable, 100, GMEM_ZEROINIT);
  EXPECT_EQ(GlobalSize(moveable), 100u);
  EXPECT_EQ(GlobalFree(moveable), nullptr);
  EXPECT_EQ(GlobalFree(moveable), moveable);  // already gone
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  // A fixed block's handle is its memory.
  HGLOBAL fixed = GlobalAlloc(GPTR, 4);
  EXPECT_EQ(GlobalLock(fixed), static_cast<void*>(fixed));
  EXPECT_EQ(GlobalHandle(fixed), fixed);
  GlobalFree(fixed);
  EXPECT_EQ(platform::LiveGlobalBlocks(), blocks_before_);
}

TEST_F(ClipboardTest, TextPutOnTheClipboardComesBackInEveryTextFormat) {
  ASSERT_TRUE(OpenClipboard(host_));
  EXPECT_TRUE(EmptyClipboard());
  EXPECT_EQ(GetClipboardOwner(), host_);
  HGLOBAL block = TextBlock("Grüße 1");
  EXPECT_EQ(SetClipboardData(CF_TEXT, block), block);
  EXPECT_TRUE(CloseClipboard());
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_TEXT));
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_UNICODETEXT));
  EXPECT_FALSE(IsClipboardFormatAvailable(CF_BITMAP));

  ASSERT_TRUE(OpenClipboard(nullptr));
  HANDLE text = GetClipboardData(CF_TEXT);
  ASSERT_NE(text, nullptr);
  EXPECT_STREQ(static_cast<const char*>(GlobalLock(text)), "Grüße 1");
  GlobalUnlock(text);
  HANDLE wide = GetClipboardData(CF_UNICODETEXT);
  ASSERT_NE(wide, nullptr);
  const auto* units = static_cast<const char16_t*>(GlobalLock(wide));
  EXPECT_EQ(std::u16string(units), u"Grüße 1");
  GlobalUnlock(wide);
  EXPECT_EQ(EnumClipboardFormats(0), CF_TEXT);
  CloseClipboard();
  std::string read;
  EXPECT_TRUE(platform::TakeClipboardText(host_, &read));
  EXPECT_EQ(read, "Grüße 1");
}

TEST_F(ClipboardTest, UnicodeTextPutComesBackAsText) {
  ASSERT_TRUE(OpenClipboard(host_));
  EmptyClipboard();
  const char16_t wide[] = u"\u00e9t\u00e9 \U0001F600";
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, sizeof(wide));
  std::memcpy(GlobalLock(block), wide, sizeof(wide));
  GlobalUnlock(block);
  SetClipboardData(CF_UNICODETEXT, block);
  CloseClipboard();
  std::string read;
  EXPECT_TRUE(platform::TakeClipboardText(host_, &read));
  EXPECT_EQ(read, "\u00e9t\u00e9 \U0001F600");
}

TEST_F(ClipboardTest, OnlyTheOpenerMayUseIt) {
  EXPECT_EQ(ERROR_OF(SetClipboardData(CF_TEXT, nullptr) != nullptr), ERROR_CLIPBOARD_NOT_OPEN);
  EXPECT_FALSE(CloseClipboard());
  ASSERT_TRUE(OpenClipboard(host_));
  EXPECT_EQ(GetOpenClipboardWindow(), host_);
  bool other_opened = true;
  DWORD other_error = 0;
  std::thread other([&] {
    other_opened = OpenClipboard(nullptr) != FALSE;
    other_error = GetLastError();
  });
  other.join();
  EXPECT_FALSE(other_opened);
  EXPECT_EQ(other_error, ERROR_ACCESS_DENIED);
  CloseClipboard();
  EXPECT_EQ(GetOpenClipboardWindow(), nullptr);
}

TEST_F(ClipboardTest, EmptyingTellsThePreviousOwnerAndFreesItsData) {
  HWND first = Make("STATIC", "", 0, 0, 0, 10, 10, 1);
  int destroyed = 0;
  handler_ = [&](HWND hwnd, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (message == WM_DESTROYCLIPBOARD && hwnd == host_) ++destroyed;
    return std::nullopt;
  };
  ASSERT_TRUE(OpenClipboard(host_));
  EmptyClipboard();
  SetClipboardData(CF_TEXT, TextBlock("one"));
  CloseClipboard();
  const std::size_t with_text = platform::LiveGlobalBlocks();
  ASSERT_TRUE(OpenClipboard(first));
  EmptyClipboard();
  CloseClipboard();
  EXPECT_EQ(destroyed, 1);
  EXPECT_EQ(platform::LiveGlobalBlocks(), with_text - 1);
  EXPECT_EQ(GetClipboardOwner(), first);
  EXPECT_FALSE(IsClipboardFormatAvailable(CF_TEXT));
}

TEST_F(ClipboardTest, PromisedDataIsRenderedWhenAskedFor) {
  int renders = 0;
  handler_ = [&](HWND hwnd, UINT message, WPARAM wparam, LPARAM) -> std::optional<LRESULT> {
    if (message != WM_RENDERFORMAT || hwnd != host_) return std::nullopt;
    ++renders;
    SetClipboardData(static_cast<UINT>(wparam), TextBlock("late"));
    return 0;
  };
  ASSERT_TRUE(OpenClipboard(host_));
  EmptyClipboard();
  SetClipboardData(CF_TEXT, nullptr);
  CloseClipboard();
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_TEXT));
  std::string read;
  EXPECT_TRUE(platform::TakeClipboardText(host_, &read));
  EXPECT_EQ(read, "late");
  EXPECT_TRUE(platform::TakeClipboardText(host_, &read));
  EXPECT_EQ(renders, 1);
}

TEST_F(ClipboardTest, SequenceNumberCountsChanges) {
  DWORD before = GetClipboardSequenceNumber();
  platform::PutClipboardText(host_, "a");
  EXPECT_GT(GetClipboardSequenceNumber(), before);
  EXPECT_GE(RegisterClipboardFormat("Velko Rows"), 0xC000u);
  EXPECT_EQ(RegisterClipboardFormat("Velko Rows"), RegisterClipboardFormat("velko rows"));
}

}  // namespace
}  // namespace ctl_test
