#include "classlib/Application.h"

#include <cstdio>
#include <exception>
#include <mutex>

#include "classlib/DragDrop.h"
#include "classlib/FileRoutines.h"
#include "classlib/MessageHandling.h"
#include "classlib/PathRoutines.h"
#include "classlib/Screen.h"
#include "classlib/Threads.h"
#include "platform/core/threads.h"
#include "platform/gdi/system_metrics.h"

std::function<void()> InitProc;

// Defined here, before the application object whose constructor sets it:
// objects of one file are made in order, and a definition in another file
// could be made after it and empty it again.
std::function<void(TObject* Sender)> ApplicationHandleException;

TApplication* Application = new TApplication(nullptr);

namespace {

constexpr const char* kApplicationWindowClass = "TApplication";
constexpr UINT kHintPauseTimer = 1;
constexpr UINT kHintHideTimer = 2;

LRESULT ApplicationWindowProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);

void RegisterApplicationClass() {
  static std::once_flag once;
  std::call_once(once, [] {
    WNDCLASS window_class;
    window_class.lpfnWndProc = ApplicationWindowProc;
    window_class.hCursor = LoadCursor(nullptr, IDC_ARROW);
    window_class.lpszClassName = kApplicationWindowClass;
    RegisterClass(&window_class);
  });
}

// The parent of a child window; null for a top-level one (whose GetParent
// would be its owner).
HWND ParentOfChild(HWND hwnd) {
  return (GetWindowLongPtr(hwnd, GWL_STYLE) & WS_CHILD) ? GetParent(hwnd) : nullptr;
}


// The control whose hint shows for `control`: it, or the first parent with
// ShowHint set.
TControl* GetHintControl(TControl* control) {
  while (control != nullptr && !control->ShowHint()) control = control->Parent();
  return control;
}

// The hint text of a control: its own, or its nearest parent's.
String GetHint(TControl* control) {
  while (control != nullptr && control->Hint.empty()) control = control->Parent();
  return control != nullptr ? control->Hint : String();
}

// Rows of the current cursor that show, below its hot spot: where a hint
// goes so that the cursor does not cover it.
int CursorHeightBelowHotSpot() {
  platform::CursorImage image;
  if (!platform::GetCursorImage(GetCursor(), &image) || image.height == 0) return 20;
  int last = -1;
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      if ((image.argb[static_cast<std::size_t>(y * image.width + x)] >> 24) != 0) last = y;
    }
  }
  return last < 0 ? 20 : last + 1 - image.hotspot.y;
}

// The rule of THintWindow::IsHintMsg, for when there is no window yet.
bool EndsHint(const MSG& msg) {
  return (msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST) || msg.message == CM_ACTIVATE ||
         msg.message == CM_DEACTIVATE || msg.message == WM_COMMAND ||
         (msg.message > WM_MOUSEMOVE && msg.message <= WM_MOUSELAST) || msg.message == WM_NCMOUSEMOVE ||
         (msg.message >= WM_NCLBUTTONDOWN && msg.message <= WM_NCMBUTTONDBLCLK);
}

struct DisabledWindows {
  HWND except;
  std::vector<HWND> list;
};

BOOL DisableOne(HWND hwnd, LPARAM lparam) {
  auto* state = reinterpret_cast<DisabledWindows*>(lparam);
  if (hwnd != state->except && IsWindowVisible(hwnd) && IsWindowEnabled(hwnd)) state->list.push_back(hwnd);
  return TRUE;
}

}  // namespace

// --- life ---

TApplication::TApplication(TComponent* AOwner) : TComponent(AOwner) {
  title_ = ChangeFileExt(ExtractFileName(ExeName()), "");
  show_hint_ = true;
  ApplicationHandleException = [](TObject* Sender) {
    if (Application != nullptr) {
      Application->HandleException(Sender);
      return;
    }
    try {
      throw;
    } catch (const std::exception& e) {
      std::fprintf(stderr, "Exception: %s\n", e.what());
    } catch (...) {
      std::fprintf(stderr, "Exception of an unknown kind\n");
    }
  };
}

