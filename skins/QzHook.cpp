#include "skins/QzHook.h"

#include <algorithm>
#include <array>
#include <utility>

#include "classlib/Form.h"
#include "platform/user/user.h"

namespace {
THookList* g_hook_list = nullptr;
}

// Stubs: a fixed pool of distinct window procedures, each bound to one
// control hook while it is installed. A stub whose control hook went away
// while a later procedure still chains to it keeps forwarding to the
// procedure it replaced, and is given back only when its window goes.
struct HookStubs {
  struct Slot {
    bool used = false;
    TControlHook* owner = nullptr;
    WNDPROC old = nullptr;
    HWND hwnd = nullptr;
  };
  static constexpr int kCount = 256;
  static std::array<Slot, kCount>& Slots() {
    static std::array<Slot, kCount> slots;
    return slots;
  }

  template <int I>
  static LRESULT Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    return Dispatch(I, hwnd, msg, wp, lp);
  }

  static LRESULT Dispatch(int i, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    Slot& s = Slots()[i];
    if (s.owner) {
      TMessage m{msg, wp, lp, 0};
      s.owner->WndProc(m);
      return m.Result;
    }
    WNDPROC old = s.old;
    if (msg == WM_NCDESTROY) s = Slot{};  // the window is going: the stub is free again
    return old ? CallWindowProc(old, hwnd, msg, wp, lp) : DefWindowProc(hwnd, msg, wp, lp);
  }

  template <int... I>
  static std::array<WNDPROC, kCount> MakeProcs(std::integer_sequence<int, I...>) {
    return {&Proc<I>...};
  }
  static const std::array<WNDPROC, kCount>& Procs() {
    static const auto procs = MakeProcs(std::make_integer_sequence<int, kCount>());
    return procs;
  }

  static int Take() {
    auto& slots = Slots();
    for (int i = 0; i < kCount; ++i)
      if (!slots[i].used) {
        slots[i] = Slot{};
        slots[i].used = true;
        return i;
      }
    return -1;
  }
};

// ----------------------------------------------------------------- TscHook

TscHook::TscHook(TComponent* AOwner) : TComponent(AOwner) {}

TscHook::~TscHook() {
  SetActive(false);
  SetWinControl(nullptr);
}

void TscHook::Hook() {
  if (win_control_ && !ComponentState().Contains(csDestroying))
    GetHookList()->GetControlHook(win_control_)->AddHook(this);
}

void TscHook::Unhook() {
  if (ControlHook) ControlHook->RemoveHook(this);
}

void TscHook::SetActive(bool Value) {
  active_ = Value;
  if (Value)
    Hook();
  else
    Unhook();
}

TWinControl* TscHook::WinControl() const {
  return ControlHook ? ControlHook->Control : win_control_;
}

void TscHook::SetWinControl(TWinControl* Value) {
  if (Value == WinControl() && Value == win_control_) return;
  bool wasActive = active_;
  TWinControl* old = WinControl();
  Unhook();
  if (win_control_ && win_control_ != Value) win_control_->RemoveFreeNotification(this);
  win_control_ = Value;
  if (Value) Value->FreeNotification(this);
  if (old && old != Value) FreeUnusedControlHook(old);
  active_ = wasActive;
  if (wasActive) Hook();
}

void TscHook::FreeUnusedControlHook(TWinControl* Control) {
  if (!g_hook_list) return;
  TControlHook* h = g_hook_list->FindControlHook(Control);
  if (!h || !h->Hooks.empty()) return;
  // A control that is going is forgotten at once, so that nothing made
  // later at its address is taken for it.
  if (Control->ComponentState().Contains(csDestroying)) {
    h->Uninstall();
    h->Control = nullptr;
  }
  // Freed from the list's window: the control hook may be running its
  // window procedure now.
  if (g_hook_list->Window)
    PostMessage(g_hook_list->Window, WM_QZHOOK_FREE, reinterpret_cast<WPARAM>(h), 0);
}

void TscHook::DoAfterMessage(TMessage& Message, bool& Handled) {
  if (AfterMessage) AfterMessage(this, Message, Handled);
}

void TscHook::DoBeforeMessage(TMessage& Message, bool& Handled) {
  if (BeforeMessage) BeforeMessage(this, Message, Handled);
}

bool TscHook::IsForm() const {
  return WinControl() != nullptr && WinControl() == dynamic_cast<TWinControl*>(Owner()) &&
         dynamic_cast<TCustomForm*>(Owner()) != nullptr;
}

void TscHook::SetIsForm(bool Value) {
  if (Value)
    if (auto* f = dynamic_cast<TCustomForm*>(Owner())) SetWinControl(f);
}

void TscHook::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == win_control_) {
    // The control is going: the hook lets go of it (keeping Active), and
    // the last hook to do so frees its control hook.
    bool wasActive = active_;
    TWinControl* gone = win_control_;
    Unhook();
    win_control_ = nullptr;
    active_ = wasActive;
    FreeUnusedControlHook(gone);
  }
}

// ------------------------------------------------------------ TControlHook

TControlHook::~TControlHook() {
  Destroying = true;
  if (g_hook_list) g_hook_list->Remove(this);
  while (!Hooks.empty()) RemoveHook(Hooks.back());
  Uninstall();
}

void TControlHook::AddHook(TscHook* Hook) {
  if (std::find(Hooks.begin(), Hooks.end(), Hook) == Hooks.end()) {
    Hooks.push_back(Hook);
    Hook->ControlHook = this;
    if (!Control) Control = Hook->WinControl();
  }
  Install();
}

void TControlHook::RemoveHook(TscHook* Hook) {
  Hook->ControlHook = nullptr;
  auto it = std::find(Hooks.begin(), Hooks.end(), Hook);
  if (it != Hooks.end()) Hooks.erase(it);
  if (Hooks.empty()) Uninstall();
}

