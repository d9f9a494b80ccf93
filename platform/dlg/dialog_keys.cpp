// Dialog keyboard handling, the dialog class and the dialog item calls.
#include "platform/dlg/dialog_keys.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/core/errors.h"
#include "platform/ctl/button.h"
#include "platform/ctl/control_base.h"
#include "platform/ctl/edit.h"
#include "platform/ctl/static_control.h"
#include "platform/dlg/message_box.h"
#include "platform/user/builtin_classes.h"
#include "platform/user/user.h"

namespace {

using platform::ctl::CompareNoCase;

// Private values of a dialog window, after the documented ones.
constexpr int kDefIdSlot = DWLP_USER + static_cast<int>(sizeof(LONG_PTR));
constexpr int kSavedFocusSlot = kDefIdSlot + static_cast<int>(sizeof(LONG_PTR));

// The default button a window was made with, for windows that keep no
// default id of their own (kept as a property: id + 1, or -1 for none).
constexpr char kOriginalDefault[] = "VelkoDialogDefaultButton";

DWORD StyleOf(HWND hwnd) {
  return static_cast<DWORD>(GetWindowLongPtr(hwnd, GWL_STYLE));
}

DWORD ExStyleOf(HWND hwnd) {
  return static_cast<DWORD>(GetWindowLongPtr(hwnd, GWL_EXSTYLE));
}

bool Usable(HWND hwnd) {
  return IsWindowVisible(hwnd) && IsWindowEnabled(hwnd);
}

bool IsButton(HWND hwnd) {
  char name[16] = {};
  GetClassName(hwnd, name, sizeof(name));
  return CompareNoCase(name, "Button") == 0;
}

std::string TextOf(HWND hwnd) {
  int length = GetWindowTextLength(hwnd);
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  text.resize(static_cast<std::size_t>(std::max(0, GetWindowText(hwnd, text.data(), length + 1))));
  return text;
}

LRESULT DialogCode(HWND hwnd, const MSG* msg = nullptr) {
  return SendMessage(hwnd, WM_GETDLGCODE, msg != nullptr ? msg->wParam : 0,
                     reinterpret_cast<LPARAM>(msg));
}

// Every control of the dialog in order: the dialog's children in z-order,
// with the controls of WS_EX_CONTROLPARENT children in place of them.
void CollectControls(HWND parent, std::vector<HWND>* out) {
  for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    if ((ExStyleOf(child) & WS_EX_CONTROLPARENT) && Usable(child)) {
      CollectControls(child, out);
    } else {
      out->push_back(child);
    }
  }
}

std::vector<HWND> ControlsOf(HWND dialog) {
  std::vector<HWND> controls;
  CollectControls(dialog, &controls);
  return controls;
}

// The dialog control a window belongs to (a combo box for its edit field).
HWND DialogControlOf(HWND dialog, HWND hwnd) {
  while (hwnd != nullptr && hwnd != dialog) {
    HWND parent = GetParent(hwnd);
    if (parent == dialog || (parent != nullptr && (ExStyleOf(parent) & WS_EX_CONTROLPARENT)))
      return hwnd;
    if (!(StyleOf(hwnd) & WS_CHILD)) return nullptr;
    hwnd = parent;
  }
  return nullptr;
}

HWND FindDescendant(HWND parent, int id) {
  for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    if (GetDlgCtrlID(child) == id) return child;
  }
  for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    if (ExStyleOf(child) & WS_EX_CONTROLPARENT) {
      if (HWND found = FindDescendant(child, id)) return found;
    }
  }
  return nullptr;
}

