#include "classlib/ScktComp.h"

#include <algorithm>
#include <cstring>

#include "classlib/FormatRoutines.h"
#include "platform/user/message_queue.h"
#include "platform/user/messages.h"
#include "platform/user/window.h"

std::function<void(int ErrorCode)> SocketErrorProc = [](int ErrorCode) {
  throw ESocketError(Format("Windows socket error: %s (%d)",
                            {SysErrorMessage(static_cast<std::uint32_t>(ErrorCode)), ErrorCode}));
};

namespace {

using namespace winsock;

// The notification message of a socket object's own window, and the
// server's request to free an accepted socket it owns.
constexpr UINT CM_SOCKETMESSAGE = WM_USER + 1;
constexpr UINT CM_DEFERFREE = WM_USER + 2;

long SelectEvents(TAsyncStyles styles) {
  long events = 0;
  if (styles.Contains(asRead)) events |= FD_READ;
  if (styles.Contains(asWrite)) events |= FD_WRITE;
  if (styles.Contains(asOOB)) events |= FD_OOB;
  if (styles.Contains(asAccept)) events |= FD_ACCEPT;
  if (styles.Contains(asConnect)) events |= FD_CONNECT;
  if (styles.Contains(asClose)) events |= FD_CLOSE;
  return events;
}

TErrorEvent ErrorEventOf(WORD select_event) {
  switch (select_event) {
    case FD_CONNECT:
      return eeConnect;
    case FD_CLOSE:
      return eeDisconnect;
    case FD_READ:
      return eeReceive;
    case FD_WRITE:
      return eeSend;
    case FD_ACCEPT:
      return eeAccept;
    default:
      return eeGeneral;
  }
}

String Dotted(winsock::u_long address) {
  in_addr in;
  in.s_addr = address;
  return inet_ntoa(in);
}

bool EndpointOf(SOCKET s, bool local, sockaddr_in* address) {
  if (s == INVALID_SOCKET) return false;
  int length = sizeof *address;
  auto* name = reinterpret_cast<sockaddr*>(address);
  return (local ? getsockname(s, name, &length) : getpeername(s, name, &length)) == 0;
}

// The address of a host given by dotted text or by name; INADDR_NONE when
// it cannot be found.
winsock::u_long ResolveHost(const String& host) {
  winsock::u_long address = inet_addr(host.c_str());
  if (address != INADDR_NONE || host == "255.255.255.255") return address;
  hostent* entry = gethostbyname(host.c_str());
  if (entry == nullptr || entry->h_addr_list[0] == nullptr) return INADDR_NONE;
  std::memcpy(&address, entry->h_addr_list[0], 4);
  return address;
}

std::uint64_t g_next_serial = 1;

}  // namespace

// ---------------------------------------------------------------------------
// TCustomWinSocket
// ---------------------------------------------------------------------------

TCustomWinSocket::TCustomWinSocket(SOCKET ASocket) : socket_(ASocket) {
  window_ = AllocateHWnd([this](TMessage& Message) { WndProc(Message); });
}

TCustomWinSocket::~TCustomWinSocket() {
  OnSocketEvent = nullptr;
  OnErrorEvent = nullptr;
  if (socket_ != INVALID_SOCKET) closesocket(socket_);
  socket_ = INVALID_SOCKET;
  DeallocateHWnd(window_);
}

void TCustomWinSocket::Adopt(SOCKET ASocket) {
  socket_ = ASocket;
  connected_ = false;
}

void TCustomWinSocket::Close() {
  Disconnect();
}

void TCustomWinSocket::Disconnect() {
  if (socket_ == INVALID_SOCKET || closing_) return;
  // The handler still sees the socket while it runs; a Close() from inside
  // it does not raise the event a second time.
  closing_ = true;
  try {
    Event(seDisconnect);
  } catch (...) {
    closing_ = false;
    if (socket_ != INVALID_SOCKET) closesocket(socket_);
    socket_ = INVALID_SOCKET;
    connected_ = false;
    throw;
  }
  closing_ = false;
  if (socket_ != INVALID_SOCKET) {
    closesocket(socket_);
    socket_ = INVALID_SOCKET;
  }
  connected_ = false;
}