void TControlHook::Install() {
  if (!Control || Destroying || Control->ComponentState().Contains(csDestroying)) return;
  HWND hwnd = Control->Handle();
  if (!hwnd) return;
  auto current = reinterpret_cast<WNDPROC>(GetWindowLongPtr(hwnd, GWLP_WNDPROC));
  if (stub_ >= 0 && installed_on_ == hwnd && current == NewWndProc) return;
  if (stub_ >= 0 && installed_on_ == hwnd) {
    // Our stub is still chained behind a later procedure: it goes on
    // forwarding through this hook.
    HookStubs::Slots()[stub_].owner = this;
    return;
  }
  int slot = HookStubs::Take();
  if (slot < 0) return;
  stub_ = slot;
  installed_on_ = hwnd;
  NewWndProc = HookStubs::Procs()[slot];
  OldWndProc = current;
  auto& s = HookStubs::Slots()[slot];
  s.owner = this;
  s.old = current;
  s.hwnd = hwnd;
  SetWindowLongPtr(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(NewWndProc));
}

void TControlHook::Uninstall() {
  if (stub_ >= 0) {
    auto& s = HookStubs::Slots()[stub_];
    if (installed_on_ && IsWindow(installed_on_) &&
        reinterpret_cast<WNDPROC>(GetWindowLongPtr(installed_on_, GWLP_WNDPROC)) == NewWndProc) {
      SetWindowLongPtr(installed_on_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(OldWndProc));
      s = HookStubs::Slot{};
    } else if (installed_on_ && IsWindow(installed_on_)) {
      // A later procedure chains to our stub: it stays, forwarding to the
      // procedure it replaced, until the window goes.
      s.owner = nullptr;
    } else {
      s = HookStubs::Slot{};
    }
  }
  stub_ = -1;
  installed_on_ = nullptr;
  NewWndProc = nullptr;
  OldWndProc = nullptr;
}

void TControlHook::WndProc(TMessage& Message) {
  WNDPROC old = OldWndProc;
  HWND hwnd = installed_on_;
  auto passOn = [&] {
    Message.Result = old ? CallWindowProc(old, hwnd, Message.Msg, Message.WParam, Message.LParam)
                         : DefWindowProc(hwnd, Message.Msg, Message.WParam, Message.LParam);
  };
  // Without hooks (or while going) the message goes straight on.
  if (Hooks.empty() || !Control || Destroying ||
      Control->ComponentState().Contains(csDestroying)) {
    passOn();
    if (Message.Msg == WM_NCDESTROY && stub_ >= 0) Uninstall();
    return;
  }
  bool handled = false;
  // A snapshot: a handler may remove hooks.
  std::vector<TscHook*> hooks = Hooks;
  auto stillHooked = [this](TscHook* h) {
    return std::find(Hooks.begin(), Hooks.end(), h) != Hooks.end();
  };
  if (Message.Msg != WM_QUIT)
    for (auto it = hooks.rbegin(); it != hooks.rend() && !handled; ++it)
      if (stillHooked(*it)) (*it)->DoBeforeMessage(Message, handled);
  if (!handled || Message.Msg == WM_DESTROY) {
    passOn();
    handled = false;
    for (auto it = hooks.rbegin(); it != hooks.rend() && !handled; ++it)
      if (stillHooked(*it)) (*it)->DoAfterMessage(Message, handled);
  }
  if (Message.Msg == WM_DESTROY) {
    Uninstall();
    if (!Destroying && Control && !Control->ComponentState().Contains(csDestroying)) {
      auto* list = GetHookList();
      if (list->Window)
        PostMessage(list->Window, WM_QZHOOK_REINSTALL, reinterpret_cast<WPARAM>(this), 0);
    }
  }
}

// -------------------------------------------------------------- THookList

THookList::THookList() {
  Window = AllocateHWnd([this](TMessage& m) { WindowMethod(m); });
}

THookList::~THookList() {
  while (!Items.empty()) delete Items.back();
  if (Window) DeallocateHWnd(Window);
}

bool THookList::Contains(TControlHook* Hook) const {
  return std::find(Items.begin(), Items.end(), Hook) != Items.end();
}

void THookList::Remove(TControlHook* Hook) {
  auto it = std::find(Items.begin(), Items.end(), Hook);
  if (it != Items.end()) Items.erase(it);
}

TControlHook* THookList::FindControlHook(TWinControl* Control) {
  if (!Control) return nullptr;
  for (auto* h : Items)
    if (h->Control == Control) return h;
  return nullptr;
}

TControlHook* THookList::GetControlHook(TWinControl* Control) {
  if (auto* h = FindControlHook(Control)) return h;
  auto* h = new TControlHook();
  h->Control = Control;
  Items.push_back(h);
  return h;
}

void THookList::WindowMethod(TMessage& Message) {
  auto* hook = reinterpret_cast<TControlHook*>(Message.WParam);
  if (Message.Msg == WM_QZHOOK_REINSTALL) {
    if (Contains(hook)) hook->Install();
  } else if (Message.Msg == WM_QZHOOK_FREE) {
    if (Contains(hook) && hook->Hooks.empty()) delete hook;
  } else {
    Message.Result = DefWindowProc(Window, Message.Msg, Message.WParam, Message.LParam);
  }
}

THookList* GetHookList() {
  if (!g_hook_list) g_hook_list = new THookList();
  return g_hook_list;
}

void FreeHookList() {
  delete g_hook_list;
  g_hook_list = nullptr;
}

namespace {

// The list goes when the program ends.
struct HookListFinalizer {
  ~HookListFinalizer() { FreeHookList(); }
} g_hook_list_finalizer;

}  // namespace
