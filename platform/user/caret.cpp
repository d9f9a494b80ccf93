#include "platform/user/caret.h"

#include "platform/core/clock.h"
#include "platform/core/errors.h"
#include "platform/core/threads.h"
#include "platform/user/window_manager.h"

using namespace platform::user;
using platform::Region;

namespace {

Caret* CaretOfThread() {
  auto& carets = System().carets;
  auto it = carets.find(GetCurrentThreadId());
  return it == carets.end() ? nullptr : &it->second;
}

// Inverts the caret's block where its window shows.
void Invert(Caret& caret) {
  Window* window = FindWindowRecord(caret.hwnd);
  if (window == nullptr) return;
  Window* top = TopLevelOf(window);
  if (!top->surface) return;
  POINT at = OffsetInTopLevel(window);
  RECT client = ClientRectInWindow(window);
  RECT block{at.x + client.left + caret.pos.x, at.y + client.top + caret.pos.y, 0, 0};
  block.right = block.left + caret.width;
  block.bottom = block.top + caret.height;
  Region visible = VisibleRegion(window, false);
  platform::Surface& surface = *top->surface;
  visible.ForEachRectIn(block, [&](const RECT& piece) {
    for (LONG y = piece.top; y < piece.bottom; ++y) {
      std::uint32_t* row = surface.Row(y);
      for (LONG x = piece.left; x < piece.right; ++x) {
        // A gray caret inverts every other pixel.
        if (caret.gray && ((x + y) & 1)) continue;
        row[x] ^= 0x00FFFFFF;
      }
    }
  });
  top->dirty = Region::Combine(top->dirty, visible.Intersected(block), Region::Op::Or);
  caret.drawn_rect = block;
}

void Draw(Caret& caret, bool on) {
  if (caret.drawn == on) return;
  Invert(caret);
  caret.drawn = on;
}

void RestartBlink(Caret& caret) {
  caret.next_blink_micros = platform::ClockMicros() + std::uint64_t{System().caret_blink_ms} * 1000;
}

bool Owns(const Caret* caret, HWND hwnd) {
  return caret != nullptr && (hwnd == nullptr || caret->hwnd == hwnd);
}

}  // namespace

namespace platform::user {

void UpdateCaret(ThreadQueue& queue, std::uint64_t now_micros) {
  auto it = System().carets.find(queue.thread_id);
  if (it == System().carets.end()) return;
  Caret& caret = it->second;
  if (caret.hide_count > 0 || now_micros < caret.next_blink_micros) return;
  Draw(caret, !caret.drawn);
  const std::uint64_t period = std::uint64_t{System().caret_blink_ms} * 1000;
  caret.next_blink_micros += period;
  if (caret.next_blink_micros <= now_micros) caret.next_blink_micros = now_micros + period;
}

std::uint64_t NextCaretBlink(const ThreadQueue& queue) {
  auto it = System().carets.find(queue.thread_id);
  if (it == System().carets.end() || it->second.hide_count > 0) return UINT64_MAX;
  return it->second.next_blink_micros;
}

void HideCaretForPaint(HWND hwnd) {
  auto lock = Lock();
  Caret* caret = CaretOfThread();
  if (caret == nullptr || caret->hwnd != hwnd) return;
  ++caret->hide_count;
  Draw(*caret, false);
}

void ShowCaretAfterPaint(HWND hwnd) {
  auto lock = Lock();
  Caret* caret = CaretOfThread();
  if (caret == nullptr || caret->hwnd != hwnd || caret->hide_count == 0) return;
  if (--caret->hide_count == 0) {
    Draw(*caret, true);
    RestartBlink(*caret);
  }
}

void DestroyCaretOf(HWND hwnd) {
  auto& carets = System().carets;
  for (auto it = carets.begin(); it != carets.end();) {
    if (it->second.hwnd == hwnd) {
      it = carets.erase(it);
    } else {
      ++it;
    }
  }
}

}  // namespace platform::user

BOOL CreateCaret(HWND hwnd, HBITMAP bitmap, int width, int height) {
  auto lock = Lock();
  Window* window = RequireWindow(hwnd);
  if (window == nullptr) return FALSE;
  if (Caret* old = CaretOfThread()) Draw(*old, false);
  Caret caret;
  caret.hwnd = hwnd;
  caret.width = width > 0 ? width : 1;
  caret.height = height > 0 ? height : 1;
  caret.gray = reinterpret_cast<std::uintptr_t>(bitmap) == 1;
  System().carets[GetCurrentThreadId()] = caret;
  return TRUE;
}

BOOL DestroyCaret() {
  auto lock = Lock();
  Caret* caret = CaretOfThread();
  if (caret == nullptr) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  Draw(*caret, false);
  System().carets.erase(GetCurrentThreadId());
  return TRUE;
}

BOOL ShowCaret(HWND hwnd) {
  auto lock = Lock();
  Caret* caret = CaretOfThread();
  if (!Owns(caret, hwnd) || caret->hide_count == 0) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (--caret->hide_count == 0) {
    Draw(*caret, true);
    RestartBlink(*caret);
  }
  return TRUE;
}

BOOL HideCaret(HWND hwnd) {
  auto lock = Lock();
  Caret* caret = CaretOfThread();
  if (!Owns(caret, hwnd)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  ++caret->hide_count;
  Draw(*caret, false);
  return TRUE;
}

BOOL SetCaretPos(int x, int y) {
  auto lock = Lock();
  Caret* caret = CaretOfThread();
  if (caret == nullptr) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  bool was_drawn = caret->drawn;
  Draw(*caret, false);
  caret->pos = POINT{x, y};
  if (caret->hide_count == 0) {
    Draw(*caret, true);
    RestartBlink(*caret);
  }
  (void)was_drawn;
  return TRUE;
}

BOOL GetCaretPos(LPPOINT point) {
  if (point == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  auto lock = Lock();
  Caret* caret = CaretOfThread();
  if (caret == nullptr) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  *point = caret->pos;
  return TRUE;
}

UINT GetCaretBlinkTime() {
  auto lock = Lock();
  return System().caret_blink_ms;
}

BOOL SetCaretBlinkTime(UINT ms) {
  auto lock = Lock();
  System().caret_blink_ms = ms == 0 ? 530 : ms;
  return TRUE;
}
