// One peer link of the servent (TGnutellaClient) and the program-wide
// handshake options (TGnutellaClientOptions).
//
// A link is outgoing (it dials a host) or incoming (the servent's listening
// socket accepted it). It runs the text handshake, cuts the received bytes
// into descriptors and raises one event per descriptor, queues and writes
// descriptors, builds pings and pongs, keeps byte counters and rates, and
// holds a handshake time limit. An incoming link whose first request is an
// HTTP "GET /get/" or a "GIV " line hands its socket to the file transfers
// through an event and takes no further part. The link decides nothing
// about routing: the servent's handlers of its events do.
//
// Sending goes through SendBuffer: each write sends at most 8192 bytes and
// advances by what the socket took; when the socket would block, nothing
// more is sent until it says it can take data again, so no byte is lost or
// sent twice. Descriptors sent while a link dispatches what it read are
// gathered and written once that read is done. Reading appends to ReceiveBuffer; every handshake
// step waits for its whole line or header block and leaves what follows it for the descriptor
// parser.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "classlib/DateTime.h"
#include "classlib/ScktComp.h"
#include "classlib/Timers.h"
#include "network/GnutellaDescriptors.h"
#include "network/GnutellaHandshake.h"
#include "platform/net/guids.h"

// ---------------------------------------------------------------------------
// Handshake options
// ---------------------------------------------------------------------------

// The values every link announces in its handshake; one program-wide
// instance (GnutellaClientOptions()), shared by every servent.
class TGnutellaClientOptions {
 public:
  TGnutellaClientOptions();

  String UserAgent = "TGnutella 1.0";
  TGnutellaPongCaching PongCaching = gpcNo;
  TGnutellaQueryRouting QueryRouting = gqrNo;
  String LiveSince;            // the start date in the short date format
  String Uptime = "0D 0H 0M";  // stored only; the header computes its own
  bool Ultrapeer = false;
  bool UltrapeerNeeded = true;
  String Machine;
  String ListenIP;  // own address + ":" + port
  String RemoteIP;  // own address
  TGnutellaGGEP GGEP = gGGEPNo;
  String FPAuthChallenge;
  int LeafMax = 0;
  WORD ListenPort = 6346;
  TDateTime StartTime = 0;

  // The header block an outgoing 0.6 link sends after its CONNECT line.
  // The Listen-IP line always carries the current ListenPort.
  String GetHandshakeHeaders() const;
  // Whole minutes since StartTime as "<days>D <hours>H <minutes>M".
  String GetUptime() const;
};

TGnutellaClientOptions& GnutellaClientOptions();

// Every address of the host's own name, as dotted text.
std::vector<String> GetHostAddresses();
// The machine's own IPv4 address: the host name's first address, replaced
// by the first adapter's and then by every dial-up (PPP) adapter's when the
// adapters can be read; empty when nothing is found.
String GetLocalIP();

// ---------------------------------------------------------------------------
// Peer link
// ---------------------------------------------------------------------------

// Error kinds of OnError.
constexpr int gekSocket = 1;
constexpr int gekHandshake = 2;
constexpr int gekTimeout = 3;
constexpr int gekCannotConnect = 4;
constexpr int gekSocks = 6;

// The longest piece one write sends.
constexpr int kSendPieceSize = 8192;

class TGnutellaClient;

using TGnutellaClientNotify = std::function<void(TGnutellaClient* Sender)>;
using TGnutellaClientError =
    std::function<void(TGnutellaClient* Sender, int Kind, int Code, const String& Text)>;
using TGnutellaClientLogin = std::function<void(TGnutellaClient* Sender, BYTE Version,
                                                const String& UserAgent, const String& Info)>;
using TGnutellaClientFilter = std::function<void(
    TGnutellaClient* Sender, const TGnutellaHeader& Header, const String& Text, bool& Accept)>;
using TGnutellaClientHeaderEvent =
    std::function<void(TGnutellaClient* Sender, const TGnutellaHeader& Header)>;