String TCustomWinSocket::LocalAddress() const {
  sockaddr_in address;
  return EndpointOf(socket_, true, &address) ? Dotted(address.sin_addr.s_addr) : String();
}

int TCustomWinSocket::LocalPort() const {
  sockaddr_in address;
  return EndpointOf(socket_, true, &address) ? ntohs(address.sin_port) : 0;
}

String TCustomWinSocket::RemoteAddress() const {
  sockaddr_in address;
  return EndpointOf(socket_, false, &address) ? Dotted(address.sin_addr.s_addr) : String();
}

int TCustomWinSocket::RemotePort() const {
  sockaddr_in address;
  return EndpointOf(socket_, false, &address) ? ntohs(address.sin_port) : 0;
}

String TCustomWinSocket::RemoteHost() const {
  return remote_host_.empty() ? RemoteAddress() : remote_host_;
}

String TCustomWinSocket::LocalHost() const {
  char name[256] = {};
  return gethostname(name, sizeof name) == 0 ? String(name) : String();
}

void TCustomWinSocket::SetASyncStyles(TAsyncStyles Value) {
  styles_ = Value;
  Select();
}

void TCustomWinSocket::Select() {
  if (socket_ == INVALID_SOCKET) return;
  WSAAsyncSelect(socket_, window_, CM_SOCKETMESSAGE, SelectEvents(styles_));
}

int TCustomWinSocket::ReceiveLength() {
  if (socket_ == INVALID_SOCKET) return 0;
  winsock::u_long waiting = 0;
  if (ioctlsocket(socket_, FIONREAD, &waiting) != 0) return 0;
  return static_cast<int>(waiting);
}

int TCustomWinSocket::ReceiveBuf(void* Buf, int Count) {
  if (socket_ == INVALID_SOCKET || Count < 0) return -1;
  int n = recv(socket_, static_cast<char*>(Buf), Count, 0);
  if (n != SOCKET_ERROR) return n;
  int code = WSAGetLastError();
  if (code != static_cast<int>(WSAEWOULDBLOCK)) {
    Error(eeReceive, code);
    Disconnect();
  }
  return -1;
}

String TCustomWinSocket::ReceiveText() {
  String text(static_cast<std::size_t>(ReceiveLength()), '\0');
  if (text.empty()) return text;
  int n = ReceiveBuf(text.data(), static_cast<int>(text.size()));
  text.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
  return text;
}

int TCustomWinSocket::SendBuf(const void* Buf, int Count) {
  if (socket_ == INVALID_SOCKET || Count < 0) return -1;
  int n = send(socket_, static_cast<const char*>(Buf), Count, 0);
  if (n != SOCKET_ERROR) return n;
  int code = WSAGetLastError();
  if (code != static_cast<int>(WSAEWOULDBLOCK)) {
    Error(eeSend, code);
    Disconnect();
  }
  return -1;
}

int TCustomWinSocket::SendText(const String& S) {
  return SendBuf(S.data(), static_cast<int>(S.size()));
}

void TCustomWinSocket::Event(TSocketEvent SocketEvent) {
  if (OnSocketEvent) OnSocketEvent(this, this, SocketEvent);
}

void TCustomWinSocket::Error(TErrorEvent ErrorEvent, int ErrorCode) {
  if (OnErrorEvent) OnErrorEvent(this, this, ErrorEvent, ErrorCode);
  if (ErrorCode != 0 && SocketErrorProc) SocketErrorProc(ErrorCode);
}

void TCustomWinSocket::Connect() {
  connected_ = true;
  Event(seConnect);
}

void TCustomWinSocket::Read() {
  Event(seRead);
}

void TCustomWinSocket::Write() {
  Event(seWrite);
}

void TCustomWinSocket::Accept() {}