TApplication::~TApplication() {
  DoneApplication();
  if (handle_ != nullptr) {
    SetWindowLongPtr(handle_, GWLP_USERDATA, 0);
    DestroyWindow(handle_);
    handle_ = nullptr;
  }
  if (Application == this) Application = nullptr;
}

void TApplication::DoneApplication() {
  SetShowHint(false);
  StopHintTimers();
  // The forms go without passing the activation around (and so without
  // OnActivate running for each one left).
  finishing_ = true;
  if (Screen != nullptr) Screen->SetActiveForm(nullptr);
  DestroyComponents();
  main_form_ = nullptr;
  finishing_ = false;
}

void TApplication::Initialize() {
  if (InitProc) InitProc();
}

String TApplication::ExeName() const { return ParamStr(0); }

void TApplication::SetTitle(const String& Value) {
  if (title_ == Value) return;
  title_ = Value;
  if (handle_ != nullptr) SetWindowText(handle_, Value.c_str());
}

HWND TApplication::Handle() {
  if (handle_ == nullptr) {
    RegisterApplicationClass();
    const int x = GetSystemMetrics(SM_CXSCREEN) / 2;
    const int y = GetSystemMetrics(SM_CYSCREEN) / 2;
    handle_ = CreateWindowEx(0, kApplicationWindowClass, title_.c_str(),
                             WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX, x, y, 0, 0,
                             nullptr, nullptr, nullptr, this);
  }
  return handle_;
}

void TApplication::SetMainFormIfFirst(TCustomForm* Form) {
  if (main_form_ != nullptr || Form == nullptr) return;
  Form->HandleNeeded();
  main_form_ = Form;
}

void TApplication::ControlDestroyed(TControl* Control) {
  if (static_cast<TControl*>(main_form_) == Control) main_form_ = nullptr;
  if (mouse_control_ == Control) mouse_control_ = nullptr;
  if (hint_control_ == Control) CancelHint();
  if (static_cast<TControl*>(hint_window_) == Control) {
    hint_window_ = nullptr;
    hint_active_ = false;
  }
}

// --- the message loop ---

void TApplication::Run() {
  Handle();
  if (main_form_ != nullptr) {
    if (ShowMainForm) {
      if (main_form_->WindowState() == wsMinimized) {
        Minimize();
      } else {
        main_form_->SetVisible(true);
      }
    }
    do {
      HandleMessage();
    } while (!terminated_);
  }
  DoneApplication();
}

void TApplication::Terminate() { PostQuitMessage(0); }

bool TApplication::ProcessMessage(MSG& Msg) {
  if (!PeekMessage(&Msg, nullptr, 0, 0, PM_REMOVE)) return false;
  if (Msg.message == WM_QUIT) {
    terminated_ = true;
    return true;
  }
  bool handled = false;
  if (OnMessage) OnMessage(Msg, handled);
  CancelHintOnInput(Msg);
  if (!handled && !IsKeyMsg(Msg)) {
    TranslateMessage(&Msg);
    DispatchMessage(&Msg);
  }
  if (Msg.message == WM_MOUSEMOVE || Msg.message == WM_NCMOUSEMOVE) UpdateMouseControl();
  return true;
}

void TApplication::HandleMessage() {
  MSG msg;
  try {
    if (!ProcessMessage(msg)) Idle();
  } catch (...) {
    HandleException(this);
  }
}

void TApplication::ProcessMessages() {
  MSG msg;
  for (;;) {
    try {
      if (!ProcessMessage(msg)) return;
    } catch (...) {
      HandleException(this);
    }
  }
}

void TApplication::Idle() {
  UpdateMouseControl();
  bool done = true;
  if (OnIdle) OnIdle(this, done);
  if (GetCurrentThreadId() == MainThreadID && CheckSynchronize()) done = false;
  if (done) WaitMessage();
}

bool TApplication::IsKeyMsg(MSG& Msg) {
  if (Msg.message < WM_KEYFIRST || Msg.message > WM_KEYLAST) return false;
  TWinControl* control = nullptr;
  for (HWND h = Msg.hwnd; h != nullptr && control == nullptr; h = ParentOfChild(h)) {
    control = FindControl(h);
  }
  if (control == nullptr) return false;
  return control->Perform(CN_BASE + Msg.message, Msg.wParam, Msg.lParam) != 0;
}

