// The servent component (TGnutella over the abstract TFileShareGnu): its
// peer links, host list, routing table, shared files, listening socket and
// the hidden window that frees links; connecting and disconnecting,
// accepting links, and what it does with every descriptor a link delivers.
//
// Links are freed only through message 0x600 (WM_FREECLIENT) posted to the
// hidden window, naming the link by its serial number, never inside their
// own events; destruction frees whatever links are left directly. A link
// that handed its socket to a file transfer is freed too, so it no longer
// counts towards the connection limits.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "classlib/Components.h"
#include "classlib/ScktComp.h"
#include "classlib/Timers.h"
#include "network/GnutellaClient.h"
#include "network/GnutellaMessages.h"
#include "network/IPManager.h"
#include "network/SharedFiles.h"
#include "network/Socksify.h"

constexpr UINT WM_FREECLIENT = 0x600;

using TOnErrorEvent =
    std::function<void(TObject* Sender, int ErrorType, int ErrorCode, const String& ErrorMsg)>;
using TOnUnknownCommand = std::function<void(TObject* Sender, const String& Command)>;

// The file-sharing component a window places; TGnutella implements it.
class TFileShareGnu : public TComponent {
 public:
  explicit TFileShareGnu(TComponent* AOwner);
  ~TFileShareGnu() override;

  String Host;  // for a manual connect
  int Port = 0;
  virtual WORD ListenPort() const { return listen_port_; }
  // 0 also sets Firewall.
  virtual void SetListenPort(WORD Value);
  bool Firewall() const { return firewall_; }
  // True also sets ListenPort 0.
  void SetFirewall(bool Value);
  bool Connected() const { return connected_; }
  // Writing (any value) disconnects.
  void SetConnected(bool Value);

  TServerSocket* ServerSocket;
  TClientSocket* ClientSocket;

  TNotifyEvent OnConnect;
  TNotifyEvent OnDisconnect;
  TOnErrorEvent OnError;
  TOnUnknownCommand OnUnknownCommand;  // never raised

  virtual void Connect() = 0;
  virtual void Disconnect() = 0;
  virtual void AddShare(const String& FileName) = 0;
  virtual void RemoveShare(const String& FileName) = 0;
  virtual void Search(const String& Text) = 0;

 protected:
  WORD listen_port_ = 0;
  bool firewall_ = false;
  bool connected_ = false;
};

enum TGnutellaVersion { gnu0_4, gnu0_6 };
using TGnutellaClientVersion = BYTE;  // 1 protocol 0.4, 2 protocol 0.6

enum TConnectionType {
  ct14Modem,
  ct28Modem,
  ct33Modem,
  ct56Modem,
  ct64ISDN,
  ct128ISDN,
  ctCable,
  ctDSL,
  ctT1,
  ctT3,
  ctUserDefined
};

// Events. IP and ID are the link's Host and ClientGUID.
using TGnutellaConnectEvent =
    std::function<void(TObject* Sender, const String& IP, const GUID& ID)>;
using TGnutellaErrorEvent =
    std::function<void(TObject* Sender, const String& IP, const GUID& ID, int ErrorType,
                       int ErrorCode, const String& ErrorMsg)>;
using TGnutellaLoginEvent = std::function<void(TObject* Sender, const String& IP, const GUID& ID,
                                               TGnutellaClientVersion Version,
                                               const String& UserAgent, const String& Info)>;
using TGnutellaIncommingConnectionEvent =
    std::function<void(TObject* Sender, const String& IP, bool& Accept)>;
using TGnutellaPingEvent = TGnutellaConnectEvent;
// TotalSize: the shared size in kilobytes, as the pong carries it.
using TGnutellaPongEvent =
    std::function<void(TObject* Sender, const String& IP, const GUID& ID, const String& PongIP,
                       int Port, DWORD NumFiles, DWORD TotalSize)>;
using TGnutellaQueryEvent = std::function<void(TObject* Sender, const String& IP, const GUID& ID,
                                               int MinSpeed, const String& SearchText)>;