void TCustomWinSocket::WndProc(TMessage& Message) {
  if (Message.Msg != CM_SOCKETMESSAGE) {
    Message.Result = DefWindowProc(window_, Message.Msg, Message.WParam, Message.LParam);
    return;
  }
  // Notifications of a socket closed since they were posted are dropped.
  if (socket_ == INVALID_SOCKET || static_cast<SOCKET>(Message.WParam) != socket_) return;
  WORD event = WSAGETSELECTEVENT(Message.LParam);
  WORD error = WSAGETSELECTERROR(Message.LParam);
  if (error != 0) {
    if (event == FD_CLOSE) connected_ = false;  // the connection is gone
    Error(ErrorEventOf(event), error);
    return;
  }
  switch (event) {
    case FD_CONNECT:
      Connect();
      break;
    case FD_CLOSE:
      Disconnect();
      break;
    case FD_READ:
      Read();
      break;
    case FD_WRITE:
      Write();
      break;
    case FD_ACCEPT:
      Accept();
      break;
    default:
      break;
  }
}

// ---------------------------------------------------------------------------
// TClientWinSocket
// ---------------------------------------------------------------------------

void TClientWinSocket::Open(const String& Name, const String& Address, int Port) {
  if (socket_ != INVALID_SOCKET) return;
  remote_host_ = Address.empty() ? Name : Address;
  if (Address.empty() && !Name.empty()) Event(seLookup);
  winsock::u_long target = ResolveHost(remote_host_);
  if (target == INADDR_NONE && remote_host_ != "255.255.255.255") {
    Error(eeConnect, static_cast<int>(WSAHOST_NOT_FOUND));
    SetLastError(WSAHOST_NOT_FOUND);
    return;
  }
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) {
    int code = WSAGetLastError();
    Error(eeConnect, code);
    SetLastError(static_cast<DWORD>(code));
    return;
  }
  Adopt(s);
  SetASyncStyles({asRead, asWrite, asConnect, asClose});
  Event(seConnecting);
  sockaddr_in to;
  to.sin_family = AF_INET;
  to.sin_port = htons(static_cast<winsock::u_short>(Port));
  to.sin_addr.s_addr = target;
  if (connect(s, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0) return;
  int code = WSAGetLastError();
  if (code == static_cast<int>(WSAEWOULDBLOCK)) return;
  // The call itself failed: no connection will be reported.
  if (socket_ == s) {
    closesocket(s);
    socket_ = INVALID_SOCKET;
  }
  Error(eeConnect, code);
  SetLastError(static_cast<DWORD>(code));
}

void TClientWinSocket::Connect() {
  TCustomWinSocket::Connect();
}

// ---------------------------------------------------------------------------
// TServerClientWinSocket
// ---------------------------------------------------------------------------

TServerClientWinSocket::TServerClientWinSocket(SOCKET ASocket, TServerWinSocket* ServerWinSocket)
    : TCustomWinSocket(ASocket), serial_(g_next_serial++), server_(ServerWinSocket) {
  connected_ = true;
}

TServerClientWinSocket::~TServerClientWinSocket() {
  OnSocketEvent = nullptr;
  OnErrorEvent = nullptr;
  if (server_ != nullptr) server_->ClientGone(this);
}

void TServerClientWinSocket::Disconnect() {
  bool had_socket = socket_ != INVALID_SOCKET;
  TCustomWinSocket::Disconnect();
  if (had_socket && server_ != nullptr) server_->ClientDisconnected(this);
}

// ---------------------------------------------------------------------------
// TServerWinSocket
// ---------------------------------------------------------------------------

TServerWinSocket::TServerWinSocket() : TCustomWinSocket(INVALID_SOCKET) {
  free_window_ = AllocateHWnd([this](TMessage& Message) { FreeWindowProc(Message); });
}

