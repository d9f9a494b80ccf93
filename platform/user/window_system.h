// Internal state of the window system: the window records, the window
// classes, the atom table and one message queue per thread. Not part of the
// platform's interface; only platform/user includes it.
//
// Locking: one mutex (System().mutex) guards everything here. It is never
// held while a window procedure, a timer procedure or anything else outside
// the window system runs; code that calls out releases it first and looks
// its window up again by handle afterwards (the record may be gone by then).
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/core/handle_table.h"
#include "platform/core/types.h"
#include "platform/core/waits.h"
#include "platform/gdi/region.h"
#include "platform/gdi/surface.h"
#include "platform/user/user_types.h"

namespace platform::user {

struct ThreadQueue;

// One registered window class.
struct WindowClass {
  std::string name;  // as registered
  std::string key;   // lower-case name: class names ignore case
  ATOM atom = 0;
  UINT style = 0;
  WNDPROC proc = nullptr;
  int window_extra = 0;
  std::vector<BYTE> class_extra;
  HINSTANCE instance = nullptr;
  HICON icon = nullptr;
  HICON small_icon = nullptr;
  HCURSOR cursor = nullptr;
  HBRUSH background = nullptr;
  // Menu name: a string, or an integer resource id kept as a pointer value.
  std::string menu_name;
  LPCSTR menu_resource = nullptr;
  int window_count = 0;

  bool IsGlobal() const;
};

enum class WindowKind {
  kOrdinary,
  kDesktop,      // root of the top-level windows (GetDesktopWindow)
  kMessageRoot,  // root of the message-only windows (HWND_MESSAGE)
};

// One window. Everything the platform knows about a window lives here:
// its tree, values, geometry, painting state and (for top-level windows)
// the image it draws on.
struct Window {
  HWND handle = nullptr;
  WindowKind kind = WindowKind::kOrdinary;
  std::shared_ptr<WindowClass> window_class;
  // The thread that created the window and receives its messages. Null for
  // the two roots, which belong to no thread.
  std::shared_ptr<ThreadQueue> queue;

  // Tree. `children` is in z-order, topmost first; a top-level window's
  // parent is the desktop, a message-only window's the message root.
  Window* parent = nullptr;
  Window* owner = nullptr;
  std::vector<Window*> children;
  std::vector<Window*> owned;

  // Long values.
  DWORD style = 0;  // visibility, disabled, minimized and maximized are style bits
  DWORD ex_style = 0;
  LONG_PTR id = 0;       // GWLP_ID: the control id of a child window
  HMENU menu = nullptr;  // the menu of a top-level window
  HINSTANCE instance = nullptr;
  LONG_PTR user_data = 0;
  WNDPROC proc = nullptr;
  std::vector<BYTE> extra;  // cbWndExtra bytes
  std::string text;
  std::map<std::string, HANDLE> props;  // keys from PropertyKey()

  // Geometry, relative to the parent's client area (the roots sit at the
  // screen origin, so for top-level windows these are screen coordinates).
  RECT window_rect;
  RECT client_rect;

  // The window rectangle a minimized or maximized window goes back to
  // (parent coordinates); valid while `has_normal_rect`.
  RECT normal_rect{};
  bool has_normal_rect = false;
  // A minimized window that was maximized before is maximized on restore.
  bool restore_to_maximized = false;
  // Hidden because its owner was minimized; shown again on the restore.
  bool hidden_with_owner = false;

  // Painting. `update` is the part of the window that needs painting, in
  // window coordinates (relative to the window rectangle's top-left).
  platform::Region update;
  bool erase_pending = false;   // WM_ERASEBKGND is owed at the next BeginPaint
  bool frame_pending = false;   // WM_NCPAINT is owed at the next BeginPaint
  bool internal_paint = false;  // RDW_INTERNALPAINT: WM_PAINT even without an update region
  bool redraw_off = false;      // WM_SETREDRAW FALSE: no painting until turned on again
  // The window region (SetWindowRgn), window coordinates; none: rectangular.
  bool has_shape = false;
  platform::Region shape;
  // The caption is drawn active (last WM_NCACTIVATE).
  bool nc_active = false;
  // The window's own DC (CS_OWNDC / CS_CLASSDC), made on first GetDC.
  HDC own_dc = nullptr;

