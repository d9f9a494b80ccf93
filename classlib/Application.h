// TApplication: the program's application object (the global Application):
// its forms, its message loop, its hidden application window, hints, help
// requests, message boxes and the handler that shows exceptions.
//
// A program:
//   Application->Initialize();
//   Application->SetTitle("Velko");
//   Application->CreateForm(Form1);   // the first form is the main form
//   Application->CreateForm(Form2);
//   Application->Run();               // until the main form closes
//
// CreateForm sets the variable before the form's constructor runs, so the
// constructor's own code (and what it calls) can already use it. Run shows
// the main form (unless ShowMainForm is false), runs the message loop until
// Terminate (or the main form's Close) and then deletes the forms.
//
// Exceptions: an exception that leaves an event handler, a message
// handler or a form's OnCreate goes to HandleException, which calls
// OnException when assigned and otherwise shows the message in a message
// box with the application's title as caption; the program goes on. EAbort
// is silent.
//
// The message loop: ProcessMessages takes and handles every waiting
// message; HandleMessage takes one, or when there is none does the idle
// work (mouse enter and leave, OnIdle, synchronised calls of threads) and
// waits for the next. Key messages go through the focused control's
// CN_KEYDOWN first (menu shortcuts, dialog keys).
//
// Hints: while the mouse rests HintPause ms on a control whose ShowHint is
// set (and Application->ShowHint), the control's short hint shows in the
// hint window for HintHidePause ms; moving onto another control while a
// hint shows switches after HintShortPause. Clicking or typing ends it.
// Timers run on the platform clock.
//
// Tests may delete Application and make a new one (Application = new
// TApplication(nullptr)) to start from a fresh state.
#pragma once

#include <functional>
#include <new>
#include <type_traits>
#include <vector>

#include "classlib/Exceptions.h"
#include "classlib/Form.h"
#include "classlib/HintWindow.h"
#include "platform/dlg/message_box.h"

// Help commands (the platform's help engine numbers).
constexpr Word HELP_CONTEXT = 0x0001;
constexpr Word HELP_QUIT = 0x0002;
constexpr Word HELP_CONTENTS = 0x0003;
constexpr Word HELP_INDEX = 0x0003;
constexpr Word HELP_HELPONHELP = 0x0004;
constexpr Word HELP_SETINDEX = 0x0005;
constexpr Word HELP_CONTEXTPOPUP = 0x0008;
constexpr Word HELP_FINDER = 0x000B;
constexpr Word HELP_KEY = 0x0101;
constexpr Word HELP_COMMAND = 0x0102;

using TExceptionEvent = std::function<void(TObject* Sender, Exception& E)>;
using TMessageEvent = std::function<void(MSG& Msg, bool& Handled)>;
using TIdleEvent = std::function<void(TObject* Sender, bool& Done)>;
using TShowHintEvent = std::function<void(String& HintStr, bool& CanShow, THintInfo& HintInfo)>;
// Answers a help request; CallHelp false keeps the application from
// handling it itself. The result is what the help call returns.
using THelpEvent = std::function<bool(Word Command, NativeInt Data, bool& CallHelp)>;

class TApplication : public TComponent {
 public:
  explicit TApplication(TComponent* AOwner);
  ~TApplication() override;

  // Runs InitProc when one is set.
  void Initialize();

  template <class T>
  void CreateForm(T*& Reference);

  // The message loop until Terminate; then the forms are deleted.
  void Run();
  // Asks the loop to end (posts the quit message).
  void Terminate();
  bool Terminated() const { return terminated_; }
  void ProcessMessages();
  void HandleMessage();

  // Minimises the whole program (its application window, and the forms
  // with it) and restores it.
  void Minimize();
  void Restore();
  void BringToFront();
  bool Active() const { return active_; }

  // The hidden application window (made on first use), of class
  // "TApplication", with the title as its caption. The forms are owned
  // windows of it.
  HWND Handle();
  bool HandleAllocated() const { return handle_ != nullptr; }
  String Title() const { return title_; }
  void SetTitle(const String& Value);
  // The program's own path.
  String ExeName() const;

  TCustomForm* MainForm() const { return main_form_; }
  // True while the application deletes its forms at its end.
  bool Finishing() const { return finishing_; }
  bool ShowMainForm = true;