TServerWinSocket::~TServerWinSocket() {
  OnClientConnect = nullptr;
  OnClientDisconnect = nullptr;
  OnClientRead = nullptr;
  OnClientWrite = nullptr;
  OnClientError = nullptr;
  std::vector<TServerClientWinSocket*> owned = connections_;
  connections_.clear();
  for (TServerClientWinSocket* client : all_clients_) client->server_ = nullptr;
  all_clients_.clear();
  for (TServerClientWinSocket* client : owned) delete client;
  DeallocateHWnd(free_window_);
}

void TServerWinSocket::Listen(const String& Address, int Port) {
  if (socket_ != INVALID_SOCKET) return;
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) {
    Error(eeGeneral, WSAGetLastError());
    return;
  }
  sockaddr_in at;
  at.sin_family = AF_INET;
  at.sin_port = htons(static_cast<winsock::u_short>(Port));
  at.sin_addr.s_addr = Address.empty() ? htonl(INADDR_ANY) : inet_addr(Address.c_str());
  if (bind(s, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0 || listen(s, SOMAXCONN) != 0) {
    int code = WSAGetLastError();
    closesocket(s);
    Error(eeGeneral, code);
    SetLastError(static_cast<DWORD>(code));
    return;
  }
  Adopt(s);
  SetASyncStyles({asAccept});
  Event(seListen);
}

TServerClientWinSocket* TServerWinSocket::Connections(int Index) const {
  if (Index < 0 || Index >= ActiveConnections()) return nullptr;
  return connections_[static_cast<std::size_t>(Index)];
}

bool TServerWinSocket::Release(TCustomWinSocket* Socket) {
  auto it = std::find(connections_.begin(), connections_.end(), Socket);
  if (it == connections_.end()) return false;
  connections_.erase(it);
  return true;
}

void TServerWinSocket::Accept() {
  SOCKET s = winsock::accept(socket_, nullptr, nullptr);
  if (s == INVALID_SOCKET) {
    int code = WSAGetLastError();
    if (code != static_cast<int>(WSAEWOULDBLOCK)) Error(eeAccept, code);
    return;
  }
  auto* client = new TServerClientWinSocket(s, this);
  client->OnSocketEvent = [this](TObject*, TCustomWinSocket* socket, TSocketEvent event) {
    ClientEvent(socket, event);
  };
  client->OnErrorEvent = [this](TObject* sender, TCustomWinSocket* socket, TErrorEvent event,
                                int& code) {
    if (OnClientError) OnClientError(sender, socket, event, code);
  };
  connections_.push_back(client);
  all_clients_.push_back(client);
  // Its own window from now on (it inherited the listening socket's).
  client->SetASyncStyles({asRead, asWrite, asClose});
  if (OnClientConnect) OnClientConnect(this, client);
  Event(seAccept);
}

void TServerWinSocket::ClientEvent(TCustomWinSocket* Socket, TSocketEvent SocketEvent) {
  switch (SocketEvent) {
    case seRead:
      if (OnClientRead) OnClientRead(this, Socket);
      break;
    case seWrite:
      if (OnClientWrite) OnClientWrite(this, Socket);
      break;
    case seDisconnect:
      if (OnClientDisconnect) OnClientDisconnect(this, Socket);
      break;
    default:
      break;
  }
}

void TServerWinSocket::ClientDisconnected(TServerClientWinSocket* Socket) {
  // Freed later, never inside its own event.
  if (std::find(connections_.begin(), connections_.end(), Socket) != connections_.end()) {
    PostMessage(free_window_, CM_DEFERFREE, static_cast<WPARAM>(Socket->serial_), 0);
  }
}

void TServerWinSocket::ClientGone(TServerClientWinSocket* Socket) {
  connections_.erase(std::remove(connections_.begin(), connections_.end(), Socket),
                     connections_.end());
  all_clients_.erase(std::remove(all_clients_.begin(), all_clients_.end(), Socket),
                     all_clients_.end());
}

