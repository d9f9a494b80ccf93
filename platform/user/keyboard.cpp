// The keyboard: scan codes and characters of a US layout, key states, and
// TranslateMessage.
#include <cctype>
#include <cstring>

#include "platform/core/errors.h"
#include "platform/user/input.h"
#include "platform/user/message_queue.h"
#include "platform/user/window_manager.h"

using namespace platform::user;

namespace {

struct KeyInfo {
  BYTE vk;
  BYTE scan;
  char plain;
  char shifted;
};

// PC keyboard (scan code set 1) with a US layout.
constexpr KeyInfo kKeys[] = {
    {VK_ESCAPE, 0x01, 27, 27},
    {'1', 0x02, '1', '!'},
    {'2', 0x03, '2', '@'},
    {'3', 0x04, '3', '#'},
    {'4', 0x05, '4', '$'},
    {'5', 0x06, '5', '%'},
    {'6', 0x07, '6', '^'},
    {'7', 0x08, '7', '&'},
    {'8', 0x09, '8', '*'},
    {'9', 0x0A, '9', '('},
    {'0', 0x0B, '0', ')'},
    {VK_OEM_MINUS, 0x0C, '-', '_'},
    {VK_OEM_PLUS, 0x0D, '=', '+'},
    {VK_BACK, 0x0E, 8, 8},
    {VK_TAB, 0x0F, '\t', '\t'},
    {'Q', 0x10, 'q', 'Q'},
    {'W', 0x11, 'w', 'W'},
    {'E', 0x12, 'e', 'E'},
    {'R', 0x13, 'r', 'R'},
    {'T', 0x14, 't', 'T'},
    {'Y', 0x15, 'y', 'Y'},
    {'U', 0x16, 'u', 'U'},
    {'I', 0x17, 'i', 'I'},
    {'O', 0x18, 'o', 'O'},
    {'P', 0x19, 'p', 'P'},
    {VK_OEM_4, 0x1A, '[', '{'},
    {VK_OEM_6, 0x1B, ']', '}'},
    {VK_RETURN, 0x1C, '\r', '\r'},
    {VK_CONTROL, 0x1D, 0, 0},
    {'A', 0x1E, 'a', 'A'},
    {'S', 0x1F, 's', 'S'},
    {'D', 0x20, 'd', 'D'},
    {'F', 0x21, 'f', 'F'},
    {'G', 0x22, 'g', 'G'},
    {'H', 0x23, 'h', 'H'},
    {'J', 0x24, 'j', 'J'},
    {'K', 0x25, 'k', 'K'},
    {'L', 0x26, 'l', 'L'},
    {VK_OEM_1, 0x27, ';', ':'},
    {VK_OEM_7, 0x28, '\'', '"'},
    {VK_OEM_3, 0x29, '`', '~'},
    {VK_SHIFT, 0x2A, 0, 0},
    {VK_OEM_5, 0x2B, '\\', '|'},
    {'Z', 0x2C, 'z', 'Z'},
    {'X', 0x2D, 'x', 'X'},
    {'C', 0x2E, 'c', 'C'},
    {'V', 0x2F, 'v', 'V'},
    {'B', 0x30, 'b', 'B'},
    {'N', 0x31, 'n', 'N'},
    {'M', 0x32, 'm', 'M'},
    {VK_OEM_COMMA, 0x33, ',', '<'},
    {VK_OEM_PERIOD, 0x34, '.', '>'},
    {VK_OEM_2, 0x35, '/', '?'},
    {VK_RSHIFT, 0x36, 0, 0},
    {VK_MULTIPLY, 0x37, '*', '*'},
    {VK_MENU, 0x38, 0, 0},
    {VK_SPACE, 0x39, ' ', ' '},
    {VK_CAPITAL, 0x3A, 0, 0},
    {VK_F1, 0x3B, 0, 0},
    {VK_F2, 0x3C, 0, 0},
    {VK_F3, 0x3D, 0, 0},
    {VK_F4, 0x3E, 0, 0},
    {VK_F5, 0x3F, 0, 0},
    {VK_F6, 0x40, 0, 0},
    {VK_F7, 0x41, 0, 0},
    {VK_F8, 0x42, 0, 0},
    {VK_F9, 0x43, 0, 0},
    {VK_F10, 0x44, 0, 0},
    {VK_NUMLOCK, 0x45, 0, 0},
    {VK_SCROLL, 0x46, 0, 0},
    {VK_NUMPAD7, 0x47, '7', '7'},
    {VK_NUMPAD8, 0x48, '8', '8'},
    {VK_NUMPAD9, 0x49, '9', '9'},
    {VK_SUBTRACT, 0x4A, '-', '-'},
    {VK_NUMPAD4, 0x4B, '4', '4'},
    {VK_NUMPAD5, 0x4C, '5', '5'},
    {VK_NUMPAD6, 0x4D, '6', '6'},
    {VK_ADD, 0x4E, '+', '+'},
    {VK_NUMPAD1, 0x4F, '1', '1'},
    {VK_NUMPAD2, 0x50, '2', '2'},
    {VK_NUMPAD3, 0x51, '3', '3'},
    {VK_NUMPAD0, 0x52, '0', '0'},
    {VK_DECIMAL, 0x53, '.', '.'},
    {VK_F11, 0x57, 0, 0},
    {VK_F12, 0x58, 0, 0},
    // Keys of the navigation block share scan codes with the number pad
    // and are told apart by the extended-key flag.
    {VK_HOME, 0x47, 0, 0},
    {VK_UP, 0x48, 0, 0},
    {VK_PRIOR, 0x49, 0, 0},
    {VK_LEFT, 0x4B, 0, 0},
    {VK_RIGHT, 0x4D, 0, 0},
    {VK_END, 0x4F, 0, 0},
    {VK_DOWN, 0x50, 0, 0},
    {VK_NEXT, 0x51, 0, 0},
    {VK_INSERT, 0x52, 0, 0},
    {VK_DELETE, 0x53, 0, 0},
    {VK_DIVIDE, 0x35, '/', '/'},
    {VK_LWIN, 0x5B, 0, 0},
    {VK_RWIN, 0x5C, 0, 0},
    {VK_APPS, 0x5D, 0, 0},
    {VK_LSHIFT, 0x2A, 0, 0},
    {VK_LCONTROL, 0x1D, 0, 0},
    {VK_RCONTROL, 0x1D, 0, 0},
    {VK_LMENU, 0x38, 0, 0},
    {VK_RMENU, 0x38, 0, 0},
};

const KeyInfo* FindKey(UINT vk) {
  for (const KeyInfo& key : kKeys) {
    if (key.vk == vk) return &key;
  }
  return nullptr;
}

bool Down(const BYTE* state, UINT vk) {
  return (state[vk] & 0x80) != 0;
}

// The character a key makes, or -1.
int CharOf(UINT vk, const BYTE* state) {
  const bool shift = Down(state, VK_SHIFT);
  const bool ctrl = Down(state, VK_CONTROL);
  const bool alt = Down(state, VK_MENU);
  const bool caps = (state[VK_CAPITAL] & 1) != 0;
  if (ctrl && alt) return -1;  // AltGr combinations make nothing on a US layout
  if (vk >= 'A' && vk <= 'Z') {
    if (ctrl) return static_cast<int>(vk - 'A' + 1);
    bool upper = shift != caps;
    return upper ? static_cast<int>(vk) : static_cast<int>(vk - 'A' + 'a');
  }
  if (ctrl) {
    switch (vk) {
      case VK_OEM_4:
        return 0x1B;
      case VK_OEM_5:
        return 0x1C;
      case VK_OEM_6:
        return 0x1D;
      case VK_RETURN:
        return '\n';
      case VK_BACK:
        return 0x7F;
      case VK_SPACE:
        return ' ';
      case VK_ESCAPE:
        return 0x1B;
    }
    return -1;
  }
  const KeyInfo* key = FindKey(vk);
  if (key == nullptr || key->plain == 0) return -1;
  return static_cast<unsigned char>(shift ? key->shifted : key->plain);
}

bool IsExtended(UINT vk) {
  switch (vk) {
    case VK_HOME:
    case VK_END:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_UP:
    case VK_DOWN:
    case VK_LEFT:
    case VK_RIGHT:
    case VK_INSERT:
    case VK_DELETE:
    case VK_DIVIDE:
    case VK_RCONTROL:
    case VK_RMENU:
    case VK_LWIN:
    case VK_RWIN:
    case VK_APPS:
      return true;
  }
  return false;
}

constexpr LPARAM kTextFollowsBit = LPARAM{1} << 25;

}  // namespace

