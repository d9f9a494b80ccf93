// The SOCKS client: lets an asynchronous client socket reach its target
// through a SOCKS 4, 4A or 5 proxy without its owner knowing. It takes over
// the socket's two handlers, dials the proxy instead of the target,
// negotiates, and gives the socket back to the owner's handlers with a
// connect event (then a write event) once the tunnel is open. Proxy
// refusals reach the owner as an ordinary connect error 10060; other
// failures go to OnError first, then to the owner as 10060 too. Every
// failure closes the socket.
//
// Records are keyed by a serial number of their own and removed when their
// socket closes or goes, so a later socket at the same address is never
// taken for an old one.
//
// The proxy's answers are read by the pure functions below, from the bytes
// gathered so far; bytes after the last answer go to the owner by a read
// event once the tunnel is open.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "classlib/Exceptions.h"
#include "classlib/ScktComp.h"
#include "platform/net/winsock.h"

enum TSocksVersion { svSocks4, svSocks4A, svSocks5 };

VELKO_DECLARE_EXCEPTION(ESocksError, Exception);

using TSocksErrorEvent = std::function<void(TObject* Sender, TCustomWinSocket* Socket,
                                            int& ErrorCode, const String& ErrorMsg)>;

// The text of a SOCKS error code ("" for 0 and 90).
String SocksErrorText(int Code);

// --- Proxy answers ---------------------------------------------------------

enum TSocksReplyStatus { srWait, srDone };

struct TSocksReply {
  TSocksReplyStatus Status = srWait;
  std::size_t Consumed = 0;  // bytes of the answer when srDone
  BYTE First = 0;            // the version byte (0 for SOCKS 4, 5, or 1 for RFC 1929)
  BYTE Code = 0;             // status, method or reply code
  std::size_t Needed = 0;    // bytes the answer takes, as far as known yet
  bool UnknownAddressType = false;  // SOCKS 5 connect answer
};

// SOCKS 4/4A: 8 bytes.
TSocksReply ReadSocks4Reply(std::string_view unread);
// SOCKS 5 method choice and RFC 1929 answer: 2 bytes.
TSocksReply ReadSocks5TwoByteReply(std::string_view unread);
// SOCKS 5 connect answer: 4 bytes, then the bound address by its type
// (4 bytes; a length byte and that many; 16 bytes) and 2 port bytes. An
// unknown address type takes the 4 bytes only.
TSocksReply ReadSocks5ConnectReply(std::string_view unread);

// --- Requests --------------------------------------------------------------

// Whether a host is dotted IPv4 text as the proxy is told it directly:
// after leading blanks only digits, dots and blanks, exactly three dots.
bool IsSocksDottedHost(const std::string& Host);
// `address` in network byte order.
std::string Socks4Request(std::uint16_t Port, std::uint32_t Address, const std::string& Username,
                          const std::string* Host4A);
std::string Socks5Greeting(bool WithPassword);
std::string Socks5Authentication(const std::string& Username, const std::string& Password);
std::string Socks5Connect(const std::string& Host, std::uint16_t Port);

// --- The client --------------------------------------------------------------

struct TSocksConnection {
  std::uint64_t Serial = 0;
  TClientSocket* Socket = nullptr;
  TCustomWinSocket* Inner = nullptr;
  BYTE State = 0;  // 0 new, 1 first request sent, 2 connect sent, 3 authentication sent, 4 failed, 6 open
  String Host;     // the target, at most 255 characters
  int Port = 0;
  String SavedAddress;
  TSocketEventEvent SavedEvent;
  TSocketErrorEvent SavedError;
  std::string Answer;  // bytes of the proxy's answer gathered so far
};

class TSocksWatcher;

class TSocksify {
 public:
  TSocksify();
  ~TSocksify();

  TSocksVersion Version = svSocks5;
  String Server;
  int Port = 1080;
  String Username;
  String Password;
  TSocksErrorEvent OnError;

  // Routes `Socket` through the proxy (see the header comment). A socket
  // without a host fails with 41001; a user name or password over 255
  // bytes with 41004, before anything is sent.
  void Socksify(TClientSocket* Socket);
  // Records still held (for tests: none stays after its socket went).
  std::size_t RecordCount() const { return connections_.size(); }

 private:
  TSocksConnection* Find(std::uint64_t serial) const;
  // Takes the record out of the lists (null when it is gone).
  std::unique_ptr<TSocksConnection> Take(std::uint64_t serial);
  // Gives the socket its own handlers, host and port back.
  void Restore(TSocksConnection& record);
  void SocketEvent(std::uint64_t serial, TCustomWinSocket* Socket, TSocketEvent Event);
  void SocketError(std::uint64_t serial, TCustomWinSocket* Socket, TErrorEvent Event, int& Code);
  void StartNegotiation(TSocksConnection& c);
  void ReadAnswer(std::uint64_t serial);
  void OpenTunnel(std::uint64_t serial);
  // Fails the connection with `Code` (see the header comment); may raise
  // ESocksError when OnError leaves the code in place.
  void Fail(std::uint64_t serial, int Code);
  // OnError with the code's text; the code it leaves.
  int ReportError(TCustomWinSocket* Socket, int Code);
  void Send(TSocksConnection& c, const std::string& bytes);

  TSocksWatcher* watcher_ = nullptr;

  winsock::WSADATA WSAData;
  bool started_ = false;
  std::uint64_t next_serial_ = 1;
  std::vector<std::unique_ptr<TSocksConnection>> connections_;
};

// The program-wide instance.
TSocksify& SocksClient();
void SetSocksOptions(const String& Server, int Port, TSocksVersion Version,
                     TSocksErrorEvent OnError, const String& Username, const String& Password);
// Does nothing unless a server and a port are set.
void SocksifyClientSocket(TClientSocket* Socket);
void SetSocksForPeers(bool Flag);
void SetSocksForTransfers(bool Flag);
bool SocksForPeers();
bool SocksForTransfers();