using TGnutellaSearchResultEvent =
    std::function<void(TObject* Sender, const String& IP, const GUID& ID, const String& FileIP,
                       int Port, DWORD Speed, const GUID& ServerntID, DWORD FileIndex,
                       DWORD FileSize, const String& Filename, const String& Data)>;
using TGnutellaPushEvent =
    std::function<void(TObject* Sender, const String& IP, const GUID& ID, const String& PushIP,
                       int Port, const String& Filename, DWORD FileIndex, const GUID& ServentID)>;
// The receiver of the socket becomes its owner.
using TGnutellaClientUploadFile =
    std::function<void(TObject* Sender, const String& Filename, int FileIndex,
                       std::int64_t StartOffset, std::int64_t StopOffset, const String& UserAgent, TCustomWinSocket* Socket)>;
using TGnutellaClientReceiveFile =
    std::function<void(TObject* Sender, const String& Filename, int FileIndex,
                       const String& ServentID, TCustomWinSocket* Socket)>;
using TGnutellaUnknownMessageEvent =
    std::function<void(TObject* Sender, const String& IP, const GUID& ID,
                       const TGnutellaHeader& Msg, const BYTE* Data)>;

// The web host-cache client as the servent uses it.
class TGnutellaHostCache {
 public:
  virtual ~TGnutellaHostCache() = default;
  virtual void Start() = 0;
  virtual void Stop() = 0;
};

class TGnutella : public TFileShareGnu {
 public:
  explicit TGnutella(TComponent* AOwner);
  ~TGnutella() override;

  // --- Connections ---------------------------------------------------------
  void Connect() override;
  void Disconnect() override;
  void ConnectTo(const String& AHost, int APort);
  void DisconnectClient(const GUID& ID);
  int GetClientCount() const { return static_cast<int>(Clients.size()); }
  int GetLoggedInCount() const;
  void StartListening();
  void StopListening();
  bool IsListening() const;
  void SetIsListening(bool Value);
  // A host to try (web host cache, X-Try headers).
  void HostFound(const String& IP, int APort);

  // --- Shares and searches -------------------------------------------------
  void AddShare(const String& FileName) override;
  void RemoveShare(const String& FileName) override;
  String GetSharedFileName(DWORD Index) const;
  void Search(const String& Text) override;
  void SendPing();
  void Broadcast(const BYTE* Buffer, std::size_t Length);
  void BroadcastExcept(const BYTE* Buffer, std::size_t Length, const GUID& ID);
  void SendToClient(const BYTE* Buffer, std::size_t Length, const GUID& ID);
  // A push this servent sent for file `FileIndex` of the servent
  // `ServentID`: the one GIV that answers it within GivTimeout is taken.
  // Every other GIV is refused (closed, counted in GivsRefused) and never
  // reaches OnReceiveFile.
  void ExpectGiv(const GUID& ServentID, DWORD FileIndex);
  // Milliseconds a push waits for its GIV.
  DWORD GivTimeout = 60000;
  DWORD GivsRefused = 0;
  // A push for this servent that is not answered (no dial): one for a file
  // index it does not share (OnPush is not raised), or one its receiver
  // turns down. Counted here and, as a push dropped, in PushesDropped.
  void RefusePush();
  DWORD PushesRefused = 0;

  // --- Settings ------------------------------------------------------------
  WORD ListenPort() const override;
  void SetListenPort(WORD Value) override;
  int PingInterval() const { return ping_interval_; }
  void SetPingInterval(int Value);
  int MaxConnections() const { return max_connections_; }
  void SetMaxConnections(int Value);
  TConnectionType ConnectionType() const { return connection_type_; }
  void SetConnectionType(TConnectionType Value);
  int NumClients() const { return num_clients_; }
  double CurrentUpSpeed() const;
  double CurrentDownSpeed() const;
  // Views of the program-wide handshake options.
  String UserAgent() const;
  void SetUserAgent(const String& Value);
  bool Ultrapeer() const;
  void SetUltrapeer(bool Value);
  bool UltrapeerNeeded() const;
  void SetUltrapeerNeeded(bool Value);
  TGnutellaPongCaching PongCaching() const;
  void SetPongCaching(TGnutellaPongCaching Value);
  TGnutellaQueryRouting QueryRouting() const;
  void SetQueryRouting(TGnutellaQueryRouting Value);
  TGnutellaGGEP GGEP() const;
  void SetGGEP(TGnutellaGGEP Value);
  String Machine() const;
  void SetMachine(const String& Value);
  String ListenIP() const;
  void SetListenIP(const String& Value);
  String RemoteIP() const;
  // "0.0.0.0" is ignored.
  void SetRemoteIP(const String& Value);
  String FPAuthChallenge() const;
  void SetFPAuthChallenge(const String& Value);
  String LiveSince() const;
  void SetLiveSince(const String& Value);
  // Reading computes the uptime now; writing stores a text nothing uses.
  String Uptime() const;
  void SetUptime(const String& Value);