namespace platform::user {

LPARAM KeyMessageFlags(UINT vk, bool down, bool was_down, bool alt, bool text_follows) {
  const KeyInfo* key = FindKey(vk);
  LPARAM lparam = 1;
  if (key != nullptr) lparam |= static_cast<LPARAM>(key->scan) << 16;
  if (IsExtended(vk)) lparam |= LPARAM{1} << 24;
  if (text_follows) lparam |= kTextFollowsBit;
  if (alt) lparam |= LPARAM{1} << 29;
  if (was_down || !down) lparam |= LPARAM{1} << 30;
  if (!down) lparam |= static_cast<LPARAM>(1u << 31);
  return lparam;
}

void ApplyKeyTransition(BYTE* state, UINT vk, bool down) {
  auto set = [&](UINT key) {
    if (key >= 256) return;
    if (down) {
      if (!(state[key] & 0x80)) state[key] ^= 0x01;  // toggled on each fresh press
      state[key] |= 0x80;
    } else {
      state[key] &= static_cast<BYTE>(~0x80);
    }
  };
  set(vk);
  // The left/right keys also move the generic one, and back.
  switch (vk) {
    case VK_LSHIFT:
    case VK_RSHIFT:
      set(VK_SHIFT);
      break;
    case VK_LCONTROL:
    case VK_RCONTROL:
      set(VK_CONTROL);
      break;
    case VK_LMENU:
    case VK_RMENU:
      set(VK_MENU);
      break;
    case VK_SHIFT:
      set(VK_LSHIFT);
      break;
    case VK_CONTROL:
      set(VK_LCONTROL);
      break;
    case VK_MENU:
      set(VK_LMENU);
      break;
  }
}

}  // namespace platform::user

