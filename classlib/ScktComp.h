// Asynchronous socket components: TClientSocket and TServerSocket with
// their socket objects, over the platform's Windows Sockets.
//
// Socket objects. A TCustomWinSocket wraps one socket and a hidden window
// of its own that receives the socket's notifications (WSAAsyncSelect), so
// that a notification still queued for an object that is gone is simply
// dropped with its window. Each notification becomes a call of the
// object's OnSocketEvent (seConnect, seRead, seWrite, seAccept,
// seDisconnect, ...); a notification that carries an error becomes a call
// of OnErrorEvent instead (eeConnect for a failed connect, eeDisconnect for
// a reset, ...). Both handlers are plain replaceable values: an owner that
// takes a socket over (the SOCKS client, a file transfer) saves them, puts
// its own in, and may put the saved ones back.
//
// Errors. An error handler that leaves ErrorCode other than 0 hands it to
// SocketErrorProc, which raises ESocketError unless replaced (the servent
// replaces it with one that does nothing). A send that would block is not
// an error: SendBuf answers -1 and the owner waits for the next seWrite.
//
// Writing. After connecting (and after being accepted) the object gets a
// seWrite as soon as it can send. An owner that has more to send asks for
// another seWrite by taking asWrite out of ASyncStyles and putting it back
// (SetASyncStyles); a SendBuf that would block brings one too once the
// socket can take data again.
//
// Closing. Close() raises seDisconnect at once (when there is a socket) and
// closes the socket; a peer's close arrives as seDisconnect too, after every
// byte the peer sent has been read. The destructor unhooks both handlers
// before it closes, so no event reaches an owner that is going away.
//
// Accepted sockets belong to their TServerWinSocket (its Connections) until
// an owner takes one with Release(); the server frees those it still owns
// once they disconnect, and all of them when it goes itself.
#pragma once

#include <functional>
#include <vector>

#include "classlib/Components.h"
#include "classlib/Exceptions.h"
#include "classlib/MessageHandling.h"
#include "classlib/Object.h"
#include "platform/net/winsock.h"

class TCustomWinSocket;
class TServerWinSocket;

enum TSocketEvent {
  seLookup,
  seConnecting,
  seConnect,
  seDisconnect,
  seListen,
  seAccept,
  seWrite,
  seRead
};
enum TErrorEvent { eeGeneral, eeSend, eeReceive, eeConnect, eeDisconnect, eeAccept };
enum TAsyncStyle { asRead, asWrite, asOOB, asAccept, asConnect, asClose };
using TAsyncStyles = Set<TAsyncStyle>;

using TSocketEventEvent =
    std::function<void(TObject* Sender, TCustomWinSocket* Socket, TSocketEvent SocketEvent)>;
using TSocketErrorEvent = std::function<void(TObject* Sender, TCustomWinSocket* Socket,
                                             TErrorEvent ErrorEvent, int& ErrorCode)>;
using TSocketNotifyEvent = std::function<void(TObject* Sender, TCustomWinSocket* Socket)>;

VELKO_DECLARE_EXCEPTION(ESocketError, Exception);

// Called with the code an error handler left in place; raises ESocketError
// "Windows socket error: <text> (<code>)" unless replaced. An empty value
// raises nothing.
extern std::function<void(int ErrorCode)> SocketErrorProc;

class TCustomWinSocket : public TObject {
 public:
  // Wraps `ASocket` (INVALID_SOCKET: none yet).
  explicit TCustomWinSocket(winsock::SOCKET ASocket);
  ~TCustomWinSocket() override;

  // Raises seDisconnect (when there is a socket) and closes it.
  void Close();
  bool Connected() const { return connected_; }
  winsock::SOCKET SocketHandle() const { return socket_; }
  HWND Handle() const { return window_; }

  // Dotted addresses and ports of the two ends ("" and 0 when unknown).
  String LocalAddress() const;
  int LocalPort() const;
  String RemoteAddress() const;
  int RemotePort() const;
  // The remote host's name as given to Open, else its address.
  String RemoteHost() const;
  String LocalHost() const;

  TAsyncStyles ASyncStyles() const { return styles_; }
  void SetASyncStyles(TAsyncStyles Value);

  // Bytes waiting to be read.
  int ReceiveLength();
  // Reads up to Count bytes: the count read, 0 when the peer has closed,
  // -1 when nothing waits or after an error (reported as eeReceive, the
  // socket then closed).
  int ReceiveBuf(void* Buf, int Count);
  String ReceiveText();
  // Sends up to Count bytes: the count the socket took, -1 when it would
  // block (no event) or after an error (reported as eeSend, the socket then
  // closed).
  int SendBuf(const void* Buf, int Count);
  int SendText(const String& S);

  void* Data = nullptr;
  TSocketEventEvent OnSocketEvent;
  TSocketErrorEvent OnErrorEvent;

 protected:
  // Raise the two handlers (when assigned); Error passes the code left in
  // place to SocketErrorProc.
  void Event(TSocketEvent SocketEvent);
  void Error(TErrorEvent ErrorEvent, int ErrorCode);
  // The socket's notifications; each reacts as described at the top.
  virtual void Connect();
  virtual void Disconnect();
  virtual void Read();
  virtual void Write();
  virtual void Accept();
  // Starts receiving notifications for the current styles.
  void Select();
  void Adopt(winsock::SOCKET ASocket);

