#include "classlib/MessageHandling.h"

#include <cstdio>
#include <exception>
#include <mutex>

#include "classlib/Exceptions.h"
#include "platform/user/user.h"

// ApplicationHandleException is defined with the application object (Application.cpp).

void HandleMessageException(TObject* Sender) {
  const std::exception_ptr current = std::current_exception();
  try {
    std::rethrow_exception(current);
  } catch (const EAbort&) {
    return;  // the silent exception
  } catch (...) {
  }
  if (ApplicationHandleException) {
    ApplicationHandleException(Sender);
    return;
  }
  try {
    std::rethrow_exception(current);
  } catch (const Exception& e) {
    std::fprintf(stderr, "Exception %s: %s\n", e.ClassName().c_str(), e.Message.c_str());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "Exception: %s\n", e.what());
  } catch (...) {
    std::fprintf(stderr, "Exception of an unknown kind\n");
  }
}

namespace {

constexpr const char* kUtilWindowClass = "TPUtilWindow";

// The method of one utility window. It may be deallocated from inside its
// own call (a timer freed by its own handler), so it is deleted only when
// no call is running.
struct UtilWindow {
  TWndMethod method;
  int depth = 0;
  bool deallocated = false;
};

LRESULT UtilWindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* window = reinterpret_cast<UtilWindow*>(GetWindowLongPtr(hwnd, GWLP_USERDATA));
  if (window == nullptr || !window->method) return DefWindowProc(hwnd, message, wparam, lparam);
  TMessage m;
  m.Msg = message;
  m.WParam = wparam;
  m.LParam = lparam;
  ++window->depth;
  try {
    window->method(m);
  } catch (...) {
    HandleMessageException(nullptr);
  }
  if (--window->depth == 0 && window->deallocated) delete window;
  return m.Result;
}

void RegisterUtilClass() {
  static std::once_flag once;
  std::call_once(once, [] {
    WNDCLASS wc{};
    wc.lpfnWndProc = UtilWindowProc;
    wc.lpszClassName = kUtilWindowClass;
    RegisterClass(&wc);
  });
}

}  // namespace

HWND AllocateHWnd(TWndMethod Method) {
  RegisterUtilClass();
  HWND hwnd = CreateWindowEx(WS_EX_TOOLWINDOW, kUtilWindowClass, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                             nullptr, nullptr);
  if (hwnd == nullptr) return nullptr;
  auto* window = new UtilWindow;
  window->method = std::move(Method);
  SetWindowLongPtr(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(window));
  return hwnd;
}

void DeallocateHWnd(HWND Wnd) {
  if (Wnd == nullptr) return;
  auto* window = reinterpret_cast<UtilWindow*>(GetWindowLongPtr(Wnd, GWLP_USERDATA));
  SetWindowLongPtr(Wnd, GWLP_USERDATA, 0);
  DestroyWindow(Wnd);
  if (window == nullptr) return;
  if (window->depth > 0) {
    window->deallocated = true;
  } else {
    delete window;
  }
}