  TGnutellaSharedFiles* SharedFiles;
  std::unique_ptr<TGnutellaMessages> Messages;
  // The web host-cache client; none until one is made for the servent.
  TGnutellaHostCache* WebCache = nullptr;
  std::vector<std::unique_ptr<TGnutellaClient>> Clients;
  std::unique_ptr<TIPManager> IPManager;
  TTimer* PingTimer;
  HWND WindowHandle = nullptr;
  TGnutellaVersion Version = gnu0_6;
  WORD LineSpeed = 10000;
  BYTE TTL = 7;
  GUID ServentGUID;
  bool AutoPing = true;
  bool AutoPong = true;
  bool AutoConnect = true;
  int MinConnections = 10;
  WORD MinSpeed = 0;
  String ForceIP = "0.0.0.0";
  bool UseForceIP = false;
  bool AllowGnutella0_4 = true;
  bool BlockLocalSearchResults = false;
  // SOCKS settings: stored; while SocksActive or SocksActiveFileTransfer
  // is on, every change is applied to the program-wide SOCKS client.
  const String& SocksServer() const { return socks_server_; }
  void SetSocksServer(const String& Value);
  WORD SocksPort() const { return socks_port_; }
  void SetSocksPort(WORD Value);
  const String& SocksUsername() const { return socks_username_; }
  void SetSocksUsername(const String& Value);
  const String& SocksPassword() const { return socks_password_; }
  void SetSocksPassword(const String& Value);
  TSocksVersion SocksVersion() const { return socks_version_; }
  void SetSocksVersion(TSocksVersion Value);
  bool SocksActive() const { return socks_active_; }
  void SetSocksActive(bool Value);
  bool SocksActiveFileTransfer() const { return socks_active_file_transfer_; }
  void SetSocksActiveFileTransfer(bool Value);
  // The SOCKS client's error handler: OnError with kind 6 and the zero
  // GUID, the code then cleared; without OnError the code stays (and the
  // SOCKS client raises its exception).
  void SocksError(TObject* Sender, TCustomWinSocket* Socket, int& Code, const String& Text);

  // The twenty message counters, never reset.
  DWORD PingsReceived = 0;
  DWORD PingsSent = 0;
  DWORD PingsForwarded = 0;
  DWORD PingsDropped = 0;
  DWORD PongsReceived = 0;
  DWORD PongsSent = 0;
  DWORD PongsRouted = 0;
  DWORD PongsDropped = 0;
  DWORD PushesReceived = 0;
  DWORD PushesSent = 0;
  DWORD PushesRouted = 0;
  DWORD PushesDropped = 0;
  DWORD QueriesReceived = 0;
  DWORD QueriesSent = 0;
  DWORD QueriesForwarded = 0;
  DWORD QueriesDropped = 0;
  DWORD QueryHitsReceived = 0;
  DWORD QueryHitsSent = 0;
  DWORD QueryHitsRouted = 0;
  DWORD QueryHitsDropped = 0;

  // Events (these hide the base class's OnConnect, OnDisconnect, OnError).
  TGnutellaErrorEvent OnError;
  TGnutellaLoginEvent OnLogin;
  TGnutellaConnectEvent OnDisconnect;
  TGnutellaConnectEvent OnDestroyClient;
  TGnutellaConnectEvent OnConnect;
  TGnutellaUnknownMessageEvent OnUnknownMessage;  // never raised
  TGnutellaPingEvent OnPing;
  TGnutellaPongEvent OnPong;
  TGnutellaQueryEvent OnQuery;
  TGnutellaPushEvent OnPush;
  TGnutellaSearchResultEvent OnSearchResult;
  TGnutellaClientUploadFile OnUploadFile;
  TGnutellaClientReceiveFile OnReceiveFile;
  TGnutellaIncommingConnectionEvent OnIncomingConnection;