// The id of the dialog's default button, or -1 when it has none.
int DefaultId(HWND dialog) {
  LRESULT answer = SendMessage(dialog, DM_GETDEFID, 0, 0);
  if (HIWORD(answer) == DC_HASDEFID) return LOWORD(answer);
  auto remembered = reinterpret_cast<INT_PTR>(GetProp(dialog, kOriginalDefault));
  if (remembered != 0) return remembered > 0 ? static_cast<int>(remembered - 1) : -1;
  int id = -1;
  for (HWND control : ControlsOf(dialog)) {
    if (IsButton(control) && (StyleOf(control) & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
      id = GetDlgCtrlID(control);
      break;
    }
  }
  SetProp(dialog, kOriginalDefault,
          reinterpret_cast<HANDLE>(static_cast<INT_PTR>(id >= 0 ? id + 1 : -1)));
  return id;
}

void SetButtonType(HWND button, DWORD type) {
  const DWORD style = StyleOf(button);
  if ((style & BS_TYPEMASK) == type) return;
  SendMessage(button, BM_SETSTYLE, (style & 0xFFFF & ~BS_TYPEMASK) | type, TRUE);
}

// Moves the focus to a control as the dialog does: a focused push button is
// the default one while it has the focus; tabbing into an edit field
// selects its text.
void DialogFocus(HWND dialog, HWND control, bool select_text) {
  if (control == nullptr) return;
  const int default_id = DefaultId(dialog);
  const LRESULT code = DialogCode(control);
  const bool push = (code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) != 0;
  for (HWND other : ControlsOf(dialog)) {
    if (other == control || !IsButton(other)) continue;
    const DWORD type = StyleOf(other) & BS_TYPEMASK;
    if (type != BS_DEFPUSHBUTTON && type != BS_PUSHBUTTON) continue;
    const bool should_be_default = !push && GetDlgCtrlID(other) == default_id;
    SetButtonType(other, should_be_default ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
  }
  if (push && IsButton(control)) SetButtonType(control, BS_DEFPUSHBUTTON);
  SetFocus(control);
  if (select_text && (code & DLGC_HASSETSEL)) SendMessage(control, EM_SETSEL, 0, -1);
}

bool IsRadio(HWND hwnd) {
  return (DialogCode(hwnd) & DLGC_RADIOBUTTON) != 0;
}

// Tabbing into a group of radio buttons lands on its checked one.
HWND CheckedRadioOfGroup(HWND dialog, HWND radio) {
  if (SendMessage(radio, BM_GETCHECK, 0, 0) == static_cast<LRESULT>(BST_CHECKED)) return radio;
  HWND candidate = radio;
  for (int guard = 0; guard < 512; ++guard) {
    candidate = GetNextDlgGroupItem(dialog, candidate, FALSE);
    if (candidate == nullptr || candidate == radio) break;
    if (IsRadio(candidate) &&
        SendMessage(candidate, BM_GETCHECK, 0, 0) == static_cast<LRESULT>(BST_CHECKED)) {
      return candidate;
    }
  }
  return radio;
}

void ChooseButton(HWND dialog, int id, HWND button) {
  if (button != nullptr && !IsWindowEnabled(button)) {
    MessageBeep(0);
    return;
  }
  SendMessage(dialog, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), BN_CLICKED),
              reinterpret_cast<LPARAM>(button));
}

void PressDefault(HWND dialog, HWND focus) {
  HWND control = DialogControlOf(dialog, focus);
  if (control != nullptr && (DialogCode(control) & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) &&
      IsWindowEnabled(control)) {
    ChooseButton(dialog, GetDlgCtrlID(control), control);
    return;
  }
  int id = DefaultId(dialog);
  if (id < 0) id = IDOK;
  ChooseButton(dialog, id, FindDescendant(dialog, id));
}

// The control whose mnemonic is `key`, searched from the one after the
// focus on, wrapping round.
HWND FindMnemonic(HWND dialog, HWND focus, char key) {
  std::vector<HWND> controls = ControlsOf(dialog);
  if (controls.empty()) return nullptr;
  HWND current = DialogControlOf(dialog, focus);
  std::size_t start = 0;
  for (std::size_t i = 0; i < controls.size(); ++i) {
    if (controls[i] == current) start = i + 1;
  }
  for (std::size_t k = 0; k < controls.size(); ++k) {
    HWND control = controls[(start + k) % controls.size()];
    if (!IsWindowVisible(control)) continue;
    const LRESULT code = DialogCode(control);
    if (!(code & (DLGC_STATIC | DLGC_BUTTON))) continue;
    if ((code & DLGC_STATIC) && !IsButton(control) && (StyleOf(control) & SS_NOPREFIX)) continue;
    if (platform::ctl::MnemonicOf(TextOf(control)) == key) return control;
  }
  return nullptr;
}

void UseMnemonic(HWND dialog, HWND control) {
  const LRESULT code = DialogCode(control);
  if (code & DLGC_STATIC) {
    // A label (or a group box) hands the focus on to the control after it.
    HWND next = GetNextDlgTabItem(dialog, control, FALSE);
    if (next != nullptr && next != control) DialogFocus(dialog, next, true);
    return;
  }
  if (!IsWindowEnabled(control)) return;
  if (code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) {
    SendMessage(control, BM_CLICK, 0, 0);
    return;
  }
  DialogFocus(dialog, control, false);
  SendMessage(control, BM_CLICK, 0, 0);
}

