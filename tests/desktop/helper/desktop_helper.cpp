// A second (and third) Velko-like program for the desktop tests. It prints
// what happens to it as lines on standard output.
//
//   one-instance WINDOWS MUTEXES TITLE [minimize] [silent] [keep]
//     Runs an application titled TITLE whose main form carries a
//     single-instance guard. Prints "box <text>|<caption>" for a message
//     box (answered OK), "running" once its main form shows, "iconic 0/1"
//     and "foreground 0/1" whenever they change, and "ended" at its end.
//     minimize: minimises itself once running. silent: no message box.
//     keep: the guard's OnShowMessage lets the instance run.
//     deactivate: once running, activates a window of its own that is
//     not one of the application's, so the main form is not in front.
#include <cstdio>
#include <cstring>
#include <string>

#include "classlib/Application.h"
#include "classlib/Form.h"
#include "classlib/Timers.h"
#include "desktop/zelOneInstance.h"
#include "platform/core/mutexes.h"
#include "platform/dlg/message_box.h"
#include "platform/user/remote_windows.h"
#include "platform/user/user.h"

namespace {

void Say(const std::string& line) {
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
}

bool HasOption(int argc, char** argv, const char* option) {
  for (int i = 5; i < argc; ++i) {
    if (std::strcmp(argv[i], option) == 0) return true;
  }
  return false;
}

int OneInstance(int argc, char** argv) {
  platform::SetWindowDirectoryFolder(argv[2]);
  platform::SetMutexFolder(argv[3]);
  platform::SetMessageBoxHook([](const platform::MessageBoxRequest& request) {
    Say("box " + request.text + "|" + request.caption);
    return IDOK;
  });
  const bool minimize = HasOption(argc, argv, "minimize");
  const bool deactivate = HasOption(argc, argv, "deactivate");
  Application->Initialize();
  Application->SetTitle(argv[4]);
  TForm* form = nullptr;
  Application->CreateForm(form);
  form->SetCaption(argv[4]);
  form->BeginLoad();
  auto* guard = new TzelOneInstance(form);
  guard->ShowMessage = !HasOption(argc, argv, "silent");
  if (HasOption(argc, argv, "keep")) {
    guard->OnShowMessage = [](TObject*, bool& terminate) {
      Say("asked");
      terminate = false;
    };
  }
  form->EndLoad();

  auto* watch = new TTimer(form);
  watch->SetInterval(20);
  int iconic = -1;
  int foreground = -1;
  bool started = false;
  watch->SetOnTimer([&](TObject*) {
    if (!started) {
      started = true;
      if (minimize) Application->Minimize();
      if (deactivate) {
        HWND other = CreateWindowEx(0, "STATIC", "other", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50,
                                    nullptr, nullptr, nullptr, nullptr);
        SetForegroundWindow(other);
      }
      Say("running");
    }
    const int now_iconic = IsIconic(Application->Handle()) ? 1 : 0;
    const int now_foreground = GetForegroundWindow() == form->Handle() ? 1 : 0;
    if (now_iconic != iconic) Say("iconic " + std::to_string(iconic = now_iconic));
    if (now_foreground != foreground) Say("foreground " + std::to_string(foreground = now_foreground));
  });
  Application->Run();
  Say("ended");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 5 && std::strcmp(argv[1], "one-instance") == 0) return OneInstance(argc, argv);
  std::fprintf(stderr, "usage: desktop_helper one-instance WINDOWS MUTEXES TITLE [options]\n");
  return 2;
}