  // Top-level windows only: the image of the whole window that every DC of
  // the window and its children draws on, and what changed on it since the
  // display last showed it (surface coordinates).
  std::shared_ptr<platform::Surface> surface;
  platform::Region dirty;

  // Destruction: set for the whole tree when DestroyWindow starts, so that
  // a second DestroyWindow from a handler does nothing.
  bool destroying = false;
  // WM_DESTROY has been sent.
  bool destroy_sent = false;

  bool IsChild() const { return parent != nullptr && parent->kind == WindowKind::kOrdinary; }
  bool IsTopLevel() const { return parent != nullptr && parent->kind == WindowKind::kDesktop; }
  int Width() const { return window_rect.right - window_rect.left; }
  int Height() const { return window_rect.bottom - window_rect.top; }
};

// Mouse and keyboard input as it comes from the display (or a test), before
// it is turned into window messages by the thread that takes it.
struct RawInput {
  enum class Kind { kMouseMove, kButton, kWheel, kKey, kChar, kActivate };
  Kind kind = Kind::kMouseMove;
  POINT pt{};         // screen point of the mouse (mouse kinds)
  UINT button = 0;    // VK_LBUTTON, VK_RBUTTON, VK_MBUTTON, VK_XBUTTON1/2
  bool down = false;  // button or key pressed
  int wheel_delta = 0;
  bool horizontal = false;
  UINT vk = 0;                // virtual key (kKey)
  bool text_follows = false;  // the key's characters come as kChar input
  BYTE ch = 0;                // one byte of text (kChar)
  HWND hwnd = nullptr;        // the window to activate (kActivate)
  WORD mk = 0;                // MK_* buttons and keys held (mouse kinds)
  // Only for the mouse-leave check of a thread whose tracked window the
  // mouse left for another thread's window or the desktop.
  bool probe_only = false;
  DWORD time = 0;
};

// A window DC handed out by GetDC, GetWindowDC or BeginPaint (or a window's
// own DC), kept so that it follows the window when it moves.
struct WindowDC {
  HWND hwnd = nullptr;
  bool whole_window = false;    // GetWindowDC: origin at the window's top-left
  bool own = false;             // the window's CS_OWNDC DC
  bool paint = false;           // from BeginPaint: clipped to `paint_clip`
  platform::Region paint_clip;  // window coordinates
  bool has_extra_clip = false;  // GetDCEx with DCX_INTERSECTRGN / DCX_EXCLUDERGN
  bool exclude_extra = false;
  platform::Region extra_clip;  // screen coordinates
};

// A message sent to a window of another thread, waiting in that thread's
// queue until the thread answers it.
struct SentMessage {
  HWND hwnd = nullptr;
  UINT message = 0;
  WPARAM wparam = 0;
  LPARAM lparam = 0;
  // The waiting thread; null for SendNotifyMessage, which waits for nobody.
  std::shared_ptr<ThreadQueue> sender;
  LRESULT result = 0;
  bool replied = false;
  // Answered with 0 by the system: the window was destroyed or its thread
  // ended before the message was handled.
  bool discarded = false;
};

// A timer made by SetTimer. A window timer is keyed by (hwnd, id); a thread
// timer has no window and an id chosen by the system.
struct Timer {
  HWND hwnd = nullptr;
  UINT_PTR id = 0;
  std::uint64_t interval_micros = 0;
  TIMERPROC proc = nullptr;
  std::uint64_t due_micros = 0;  // next expiry on the platform clock
  // A WM_TIMER is waiting to be taken. Expiries while it waits are not
  // counted: at most one WM_TIMER per timer is ever pending.
  bool ready = false;
  std::uint64_t ready_since_micros = 0;
  std::uint64_t serial = 0;  // creation order, to break ties
};

// The queue's side of MsgWaitForMultipleObjects: a waitable object that the
// kernel-object wait checks next to the handles. It is ready once input of
// the wanted kinds is there; the readiness is a flag, so the dispatcher
// never needs the window system's lock.
class QueueWaitable : public platform::WaitableObject {
 public:
  explicit QueueWaitable(UINT wake_mask) : wake_mask_(wake_mask) {}
  bool IsReadyFor(DWORD) override { return ready_.load(); }
  UINT wake_mask() const { return wake_mask_; }
  void SetReady(bool ready) { ready_ = ready; }

 private:
  const UINT wake_mask_;
  std::atomic<bool> ready_{false};
};

// The message queue of one thread.
struct ThreadQueue {
  DWORD thread_id = 0;
  bool alive = true;

