#include "platform/net/socket_table.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <thread>
#include <vector>

#include "platform/net/native_sockets.h"
#include "platform/net/winsock.h"
#include "platform/user/message_queue.h"

namespace platform::net {

namespace {

struct Notification {
  HWND window;
  UINT message;
  UINT_PTR socket;
  WORD event;
  WORD error;
};

// What the watcher asks poll about for one entry (0: not watched).
short Interest(const SocketEntry& entry) {
  if (entry.selection.events == 0) return 0;
  switch (entry.phase) {
    case Phase::Connecting:
      return POLLOUT;
    case Phase::Listening:
      return entry.accept_armed && entry.Selected(winsock::FD_ACCEPT) ? POLLIN : 0;
    case Phase::Connected: {
      short interest = 0;
      bool wants_input = (entry.read_armed && entry.Selected(winsock::FD_READ)) ||
                         (entry.close_armed && entry.Selected(winsock::FD_CLOSE));
      if (wants_input && !entry.peer_closed && !entry.data_unread) interest |= POLLIN | POLLRDHUP;
      if (entry.write_armed && entry.Selected(winsock::FD_WRITE)) interest |= POLLOUT;
      return interest;
    }
    default:
      return 0;
  }
}

void PostConnectIfDue(UINT_PTR socket, SocketEntry& entry, std::vector<Notification>& due) {
  if (entry.connect_noticed || !entry.Selected(winsock::FD_CONNECT)) return;
  entry.connect_noticed = true;
  due.push_back({entry.selection.window, entry.selection.message, socket,
                 static_cast<WORD>(winsock::FD_CONNECT), static_cast<WORD>(entry.connect_error)});
}

void Evaluate(UINT_PTR socket, SocketEntry& entry, short revents, std::vector<Notification>& due) {
  auto post = [&](long event, DWORD error) {
    due.push_back({entry.selection.window, entry.selection.message, socket,
                   static_cast<WORD>(event), static_cast<WORD>(error)});
  };
  if (entry.phase == Phase::Connecting) {
    DWORD outcome = NativeConnectOutcome(entry.fd);
    if (outcome == WSAEWOULDBLOCK) return;
    entry.FinishConnect(outcome);
  }
  PostConnectIfDue(socket, entry, due);
  if (entry.phase == Phase::Listening) {
    if ((revents & POLLIN) && entry.accept_armed && entry.Selected(winsock::FD_ACCEPT)) {
      entry.accept_armed = false;
      post(winsock::FD_ACCEPT, 0);
    }
    return;
  }
  if (entry.phase != Phase::Connected) return;
  if ((revents & (POLLIN | POLLRDHUP | POLLHUP | POLLERR)) && !entry.peer_closed &&
      !entry.data_unread) {
    InputState state = NativeInputState(entry.fd);
    switch (state) {
      case InputState::Data:
        entry.data_unread = true;
        if (entry.read_armed && entry.Selected(winsock::FD_READ)) {
          entry.read_armed = false;
          post(winsock::FD_READ, 0);
        }
        break;
      case InputState::Closed:
      case InputState::Reset: {
        bool reset = state == InputState::Reset;
        entry.peer_closed = true;
        if (entry.close_armed && entry.Selected(winsock::FD_CLOSE)) {
          entry.close_armed = false;
          post(winsock::FD_CLOSE, reset ? WSAECONNRESET : 0);
        }
        break;
      }
      case InputState::Nothing:
        break;
    }
  }
  if ((revents & (POLLOUT | POLLERR | POLLHUP)) && entry.write_armed &&
      entry.Selected(winsock::FD_WRITE)) {
    entry.write_armed = false;
    post(winsock::FD_WRITE, 0);
  }
}

}  // namespace

void SocketEntry::FinishConnect(DWORD error) {
  phase = error == 0 ? Phase::Connected : Phase::ConnectFailed;
  connect_error = error;
  connect_noticed = false;
  if (error == 0) {
    write_armed = true;
    read_armed = true;
  }
}

SocketTable& SocketTable::Get() {
  static auto* table = new SocketTable;  // never destroyed: the watcher outlives main
  return *table;
}

SocketTable::SocketTable() {
  wake_fd_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
}

UINT_PTR SocketTable::Add(const SocketEntry& entry) {
  std::lock_guard<std::mutex> lock(mutex_);
  UINT_PTR socket = next_++;
  entries_.emplace(socket, entry);
  return socket;
}

bool SocketTable::Remove(UINT_PTR socket) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = entries_.find(socket);
    if (it == entries_.end()) return false;
    NativeClose(it->second.fd);
    entries_.erase(it);
  }
  Wake();
  return true;
}