void TApplication::UpdateMouseControl() {
  POINT p{};
  GetCursorPos(&p);
  TControl* target = FindDragTarget(TPoint{p.x, p.y}, true);
  if (target == mouse_control_) return;
  // While a control holds the mouse only it hears of entering and leaving.
  TControl* captured = GetCaptureControl();
  TControl* previous = mouse_control_;
  mouse_control_ = target;
  if (previous != nullptr && (captured == nullptr || previous == captured)) previous->Perform(CM_MOUSELEAVE);
  if (mouse_control_ != nullptr && mouse_control_ == target && (captured == nullptr || target == captured)) {
    target->Perform(CM_MOUSEENTER);
  }
}

std::vector<HWND> TApplication::DisableTaskWindows(HWND Except) {
  DisabledWindows state{Except, {}};
  EnumThreadWindows(GetCurrentThreadId(), DisableOne, reinterpret_cast<LPARAM>(&state));
  for (HWND hwnd : state.list) EnableWindow(hwnd, FALSE);
  return state.list;
}

void TApplication::EnableTaskWindows(const std::vector<HWND>& Windows) {
  for (HWND hwnd : Windows) {
    if (IsWindow(hwnd)) EnableWindow(hwnd, TRUE);
  }
}

// --- the application window ---

namespace {

LRESULT ApplicationWindowProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  if (msg == WM_NCCREATE) {
    auto* create = reinterpret_cast<const CREATESTRUCT*>(lparam);
    SetWindowLongPtr(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* app = reinterpret_cast<TApplication*>(GetWindowLongPtr(hwnd, GWLP_USERDATA));
  if (app == nullptr) return DefWindowProc(hwnd, msg, wparam, lparam);
  TMessage message;
  message.Msg = msg;
  message.WParam = wparam;
  message.LParam = lparam;
  try {
    if (!app->AppWindowMessage(message)) message.Result = DefWindowProc(hwnd, msg, wparam, lparam);
  } catch (...) {
    app->HandleException(app);
  }
  return message.Result;
}

}  // namespace

bool TApplication::AppWindowMessage(TMessage& Message) {
  switch (Message.Msg) {
    case WM_SYSCOMMAND:
      switch (Message.WParam & 0xFFF0) {
        case SC_MINIMIZE:
          Minimize();
          return true;
        case SC_RESTORE:
          Restore();
          return true;
      }
      return false;
    case WM_CLOSE:
      if (main_form_ != nullptr) main_form_->Close();
      return true;
    case WM_ACTIVATEAPP:
      active_ = Message.WParam != 0;
      if (active_) {
        if (OnActivate) OnActivate(this);
      } else {
        CancelHint();
        if (OnDeactivate) OnDeactivate(this);
      }
      return false;
    case WM_TIMER:
      HintTimerExpired(static_cast<UINT>(Message.WParam));
      return true;
  }
  return false;
}

void TApplication::Minimize() {
  HWND window = Handle();
  if (IsIconic(window)) return;
  CancelHint();
  ShowWindow(window, SW_MINIMIZE);
  if (OnMinimize) OnMinimize(this);
}

void TApplication::Restore() {
  HWND window = Handle();
  if (!IsIconic(window)) return;
  // The application window only stands for the program while it is
  // minimised; the forms come back with it, in their order, and the one
  // on top takes the activation when it hides again.
  ShowWindow(window, SW_RESTORE);
  ShowWindow(window, SW_HIDE);
  TCustomForm* active = Screen != nullptr ? Screen->ActiveCustomForm() : main_form_;
  if (active == nullptr) active = main_form_;
  if (active != nullptr && active->HandleAllocated() && IsWindowVisible(active->Handle())) {
    SetActiveWindow(active->Handle());
  }
  if (OnRestore) OnRestore(this);
}

void TApplication::BringToFront() {
  TCustomForm* active = Screen != nullptr ? Screen->ActiveCustomForm() : nullptr;
  if (active == nullptr) active = main_form_;
  if (active != nullptr && active->HandleAllocated()) BringWindowToTop(active->Handle());
}

// --- help ---

bool TApplication::HelpCommand(Word Command, NativeInt Data) {
  bool call_help = true;
  bool result = false;
  if (OnHelp) result = OnHelp(Command, Data, call_help);
  if (call_help) {
    help_requests_.push_back(THelpRequest{Command, Data, HelpFile, String()});
    result = !HelpFile.empty();
  }
  return result;
}

bool TApplication::HelpContext(int Context) { return HelpCommand(HELP_CONTEXT, Context); }

bool TApplication::HelpJump(const String& JumpID) {
  const bool result = HelpCommand(HELP_COMMAND, 0);
  if (!help_requests_.empty() && help_requests_.back().Command == HELP_COMMAND) help_requests_.back().Topic = JumpID;
  return result;
}

// --- message boxes and exceptions ---

int TApplication::MessageBox(const String& Text, const String& Caption, UINT Flags) {
  HWND active = GetActiveWindow();
  const std::vector<HWND> disabled = DisableTaskWindows(nullptr);
  int result = 0;
  try {
    result = ::MessageBox(Handle(), Text.c_str(), Caption.c_str(), Flags);
  } catch (...) {
    EnableTaskWindows(disabled);
    throw;
  }
  EnableTaskWindows(disabled);
  if (active != nullptr && IsWindow(active)) SetActiveWindow(active);
  return result;
}

void TApplication::ShowException(const Exception& E) {
  String message = E.Message;
  if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') message += '.';
  MessageBox(message, title_, MB_OK | MB_ICONSTOP);
}

void TApplication::HandleException(TObject* Sender) {
  const std::exception_ptr current = std::current_exception();
  if (!current) return;
  // What the handler shows: the exception as the class library knows it.
  auto show = [&](Exception& e) {
    if (OnException) {
      try {
        OnException(Sender, e);
      } catch (Exception& inner) {
        ShowException(inner);
      } catch (...) {
        ShowException(Exception("Exception in the application's exception handler"));
      }
    } else {
      ShowException(e);
    }
  };
  try {
    std::rethrow_exception(current);
  } catch (EAbort&) {
  } catch (Exception& e) {
    show(e);
  } catch (std::exception& e) {
    Exception wrapped(e.what());
    show(wrapped);
  } catch (...) {
    Exception wrapped("Unknown exception");
    show(wrapped);
  }
}

// --- hints ---

void TApplication::SetShowHint(bool Value) {
  if (show_hint_ == Value) return;
  show_hint_ = Value;
  if (!Value) {
    CancelHint();
    THintWindow* window = hint_window_;
    hint_window_ = nullptr;
    delete window;
  }
}

void TApplication::SetHint(const String& Value) {
  if (hint_ == Value) return;
  hint_ = Value;
  if (OnHint) OnHint(this);
}

void TApplication::StartHintTimer(UINT Id, int Milliseconds) {
  SetTimer(Handle(), Id, static_cast<UINT>(std::max(Milliseconds, 1)), nullptr);
}

void TApplication::StopHintTimers() {
  if (handle_ == nullptr) return;
  KillTimer(handle_, kHintPauseTimer);
  KillTimer(handle_, kHintHideTimer);
}

void TApplication::HintTimerExpired(UINT Id) {
  KillTimer(handle_, Id);
  if (Id == kHintPauseTimer) {
    POINT p{};
    GetCursorPos(&p);
    ActivateHint(TPoint{p.x, p.y});
  } else if (Id == kHintHideTimer) {
    HideHint();
  }
}

void TApplication::HintMouseMessage(TControl* Control, TMessage& Message) {
  if (Message.Msg != WM_MOUSEMOVE) return;
  TControl* under = nullptr;
  TPoint at{};
  try {
    at = Control->ClientToScreen(TPoint{GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)});
    under = FindDragTarget(at, true);
  } catch (const EInvalidOperation&) {
    return;  // a control outside any window
  }
  SetHint(GetLongHint(GetHint(under)));
  if (!show_hint_) return;
  TControl* hint_control = GetHintControl(under);
  if (hint_control == nullptr) {
    CancelHint();
    return;
  }
  const bool inside = at.x >= hint_cursor_rect_.left && at.x < hint_cursor_rect_.right &&
                      at.y >= hint_cursor_rect_.top && at.y < hint_cursor_rect_.bottom;
  if (hint_control == hint_control_ && inside) return;
  int pause = hint_active_ ? HintShortPause : HintPause;
  hint_control->Perform(CM_HINTSHOWPAUSE, hint_active_ ? 1 : 0, reinterpret_cast<LPARAM>(&pause));
  hint_control_ = hint_control;
  const TPoint origin = hint_control->ClientToScreen(TPoint{0, 0});
  hint_cursor_rect_ = Bounds(origin.x, origin.y, hint_control->Width(), hint_control->Height());
  if (handle_ != nullptr) KillTimer(handle_, kHintHideTimer);
  StartHintTimer(kHintPauseTimer, pause);
}