  // --- help: requests are recorded (the program has no help engine) ---
  String HelpFile;
  struct THelpRequest {
    Word Command = 0;
    NativeInt Data = 0;
    String File;
    String Topic;  // HelpJump's topic
  };
  const std::vector<THelpRequest>& HelpRequests() const { return help_requests_; }
  bool HelpCommand(Word Command, NativeInt Data);
  bool HelpContext(int Context);
  bool HelpJump(const String& JumpID);

  // --- hints ---
  bool ShowHint() const { return show_hint_; }
  // Switching hints on makes the hint window from HintWindowClass;
  // switching them off deletes it.
  void SetShowHint(bool Value);
  int HintPause = 500;
  int HintShortPause = 50;
  int HintHidePause = 2500;
  TColor HintColor = clInfoBk;
  // The long part of the hint of the control under the mouse (OnHint
  // tells of every change).
  String Hint() const { return hint_; }
  void SetHint(const String& Value);
  void ActivateHint(TPoint CursorPos);
  void CancelHint();
  void HideHint();
  // The hint window while hints are on (null otherwise).
  THintWindow* HintWindow() const { return hint_window_; }

  // A message box owned by the application, modal to all its windows.
  int MessageBox(const String& Text, const String& Caption, UINT Flags = MB_OK);
  // Hands the exception being caught (call it inside a catch block) to
  // OnException or ShowException.
  void HandleException(TObject* Sender);
  // The exception's message (ending with a full stop) in a message box
  // captioned with the title, with the stop icon.
  void ShowException(const Exception& E);

  TExceptionEvent OnException;
  TMessageEvent OnMessage;
  TIdleEvent OnIdle;
  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;
  TNotifyEvent OnMinimize;
  TNotifyEvent OnRestore;
  TNotifyEvent OnHint;
  TShowHintEvent OnShowHint;
  THelpEvent OnHelp;

  // --- kept by the controls ---
  // A mouse message reached Control (hint timing).
  void HintMouseMessage(TControl* Control, TMessage& Message);
  // A control is going away: forget it.
  void ControlDestroyed(TControl* Control);
  // The control under the mouse got CM_MOUSEENTER, the previous one
  // CM_MOUSELEAVE (run when idle and after mouse moves).
  void UpdateMouseControl();
  // Windows made modal by a modal form or box: every visible, enabled
  // top-level window of the thread except `Except` is disabled; the list
  // gives them back.
  std::vector<HWND> DisableTaskWindows(HWND Except);
  void EnableTaskWindows(const std::vector<HWND>& Windows);
  // A message of the application window; false leaves it to the default
  // window procedure.
  bool AppWindowMessage(TMessage& Message);

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  bool ProcessMessage(MSG& Msg);
  void Idle();
  bool IsKeyMsg(MSG& Msg);
  void CancelHintOnInput(const MSG& Msg);
  void StartHintTimer(UINT Id, int Milliseconds);
  void StopHintTimers();
  void HintTimerExpired(UINT Id);
  void SetMainFormIfFirst(TCustomForm* Form);
  void DoneApplication();

  HWND handle_ = nullptr;
  String title_;
  bool terminated_ = false;
  bool finishing_ = false;
  bool active_ = false;
  TCustomForm* main_form_ = nullptr;
  std::vector<THelpRequest> help_requests_;
  bool show_hint_ = false;
  THintWindow* hint_window_ = nullptr;
  THintWindowClass hint_window_class_ = nullptr;
  TControl* hint_control_ = nullptr;
  bool hint_active_ = false;
  TRect hint_cursor_rect_{};
  String hint_;
  TControl* mouse_control_ = nullptr;
};

// Run by Initialize when set.
extern std::function<void()> InitProc;

extern TApplication* Application;

template <class T>
void TApplication::CreateForm(T*& Reference) {
  // The variable names the form while its constructor runs: the memory is
  // taken first, the variable set, then the form is built in place.
  void* memory = T::operator new(sizeof(T));
  Reference = static_cast<T*>(memory);
  T* form = nullptr;
  try {
    form = ::new (memory) T(this);
  } catch (...) {
    Reference = nullptr;
    T::operator delete(memory);
    throw;
  }
  Reference = form;
  if constexpr (std::is_base_of_v<TCustomForm, T>) SetMainFormIfFirst(form);
}