  // Waiters (GetMessage, WaitMessage, a thread waiting for the answer to a
  // SendMessage) sleep on `wake`; every event bumps `wake_serial`.
  std::condition_variable wake;
  std::uint64_t wake_serial = 0;
  // QS_* bits of what arrived since the thread last looked (GetMessage,
  // PeekMessage, GetQueueStatus).
  UINT change_bits = 0;

  std::deque<MSG> posted;
  std::deque<std::shared_ptr<SentMessage>> incoming;
  // Sent messages this thread is answering now, innermost last.
  std::vector<std::shared_ptr<SentMessage>> answering;
  bool quit_pending = false;
  int quit_code = 0;
  std::vector<Timer> timers;

  DWORD last_message_time = 0;
  POINT last_message_pos{};

  // Input: raw events waiting to be turned into messages, and the mouse and
  // keyboard messages made from them, in order.
  std::deque<RawInput> raw_input;
  std::deque<MSG> input;
  bool cooking = false;  // input is being turned into messages now
  // A window of this thread may need WM_PAINT (cleared when none does).
  bool maybe_paint = false;

  // The thread's keyboard state as its messages saw it (GetKeyState).
  BYTE key_state[256] = {};
  // Another key went down while Alt was held (Alt's release is then a
  // plain WM_KEYUP, which opens no menu).
  bool alt_combined = false;

  // Double-click detection: the last button press.
  HWND last_click_hwnd = nullptr;
  UINT last_click_message = 0;
  DWORD last_click_time = 0;
  POINT last_click_pt{};

  // TrackMouseEvent.
  HWND track_hwnd = nullptr;
  DWORD track_flags = 0;
  DWORD hover_time = 0;
  std::uint64_t hover_due_micros = UINT64_MAX;
  POINT hover_pt{};

  // Set while the thread waits in MsgWaitForMultipleObjects.
  std::shared_ptr<QueueWaitable> message_wait;

  // Records that something arrived and wakes the thread.
  void Wake(UINT qs_bits);
};

// The caret of a thread: a block drawn inverted on a window's client area,
// blinking on the platform clock.
struct Caret {
  HWND hwnd = nullptr;
  int width = 1;
  int height = 1;
  bool gray = false;
  POINT pos{};         // client coordinates
  int hide_count = 1;  // shown when 0; a new caret starts hidden
  bool drawn = false;  // inverted on the surface now
  RECT drawn_rect{};   // where, on the top-level surface
  std::uint64_t next_blink_micros = UINT64_MAX;
};

struct WindowSystem {
  std::mutex mutex;
  // Window handles are even numbers from 0x40000000 up, below 2^31 so that
  // code which keeps a handle in a 32-bit signed integer still sees the same
  // positive value. They are never reused.
  HandleTable<HWND, std::shared_ptr<Window>> windows{0x40000000, 2};
  std::vector<std::shared_ptr<WindowClass>> classes;
  std::map<std::string, ATOM> atoms;  // lower-case name -> atom
  ATOM next_atom = 0;
  std::unordered_map<DWORD, std::shared_ptr<ThreadQueue>> queues;
  Window* desktop = nullptr;
  Window* message_root = nullptr;
  UINT_PTR next_thread_timer_id = 0;
  std::uint64_t next_timer_serial = 0;

