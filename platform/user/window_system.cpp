#include "platform/user/window_system.h"

#include <algorithm>

#include "platform/core/errors.h"
#include "platform/core/threads.h"
#include "platform/user/window_manager.h"
#include "platform/user/window_styles.h"

namespace platform::user {

namespace {

constexpr ATOM kFirstAtom = 0xC000;
constexpr UINT_PTR kFirstThreadTimerId = 0x7F00;

Window* AddWindowTo(WindowSystem& system, std::shared_ptr<Window> window) {
  Window* record = window.get();
  record->handle = system.windows.Add(std::move(window));
  return record;
}

std::shared_ptr<WindowClass> MakeRootClass(const char* name) {
  auto root_class = std::make_shared<WindowClass>();
  root_class->name = name;
  root_class->key = LowerCase(name);
  return root_class;
}

// A root window: it belongs to no thread and has no procedure.
Window* AddRoot(WindowSystem& system, WindowKind kind, const char* class_name) {
  auto root = std::make_shared<Window>();
  root->kind = kind;
  root->window_class = MakeRootClass(class_name);
  root->style = WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
  return AddWindowTo(system, std::move(root));
}

WindowSystem* MakeSystem() {
  auto* system = new WindowSystem;
  system->next_atom = kFirstAtom;
  system->next_thread_timer_id = kFirstThreadTimerId;
  // The lock is not needed yet: nobody else can see the system.
  system->desktop = AddRoot(*system, WindowKind::kDesktop, "#32769");
  system->message_root = AddRoot(*system, WindowKind::kMessageRoot, "Message");
  return system;
}

// Ends a thread's queue when the thread ends: senders waiting for it get 0,
// its windows go without further messages (nobody is left to answer them).
void EndThreadQueue(const std::shared_ptr<ThreadQueue>& queue) {
  auto lock = Lock();
  WindowSystem& system = System();
  queue->alive = false;
  for (auto& sent : queue->incoming) Discard(*sent);
  queue->incoming.clear();
  std::vector<HWND> owned_windows;
  for (auto& [value, window] : system.windows.entries()) {
    if (window->queue == queue) owned_windows.push_back(window->handle);
  }
  for (HWND hwnd : owned_windows) {
    if (Window* window = FindWindowRecord(hwnd)) RemoveWindowTree(window);
  }
  queue->posted.clear();
  queue->timers.clear();
  auto it = system.queues.find(queue->thread_id);
  if (it != system.queues.end() && it->second == queue) system.queues.erase(it);
}

// Holds the calling thread's queue and ends it when the thread ends.
struct QueueHolder {
  std::shared_ptr<ThreadQueue> queue;
  ~QueueHolder() {
    if (queue) EndThreadQueue(queue);
  }
};

thread_local QueueHolder t_queue;

// Everything else that names the window lets go of it.
void ForgetReferences(Window* window) {
  WindowSystem& system = System();
  HWND hwnd = window->handle;
  if (system.capture == hwnd) system.capture = nullptr;
  if (system.focus == hwnd) system.focus = nullptr;
  if (system.foreground == hwnd) system.foreground = nullptr;
  for (auto& [id, queue] : system.queues) {
    if (queue->track_hwnd == hwnd) {
      queue->track_hwnd = nullptr;
      queue->track_flags = 0;
      queue->hover_due_micros = UINT64_MAX;
    }
    if (queue->last_click_hwnd == hwnd) queue->last_click_hwnd = nullptr;
    std::erase_if(queue->input, [hwnd](const MSG& msg) { return msg.hwnd == hwnd; });
  }
  ForgetWindowDrawing(window);
  DestroyCaretOf(hwnd);
}

void RemoveOne(Window* window) {
  WindowSystem& system = System();
  ForgetReferences(window);
  UnlinkFromParent(window);
  SetOwner(window, nullptr);
  for (Window* owned : window->owned) owned->owner = nullptr;
  window->owned.clear();
  if (ThreadQueue* queue = window->queue.get()) {
    HWND hwnd = window->handle;
    std::erase_if(queue->posted, [hwnd](const MSG& msg) { return msg.hwnd == hwnd; });
    std::erase_if(queue->incoming, [hwnd](const std::shared_ptr<SentMessage>& sent) {
      if (sent->hwnd != hwnd) return false;
      Discard(*sent);
      return true;
    });
    std::erase_if(queue->timers, [hwnd](const Timer& timer) { return timer.hwnd == hwnd; });
  }
  if (window->window_class) --window->window_class->window_count;
  system.windows.Remove(window->handle);  // frees the record
}

}  // namespace

bool WindowClass::IsGlobal() const {
  return (style & CS_GLOBALCLASS) != 0;
}

void ThreadQueue::Wake(UINT qs_bits) {
  change_bits |= qs_bits;
  ++wake_serial;
  wake.notify_all();
  if (message_wait && (qs_bits & message_wait->wake_mask())) {
    message_wait->SetReady(true);
    platform::NotifyWaiters();
  }
}

WindowSystem& System() {
  static WindowSystem* system = MakeSystem();
  return *system;
}

std::unique_lock<std::mutex> Lock() {
  return std::unique_lock<std::mutex>(System().mutex);
}

Window* FindWindowRecord(HWND hwnd) {
  WindowSystem& system = System();
  const auto* window = system.windows.Find(hwnd);
  return window == nullptr ? nullptr : window->get();
}

Window* RequireWindow(HWND hwnd) {
  Window* window = FindWindowRecord(hwnd);
  if (window == nullptr) SetLastError(ERROR_INVALID_WINDOW_HANDLE);
  return window;
}

std::shared_ptr<ThreadQueue> CurrentQueueShared() {
  if (!t_queue.queue) {
    auto queue = std::make_shared<ThreadQueue>();
    queue->thread_id = GetCurrentThreadId();
    System().queues[queue->thread_id] = queue;
    t_queue.queue = std::move(queue);
  }
  return t_queue.queue;
}

ThreadQueue& CurrentQueue() {
  return *CurrentQueueShared();
}

ThreadQueue* FindQueue(DWORD thread_id) {
  WindowSystem& system = System();
  auto it = system.queues.find(thread_id);
  if (it == system.queues.end() || !it->second->alive) return nullptr;
  return it->second.get();
}

Window* AddWindow(std::shared_ptr<Window> window) {
  return AddWindowTo(System(), std::move(window));
}

void RemoveWindowTree(Window* window) {
  while (!window->children.empty()) RemoveWindowTree(window->children.back());
  RemoveOne(window);
}

void LinkIntoParent(Window* window, Window* parent) {
  window->parent = parent;
  auto& siblings = parent->children;
  if (window->IsChild()) {
    siblings.push_back(window);
    return;
  }
  auto position = siblings.begin();
  if ((window->ex_style & WS_EX_TOPMOST) == 0) {
    position = std::find_if(siblings.begin(), siblings.end(), [](const Window* sibling) {
      return (sibling->ex_style & WS_EX_TOPMOST) == 0;
    });
  }
  siblings.insert(position, window);
}

void UnlinkFromParent(Window* window) {
  if (window->parent == nullptr) return;
  std::erase(window->parent->children, window);
  window->parent = nullptr;
}

void SetOwner(Window* window, Window* owner) {
  if (window->owner == owner) return;
  if (window->owner != nullptr) std::erase(window->owner->owned, window);
  window->owner = owner;
  if (owner != nullptr) owner->owned.push_back(window);
}

Window* TopLevelOf(Window* window) {
  while (window->IsChild()) window = window->parent;
  return window;
}

bool IsDescendant(const Window* window, const Window* ancestor) {
  for (const Window* p = window->parent; p != nullptr; p = p->parent) {
    if (p == ancestor) return true;
  }
  return false;
}

void Reply(SentMessage& sent, LRESULT result) {
  if (sent.replied) return;
  sent.replied = true;
  sent.result = result;
  if (sent.sender) sent.sender->Wake(0);
}

void Discard(SentMessage& sent) {
  if (sent.replied) return;
  sent.discarded = true;
  Reply(sent, 0);
}

ATOM AddAtom(const std::string& name) {
  WindowSystem& system = System();
  std::string key = LowerCase(name);
  auto it = system.atoms.find(key);
  if (it != system.atoms.end()) return it->second;
  if (system.next_atom == 0) return 0;  // all 16384 atoms are taken
  ATOM atom = system.next_atom++;
  system.atoms.emplace(std::move(key), atom);
  return atom;
}

ATOM FindAtom(const std::string& name) {
  WindowSystem& system = System();
  auto it = system.atoms.find(LowerCase(name));
  return it == system.atoms.end() ? 0 : it->second;
}

std::string LowerCase(const std::string& text) {
  std::string lower = text;
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower;
}

LRESULT CallProcedure(WNDPROC proc, HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  return proc == nullptr ? 0 : proc(hwnd, message, wparam, lparam);
}

}  // namespace platform::user