void TServerWinSocket::FreeWindowProc(TMessage& Message) {
  if (Message.Msg != CM_DEFERFREE) {
    Message.Result = DefWindowProc(free_window_, Message.Msg, Message.WParam, Message.LParam);
    return;
  }
  for (TServerClientWinSocket* client : connections_) {
    if (client->serial_ == static_cast<std::uint64_t>(Message.WParam)) {
      if (!client->Connected()) delete client;  // removes itself from the lists
      return;
    }
  }
}

// ---------------------------------------------------------------------------
// Components
// ---------------------------------------------------------------------------

void TCustomSocket::SetActive(bool Value) {
  if (Value == active_) return;
  active_ = Value;
  DoActivate(Value);
}

void TCustomSocket::DoEvent(TCustomWinSocket* Socket, TSocketEvent SocketEvent) {
  switch (SocketEvent) {
    case seLookup:
      if (OnLookup) OnLookup(this, Socket);
      break;
    case seConnecting:
      if (OnConnecting) OnConnecting(this, Socket);
      break;
    case seConnect:
      if (OnConnect) OnConnect(this, Socket);
      break;
    case seDisconnect:
      active_ = false;
      if (OnDisconnect) OnDisconnect(this, Socket);
      break;
    case seListen:
      if (OnListen) OnListen(this, Socket);
      break;
    case seAccept:
      if (OnAccept) OnAccept(this, Socket);
      break;
    case seRead:
      if (OnRead) OnRead(this, Socket);
      break;
    case seWrite:
      if (OnWrite) OnWrite(this, Socket);
      break;
  }
}

void TCustomSocket::DoError(TCustomWinSocket* Socket, TErrorEvent ErrorEvent, int& ErrorCode) {
  if (OnError) OnError(this, Socket, ErrorEvent, ErrorCode);
}

TClientSocket::TClientSocket(TComponent* AOwner)
    : TCustomSocket(AOwner), socket_(new TClientWinSocket) {
  socket_->OnSocketEvent = [this](TObject*, TCustomWinSocket* socket, TSocketEvent event) {
    DoEvent(socket, event);
  };
  socket_->OnErrorEvent = [this](TObject*, TCustomWinSocket* socket, TErrorEvent event, int& code) {
    DoError(socket, event, code);
  };
}

TClientSocket::~TClientSocket() {
  delete socket_;
}

void TClientSocket::DoActivate(bool Value) {
  if (Value) {
    socket_->Open(Host, Address, Port);
    if (socket_->SocketHandle() == INVALID_SOCKET) active_ = false;
  } else {
    socket_->Close();
  }
}

TServerSocket::TServerSocket(TComponent* AOwner)
    : TCustomSocket(AOwner), socket_(new TServerWinSocket) {
  socket_->OnSocketEvent = [this](TObject*, TCustomWinSocket* socket, TSocketEvent event) {
    DoEvent(socket, event);
  };
  socket_->OnErrorEvent = [this](TObject*, TCustomWinSocket* socket, TErrorEvent event, int& code) {
    DoError(socket, event, code);
  };
  socket_->OnClientConnect = [this](TObject*, TCustomWinSocket* socket) {
    if (OnClientConnect) OnClientConnect(this, socket);
  };
  socket_->OnClientDisconnect = [this](TObject*, TCustomWinSocket* socket) {
    if (OnClientDisconnect) OnClientDisconnect(this, socket);
  };
  socket_->OnClientRead = [this](TObject*, TCustomWinSocket* socket) {
    if (OnClientRead) OnClientRead(this, socket);
  };
  socket_->OnClientWrite = [this](TObject*, TCustomWinSocket* socket) {
    if (OnClientWrite) OnClientWrite(this, socket);
  };
  socket_->OnClientError = [this](TObject*, TCustomWinSocket* socket, TErrorEvent event,
                                  int& code) {
    if (OnClientError) OnClientError(this, socket, event, code);
  };
}

TServerSocket::~TServerSocket() {
  delete socket_;
}

void TServerSocket::DoActivate(bool Value) {
  if (Value) {
    socket_->Listen(Address, Port);
    if (!socket_->Listening()) active_ = false;
  } else {
    socket_->Close();
  }
}