// `Payload` holds Header.PayloadLength bytes; valid only during the call.
using TGnutellaClientPayloadEvent = std::function<void(
    TGnutellaClient* Sender, const TGnutellaHeader& Header, const BYTE* Payload)>;
using TGnutellaClientQueryEvent =
    std::function<void(TGnutellaClient* Sender, const TGnutellaHeader& Header, const BYTE* Payload,
                       const String& SearchText)>;
// The receiver of the socket becomes its owner.
using TGnutellaClientUploadEvent = std::function<void(
    TGnutellaClient* Sender, const String& FileName, int FileIndex, std::int64_t StartOffset,
    std::int64_t StopOffset,
    const String& UserAgent, TCustomWinSocket* Socket)>;
using TGnutellaClientReceiveEvent =
    std::function<void(TGnutellaClient* Sender, const String& FileName, int FileIndex,
                       const String& ServentID, TCustomWinSocket* Socket)>;
using TGnutellaClientHostEvent =
    std::function<void(TGnutellaClient* Sender, const String& IP, int Port)>;

// A byte buffer whose position marks the first byte not yet used (sent or
// parsed); used bytes are dropped from the front now and then.
class TGnutellaBuffer {
 public:
  void Append(const void* data, std::size_t length);
  const BYTE* Unread() const { return bytes_.data() + position_; }
  std::size_t UnreadSize() const { return bytes_.size() - position_; }
  void Advance(std::size_t count);
  void Clear();
  std::size_t Position() const { return position_; }
  std::size_t Size() const { return bytes_.size(); }

 private:
  std::vector<BYTE> bytes_;
  std::size_t position_ = 0;
};

class TGnutellaClient {
 public:
  // An outgoing link; Open() dials it. UseVersion06 picks protocol 0.6
  // (else 0.4). OnCreated is called (when assigned) during construction,
  // so it is given here.
  TGnutellaClient(const String& Host, int Port, bool UseVersion06,
                  TGnutellaClientNotify OnCreated = nullptr);
  // An incoming link on an accepted socket, which the link now owns.
  TGnutellaClient(TCustomWinSocket* Socket, DWORD LocalIP);
  // Closes the socket without telling anyone, then OnDestroyed.
  ~TGnutellaClient();
  TGnutellaClient(const TGnutellaClient&) = delete;
  TGnutellaClient& operator=(const TGnutellaClient&) = delete;

  // Dials the outgoing link's host. A failure of the call itself is
  // OnError kind 4 with its Winsock code and "WSACannot connect
  // TGnutellaClient", and the client socket goes.
  void Open();

  bool GetConnected() const;
  // Closes the link's socket (its disconnect event follows at once).
  void Disconnect();
  GUID GetGUID() const { return ClientGUID; }
  // The servent's number for this link (never reused).
  std::uint64_t Serial() const { return serial_; }
  // The link's socket: the accepted one, or the client socket's.
  TCustomWinSocket* Socket() const;

  void SendPing(GUID* PingGUID = nullptr);
  // TotalKilobytes: the shared size in kilobytes, as every servent reads it.
  void SendPong(const GUID& PingGUID, DWORD FileCount, DWORD TotalKilobytes);
  // Dropped when not logged in (GUID then left alone).
  void SendDescriptor(const BYTE* Buffer, std::size_t Length, GUID* DescriptorGUID = nullptr);