bool HandleKeyDown(HWND dialog, MSG* msg) {
  HWND focus = msg->hwnd;
  const LRESULT code = DialogCode(focus, msg);
  if (code & DLGC_WANTMESSAGE) return false;
  const bool shift = GetKeyState(VK_SHIFT) < 0;
  const bool ctrl = GetKeyState(VK_CONTROL) < 0;
  switch (msg->wParam) {
    case VK_TAB: {
      if ((code & DLGC_WANTTAB) || ctrl) return false;
      HWND next = GetNextDlgTabItem(dialog, DialogControlOf(dialog, focus), shift ? TRUE : FALSE);
      if (next != nullptr && IsRadio(next)) next = CheckedRadioOfGroup(dialog, next);
      if (next != nullptr) DialogFocus(dialog, next, true);
      return true;
    }
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN: {
      if (code & DLGC_WANTARROWS) return false;
      const bool back = msg->wParam == VK_LEFT || msg->wParam == VK_UP;
      HWND current = DialogControlOf(dialog, focus);
      HWND next = GetNextDlgGroupItem(dialog, current, back ? TRUE : FALSE);
      if (next == nullptr || next == current) return true;
      DialogFocus(dialog, next, true);
      // An automatic radio button reached with the arrows is chosen.
      if (IsButton(next) && (StyleOf(next) & BS_TYPEMASK) == BS_AUTORADIOBUTTON) {
        SendMessage(next, BM_CLICK, 0, 0);
      }
      return true;
    }
    case VK_RETURN:
      PressDefault(dialog, focus);
      return true;
    case VK_ESCAPE:
      ChooseButton(dialog, IDCANCEL, FindDescendant(dialog, IDCANCEL));
      return true;
  }
  return false;
}

bool HandleChar(HWND dialog, MSG* msg, bool with_alt) {
  if (!with_alt && (DialogCode(msg->hwnd, msg) & (DLGC_WANTCHARS | DLGC_WANTMESSAGE))) return false;
  const auto c = static_cast<unsigned char>(msg->wParam);
  if (c <= 0x20) return false;
  HWND control = FindMnemonic(dialog, msg->hwnd, static_cast<char>(std::toupper(c)));
  if (control == nullptr) return false;
  UseMnemonic(dialog, control);
  return true;
}

// Where a dialog keeps its focus while it is inactive.
void SaveFocus(HWND dialog) {
  HWND focus = GetFocus();
  if (focus != nullptr && IsChild(dialog, focus)) {
    SetWindowLongPtr(dialog, kSavedFocusSlot, reinterpret_cast<LONG_PTR>(focus));
  }
}

void RestoreFocus(HWND dialog) {
  auto saved = reinterpret_cast<HWND>(GetWindowLongPtr(dialog, kSavedFocusSlot));
  if (saved != nullptr && IsWindow(saved) && IsChild(dialog, saved) && Usable(saved)) {
    SetFocus(saved);
    return;
  }
  HWND first = GetNextDlgTabItem(dialog, nullptr, FALSE);
  if (first != nullptr) DialogFocus(dialog, first, true);
}

void SetDefaultId(HWND dialog, int id) {
  SetWindowLongPtr(dialog, kDefIdSlot, id + 1);
  HWND button = FindDescendant(dialog, id);
  // A focused push button stays the default one until it loses the focus.
  HWND focused = DialogControlOf(dialog, GetFocus());
  const bool push_focused =
      focused != nullptr && (DialogCode(focused) & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON));
  for (HWND other : ControlsOf(dialog)) {
    if (other == button || !IsButton(other) || (push_focused && other == focused)) continue;
    if ((StyleOf(other) & BS_TYPEMASK) == BS_DEFPUSHBUTTON) SetButtonType(other, BS_PUSHBUTTON);
  }
  if (button != nullptr && IsButton(button) && (!push_focused || focused == button)) {
    SetButtonType(button, BS_DEFPUSHBUTTON);
  }
}

LRESULT NextDialogControl(HWND dialog, WPARAM wparam, LPARAM lparam) {
  HWND target = nullptr;
  if (LOWORD(lparam)) {
    target = reinterpret_cast<HWND>(wparam);
  } else {
    target = GetNextDlgTabItem(dialog, DialogControlOf(dialog, GetFocus()), wparam != 0);
  }
  if (target != nullptr) DialogFocus(dialog, target, true);
  return 0;
}

bool ReturnsValueItself(UINT message) {
  switch (message) {
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
    case WM_INITDIALOG:
      return true;
  }
  return false;
}

void RegisterDialogClass() {
  WNDCLASSEX wc;
  wc.style = CS_DBLCLKS | CS_SAVEBITS | CS_GLOBALCLASS;
  wc.lpfnWndProc = &DefDlgProc;
  wc.cbWndExtra = DLGWINDOWEXTRA;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.lpszClassName = WC_DIALOG;
  RegisterClassEx(&wc);
}