  winsock::SOCKET socket_ = winsock::INVALID_SOCKET;
  bool connected_ = false;
  bool closing_ = false;
  String remote_host_;

 private:
  void WndProc(TMessage& Message);

  HWND window_ = nullptr;
  TAsyncStyles styles_;
};

// The socket of a TClientSocket: dials out.
class TClientWinSocket : public TCustomWinSocket {
 public:
  TClientWinSocket() : TCustomWinSocket(winsock::INVALID_SOCKET) {}
  // Looks up `Name` (when `Address` is empty) and dials it at `Port`. A
  // failure of the call itself (not of the connection, which is reported
  // later as eeConnect) goes to the error handler as eeConnect and stays
  // the last error (WSAGetLastError); a connect under way leaves
  // WSAEWOULDBLOCK there.
  void Open(const String& Name, const String& Address, int Port);

 protected:
  void Connect() override;
};

// An accepted socket.
class TServerClientWinSocket : public TCustomWinSocket {
 public:
  TServerClientWinSocket(winsock::SOCKET ASocket, TServerWinSocket* ServerWinSocket);
  ~TServerClientWinSocket() override;
  // The listening socket that accepted it (null once that is gone).
  TServerWinSocket* ServerWinSocket() const { return server_; }

 protected:
  void Disconnect() override;

 private:
  friend class TServerWinSocket;
  std::uint64_t serial_;  // names it in the server's deferred free
  TServerWinSocket* server_;
};

// The socket of a TServerSocket: listens and accepts.
class TServerWinSocket : public TCustomWinSocket {
 public:
  TServerWinSocket();
  ~TServerWinSocket() override;

  // Listens on `Port` of `Address` (empty: every address of the machine).
  // A failure goes to the error handler as eeGeneral.
  void Listen(const String& Address, int Port);
  bool Listening() const { return socket_ != winsock::INVALID_SOCKET; }

  // Accepted sockets the server still owns.
  int ActiveConnections() const { return static_cast<int>(connections_.size()); }
  TServerClientWinSocket* Connections(int Index) const;
  // The caller becomes the owner of `Socket` (and deletes it when done);
  // false when the server did not own it.
  bool Release(TCustomWinSocket* Socket);

  // Raised for every accepted socket, after its handlers were set to the
  // server's client events below.
  TSocketNotifyEvent OnClientConnect;
  // Events of accepted sockets whose handlers were not replaced.
  TSocketNotifyEvent OnClientDisconnect;
  TSocketNotifyEvent OnClientRead;
  TSocketNotifyEvent OnClientWrite;
  TSocketErrorEvent OnClientError;

 protected:
  void Accept() override;

 private:
  friend class TServerClientWinSocket;
  void ClientEvent(TCustomWinSocket* Socket, TSocketEvent SocketEvent);
  void ClientDisconnected(TServerClientWinSocket* Socket);
  void ClientGone(TServerClientWinSocket* Socket);
  void FreeWindowProc(TMessage& Message);

  std::vector<TServerClientWinSocket*> connections_;
  // Accepted sockets not released, so that none outlives the server.
  std::vector<TServerClientWinSocket*> all_clients_;
  HWND free_window_ = nullptr;
};

// Common part of the two components.
class TCustomSocket : public TComponent {
 public:
  explicit TCustomSocket(TComponent* AOwner) : TComponent(AOwner) {}

  bool Active() const { return active_; }
  void SetActive(bool Value);
  void Open() { SetActive(true); }
  void Close() { SetActive(false); }

  String Host;
  String Address;
  int Port = 0;

  TSocketNotifyEvent OnLookup;
  TSocketNotifyEvent OnConnecting;
  TSocketNotifyEvent OnConnect;
  TSocketNotifyEvent OnDisconnect;
  TSocketNotifyEvent OnListen;
  TSocketNotifyEvent OnAccept;
  TSocketNotifyEvent OnRead;
  TSocketNotifyEvent OnWrite;
  TSocketErrorEvent OnError;

 protected:
  virtual void DoActivate(bool Value) = 0;
  // The socket object's default handlers: they raise the events above.
  void DoEvent(TCustomWinSocket* Socket, TSocketEvent SocketEvent);
  void DoError(TCustomWinSocket* Socket, TErrorEvent ErrorEvent, int& ErrorCode);

  bool active_ = false;
};

enum TClientType { ctNonBlocking, ctBlocking };

class TClientSocket : public TCustomSocket {
 public:
  explicit TClientSocket(TComponent* AOwner);
  ~TClientSocket() override;

  TClientWinSocket* Socket() const { return socket_; }
  TClientType ClientType = ctNonBlocking;

 protected:
  void DoActivate(bool Value) override;

 private:
  TClientWinSocket* socket_;
};

enum TServerType { stNonBlocking, stThreadBlocking };

class TServerSocket : public TCustomSocket {
 public:
  explicit TServerSocket(TComponent* AOwner);
  ~TServerSocket() override;

  TServerWinSocket* Socket() const { return socket_; }
  TServerType ServerType = stNonBlocking;

  TSocketNotifyEvent OnClientConnect;
  TSocketNotifyEvent OnClientDisconnect;
  TSocketNotifyEvent OnClientRead;
  TSocketNotifyEvent OnClientWrite;
  TSocketErrorEvent OnClientError;

 protected:
  void DoActivate(bool Value) override;

 private:
  TServerWinSocket* socket_;
};