 private:
  void OpenClient(const String& AHost, int APort, bool CheckDuplicate, bool UseVersion06);
  void BindLinkEvents(TGnutellaClient* link, bool outgoing);
  void ServerClientConnect(TCustomWinSocket* Socket);
  TGnutellaClient* FindClient(const GUID& ID) const;
  TGnutellaClient* FindClient(std::uint64_t serial) const;
  void PostFree(TGnutellaClient* link);
  void WMFreeClient(std::uint64_t serial);
  void WndProc(TMessage& Message);
  void StartWebCache();
  void StopWebCache();

  // Link events.
  void ClientConnect(TGnutellaClient* link);
  void ClientDisconnect(TGnutellaClient* link);
  void ClientError(TGnutellaClient* link, int Kind, int Code, const String& Text);
  void ClientLogin(TGnutellaClient* link, BYTE LinkVersion, const String& AgentText,
                   const String& Info);
  void ClientPing(TGnutellaClient* link, const TGnutellaHeader& Header, const BYTE* Payload);
  void ClientPong(TGnutellaClient* link, const TGnutellaHeader& Header, const BYTE* Payload);
  void ClientQuery(TGnutellaClient* link, const TGnutellaHeader& Header, const BYTE* Payload,
                   const String& SearchText);
  void ClientQueryHit(TGnutellaClient* link, const TGnutellaHeader& Header, const BYTE* Payload);
  void ClientPush(TGnutellaClient* link, const TGnutellaHeader& Header, const BYTE* Payload);
  void ClientMalformed(TGnutellaClient* link, const TGnutellaHeader& Header);
  void ClientUploadFile(TGnutellaClient* link, const String& FileName, int FileIndex,
                        std::int64_t StartOffset, std::int64_t StopOffset, const String& AgentText,
                        TCustomWinSocket* Socket);
  void ClientReceiveFile(TGnutellaClient* link, const String& FileName, int FileIndex,
                         const String& ServentID, TCustomWinSocket* Socket);
  // Passes a received descriptor on (TTL - 1, hops + 1) when its TTL
  // allows, with the payload bytes it arrived with.
  void Forward(const TGnutellaHeader& Header, const BYTE* Payload, const GUID* only_to,
               const GUID* all_but);

  void ApplySocksOptions();
  // Clears the SOCKS client's error handler when it is this servent's.
  void ReleaseSocksClient();
  // Takes the push a GIV answers; false when none waits for it.
  bool TakeExpectedGiv(const String& ServentID, int FileIndex);
  void DropExpiredGivs();

  struct TExpectedGiv {
    GUID ServentID;
    DWORD FileIndex;
    ULONGLONG SentAt;
  };
  std::vector<TExpectedGiv> expected_givs_;

  String socks_server_;
  WORD socks_port_ = 1080;
  String socks_username_;
  String socks_password_;
  TSocksVersion socks_version_ = svSocks5;
  bool socks_active_ = false;
  bool socks_active_file_transfer_ = false;
  int ping_interval_ = 30000;
  int max_connections_ = 50;
  int num_clients_ = 0;
  TConnectionType connection_type_ = ctUserDefined;
};

// Whether a dotted address is one of the local ranges a search result is
// blocked from (0.*, 10.*, 127.*, 192.168.*, 172.16.* to 172.31.*).
bool IsLocalAddress(const String& Address);
// "*" at the end matches the rest; "*" elsewhere skips to the first
// character equal to the pattern's next one; "?" matches one character.
bool MatchWildcard(const String& Text, const String& Pattern);
// Whether a host is dotted IPv4 text the servent dials: after leading
// blanks only digits, dots and blanks, three dots, and an address.
bool IsDottedAddress(const String& Host);
