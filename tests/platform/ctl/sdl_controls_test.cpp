// A dialog of controls under SDL2 on an X server of the test's own: drawn
// on the X screen, clicked and typed into through the X test extension,
// and the clipboard shared with another X client both ways.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "platform/ctl/ctl.h"
#include "platform/display/display.h"
#include "platform/dlg/dialog_keys.h"
#include "platform/dlg/message_box.h"
#include "platform/gdi/system_metrics.h"
#include "platform/user/clipboard.h"
#include "platform/user/user.h"
#include "tests/support/message_pump.h"
#include "tests/support/x_server.h"

namespace ctl_test {
namespace {

using velko_test::KeepXLibrariesLoaded;
using velko_test::PumpMessagesUntil;
using velko_test::XServer;

// A dialog at (60, 50) with a checked box, an edit field, a progress bar
// two thirds full and a default button.
struct Dialog {
  HWND dialog, check, edit, progress, ok;
};

Dialog MakeDialog() {
  Dialog d;
  d.dialog = CreateWindowEx(WS_EX_DLGMODALFRAME, WC_DIALOG, "Controls",
                            WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE, 60, 50, 400, 200,
                            nullptr, nullptr, nullptr, nullptr);
  auto child = [&](const char* class_name, const char* text, DWORD style, int x, int y, int width,
                   int height, int id) {
    return CreateWindowEx(0, class_name, text, WS_CHILD | WS_VISIBLE | style, x, y, width, height,
                          d.dialog, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr,
                          nullptr);
  };
  d.check = child("BUTTON", "&Loud", BS_AUTOCHECKBOX | WS_TABSTOP, 22, 26, 150, 18, 101);
  SendMessage(d.check, BM_SETCHECK, BST_CHECKED, 0);
  d.edit = child("EDIT", "Velko 5.3", ES_AUTOHSCROLL | WS_TABSTOP, 70, 56, 120, 22, 106);
  d.progress = child("msctls_progress32", "", 0, 200, 20, 170, 18, 127);
  SendMessage(d.progress, PBM_SETPOS, 65, 0);
  d.ok = child("BUTTON", "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 200, 120, 80, 24, IDOK);
  return d;
}

POINT OnScreen(HWND hwnd, int x, int y) {
  POINT pt{x, y};
  ClientToScreen(hwnd, &pt);
  return pt;
}

// Another X client reads the clipboard: asks its owner for the CLIPBOARD
// selection as UTF-8 text, keeping our messages moving meanwhile.
std::string ReadXClipboard(Display* d) {
  Window window = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 1, 1, 0, 0, 0);
  const Atom clipboard = XInternAtom(d, "CLIPBOARD", False);
  const Atom utf8 = XInternAtom(d, "UTF8_STRING", False);
  const Atom property = XInternAtom(d, "VELKO_TEST_PASTE", False);
  XConvertSelection(d, clipboard, utf8, property, window, CurrentTime);
  XFlush(d);
  std::string text;
  bool answered = false;
  PumpMessagesUntil(
      [&] {
        while (XPending(d) > 0) {
          XEvent event;
          XNextEvent(d, &event);
          if (event.type != SelectionNotify) continue;
          answered = true;
          if (event.xselection.property == None) return true;
          Atom type = None;
          int format = 0;
          unsigned long count = 0, left = 0;
          unsigned char* data = nullptr;
          XGetWindowProperty(d, window, property, 0, 1 << 16, True, AnyPropertyType, &type, &format,
                             &count, &left, &data);
          if (data != nullptr) {
            text.assign(reinterpret_cast<char*>(data), count);
            XFree(data);
          }
        }
        return answered;
      },
      10);
  XDestroyWindow(d, window);
  return text;
}

// Another X client owns the clipboard and hands out `text` until stopped.
class XClipboardOwner {
 public:
  explicit XClipboardOwner(std::string text) : text_(std::move(text)) {
    display_ = XOpenDisplay(nullptr);
    window_ = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, 1, 1, 0, 0, 0);
    XSetSelectionOwner(display_, XInternAtom(display_, "CLIPBOARD", False), window_, CurrentTime);
    // A round trip: the server has made this client the owner before the
    // program, on its own connection, asks who owns the clipboard.
    XSync(display_, False);
    thread_ = std::thread([this] { Serve(); });
  }
  ~XClipboardOwner() {
    stop_ = true;
    thread_.join();
    XDestroyWindow(display_, window_);
    XCloseDisplay(display_);
  }

