// The sockets of the process and the watcher thread that posts their
// asynchronous notifications (see winsock.h for the rules it follows).
//
// Every socket is an entry under one lock: its native descriptor, its phase,
// the window, message and events of its WSAAsyncSelect, and which events
// may be posted now ("armed"). The Winsock calls change entries through
// With(); the watcher polls the descriptors the entries want watched,
// decides under the lock which notifications are due, disarms them, and
// posts them after letting go of the lock. Only the watcher posts, so the
// notifications of one socket keep their order.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <unordered_map>

#include "platform/core/errors.h"
#include "platform/core/types.h"

namespace platform::net {

enum class Phase { Idle, Connecting, Connected, ConnectFailed, Listening };

struct AsyncSelection {
  HWND window = nullptr;
  UINT message = 0;
  long events = 0;
};

struct SocketEntry {
  int fd = -1;
  Phase phase = Phase::Idle;
  bool bound = false;
  AsyncSelection selection;
  bool read_armed = true;
  bool write_armed = false;
  bool accept_armed = true;
  bool close_armed = true;
  // Input is waiting that the owner has not read yet: input is not watched
  // again until it reads (otherwise the poll would report it forever).
  bool data_unread = false;
  bool peer_closed = false;
  // A finished connect whose FD_CONNECT has not been posted yet.
  bool connect_noticed = true;
  DWORD connect_error = 0;

  bool Selected(long event) const { return (selection.events & event) != 0; }
  // Marks a finished connect: 0 connected, else the error it failed with.
  void FinishConnect(DWORD error);
};

class SocketTable {
 public:
  using Poster = std::function<bool(HWND, UINT, WPARAM, LPARAM)>;

  static SocketTable& Get();

  // A new socket number (never reused) for a native descriptor.
  UINT_PTR Add(const SocketEntry& entry);
  // Runs `action(SocketEntry&)` under the lock and returns its result;
  // WSAENOTSOCK when the socket is unknown.
  template <class Action>
  DWORD With(UINT_PTR socket, Action&& action) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = entries_.find(socket);
    if (it == entries_.end()) return WSAENOTSOCK;
    return action(it->second);
  }
  // Closes the descriptor and forgets the socket; false when unknown.
  bool Remove(UINT_PTR socket);
  // Tells the watcher that entries changed (starting it the first time a
  // socket asks for notifications).
  void Wake();
  // Posts FD_WRITE at once from the calling thread when the socket asked
  // for it, is connected and can send now, sparing the watcher's round
  // trip (a sender re-arms after every block). True when it posted.
  bool PostWriteIfWritable(UINT_PTR socket);
  // The function that delivers notifications (PostMessage unless a test
  // replaced it); an empty function restores the default.
  void SetPoster(Poster poster);
  std::size_t Count();

 private:
  SocketTable();
  void Watch();
  Poster CurrentPoster();

  std::mutex mutex_;
  std::unordered_map<UINT_PTR, SocketEntry> entries_;
  UINT_PTR next_ = 0x100;
  int wake_fd_ = -1;
  bool watcher_started_ = false;
  Poster poster_;
};

}  // namespace platform::net