const platform::BuiltinClass kDialogClass(WC_DIALOG, &RegisterDialogClass);

}  // namespace

LRESULT DefDlgProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  auto proc = reinterpret_cast<DLGPROC>(GetWindowLongPtr(dialog, DWLP_DLGPROC));
  if (proc != nullptr) {
    SetWindowLongPtr(dialog, DWLP_MSGRESULT, 0);
    INT_PTR handled = proc(dialog, message, wparam, lparam);
    if (handled) {
      if (ReturnsValueItself(message) || !IsWindow(dialog)) return handled;
      return GetWindowLongPtr(dialog, DWLP_MSGRESULT);
    }
    if (!IsWindow(dialog)) return 0;
  }
  switch (message) {
    case DM_GETDEFID: {
      const auto id = static_cast<int>(GetWindowLongPtr(dialog, kDefIdSlot)) - 1;
      return id >= 0 ? MAKELRESULT(static_cast<WORD>(id), DC_HASDEFID) : 0;
    }
    case DM_SETDEFID:
      SetDefaultId(dialog, static_cast<int>(wparam));
      return TRUE;
    case DM_REPOSITION:
      return 0;
    case WM_NEXTDLGCTL:
      return NextDialogControl(dialog, wparam, lparam);
    case WM_ACTIVATE:
      if (LOWORD(wparam) == WA_INACTIVE) {
        SaveFocus(dialog);
      } else {
        RestoreFocus(dialog);
      }
      return 0;
    case WM_SETFOCUS:
      RestoreFocus(dialog);
      return 0;
    case WM_CLOSE: {
      HWND cancel = FindDescendant(dialog, IDCANCEL);
      if (cancel == nullptr || IsWindowEnabled(cancel)) {
        SendMessage(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                    reinterpret_cast<LPARAM>(cancel));
      }
      return 0;
    }
    case WM_ERASEBKGND: {
      auto dc = reinterpret_cast<HDC>(wparam);
      auto brush = reinterpret_cast<HBRUSH>(
          SendMessage(dialog, WM_CTLCOLORDLG, wparam, reinterpret_cast<LPARAM>(dialog)));
      if (brush == nullptr) brush = GetSysColorBrush(COLOR_3DFACE);
      RECT r;
      GetClientRect(dialog, &r);
      FillRect(dc, &r, brush);
      return 1;
    }
    case WM_NCDESTROY:
      RemoveProp(dialog, kOriginalDefault);
      break;
  }
  return DefWindowProc(dialog, message, wparam, lparam);
}

BOOL IsDialogMessage(HWND dialog, LPMSG msg) {
  if (dialog == nullptr || msg == nullptr || !IsWindow(dialog)) return FALSE;
  if (msg->hwnd != dialog && !IsChild(dialog, msg->hwnd)) return FALSE;
  bool handled = false;
  switch (msg->message) {
    case WM_KEYDOWN:
      handled = HandleKeyDown(dialog, msg);
      break;
    case WM_CHAR:
      handled = HandleChar(dialog, msg, false);
      break;
    case WM_SYSCHAR:
      handled = HandleChar(dialog, msg, true);
      break;
  }
  if (!handled) {
    TranslateMessage(msg);
    DispatchMessage(msg);
  }
  return TRUE;
}

HWND GetNextDlgTabItem(HWND dialog, HWND control, BOOL previous) {
  std::vector<HWND> controls = ControlsOf(dialog);
  auto stops = [](HWND hwnd) { return (StyleOf(hwnd) & WS_TABSTOP) && Usable(hwnd); };
  const auto n = static_cast<long>(controls.size());
  if (n == 0) return nullptr;
  long at = previous ? 0 : -1;  // a null start finds the first (or last) one
  if (control != nullptr) {
    HWND own = DialogControlOf(dialog, control);
    for (long i = 0; i < n; ++i) {
      if (controls[static_cast<std::size_t>(i)] == own) at = i;
    }
  }
  for (long k = 1; k <= n; ++k) {
    const long i = ((previous ? at - k : at + k) % n + n) % n;
    HWND candidate = controls[static_cast<std::size_t>(i)];
    if (candidate != control && stops(candidate)) return candidate;
  }
  return control != nullptr && stops(control) ? control : nullptr;
}

