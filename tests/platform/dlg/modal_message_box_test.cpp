// The real modal message box on the headless display, answered by injected
// keys and clicks: its owner is disabled while it runs and active again
// after, its buttons and their answers, the keyboard, and its layout.
#include <gtest/gtest.h>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/display/display.h"
#include "platform/dlg/message_box.h"
#include "platform/gdi/gdi.h"
#include "platform/gdi/system_metrics.h"
#include "platform/user/menu.h"
#include "tests/platform/user/user_test_support.h"
#include "tests/support/temp_dir.h"

namespace velko_test {
namespace {

std::string TextOf(HWND hwnd) {
  char buffer[256] = {};
  GetWindowText(hwnd, buffer, sizeof(buffer));
  return buffer;
}

std::vector<HWND> ChildrenOf(HWND hwnd) {
  std::vector<HWND> children;
  for (HWND c = GetWindow(hwnd, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT))
    children.push_back(c);
  return children;
}

HWND ButtonNamed(HWND box, const std::string& text) {
  for (HWND child : ChildrenOf(box)) {
    if (TextOf(child) == text) return child;
  }
  return nullptr;
}

POINT CentreOf(HWND hwnd) {
  RECT r;
  GetWindowRect(hwnd, &r);
  return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

class ModalMessageBoxTest : public UserTest {
 protected:
  // A shown, active owner window.
  HWND MakeOwner() {
    HWND hwnd = Make(nullptr, WS_OVERLAPPEDWINDOW | WS_VISIBLE, "Owner", 0, 100, 100, 400, 300);
    Pump();
    return hwnd;
  }

  // Runs `act` with the box the first time the box waits for input; the
  // box is closed with Esc / Enter afterwards if `act` leaves it open.
  void OnFirstIdle(std::function<void(HWND box)> act) {
    auto done = std::make_shared<bool>(false);
    SetHandler(
        [act, done](HWND, UINT message, WPARAM wparam, LPARAM lparam) -> std::optional<LRESULT> {
          if (message == WM_ENTERIDLE && wparam == MSGF_DIALOGBOX) {
            HWND box = reinterpret_cast<HWND>(lparam);
            if (!*done) {
              *done = true;
              act(box);
            } else {
              // A test that left the box open: close it so nothing hangs.
              DestroyWindow(box);
            }
            return 0;
          }
          return std::nullopt;
        });
  }
};

TEST_F(ModalMessageBoxTest, EnterAnswersWithTheDefaultButtonAndTheOwnerComesBack) {
  HWND owner = MakeOwner();
  bool owner_enabled_during = true;
  std::string caption;
  std::vector<std::string> buttons;
  HWND box_seen = nullptr;
  std::string focus_during;
  OnFirstIdle([&](HWND box) {
    box_seen = box;
    owner_enabled_during = IsWindowEnabled(owner) != FALSE;
    caption = TextOf(box);
    for (HWND child : ChildrenOf(box)) buttons.push_back(TextOf(child));
    focus_during = TextOf(GetFocus());
    EXPECT_EQ(GetActiveWindow(), box);
    // Centred on the owner.
    RECT window, owner_rect;
    GetWindowRect(box, &window);
    GetWindowRect(owner, &owner_rect);
    EXPECT_NEAR((window.left + window.right) / 2, (owner_rect.left + owner_rect.right) / 2, 1);
    EXPECT_NEAR((window.top + window.bottom) / 2, (owner_rect.top + owner_rect.bottom) / 2, 1);
    EXPECT_EQ(GetWindow(box, GW_OWNER), owner);
    platform::InjectKeyPress(VK_RETURN);
  });
  int answer = MessageBox(owner, "Save the changes?", "Confirm",
                          MB_YESNOCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2);
  EXPECT_EQ(answer, IDNO);
  EXPECT_FALSE(owner_enabled_during);
  EXPECT_EQ(caption, "Confirm");
  EXPECT_EQ(buttons, (std::vector<std::string>{"&Yes", "&No", "Cancel"}));
  EXPECT_EQ(focus_during, "&No");
  // Afterwards the owner is enabled and active again, the box gone.
  EXPECT_TRUE(IsWindowEnabled(owner));
  EXPECT_EQ(GetActiveWindow(), owner);
  EXPECT_FALSE(IsWindow(box_seen));
}

// Keys typed at a box and the button they answer with (Alt held for the
// keys given as negative numbers).
TEST_F(ModalMessageBoxTest, TheKeysAnswerWithTheirButton) {
  HWND owner = MakeOwner();
  struct Case {
    UINT type;
    std::vector<int> keys;
    int answer;
  } cases[] = {
      {MB_OKCANCEL, {VK_ESCAPE}, IDCANCEL},
      {MB_OK, {VK_ESCAPE}, IDOK},  // the lone OK
      {MB_RETRYCANCEL, {VK_ESCAPE}, IDCANCEL},
      {MB_ABORTRETRYIGNORE | MB_ICONERROR, {-'I'}, IDIGNORE},
      {MB_OKCANCEL, {VK_TAB, VK_RETURN}, IDCANCEL},  // OK -> Cancel
      // Cancel (the default) -> No -> Cancel -> round to Yes; Space presses it.
      {MB_YESNOCANCEL | MB_DEFBUTTON3, {VK_LEFT, VK_RIGHT, VK_RIGHT, VK_SPACE}, IDYES},
  };
  for (const Case& c : cases) {
    OnFirstIdle([&](HWND) {
      for (int key : c.keys) {
        if (key < 0) platform::InjectKey(VK_MENU, true);
        platform::InjectKeyPress(static_cast<UINT>(key < 0 ? -key : key));
        if (key < 0) platform::InjectKey(VK_MENU, false);
      }
    });
    EXPECT_EQ(MessageBox(owner, "Go on?", "Question", c.type), c.answer) << std::hex << c.type;
  }
}

TEST_F(ModalMessageBoxTest, YesNoHasNoEscapeButItsLettersAnswer) {
  HWND owner = MakeOwner();
  bool still_open_after_escape = false;
  auto step = std::make_shared<int>(0);
  SetHandler([&, step](HWND, UINT message, WPARAM wparam, LPARAM lparam) -> std::optional<LRESULT> {
    if (message != WM_ENTERIDLE || wparam != MSGF_DIALOGBOX) return std::nullopt;
    HWND box = reinterpret_cast<HWND>(lparam);
    switch ((*step)++) {
      case 0:
        platform::InjectKeyPress(VK_ESCAPE);
        break;
      case 1:
        still_open_after_escape = IsWindow(box) != FALSE;
        // The close box is gray too.
        EXPECT_TRUE(GetMenuState(GetSystemMenu(box, FALSE), SC_CLOSE, MF_BYCOMMAND) & MF_GRAYED);
        platform::InjectKeyPress('N');
        break;
      default:
        DestroyWindow(box);
    }
    return 0;
  });
  EXPECT_EQ(MessageBox(owner, "Delete it?", "Confirm", MB_YESNO), IDNO);
  EXPECT_TRUE(still_open_after_escape);
}

TEST_F(ModalMessageBoxTest, AClickOnAButtonAnswersWithIt) {
  HWND owner = MakeOwner();
  OnFirstIdle([](HWND box) {
    HWND cancel = ButtonNamed(box, "Cancel");
    ASSERT_NE(cancel, nullptr);
    POINT p = CentreOf(cancel);
    platform::InjectClick(p.x, p.y);
  });
  EXPECT_EQ(MessageBox(owner, "Overwrite?", "Warning", MB_OKCANCEL | MB_ICONWARNING), IDCANCEL);
  EXPECT_TRUE(IsWindowEnabled(owner));
}

TEST_F(ModalMessageBoxTest, TheBoxShowsItsIconTextAndButtonsInPlace) {
  HWND owner = MakeOwner();
  const std::string long_text =
      "The file could not be written because the disk is full or the folder is read-only. "
      "Free some space or choose another folder, then try again. The partial file was kept.";
  OnFirstIdle([&](HWND box) {
    RECT window, client;
    GetWindowRect(box, &window);
    GetClientRect(box, &client);
    // Wrapped: no wider than five eighths of the screen and the margins.
    EXPECT_LE(client.right, platform::ScreenSize().cx * 5 / 8 + 12 + 32 + 12 + 12);
    EXPECT_GT(client.bottom, 3 * 13);
    // Wider than its owner, but kept on the screen.
    EXPECT_GE(window.left, 0);
    EXPECT_LE(window.right, platform::ScreenSize().cx);
    // The error icon at the top left of the client area, red.
    POINT icon{12 + 16, 12 + 8};
    ClientToScreen(box, &icon);
    std::shared_ptr<platform::Surface> image = platform::CaptureWindow(box);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->Pixel(icon.x - window.left, icon.y - window.top), RGB(255, 0, 0));
    // One button, centred under the text.
    HWND ok = ButtonNamed(box, "OK");
    ASSERT_NE(ok, nullptr);
    RECT button;
    GetWindowRect(ok, &button);
    POINT client_origin{0, 0};
    ClientToScreen(box, &client_origin);
    EXPECT_NEAR((button.left + button.right) / 2 - client_origin.x, client.right / 2, 1);
    EXPECT_EQ(button.right - button.left, 75);
    EXPECT_EQ(button.bottom - button.top, 23);
    platform::InjectKeyPress(VK_RETURN);
  });
  EXPECT_EQ(MessageBox(owner, long_text.c_str(), "Error", MB_OK | MB_ICONERROR), IDOK);
}

TEST_F(ModalMessageBoxTest, ATaskModalBoxWithoutOwnerDisablesTheThreadsWindows) {
  HWND first = MakeOwner();
  HWND second = Make(nullptr, WS_OVERLAPPEDWINDOW | WS_VISIBLE, "Second", 0, 500, 100, 200, 100);
  Pump();
  bool first_enabled = true, second_enabled = true;
  // Without an owner nobody hears WM_ENTERIDLE; a timer looks instead.
  SetHandler([&](HWND hwnd, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (message != WM_TIMER) return std::nullopt;
    KillTimer(hwnd, 1);
    first_enabled = IsWindowEnabled(first) != FALSE;
    second_enabled = IsWindowEnabled(second) != FALSE;
    platform::InjectKeyPress(VK_RETURN);
    return 0;
  });
  SetTimer(first, 1, 1, nullptr);
  EXPECT_EQ(MessageBox(nullptr, "Busy", "Velko", MB_OK | MB_TASKMODAL), IDOK);
  EXPECT_FALSE(first_enabled);
  EXPECT_FALSE(second_enabled);
  EXPECT_TRUE(IsWindowEnabled(first));
  EXPECT_TRUE(IsWindowEnabled(second));
}

// A box for a hidden window (a component's message window) belongs to the
// active window: it stays above it, on the screen too, even when the
// active window is brought to the top, and the window takes no input.
TEST_F(ModalMessageBoxTest, ABoxForAHiddenWindowStaysAboveTheActiveWindow) {
  HWND main = MakeOwner();
  HWND hidden = Make(nullptr, WS_POPUP, "Messages", 0, 0, 0, 10, 10);
  ASSERT_EQ(GetActiveWindow(), main);
  bool main_enabled = true;
  POINT centre{};
  COLORREF before = 0, after = 0, owner_colour = 0;
  OnFirstIdle([&](HWND box) {
    main_enabled = IsWindowEnabled(main) != FALSE;
    RECT r;
    GetWindowRect(box, &r);
    centre = POINT{r.right - 10, r.bottom - 6 + 8};
    auto screen = platform::ComposeScreen();
    before = screen->Pixel(centre.x, centre.y - 8);
    // The main window pulled to the top (as a click or a timer of the
    // program may do) stays under its box.
    SetWindowPos(main, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    Pump();
    screen = platform::ComposeScreen();
    after = screen->Pixel(centre.x, centre.y - 8);
    owner_colour = screen->Pixel(110, 250);
    platform::InjectKeyPress(VK_RETURN);
  });
  EXPECT_EQ(MessageBox(hidden, "The song cannot be played", "Error", MB_OK), IDOK);
  EXPECT_FALSE(main_enabled);
  EXPECT_EQ(before, GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(after, before);
  EXPECT_NE(owner_colour, before);
  EXPECT_TRUE(IsWindowEnabled(main));
  DestroyWindow(hidden);
}

TEST_F(ModalMessageBoxTest, AnOwnerThatWasDisabledStaysDisabled) {
  HWND owner = MakeOwner();
  EnableWindow(owner, FALSE);
  OnFirstIdle([](HWND) { platform::InjectKeyPress(VK_RETURN); });
  EXPECT_EQ(MessageBox(owner, "x", "y", MB_OK), IDOK);
  EXPECT_FALSE(IsWindowEnabled(owner));
  EnableWindow(owner, TRUE);
}

TEST_F(ModalMessageBoxTest, TheHookStillAnswersFirst) {
  HWND owner = MakeOwner();
  int shown = 0;
  platform::SetMessageBoxHook([&](const platform::MessageBoxRequest&) {
    ++shown;
    return IDRETRY;
  });
  EXPECT_EQ(MessageBox(owner, "x", "y", MB_RETRYCANCEL), IDRETRY);
  platform::SetMessageBoxHook({});
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(CountOf(owner, WM_ENTERIDLE), 0);
}

}  // namespace
}  // namespace velko_test

namespace {

class MessageBoxTest : public ::testing::Test {
 protected:
  void TearDown() override { platform::SetMessageBoxHook({}); }
};

TEST_F(MessageBoxTest, TheHookSeesTheRequestAndChoosesTheButton) {
  std::vector<platform::MessageBoxRequest> shown;
  platform::SetMessageBoxHook([&](const platform::MessageBoxRequest& r) {
    shown.push_back(r);
    return IDNO;
  });
  EXPECT_EQ(MessageBox(nullptr, "Delete it?", "Confirm", MB_YESNO | MB_ICONQUESTION), IDNO);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text, "Delete it?");
  EXPECT_EQ(shown[0].caption, "Confirm");
  EXPECT_EQ(shown[0].buttons(), MB_YESNO);
  EXPECT_EQ(shown[0].icon(), MB_ICONQUESTION);
  // No texts: empty text and the caption "Error".
  MessageBox(nullptr, nullptr, nullptr, MB_OK);
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[1].text, "");
  EXPECT_EQ(shown[1].caption, "Error");
}

TEST_F(MessageBoxTest, WithoutHookOrPresenterTheDefaultButtonAnswers) {
  platform::MessageBoxPresenter modal = platform::SetMessageBoxPresenter({});
  ASSERT_TRUE(modal);  // the modal box is installed when the library loads
  EXPECT_EQ(MessageBox(nullptr, "x", "y", MB_OK), IDOK);
  EXPECT_EQ(MessageBox(nullptr, "x", "y", MB_YESNO | MB_DEFBUTTON2), IDNO);
  EXPECT_EQ(MessageBox(nullptr, "x", "y", MB_ABORTRETRYIGNORE | MB_DEFBUTTON3), IDIGNORE);
  // A default beyond the set's buttons falls back to the first.
  EXPECT_EQ(MessageBox(nullptr, "x", "y", MB_OKCANCEL | MB_DEFBUTTON3), IDOK);
  platform::SetMessageBoxPresenter(modal);
}

}  // namespace