  // Window DCs handed out, by handle.
  std::unordered_map<HDC, WindowDC> window_dcs;
  // The window with the mouse capture, the foreground window.
  HWND capture = nullptr;
  HWND foreground = nullptr;  // the active window
  HWND focus = nullptr;       // the keyboard focus
  UINT double_click_ms = 500;
  // The mouse: where it is on the screen and the clip rectangle.
  POINT cursor_pos{};
  bool has_cursor_clip = false;
  RECT cursor_clip{};
  // The cursor shown (SetCursor) and ShowCursor's count.
  HCURSOR cursor = nullptr;
  int cursor_show_count = 0;
  // Carets, one per thread that made one (by thread id).
  std::map<DWORD, struct Caret> carets;
  UINT caret_blink_ms = 530;
  // Keys and buttons down right now (GetAsyncKeyState): bit 0x80 down,
  // bit 0x01 pressed since the last query.
  BYTE async_keys[256] = {};
};

// The process's window system (created on first use, never destroyed, so it
// stays usable while threads and the process end).
WindowSystem& System();
std::unique_lock<std::mutex> Lock();

// Handle conversions.
inline std::uintptr_t HandleValue(HWND hwnd) {
  return reinterpret_cast<std::uintptr_t>(hwnd);
}
// True for a pointer-sized value below 0x10000: an integer atom or resource
// id in place of a string.
inline bool IsIntegerAtom(LPCSTR name) {
  return reinterpret_cast<std::uintptr_t>(name) < 0x10000;
}
inline ATOM IntegerAtom(LPCSTR name) {
  return static_cast<ATOM>(reinterpret_cast<std::uintptr_t>(name));
}

// ---- Everything below needs the lock held. ----

// The window behind a handle, or null. FindWindowRecord leaves the last
// error alone; RequireWindow sets ERROR_INVALID_WINDOW_HANDLE when unknown.
Window* FindWindowRecord(HWND hwnd);
Window* RequireWindow(HWND hwnd);

// The calling thread's queue, made on first use.
ThreadQueue& CurrentQueue();
std::shared_ptr<ThreadQueue> CurrentQueueShared();
// A thread's queue, or null when the thread has none (or has ended).
ThreadQueue* FindQueue(DWORD thread_id);

// A new window handle (never one given out before) and the window's entry.
Window* AddWindow(std::shared_ptr<Window> window);
// Removes a window and its descendants from the system without sending
// them anything: their posted messages are dropped, waiting senders get 0,
// their timers stop and their owned windows lose their owner.
void RemoveWindowTree(Window* window);

// Puts a window into its parent's child list: top-level windows go on top
// (below topmost windows unless topmost themselves), child windows at the
// bottom, as the platform orders them at creation.
void LinkIntoParent(Window* window, Window* parent);
void UnlinkFromParent(Window* window);
void SetOwner(Window* window, Window* owner);

// The top-level window a window belongs to (itself when top-level).
Window* TopLevelOf(Window* window);
// True when `ancestor` is a parent, grand-parent... of `window`.
bool IsDescendant(const Window* window, const Window* ancestor);

// Which messages a GetMessage/PeekMessage call takes.
struct MessageFilter {
  HWND hwnd = nullptr;       // a window: its own and its children's messages
  bool thread_only = false;  // (HWND)-1: only messages without a window
  UINT min = 0;
  UINT max = 0;
  UINT kinds = 0;  // QS_* bits of the kinds of message wanted

  bool Wants(UINT qs_bits) const { return (kinds & qs_bits) != 0; }
  bool MatchesNumber(UINT message) const;
  bool MatchesWindow(HWND target) const;
};

// Timers (timer.cpp). UpdateTimers marks the timers that are due at `now`
// as ready; TakeTimerMessage makes the WM_TIMER of the ready timer that
// has waited longest.
void UpdateTimers(ThreadQueue& queue, std::uint64_t now_micros);
bool TakeTimerMessage(ThreadQueue& queue, const MessageFilter& filter, bool remove, MSG* msg);
// The next expiry among the queue's timers, UINT64_MAX when there is none.
std::uint64_t NextTimerDue(const ThreadQueue& queue);
bool HasReadyTimer(const ThreadQueue& queue);
bool IsTimerProc(const ThreadQueue& queue, TIMERPROC proc);

// Answers a sent message (the first answer counts) and wakes its sender.
void Reply(SentMessage& sent, LRESULT result);
// Answers 0 for a message nobody will handle.
void Discard(SentMessage& sent);

// The class CreateWindowEx uses for `name` (a string or an integer atom):
// the class of `instance`, else a global class; null when there is none.
std::shared_ptr<WindowClass> FindClass(LPCSTR name, HINSTANCE instance);

// Atom table shared by window classes and registered window messages:
// values from 0xC000, names ignore case.
ATOM AddAtom(const std::string& name);
ATOM FindAtom(const std::string& name);

// Lower-case copy (ASCII letters only), for names that ignore case.
std::string LowerCase(const std::string& text);

// ---- Calls without the lock. ----

// Send WM_SIZE (type from the minimized/maximized state) and WM_MOVE with
// the window's client size and place.
void SendSize(HWND hwnd);
void SendMove(HWND hwnd);
void SendSizeAndMove(HWND hwnd);

// Calls a window procedure; a null procedure answers 0.
LRESULT CallProcedure(WNDPROC proc, HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

}  // namespace platform::user