SHORT GetKeyState(int vk) {
  if (vk < 0 || vk > 255) return 0;
  auto lock = Lock();
  BYTE value = CurrentQueue().key_state[vk];
  return static_cast<SHORT>(((value & 0x80) ? 0x8000 : 0) | (value & 0x01));
}

SHORT GetAsyncKeyState(int vk) {
  if (vk < 0 || vk > 255) return 0;
  auto lock = Lock();
  BYTE& value = System().async_keys[vk];
  SHORT result = static_cast<SHORT>(((value & 0x80) ? 0x8000 : 0) | (value & 0x01));
  value &= static_cast<BYTE>(~0x01);
  return result;
}

BOOL GetKeyboardState(BYTE* state) {
  if (state == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  auto lock = Lock();
  std::memcpy(state, CurrentQueue().key_state, 256);
  return TRUE;
}

BOOL SetKeyboardState(const BYTE* state) {
  if (state == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  auto lock = Lock();
  std::memcpy(CurrentQueue().key_state, state, 256);
  return TRUE;
}

UINT MapVirtualKey(UINT code, UINT map_type) {
  switch (map_type) {
    case MAPVK_VK_TO_VSC: {
      const KeyInfo* key = FindKey(code);
      return key == nullptr ? 0 : key->scan;
    }
    case MAPVK_VSC_TO_VK:
      for (const KeyInfo& key : kKeys) {
        if (key.scan == code) return key.vk;
      }
      return 0;
    case MAPVK_VK_TO_CHAR: {
      if (code >= 'A' && code <= 'Z') return code;
      const KeyInfo* key = FindKey(code);
      return key == nullptr ? 0 : static_cast<unsigned char>(key->plain);
    }
  }
  return 0;
}

int ToAscii(UINT vk, UINT, const BYTE* key_state, WORD* ch, UINT) {
  if (key_state == nullptr || ch == nullptr) return 0;
  int c = CharOf(vk, key_state);
  if (c < 0) return 0;
  *ch = static_cast<WORD>(c);
  return 1;
}

SHORT VkKeyScan(char ch) {
  unsigned char c = static_cast<unsigned char>(ch);
  if (std::isalpha(c)) return static_cast<SHORT>(std::toupper(c) | (std::isupper(c) ? 0x100 : 0));
  for (const KeyInfo& key : kKeys) {
    if (key.plain == ch) return key.vk;
    if (key.shifted == ch) return static_cast<SHORT>(key.vk | 0x100);
  }
  return -1;
}

BOOL TranslateMessage(const MSG* msg) {
  if (msg == nullptr) return FALSE;
  switch (msg->message) {
    case WM_KEYUP:
    case WM_SYSKEYUP:
      return TRUE;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      break;
    default:
      return FALSE;
  }
  auto lock = Lock();
  ThreadQueue& queue = CurrentQueue();
  int c = CharOf(static_cast<UINT>(msg->wParam), queue.key_state);
  if (c < 0) return TRUE;
  const bool text_follows = (msg->lParam & kTextFollowsBit) != 0;
  if (text_follows && c >= 0x20 && c != 0x7F && !(queue.key_state[VK_CONTROL] & 0x80)) return TRUE;
  MSG char_msg = *msg;
  char_msg.message = msg->message == WM_SYSKEYDOWN ? WM_SYSCHAR : WM_CHAR;
  char_msg.wParam = static_cast<WPARAM>(c);
  char_msg.lParam = msg->lParam & ~kTextFollowsBit;
  // The character is the next message the thread takes.
  queue.posted.push_front(char_msg);
  queue.Wake(QS_POSTMESSAGE | QS_ALLPOSTMESSAGE);
  return TRUE;
}