void SocketTable::Wake() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!watcher_started_) {
      bool anyone_listens = false;
      for (auto& [socket, entry] : entries_) anyone_listens |= entry.selection.events != 0;
      if (!anyone_listens) return;
      watcher_started_ = true;
      std::thread([this] { Watch(); }).detach();
    }
  }
  std::uint64_t one = 1;
  [[maybe_unused]] auto written = ::write(wake_fd_, &one, sizeof one);
}

bool SocketTable::PostWriteIfWritable(UINT_PTR socket) {
  Notification note{};
  {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = entries_.find(socket);
    if (it == entries_.end()) return false;
    SocketEntry& entry = it->second;
    if (entry.phase != Phase::Connected || !entry.write_armed || !entry.Selected(winsock::FD_WRITE)) return false;
    pollfd probe{entry.fd, POLLOUT, 0};
    if (::poll(&probe, 1, 0) != 1 || (probe.revents & POLLOUT) == 0) return false;
    entry.write_armed = false;
    note = {entry.selection.window, entry.selection.message, socket, static_cast<WORD>(winsock::FD_WRITE), 0};
  }
  LPARAM lparam = winsock::WSAMAKESELECTREPLY(note.event, note.error);
  Poster poster = CurrentPoster();
  if (poster) {
    poster(note.window, note.message, static_cast<WPARAM>(note.socket), lparam);
  } else {
    PostMessage(note.window, note.message, static_cast<WPARAM>(note.socket), lparam);
  }
  return true;
}

void SocketTable::SetPoster(Poster poster) {
  std::lock_guard<std::mutex> lock(mutex_);
  poster_ = std::move(poster);
}

std::size_t SocketTable::Count() {
  std::lock_guard<std::mutex> lock(mutex_);
  return entries_.size();
}

SocketTable::Poster SocketTable::CurrentPoster() {
  std::lock_guard<std::mutex> lock(mutex_);
  return poster_;
}

void SocketTable::Watch() {
  std::vector<pollfd> fds;
  std::vector<UINT_PTR> sockets;
  std::vector<Notification> due;
  for (;;) {
    fds.assign(1, pollfd{wake_fd_, POLLIN, 0});
    sockets.assign(1, 0);
    due.clear();
    {
      std::lock_guard<std::mutex> lock(mutex_);
      for (auto& [socket, entry] : entries_) {
        // A connect that finished inside the connect call itself.
        PostConnectIfDue(socket, entry, due);
        short interest = Interest(entry);
        if (interest == 0) continue;
        fds.push_back(pollfd{entry.fd, interest, 0});
        sockets.push_back(socket);
      }
    }
    if (due.empty()) {
      if (::poll(fds.data(), fds.size(), -1) < 0 && errno != EINTR) continue;
      if (fds[0].revents & POLLIN) {
        std::uint64_t count = 0;
        [[maybe_unused]] auto got = ::read(wake_fd_, &count, sizeof count);
      }
      std::lock_guard<std::mutex> lock(mutex_);
      for (std::size_t i = 1; i < fds.size(); ++i) {
        if (fds[i].revents == 0) continue;
        auto it = entries_.find(sockets[i]);
        // Closed meanwhile (its descriptor number may already be reused).
        if (it == entries_.end() || it->second.fd != fds[i].fd) continue;
        Evaluate(sockets[i], it->second, fds[i].revents, due);
      }
    }
    Poster poster = CurrentPoster();
    for (const Notification& n : due) {
      LPARAM lparam = winsock::WSAMAKESELECTREPLY(n.event, n.error);
      if (poster) {
        poster(n.window, n.message, static_cast<WPARAM>(n.socket), lparam);
      } else {
        PostMessage(n.window, n.message, static_cast<WPARAM>(n.socket), lparam);
      }
    }
  }
}

}  // namespace platform::net