 private:
  void Serve() {
    const Atom utf8 = XInternAtom(display_, "UTF8_STRING", False);
    const Atom targets = XInternAtom(display_, "TARGETS", False);
    while (!stop_) {
      while (XPending(display_) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
        if (event.type != SelectionRequest) continue;
        const XSelectionRequestEvent& request = event.xselectionrequest;
        XEvent reply{};
        reply.xselection.type = SelectionNotify;
        reply.xselection.requestor = request.requestor;
        reply.xselection.selection = request.selection;
        reply.xselection.target = request.target;
        reply.xselection.time = request.time;
        reply.xselection.property = request.property;
        if (request.target == targets) {
          Atom offered[] = {utf8, XA_STRING};
          XChangeProperty(display_, request.requestor, request.property, XA_ATOM, 32,
                          PropModeReplace, reinterpret_cast<unsigned char*>(offered), 2);
        } else if (request.target == utf8 || request.target == XA_STRING) {
          XChangeProperty(display_, request.requestor, request.property, request.target, 8,
                          PropModeReplace, reinterpret_cast<const unsigned char*>(text_.data()),
                          static_cast<int>(text_.size()));
        } else {
          reply.xselection.property = None;
        }
        XSendEvent(display_, request.requestor, False, 0, &reply);
        XFlush(display_);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }

  std::string text_;
  Display* display_ = nullptr;
  Window window_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

TEST(SdlControlsTest, ADialogWorksOnARealXServer) {
  KeepXLibrariesLoaded();
  platform::ResetInput();
  XServer x;
  ASSERT_TRUE(x.Start()) << "Xvfb did not start (scripts/deps installs it)";
  ASSERT_EQ(platform::ChooseDisplay(), platform::DisplayKind::kSdl);
  Dialog s = MakeDialog();
  ASSERT_NE(s.dialog, nullptr);

  // Drawn: the progress bar's blocks and the default button's frame reach X.
  const POINT bar = OnScreen(s.progress, 4, 9);
  const POINT frame = OnScreen(s.ok, 0, 12);
  EXPECT_TRUE(PumpMessagesUntil([&] {
    return x.Pixel(bar.x, bar.y) == GetSysColor(COLOR_HIGHLIGHT) &&
           x.Pixel(frame.x, frame.y) == GetSysColor(COLOR_WINDOWFRAME);
  })) << std::hex
      << x.Pixel(bar.x, bar.y);

  // A click on the check box clears it.
  const POINT box = OnScreen(s.check, 6, 9);
  x.Click(box.x, box.y);
  EXPECT_TRUE(PumpMessagesUntil([&] { return SendMessage(s.check, BM_GETCHECK, 0, 0) == 0; }));

  // Typing goes into the focused edit field.
  SetFocus(s.edit);
  SendMessage(s.edit, EM_SETSEL, 0, -1);
  x.Key(XK_v);
  x.Key(XK_x);
  auto edit_text = [&] {
    char text[32] = {};
    GetWindowText(s.edit, text, sizeof(text));
    return std::string(text);
  };
  EXPECT_TRUE(PumpMessagesUntil([&] { return edit_text() == "vx"; })) << edit_text();

  // The clipboard is the desktop's: another client reads what we put there...
  ASSERT_TRUE(platform::PutClipboardText(s.dialog, "from velko"));
  EXPECT_EQ(ReadXClipboard(x.display()), "from velko");
  // ...and we read what another client puts there.
  {
    XClipboardOwner owner("from x");
    std::string text;
    EXPECT_TRUE(platform::TakeClipboardText(s.dialog, &text));
    EXPECT_EQ(text, "from x");
    // Pasting into the field takes it too.
    SendMessage(s.edit, EM_SETSEL, 0, -1);
    SendMessage(s.edit, WM_PASTE, 0, 0);
    EXPECT_EQ(edit_text(), "from x");
  }

  DestroyWindow(s.dialog);
  PumpMessagesUntil([] { return true; }, 0.2);
  platform::UseHeadlessDisplay();
  platform::SetScreenSize(1024, 768);
  platform::ResetInput();
}

}  // namespace
}  // namespace ctl_test