  // Fields.
  BYTE Version = 0;  // 0 incoming, 1 protocol 0.4, 2 protocol 0.6
  String Host;
  int Port = 0;
  bool AwaitingHandshake = true;
  bool Incoming = false;
  bool LoggedIn = false;
  TGnutellaBuffer ReceiveBuffer;
  TGnutellaBuffer SendBuffer;
  int HandshakeTimeout = 20;
  String ProtocolWord;
  BYTE TTL = 7;
  DWORD LocalIP = 0;  // network order
  double BytesReceived = 0;
  double BytesReceivedAtTick = 0;
  double BytesSent = 0;
  double BytesSentAtTick = 0;
  double UpRate = 0;
  double DownRate = 0;
  DWORD SecondsAlive = 0;
  String RemoteFPAuthChallenge;
  String RemoteRemoteIP;
  String RemoteListenIP;
  String RemoteMachine;
  BYTE RemoteHopsFlow = 0;
  TCustomWinSocket* ServerSocket = nullptr;     // incoming: the accepted socket
  std::unique_ptr<TClientSocket> ClientSocket;  // outgoing: the dialling socket
  GUID ClientGUID;
  std::unique_ptr<TTimer> Timer;
  DWORD SecondsSinceConnect = 0;
  bool Redial04 = false;
  String HandshakeHeaders;
  TGnutellaQueryRouting RemoteQueryRouting = gqrNo;
  TGnutellaPongCaching RemotePongCaching = gpcNo;
  TGnutellaGGEP RemoteGGEP = gGGEPNo;
  bool RemoteUltrapeer = true;
  String RemoteUserAgent;
  String RemoteLiveSince;
  String RemoteUptime;
  bool RemoteUltrapeerNeeded = false;
  int RemoteLeafMax = 0;

  // Events (called only when assigned, with the link as sender).
  TGnutellaClientFilter OnFilter;
  TGnutellaClientError OnError;
  TGnutellaClientLogin OnLogin;
  TGnutellaClientNotify OnDisconnect;
  TGnutellaClientNotify OnConnect;
  TGnutellaClientPayloadEvent OnUnknown;
  // A ping may carry extensions: they come with it, to be passed on.
  TGnutellaClientPayloadEvent OnPing;
  TGnutellaClientPayloadEvent OnPong;
  TGnutellaClientQueryEvent OnQuery;
  TGnutellaClientPayloadEvent OnQueryHit;
  TGnutellaClientPayloadEvent OnPush;
  TGnutellaClientUploadEvent OnUploadFile;
  TGnutellaClientReceiveEvent OnReceiveFile;
  TGnutellaClientNotify OnCreated;
  TGnutellaClientNotify OnDestroyed;
  TGnutellaClientHostEvent OnTryHost;
  TGnutellaClientHostEvent OnTryUltrapeer;
  // A descriptor whose payload is too short for its fields: not dispatched.
  TGnutellaClientHeaderEvent OnMalformed;
  // The socket went to a file transfer (after OnUploadFile/OnReceiveFile).
  TGnutellaClientNotify OnHandedOver;

 private:
  void InitFields();
  void HookSocket(TCustomWinSocket* socket);
  void SocketEvent(TSocketEvent SocketEvent);
  void SocketError(TErrorEvent ErrorEvent, int& ErrorCode);
  void SocketConnected();
  void SocketDisconnected();
  void SocketRead();
  void Tick();
  // Sends the next piece of SendBuffer.
  void Flush();
  void Queue(const void* data, std::size_t length);
  void RearmWrite();
  void ParseDescriptors();
  void ParseHeld();
  void Dispatch(const TFrame& frame);
  void ClientHandshake();
  void ServerHandshake();
  void ApplyHeaders(const TRemoteHeaders& headers);
  void LogIn(BYTE version, const String& user_agent, const String& info);
  void Refuse(int code, const String& text);
  // Gives the socket away to a file transfer.
  TCustomWinSocket* HandOver();
  void RaiseError(int kind, int code, const String& text);

  // Sending is held back while the descriptors of one read are dispatched:
  // what they pass on to a link goes out together once the read is done,
  // one piece per link rather than one send per descriptor.
  static void BeginHold();
  static void EndHold();
  static int hold_depth_;
  static std::vector<TGnutellaClient*> held_;
  bool held_flush_ = false;

  std::uint64_t serial_;
  bool opening_ = false;  // a failure inside Open() is reported by Open
  bool refused_ = false;  // the peer refused the handshake
};
