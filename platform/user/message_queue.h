// Message queues: one per thread, made when the thread first uses the
// window system.
//
// A thread takes its messages in this order: messages sent to it by other
// threads (answered inside GetMessage/PeekMessage/WaitMessage and while it
// waits for its own SendMessage to another thread), posted messages in the
// order they were posted, WM_QUIT once PostQuitMessage was called and no
// posted message is left, WM_PAINT for a window that needs painting, and
// last WM_TIMER for timers that are due (so a timer never overtakes a
// posted message). Mouse and keyboard input (platform/user/input.h) comes
// between the posted messages and WM_QUIT.
#pragma once

#include <cstddef>

#include "platform/core/types.h"
#include "platform/core/waits.h"
#include "platform/user/messages.h"
#include "platform/user/user_types.h"

// PeekMessage flags.
constexpr UINT PM_NOREMOVE = 0x0000;
constexpr UINT PM_REMOVE = 0x0001;
constexpr UINT PM_NOYIELD = 0x0002;

// Queue status bits (GetQueueStatus, MsgWaitForMultipleObjects).
constexpr UINT QS_KEY = 0x0001;
constexpr UINT QS_MOUSEMOVE = 0x0002;
constexpr UINT QS_MOUSEBUTTON = 0x0004;
constexpr UINT QS_POSTMESSAGE = 0x0008;
constexpr UINT QS_TIMER = 0x0010;
constexpr UINT QS_PAINT = 0x0020;
constexpr UINT QS_SENDMESSAGE = 0x0040;
constexpr UINT QS_HOTKEY = 0x0080;
constexpr UINT QS_ALLPOSTMESSAGE = 0x0100;
constexpr UINT QS_RAWINPUT = 0x0400;
constexpr UINT QS_MOUSE = QS_MOUSEMOVE | QS_MOUSEBUTTON;
constexpr UINT QS_INPUT = QS_MOUSE | QS_KEY | QS_RAWINPUT;
constexpr UINT QS_ALLEVENTS = QS_INPUT | QS_POSTMESSAGE | QS_TIMER | QS_PAINT | QS_HOTKEY;
constexpr UINT QS_ALLINPUT = QS_ALLEVENTS | QS_SENDMESSAGE;

// PeekMessage: only these kinds of message (in the high word of the flags).
constexpr UINT PM_QS_INPUT = QS_INPUT << 16;
constexpr UINT PM_QS_POSTMESSAGE = (QS_POSTMESSAGE | QS_HOTKEY | QS_TIMER) << 16;
constexpr UINT PM_QS_PAINT = QS_PAINT << 16;
constexpr UINT PM_QS_SENDMESSAGE = QS_SENDMESSAGE << 16;

// MsgWaitForMultipleObjectsEx flags.
constexpr DWORD MWMO_WAITALL = 0x0001;
constexpr DWORD MWMO_ALERTABLE = 0x0002;
constexpr DWORD MWMO_INPUTAVAILABLE = 0x0004;

// SendMessageTimeout flags.
constexpr UINT SMTO_NORMAL = 0x0000;
constexpr UINT SMTO_BLOCK = 0x0001;
constexpr UINT SMTO_ABORTIFHUNG = 0x0002;
constexpr UINT SMTO_NOTIMEOUTIFNOTHUNG = 0x0008;
constexpr UINT SMTO_ERRORONEXIT = 0x0020;

// Posting. PostMessage works from any thread and wakes the window's thread;
// HWND_BROADCAST posts to every top-level window; a null window posts a
// thread message to the calling thread. PostThreadMessage fails with
// ERROR_INVALID_THREAD_ID when the thread has no message queue.
BOOL PostMessage(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
BOOL PostThreadMessage(DWORD thread_id, UINT message, WPARAM wparam, LPARAM lparam);
// WM_QUIT (wParam = exit_code) is taken once no posted message is left.
void PostQuitMessage(int exit_code);

// Sending. To a window of the calling thread the procedure is called
// directly. To a window of another thread the message waits in that
// thread's queue and the caller blocks until it is answered, still
// answering messages sent to itself meanwhile (two threads sending to each
// other do not deadlock). When the window is destroyed or its thread ends
// before answering, the result is 0. HWND_BROADCAST sends to every
// top-level window in turn (waiting for each one's thread) and returns 0.
LRESULT SendMessage(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
// As SendMessage, giving up after `timeout_ms` on the platform clock
// (ERROR_TIMEOUT). SMTO_BLOCK: answer nothing while waiting. Returns
// non-zero on success, with the result in *result.
LRESULT SendMessageTimeout(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, UINT flags,
                           UINT timeout_ms, DWORD_PTR* result);
// Sends without waiting for the answer (direct call for the calling
// thread's windows).
BOOL SendNotifyMessage(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
// True while the calling thread handles a message sent by another thread.
BOOL InSendMessage();
// Answers the sent message being handled now, so that its sender goes on;
// FALSE when there is none to answer.
BOOL ReplyMessage(LRESULT result);

// Taking messages. `hwnd` filters: null takes everything of the thread,
// (HWND)-1 only thread messages, a window only its own and its children's
// messages. `min`/`max` filter by number (0, 0: all). WM_QUIT passes every
// filter. GetMessage returns 0 for WM_QUIT, -1 for a filter window that is
// not a window of this thread.
BOOL GetMessage(LPMSG msg, HWND hwnd, UINT min, UINT max);
BOOL PeekMessage(LPMSG msg, HWND hwnd, UINT min, UINT max, UINT remove_flags);
// Blocks until something new (since the thread last looked) is in the queue.
BOOL WaitMessage();
// Waits for kernel objects (events, mutexes, threads...) and for the queue:
// input of `wake_mask` that arrived since the thread last looked (with
// MWMO_INPUTAVAILABLE: any such input in the queue). Returns WAIT_OBJECT_0
// + i for object i, WAIT_OBJECT_0 + count for the queue, WAIT_ABANDONED_0 +
// i, WAIT_TIMEOUT, or WAIT_FAILED (bad handle: ERROR_INVALID_HANDLE). With
// `wait_all` (MWMO_WAITALL) all objects and the queue must be ready.
DWORD MsgWaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL wait_all,
                                DWORD milliseconds, DWORD wake_mask);
DWORD MsgWaitForMultipleObjectsEx(DWORD count, const HANDLE* handles, DWORD milliseconds,
                                  DWORD wake_mask, DWORD flags);
// High word: kinds of message in the queue now; low word: kinds that arrived
// since the last look (cleared by this call).
DWORD GetQueueStatus(UINT flags);
// True when mouse or keyboard input waits.
BOOL GetInputState();
// Time (GetTickCount) of the last message taken.
LONG GetMessageTime();

// For WM_KEYDOWN / WM_SYSKEYDOWN of a key that makes a character, puts
// WM_CHAR / WM_SYSCHAR in front of the thread's posted messages (see
// platform/user/input.h). TRUE for every key message.
BOOL TranslateMessage(const MSG* msg);
// Calls the window's procedure. WM_TIMER whose lParam is a timer procedure
// of this thread calls that procedure instead.
LRESULT DispatchMessage(const MSG* msg);

namespace platform {

// What waits in a thread's queue (tests).
struct QueueState {
  bool exists = false;
  std::size_t posted = 0;
  std::size_t sent_waiting = 0;  // sent by other threads, not answered yet
  std::size_t timers = 0;
  bool quit_pending = false;
};
QueueState InspectQueue(DWORD thread_id);

}  // namespace platform