void TApplication::ActivateHint(TPoint CursorPos) {
  if (handle_ != nullptr) KillTimer(handle_, kHintPauseTimer);
  TControl* control = hint_control_;
  if (control == nullptr || !show_hint_) return;
  // No hint for a control of a window that a modal box keeps disabled: it
  // would show over the box.
  TWinControl* holder = control->Parent();
  if (auto* windowed = dynamic_cast<TWinControl*>(control)) holder = windowed;
  if (holder != nullptr && holder->HandleAllocated() && !IsWindowEnabled(GetAncestor(holder->Handle(), GA_ROOT))) {
    HideHint();
    return;
  }
  THintInfo info;
  info.HintControl = control;
  info.HintWindowClass = HintWindowClass;
  info.HintPos = TPoint{CursorPos.x, CursorPos.y + CursorHeightBelowHotSpot()};
  info.HintMaxWidth = Screen != nullptr ? Screen->Width() : 0;
  info.HintColor = HintColor;
  info.CursorRect = control->ClientRect();
  info.CursorPos = control->ScreenToClient(CursorPos);
  info.HideTimeout = HintHidePause;
  info.HintStr = GetShortHint(GetHint(control));
  bool can_show = control->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info)) == 0;
  if (can_show && OnShowHint) OnShowHint(info.HintStr, can_show, info);
  if (!can_show || info.HintStr.empty() || info.HintWindowClass == nullptr) {
    HideHint();
    return;
  }
  if (hint_window_ != nullptr && hint_window_class_ != info.HintWindowClass) {
    THintWindow* old = hint_window_;
    hint_window_ = nullptr;
    delete old;
  }
  if (hint_window_ == nullptr) {
    hint_window_ = info.HintWindowClass(this);
    hint_window_class_ = info.HintWindowClass;
  }
  hint_window_->SetColor(info.HintColor);
  TRect r = hint_window_->CalcHintRect(info.HintMaxWidth, info.HintStr, info.HintData);
  OffsetRect(&r, info.HintPos.x, info.HintPos.y);
  hint_window_->ActivateHintData(r, info.HintStr, info.HintData);
  hint_active_ = true;
  const TPoint origin = control->ClientToScreen(TPoint{info.CursorRect.left, info.CursorRect.top});
  hint_cursor_rect_ = Bounds(origin.x, origin.y, info.CursorRect.right - info.CursorRect.left,
                             info.CursorRect.bottom - info.CursorRect.top);
  if (info.HideTimeout > 0) StartHintTimer(kHintHideTimer, info.HideTimeout);
}

void TApplication::HideHint() {
  hint_active_ = false;
  if (hint_window_ != nullptr && hint_window_->HandleAllocated() && IsWindowVisible(hint_window_->Handle())) {
    hint_window_->ReleaseHandle();
  }
}

void TApplication::CancelHint() {
  StopHintTimers();
  if (hint_control_ == nullptr && !hint_active_) return;
  HideHint();
  hint_control_ = nullptr;
  hint_cursor_rect_ = TRect{};
}

void TApplication::CancelHintOnInput(const MSG& Msg) {
  if (hint_control_ == nullptr) return;
  const bool ends = hint_window_ != nullptr ? hint_window_->IsHintMsg(Msg) : EndsHint(Msg);
  if (ends) CancelHint();
}

void TApplication::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == static_cast<TComponent*>(hint_window_)) {
    hint_window_ = nullptr;
    hint_active_ = false;
  }
}