HWND GetNextDlgGroupItem(HWND dialog, HWND control, BOOL previous) {
  if (control == nullptr) return GetNextDlgTabItem(dialog, nullptr, previous);
  HWND parent = GetParent(control);
  if (parent == nullptr) return nullptr;
  // The group: from a WS_GROUP sibling (or the first one) to the next.
  HWND first = control;
  while (!(StyleOf(first) & WS_GROUP)) {
    HWND before = GetWindow(first, GW_HWNDPREV);
    if (before == nullptr) break;
    first = before;
  }
  std::vector<HWND> group;
  for (HWND sibling = first; sibling != nullptr; sibling = GetWindow(sibling, GW_HWNDNEXT)) {
    if (sibling != first && (StyleOf(sibling) & WS_GROUP)) break;
    group.push_back(sibling);
  }
  const auto n = static_cast<long>(group.size());
  long at = 0;
  for (long i = 0; i < n; ++i) {
    if (group[static_cast<std::size_t>(i)] == control) at = i;
  }
  for (long k = 1; k < n; ++k) {
    const long i = ((previous ? at - k : at + k) % n + n) % n;
    HWND candidate = group[static_cast<std::size_t>(i)];
    if (Usable(candidate)) return candidate;
  }
  return control;
}

HWND GetDlgItem(HWND dialog, int id) {
  for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    if (GetDlgCtrlID(child) == id) return child;
  }
  SetLastError(IsWindow(dialog) ? ERROR_CONTROL_ID_NOT_FOUND : ERROR_INVALID_WINDOW_HANDLE);
  return nullptr;
}

int GetDlgCtrlID(HWND control) {
  return static_cast<int>(GetWindowLongPtr(control, GWLP_ID));
}

LRESULT SendDlgItemMessage(HWND dialog, int id, UINT message, WPARAM wparam, LPARAM lparam) {
  HWND control = GetDlgItem(dialog, id);
  return control != nullptr ? SendMessage(control, message, wparam, lparam) : 0;
}

BOOL SetDlgItemText(HWND dialog, int id, LPCSTR text) {
  HWND control = GetDlgItem(dialog, id);
  return control != nullptr && SetWindowText(control, text);
}

UINT GetDlgItemText(HWND dialog, int id, LPSTR buffer, int buffer_size) {
  HWND control = GetDlgItem(dialog, id);
  if (control == nullptr) {
    if (buffer != nullptr && buffer_size > 0) buffer[0] = '\0';
    return 0;
  }
  return static_cast<UINT>(std::max(0, GetWindowText(control, buffer, buffer_size)));
}

BOOL SetDlgItemInt(HWND dialog, int id, UINT value, BOOL is_signed) {
  const std::string text =
      is_signed ? std::to_string(static_cast<int>(value)) : std::to_string(value);
  return SetDlgItemText(dialog, id, text.c_str());
}

UINT GetDlgItemInt(HWND dialog, int id, BOOL* translated, BOOL is_signed) {
  if (translated != nullptr) *translated = FALSE;
  HWND control = GetDlgItem(dialog, id);
  if (control == nullptr) return 0;
  std::string text = TextOf(control);
  std::size_t start = text.find_first_not_of(" \t");
  std::size_t end = text.find_last_not_of(" \t");
  if (start == std::string::npos) return 0;
  text = text.substr(start, end - start + 1);
  const bool negative = !text.empty() && text[0] == '-';
  if (negative && !is_signed) return 0;
  const std::size_t digits_from = (!text.empty() && (text[0] == '-' || text[0] == '+')) ? 1 : 0;
  if (digits_from >= text.size()) return 0;
  for (std::size_t i = digits_from; i < text.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(text[i]))) return 0;
  }
  errno = 0;
  const long long value = std::strtoll(text.c_str(), nullptr, 10);
  if (errno != 0) return 0;
  if (is_signed ? (value < INT32_MIN || value > INT32_MAX) : (value > UINT32_MAX)) return 0;
  if (translated != nullptr) *translated = TRUE;
  return static_cast<UINT>(value);
}

BOOL CheckDlgButton(HWND dialog, int id, UINT check) {
  HWND control = GetDlgItem(dialog, id);
  if (control == nullptr) return FALSE;
  SendMessage(control, BM_SETCHECK, check, 0);
  return TRUE;
}

UINT IsDlgButtonChecked(HWND dialog, int id) {
  HWND control = GetDlgItem(dialog, id);
  return control != nullptr ? static_cast<UINT>(SendMessage(control, BM_GETCHECK, 0, 0)) : 0;
}

BOOL CheckRadioButton(HWND dialog, int first, int last, int check) {
  bool found = false;
  for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    const int id = GetDlgCtrlID(child);
    if (id < first || id > last) continue;
    SendMessage(child, BM_SETCHECK, id == check ? BST_CHECKED : BST_UNCHECKED, 0);
    found = found || id == check;
  }
  return found ? TRUE : FALSE;
}
