// Message-handling pieces shared by the class library's windows: the
// message record handed to window methods, hidden utility windows
// (AllocateHWnd/DeallocateHWnd) and the route that exceptions escaping a
// message handler take.
#pragma once

#include <functional>

#include "classlib/Object.h"
#include "platform/core/types.h"

// One window message, as the class library's window methods see it.
struct TMessage {
  UINT Msg = 0;
  WPARAM WParam = 0;
  LPARAM LParam = 0;
  LRESULT Result = 0;
};

using TWndMethod = std::function<void(TMessage& Message)>;

// Makes a hidden top-level window (class "TPUtilWindow") owned by the
// calling thread whose messages go to Method; the method answers every
// message itself (DefWindowProc for those it does not handle). Use it from
// a thread that runs a message loop. An exception leaving Method goes to
// HandleMessageException.
HWND AllocateHWnd(TWndMethod Method);
void DeallocateHWnd(HWND Wnd);

// Where exceptions that leave a message handler go. The application object
// sets this to its own handler (which shows the message and goes on); it
// is called inside the catch block, so std::current_exception() is the
// exception. Until it is set, the exception's class and message are
// written to standard error. EAbort is always swallowed silently.
extern std::function<void(TObject* Sender)> ApplicationHandleException;

// Hands the exception being caught to ApplicationHandleException (call it
// only from inside a catch block).
void HandleMessageException(TObject* Sender);
