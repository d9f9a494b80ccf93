#include "network/Gnutella.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "classlib/StringRoutines.h"
#include "network/GWebCache.h"
#include "platform/core/clock.h"
#include "platform/net/winsock.h"
#include "platform/user/message_queue.h"
#include "platform/user/window.h"

namespace {

String Dotted(DWORD address) {
  winsock::in_addr in;
  in.s_addr = address;
  return winsock::inet_ntoa(in);
}

String GuidText(const GUID& guid) {
  return platform::GuidToText(guid);
}

bool SameGuid(const GUID& a, const GUID& b) {
  return IsEqualGUID(a, b);
}

struct ConnectionPreset {
  int min_connections;
  int max_connections;
  bool ultrapeer;
  bool ultrapeer_needed;
  bool allow_04;
  WORD line_speed;
};

// Rows for ct14Modem to ctT3.
constexpr ConnectionPreset kPresets[] = {
    {2, 5, false, true, false, 14},   {3, 6, false, true, false, 28},
    {4, 7, false, true, false, 33},   {5, 10, false, true, false, 56},
    {6, 11, false, true, false, 64},  {7, 12, false, true, false, 128},
    {8, 20, false, true, false, 300}, {8, 20, false, true, false, 128},
    {15, 50, true, true, true, 1000}, {15, 50, true, true, true, 10000},
};

// "a.b.c.d:port" with a valid address and port, as the host list keeps it.
bool IsHostLine(const String& line) {
  std::size_t colon = line.rfind(':');
  if (colon == String::npos) return false;
  String address = line.substr(0, colon);
  auto port = ParseDecimal(line.substr(colon + 1));
  return IsDottedAddress(address) && port && *port > 0 && *port < 65536;
}

}  // namespace

// ---------------------------------------------------------------------------
// Helpers
// ---------------------------------------------------------------------------

bool MatchWildcard(const String& Text, const String& Pattern) {
  std::size_t t = 0;
  std::size_t p = 0;
  while (t < Text.size()) {
    if (p >= Pattern.size()) return false;
    char c = Pattern[p];
    if (c == '*') {
      if (p + 1 >= Pattern.size()) return true;  // a final "*" takes the rest
      char next = Pattern[p + 1];
      while (t < Text.size() && Text[t] != next) ++t;
      ++p;
      continue;
    }
    if (c != '?' && c != Text[t]) return false;
    ++t;
    ++p;
  }
  // The text is used up: what is left of the pattern may only be a "*".
  return p >= Pattern.size() || (Pattern[p] == '*' && p + 1 == Pattern.size());
}

bool IsLocalAddress(const String& Address) {
  for (const char* pattern : {"0.*.*.*", "10.*.*.*", "127.*.*.*", "192.168.*.*"}) {
    if (MatchWildcard(Address, pattern)) return true;
  }
  for (int n = 16; n <= 31; ++n) {
    if (MatchWildcard(Address, "172." + IntToStr(n) + ".*.*")) return true;
  }
  return false;
}

bool IsDottedAddress(const String& Host) {
  std::size_t start = 0;
  while (start < Host.size() && Host[start] == ' ') ++start;
  int dots = 0;
  for (std::size_t i = start; i < Host.size(); ++i) {
    char c = Host[i];
    if (c == '.') {
      ++dots;
    } else if (!std::isdigit(static_cast<unsigned char>(c)) && c != ' ') {
      return false;
    }
  }
  if (dots != 3) return false;
  String trimmed = Host.substr(start);
  return winsock::inet_addr(trimmed.c_str()) != winsock::INADDR_NONE ||
         Trim(trimmed) == "255.255.255.255";
}

// ---------------------------------------------------------------------------
// TFileShareGnu
// ---------------------------------------------------------------------------

TFileShareGnu::TFileShareGnu(TComponent* AOwner)
    : TComponent(AOwner),
      ServerSocket(new TServerSocket(this)),
      ClientSocket(new TClientSocket(this)) {
  ClientSocket->OnConnect = [this](TObject*, TCustomWinSocket*) {
    connected_ = true;
    if (TFileShareGnu::OnConnect) TFileShareGnu::OnConnect(this);
    if (ListenPort() != 0) {
      ServerSocket->Port = ListenPort();
      ServerSocket->Open();
    }
  };
  ClientSocket->OnDisconnect = [this](TObject*, TCustomWinSocket*) {
    connected_ = false;
    if (TFileShareGnu::OnDisconnect) TFileShareGnu::OnDisconnect(this);
  };
}

TFileShareGnu::~TFileShareGnu() = default;

void TFileShareGnu::SetListenPort(WORD Value) {
  listen_port_ = Value;
  if (Value == 0) firewall_ = true;
}

void TFileShareGnu::SetFirewall(bool Value) {
  firewall_ = Value;
  if (Value) SetListenPort(0);
}

void TFileShareGnu::SetConnected(bool) {
  Disconnect();
}

// ---------------------------------------------------------------------------
// TGnutella: life cycle
// ---------------------------------------------------------------------------

TGnutella::TGnutella(TComponent* AOwner) : TFileShareGnu(AOwner) {
  // Socket errors become events and status text, never exceptions.
  SocketErrorProc = [](int) {};
  SetGGEP(gGGEPNo);
  SetPongCaching(gpcNo);
  SetQueryRouting(gqrNo);
  SetMaxConnections(50);
  SetUserAgent("TGnutella 1.0");
  SetUltrapeer(false);
  SetListenPort(9999);
  WindowHandle = AllocateHWnd([this](TMessage& Message) { WndProc(Message); });
  SharedFiles = new TGnutellaSharedFiles(this);
  Messages = std::make_unique<TGnutellaMessages>();
  PingTimer = new TTimer(this);
  IPManager = std::make_unique<TIPManager>();
  IPManager->FileName = DefaultHostFileName();
  IPManager->LoadFromFile();
  CoCreateGuid(&ServentGUID);
  auto* web_cache = new TGWebCache(this);
  web_cache->OnVerifiedHost = [this](TObject*, const String& IP, int APort) { HostFound(IP, APort); };
  WebCache = web_cache;
  PingTimer->SetEnabled(false);
  PingTimer->SetInterval(static_cast<UINT>(ping_interval_));
  PingTimer->SetOnTimer([this](TObject*) {
    if (AutoPing) SendPing();
  });
}

TGnutella::~TGnutella() {
  // The program-wide SOCKS client outlives the servent: it calls into it
  // no more.
  ReleaseSocksClient();
  Disconnect();
  // Its requests end and its list is saved while the servent is whole.
  delete static_cast<TGWebCache*>(WebCache);
  WebCache = nullptr;
  PingTimer->SetEnabled(false);
  // Links still waiting for their free message go now; none of them
  // tells anyone any more.
  std::vector<std::unique_ptr<TGnutellaClient>> left = std::move(Clients);
  Clients.clear();
  for (auto& link : left) {
    link->OnDisconnect = nullptr;
    link->OnError = nullptr;
    link->OnDestroyed = nullptr;
    link.reset();
  }
  StopListening();
  DeallocateHWnd(WindowHandle);
  WindowHandle = nullptr;
  IPManager->SaveToFile();
}

// ---------------------------------------------------------------------------
// Connections
// ---------------------------------------------------------------------------

int TGnutella::GetLoggedInCount() const {
  return static_cast<int>(std::count_if(Clients.begin(), Clients.end(),
                                        [](const auto& link) { return link->LoggedIn; }));
}

void TGnutella::Connect() {
  if (GetLoggedInCount() > MinConnections) return;
  StartListening();
  if (!AutoConnect) {
    if (!Host.empty()) ConnectTo(Host, Port);
    return;
  }
  const int last = max_connections_;
  for (int i = GetClientCount(); i <= last; ++i) {
    String line = IPManager->GetHost();
    if (line.empty()) break;
    // A line that is no host (a port that is not a number, ...) is skipped.
    if (!IsHostLine(line)) continue;
    std::size_t colon = line.rfind(':');
    ConnectTo(line.substr(0, colon), *ParseDecimal(line.substr(colon + 1)));
  }
  if (GetClientCount() < max_connections_) StartWebCache();
}

void TGnutella::ConnectTo(const String& AHost, int APort) {
  OpenClient(AHost, APort, true, Version == gnu0_6);
}

void TGnutella::OpenClient(const String& AHost, int APort, bool CheckDuplicate, bool UseVersion06) {
  StartListening();
  if (!IsDottedAddress(AHost)) return;  // host names are not dialled
  if (CheckDuplicate) {
    for (const auto& link : Clients) {
      if (link->Host == AHost) return;
    }
  }
  connected_ = true;
  auto owned = std::make_unique<TGnutellaClient>(AHost, APort, UseVersion06,
                                                 [this](TGnutellaClient*) { ++num_clients_; });
  TGnutellaClient* link = owned.get();
  link->OnDestroyed = [this](TGnutellaClient*) { --num_clients_; };
  if (UseForceIP) link->LocalIP = winsock::inet_addr(ForceIP.c_str());
  Clients.push_back(std::move(owned));
  BindLinkEvents(link, true);
  link->Open();
}

void TGnutella::BindLinkEvents(TGnutellaClient* link, bool outgoing) {
  link->OnError = [this](TGnutellaClient* l, int kind, int code, const String& text) {
    ClientError(l, kind, code, text);
  };
  link->OnDisconnect = [this](TGnutellaClient* l) { ClientDisconnect(l); };
  link->OnFilter = [](TGnutellaClient*, const TGnutellaHeader&, const String&, bool& accept) {
    accept = true;
  };
  link->OnLogin = [this](TGnutellaClient* l, BYTE v, const String& agent, const String& info) {
    ClientLogin(l, v, agent, info);
  };
  link->OnConnect = [this](TGnutellaClient* l) { ClientConnect(l); };
  link->OnUnknown = [](TGnutellaClient*, const TGnutellaHeader&, const BYTE*) {};
  link->OnPing = [this](TGnutellaClient* l, const TGnutellaHeader& h, const BYTE* p) {
    ClientPing(l, h, p);
  };
  link->OnPong = [this](TGnutellaClient* l, const TGnutellaHeader& h, const BYTE* p) {
    ClientPong(l, h, p);
  };
  link->OnQuery = [this](TGnutellaClient* l, const TGnutellaHeader& h, const BYTE* p,
                         const String& text) { ClientQuery(l, h, p, text); };
  link->OnQueryHit = [this](TGnutellaClient* l, const TGnutellaHeader& h, const BYTE* p) {
    ClientQueryHit(l, h, p);
  };
  link->OnPush = [this](TGnutellaClient* l, const TGnutellaHeader& h, const BYTE* p) {
    ClientPush(l, h, p);
  };
  link->OnMalformed = [this](TGnutellaClient* l, const TGnutellaHeader& h) {
    ClientMalformed(l, h);
  };
  link->OnUploadFile = [this](TGnutellaClient* l, const String& name, int index,
                              std::int64_t start, std::int64_t stop, const String& agent,
                              TCustomWinSocket* socket) {
    ClientUploadFile(l, name, index, start, stop, agent, socket);
  };
  link->OnReceiveFile = [this](TGnutellaClient* l, const String& name, int index,
                               const String& servent, TCustomWinSocket* socket) {
    ClientReceiveFile(l, name, index, servent, socket);
  };
  link->OnHandedOver = [this](TGnutellaClient* l) { PostFree(l); };
  if (outgoing) {
    link->OnTryHost = [this](TGnutellaClient*, const String& ip, int port) { HostFound(ip, port); };
    link->OnTryUltrapeer = link->OnTryHost;
  }
}

void TGnutella::Disconnect() {
  Host.clear();
  Port = 0;
  connected_ = false;
  AutoConnect = false;
  StopWebCache();
  // Every link is closed; each posts its own free message.
  for (std::size_t i = Clients.size(); i-- > 0;) {
    if (i < Clients.size()) Clients[i]->Disconnect();
  }
}

void TGnutella::DisconnectClient(const GUID& ID) {
  if (TGnutellaClient* link = FindClient(ID)) link->Disconnect();
}

void TGnutella::StartListening() {
  if (ServerSocket->Active() || Firewall()) return;
  ServerSocket->OnClientConnect = [this](TObject*, TCustomWinSocket* socket) {
    ServerClientConnect(socket);
  };
  ServerSocket->Port = ListenPort();
  ServerSocket->Open();
}

void TGnutella::StopListening() {
  if (ServerSocket->Active()) ServerSocket->Close();
}

bool TGnutella::IsListening() const {
  return ServerSocket->Active();
}

void TGnutella::SetIsListening(bool Value) {
  if (Value == IsListening()) return;
  if (Value) {
    StartListening();
  } else {
    StopListening();
  }
}

void TGnutella::ServerClientConnect(TCustomWinSocket* Socket) {
  bool accept = true;
  if (OnIncomingConnection) OnIncomingConnection(this, Socket->RemoteAddress(), accept);
  if (!accept) {
    Socket->Close();  // the listening socket frees it
    return;
  }
  ServerSocket->Socket()->Release(Socket);
  const String& local = UseForceIP ? ForceIP : GnutellaClientOptions().RemoteIP;
  auto owned = std::make_unique<TGnutellaClient>(Socket, winsock::inet_addr(local.c_str()));
  TGnutellaClient* link = owned.get();
  BindLinkEvents(link, false);
  Clients.push_back(std::move(owned));
}

void TGnutella::HostFound(const String& IP, int APort) {
  IPManager->InsertHost(IP + ":" + IntToStr(APort));
  if (AutoConnect) Connect();
  if (GetClientCount() > max_connections_ || GetLoggedInCount() > MinConnections) StopWebCache();
}

// ---------------------------------------------------------------------------
// SOCKS settings
// ---------------------------------------------------------------------------

namespace {

// The program-wide SOCKS client's error handler for one servent; named, so
// that the servent can tell its own handler from another servent's.
struct ServentSocksError {
  TGnutella* servent;
  void operator()(TObject* Sender, TCustomWinSocket* Socket, int& Code, const String& Text) const {
    servent->SocksError(Sender, Socket, Code, Text);
  }
};

}  // namespace

void TGnutella::ApplySocksOptions() {
  if (!socks_active_ && !socks_active_file_transfer_) return;
  SetSocksOptions(socks_server_, socks_port_, socks_version_, ServentSocksError{this}, socks_username_,
                  socks_password_);
}

void TGnutella::ReleaseSocksClient() {
  TSocksify& client = SocksClient();
  const auto* handler = client.OnError.target<ServentSocksError>();
  if (handler != nullptr && handler->servent == this) client.OnError = nullptr;
}

void TGnutella::SetSocksServer(const String& Value) {
  socks_server_ = Value;
  ApplySocksOptions();
}

void TGnutella::SetSocksPort(WORD Value) {
  socks_port_ = Value;
  ApplySocksOptions();
}

void TGnutella::SetSocksUsername(const String& Value) {
  socks_username_ = Value;
  ApplySocksOptions();
}

void TGnutella::SetSocksPassword(const String& Value) {
  socks_password_ = Value;
  ApplySocksOptions();
}

void TGnutella::SetSocksVersion(TSocksVersion Value) {
  socks_version_ = Value;
  ApplySocksOptions();
}

void TGnutella::SetSocksActive(bool Value) {
  socks_active_ = Value;
  SetSocksForPeers(Value);
  ApplySocksOptions();
}

void TGnutella::SetSocksActiveFileTransfer(bool Value) {
  socks_active_file_transfer_ = Value;
  SetSocksForTransfers(Value);
  ApplySocksOptions();
}

void TGnutella::SocksError(TObject*, TCustomWinSocket*, int& Code, const String& Text) {
  if (!OnError) return;
  OnError(this, "", GUID{}, gekSocks, Code, Text);
  Code = 0;
}

void TGnutella::StartWebCache() {
  if (WebCache != nullptr) WebCache->Start();
}

void TGnutella::StopWebCache() {
  if (WebCache != nullptr) WebCache->Stop();
}

TGnutellaClient* TGnutella::FindClient(const GUID& ID) const {
  for (const auto& link : Clients) {
    if (SameGuid(link->ClientGUID, ID)) return link.get();
  }
  return nullptr;
}

TGnutellaClient* TGnutella::FindClient(std::uint64_t serial) const {
  for (const auto& link : Clients) {
    if (link->Serial() == serial) return link.get();
  }
  return nullptr;
}

void TGnutella::PostFree(TGnutellaClient* link) {
  PostMessage(WindowHandle, WM_FREECLIENT, 0, static_cast<LPARAM>(link->Serial()));
}

void TGnutella::WndProc(TMessage& Message) {
  if (Message.Msg == WM_FREECLIENT) {
    WMFreeClient(static_cast<std::uint64_t>(Message.LParam));
    return;
  }
  Message.Result = DefWindowProc(WindowHandle, Message.Msg, Message.WParam, Message.LParam);
}

void TGnutella::WMFreeClient(std::uint64_t serial) {
  // A link can be posted twice (by its disconnect and by its error).
  auto it = std::find_if(Clients.begin(), Clients.end(),
                         [serial](const auto& link) { return link->Serial() == serial; });
  if (it != Clients.end()) {
    std::unique_ptr<TGnutellaClient> link = std::move(*it);
    Clients.erase(it);
    if (link->Redial04 && connected_ && AllowGnutella0_4) {
      OpenClient(link->Host, link->Port, false, false);
    }
    if (OnDestroyClient) OnDestroyClient(this, link->Host, link->ClientGUID);
    link.reset();
  }
  if (GetClientCount() < MinConnections && AutoConnect) StartWebCache();
}

// ---------------------------------------------------------------------------
// Link events about connections
// ---------------------------------------------------------------------------

void TGnutella::ClientConnect(TGnutellaClient* link) {
  if (OnConnect) OnConnect(this, link->Host, link->ClientGUID);
  GnutellaClientOptions().RemoteIP = Dotted(link->LocalIP);
}

void TGnutella::ClientDisconnect(TGnutellaClient* link) {
  if (OnDisconnect) OnDisconnect(this, link->Host, link->ClientGUID);
  PostFree(link);
  if (AutoConnect) Connect();
}

void TGnutella::ClientError(TGnutellaClient* link, int Kind, int Code, const String& Text) {
  if (OnError) OnError(this, link->Host, link->ClientGUID, Kind, Code, Text);
  if (Kind == gekCannotConnect && Code == -1) return;
  PostFree(link);
  if (AutoConnect) Connect();
}

void TGnutella::ClientLogin(TGnutellaClient* link, BYTE LinkVersion, const String& AgentText,
                            const String& Info) {
  if (OnLogin) OnLogin(this, link->Host, link->ClientGUID, LinkVersion, AgentText, Info);
  if (!link->Incoming) {
    IPManager->AddHost(link->Host + ":" + IntToStr(link->Port));
  } else if (IsHostLine(link->RemoteListenIP)) {
    // An incoming link's source port is not where its servent listens.
    IPManager->AddHost(link->RemoteListenIP);
  }
  if (AutoPing) {
    GUID ping;
    link->SendPing(&ping);
    TGnutellaRouteResult unused;
    Messages->Route(gdPing, ping, unused, grdSent, String(), link->ClientGUID);
    ++PingsSent;
  }
}

void TGnutella::ClientUploadFile(TGnutellaClient*, const String& FileName, int FileIndex,
                                 std::int64_t StartOffset, std::int64_t StopOffset, const String& AgentText,
                                 TCustomWinSocket* Socket) {
  if (OnUploadFile) {
    OnUploadFile(this, FileName, FileIndex, StartOffset, StopOffset, AgentText, Socket);
  } else {
    delete Socket;  // nobody takes it
  }
}

void TGnutella::DropExpiredGivs() {
  const ULONGLONG now = GetTickCount64();
  std::erase_if(expected_givs_, [&](const TExpectedGiv& e) { return now - e.SentAt > GivTimeout; });
}

void TGnutella::ExpectGiv(const GUID& ServentID, DWORD FileIndex) {
  DropExpiredGivs();
  expected_givs_.push_back({ServentID, FileIndex, GetTickCount64()});
}

bool TGnutella::TakeExpectedGiv(const String& ServentID, int FileIndex) {
  DropExpiredGivs();
  GUID id{};
  if (ServentID.size() != 2 * sizeof(GUID) || FileIndex < 0) return false;
  auto* bytes = reinterpret_cast<unsigned char*>(&id);
  for (std::size_t i = 0; i < ServentID.size(); ++i) {
    const int c = std::tolower(static_cast<unsigned char>(ServentID[i]));
    int digit = -1;
    if (c >= '0' && c <= '9') digit = c - '0';
    if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    if (digit < 0) return false;
    bytes[i / 2] = static_cast<unsigned char>(bytes[i / 2] << 4 | digit);
  }
  for (auto it = expected_givs_.begin(); it != expected_givs_.end(); ++it) {
    if (SameGuid(it->ServentID, id) && it->FileIndex == static_cast<DWORD>(FileIndex)) {
      expected_givs_.erase(it);
      return true;
    }
  }
  return false;
}

void TGnutella::ClientReceiveFile(TGnutellaClient*, const String& FileName, int FileIndex,
                                  const String& ServentID, TCustomWinSocket* Socket) {
  if (!TakeExpectedGiv(ServentID, FileIndex)) {
    // Nobody asked this peer for a file: it gets to write nothing.
    ++GivsRefused;
    delete Socket;
    return;
  }
  if (OnReceiveFile) {
    OnReceiveFile(this, FileName, FileIndex, ServentID, Socket);
  } else {
    delete Socket;
  }
}

// ---------------------------------------------------------------------------
// Descriptors
// ---------------------------------------------------------------------------

void TGnutella::Broadcast(const BYTE* Buffer, std::size_t Length) {
  for (const auto& link : Clients) {
    if (link->GetConnected() && link->LoggedIn) link->SendDescriptor(Buffer, Length);
  }
}

void TGnutella::BroadcastExcept(const BYTE* Buffer, std::size_t Length, const GUID& ID) {
  for (const auto& link : Clients) {
    if (link->GetConnected() && link->LoggedIn && !SameGuid(link->ClientGUID, ID)) {
      link->SendDescriptor(Buffer, Length);
    }
  }
}

void TGnutella::SendToClient(const BYTE* Buffer, std::size_t Length, const GUID& ID) {
  for (const auto& link : Clients) {
    if (link->GetConnected() && link->LoggedIn && SameGuid(link->ClientGUID, ID)) {
      link->SendDescriptor(Buffer, Length);
      return;
    }
  }
}

void TGnutella::Forward(const TGnutellaHeader& Header, const BYTE* Payload, const GUID* only_to,
                        const GUID* all_but) {
  if (Header.TTL <= 1) return;
  // The payload is the received descriptor's: it holds PayloadLength bytes.
  const std::size_t length = Payload != nullptr ? Header.PayloadLength : 0;
  std::vector<BYTE> passed = ForwardedCopy(Header, Payload, length);
  if (only_to != nullptr) {
    SendToClient(passed.data(), passed.size(), *only_to);
  } else {
    BroadcastExcept(passed.data(), passed.size(), *all_but);
  }
}

void TGnutella::ClientPing(TGnutellaClient* link, const TGnutellaHeader& Header,
                           const BYTE* Payload) {
  ++PingsReceived;
  if (AutoPong) {
    // Answered before the duplicate check: every link that asks gets one.
    // It is recorded under the address it carries, so that it is known
    // again should it come back.
    link->SendPong(Header.DescriptorID, static_cast<DWORD>(SharedFiles->Count()),
                   SharedFiles->TotalKilobytes());
    TGnutellaRouteResult unused;
    Messages->Route(gdPong, Header.DescriptorID, unused, grdSent, Dotted(link->LocalIP),
                    link->ClientGUID);
    ++PongsSent;
  }
  TGnutellaRouteResult route;
  Messages->Route(gdPing, Header.DescriptorID, route, grdReceived, String(), link->ClientGUID);
  if (route.Action != graForward) {
    ++PingsDropped;
    return;
  }
  ++PingsForwarded;
  if (OnPing) OnPing(this, link->Host, link->ClientGUID);
  Forward(Header, Payload, nullptr, &link->ClientGUID);
}

void TGnutella::ClientPong(TGnutellaClient* link, const TGnutellaHeader& Header,
                           const BYTE* Payload) {
  ++PongsReceived;
  TPongFields pong;
  ReadPong(Payload, Header.PayloadLength, &pong);
  const String address = Dotted(pong.Address);
  if (GetClientCount() < max_connections_ && GetLoggedInCount() < MinConnections &&
      address != link->Host) {
    IPManager->InsertHost(address + ":" + IntToStr(pong.Port));
    if (AutoConnect) Connect();
  }
  TGnutellaRouteResult route;
  Messages->Route(gdPong, Header.DescriptorID, route, grdReceived, address, link->ClientGUID);
  switch (route.Action) {
    case graBackRoute:
      ++PongsRouted;
      Forward(Header, Payload, &route.Target, nullptr);
      break;
    case graLocal:
      if (OnPong) {
        OnPong(this, link->Host, link->ClientGUID, address, pong.Port, pong.FileCount,
               pong.SharedKilobytes);
      }
      break;
    default:
      ++PongsDropped;
      break;
  }
}

void TGnutella::ClientQuery(TGnutellaClient* link, const TGnutellaHeader& Header,
                            const BYTE* Payload, const String& SearchText) {
  ++QueriesReceived;
  if (SearchText.empty()) return;
  TGnutellaRouteResult route;
  Messages->Route(gdQuery, Header.DescriptorID, route, grdReceived, SearchText, link->ClientGUID);
  if (route.Action != graForward) {
    ++QueriesDropped;
    return;
  }
  ++QueriesForwarded;
  TQueryFields query;
  ReadQuery(Payload, Header.PayloadLength, &query);
  if (OnQuery) OnQuery(this, link->Host, link->ClientGUID, query.MinSpeed, SearchText);
  Forward(Header, Payload, nullptr, &link->ClientGUID);

  std::vector<BYTE> results;
  TGnutellaSearchStats stats;
  if (!SharedFiles->Search(SearchText, results, stats)) return;
  const TGnutellaClientOptions& options = GnutellaClientOptions();
  std::vector<BYTE> hit =
      BuildQueryHit(Header.DescriptorID, TTL, static_cast<BYTE>(stats.Count), options.ListenPort,
                    winsock::inet_addr(options.RemoteIP.c_str()), LineSpeed, results, ServentGUID);
  link->SendDescriptor(hit.data(), hit.size());
  TGnutellaRouteResult unused;
  Messages->Route(gdQueryHit, Header.DescriptorID, unused, grdSent, GuidText(ServentGUID),
                  link->ClientGUID);
  ++QueryHitsSent;
}

void TGnutella::ClientQueryHit(TGnutellaClient* link, const TGnutellaHeader& Header,
                               const BYTE* Payload) {
  ++QueryHitsReceived;
  TQueryHitFields hit;
  ReadQueryHit(Payload, Header.PayloadLength, &hit);
  TGnutellaRouteResult route;
  Messages->Route(gdQueryHit, Header.DescriptorID, route, grdReceived, GuidText(hit.ServentID),
                  link->ClientGUID);
  switch (route.Action) {
    case graBackRoute:
      ++QueryHitsRouted;
      Forward(Header, Payload, &route.Target, nullptr);
      break;
    case graLocal: {
      const String file_ip = Dotted(hit.Address);
      if (BlockLocalSearchResults && IsLocalAddress(file_ip)) {
        ++QueryHitsDropped;
        break;
      }
      if (!OnSearchResult) break;
      for (const TQueryHitResult& result : hit.Results) {
        OnSearchResult(this, link->Host, link->ClientGUID, file_ip, hit.Port, hit.Speed,
                       hit.ServentID, result.FileIndex, result.FileSize, result.FileName,
                       result.Extra);
      }
      break;
    }
    default:
      ++QueryHitsDropped;
      break;
  }
}

void TGnutella::ClientPush(TGnutellaClient* link, const TGnutellaHeader& Header,
                           const BYTE* Payload) {
  ++PushesReceived;
  TPushFields push;
  ReadPush(Payload, Header.PayloadLength, &push);
  TGnutellaRouteResult route;
  Messages->Route(gdPush, Header.DescriptorID, route, grdReceived, GuidText(push.ServentID),
                  link->ClientGUID);
  switch (route.Action) {
    case graBackRoute:
      ++PushesRouted;
      Forward(Header, Payload, &route.Target, nullptr);
      break;
    case graLocal: {
      // Only a file this servent shares is worth a dial to the address the
      // push names.
      const String shared = GetSharedFileName(push.FileIndex);
      if (shared.empty()) {
        RefusePush();
      } else if (OnPush) {
        OnPush(this, link->Host, link->ClientGUID, Dotted(push.Address), push.Port, shared,
               push.FileIndex, push.ServentID);
      }
      break;
    }
    default:
      ++PushesDropped;
      break;
  }
}

void TGnutella::RefusePush() {
  ++PushesRefused;
  ++PushesDropped;
}

void TGnutella::ClientMalformed(TGnutellaClient*, const TGnutellaHeader& Header) {
  // Received, too short for its own fields, and dropped.
  switch (Header.PayloadType) {
    case gdPong:
      ++PongsReceived;
      ++PongsDropped;
      break;
    case gdQuery:
      ++QueriesReceived;
      ++QueriesDropped;
      break;
    case gdQueryHit:
      ++QueryHitsReceived;
      ++QueryHitsDropped;
      break;
    case gdPush:
      ++PushesReceived;
      ++PushesDropped;
      break;
    default:
      break;
  }
}

void TGnutella::Search(const String& Text) {
  ++QueriesSent;
  GUID id;
  CoCreateGuid(&id);
  std::vector<BYTE> query = BuildQuery(id, TTL, MinSpeed, Text);
  Broadcast(query.data(), query.size());
  TGnutellaRouteResult unused;
  Messages->Route(gdQuery, id, unused, grdSent, Text, ServentGUID);
}

void TGnutella::SendPing() {
  ++PingsSent;
  TGnutellaHeader header;
  CoCreateGuid(&header.DescriptorID);
  header.PayloadType = gdPing;
  header.TTL = TTL;
  std::vector<BYTE> ping = BuildDescriptor(header, nullptr, 0);
  Broadcast(ping.data(), ping.size());
  TGnutellaRouteResult unused;
  Messages->Route(gdPing, header.DescriptorID, unused, grdSent, String(), ServentGUID);
}

void TGnutella::AddShare(const String& FileName) {
  SharedFiles->AddFile(FileName, "");
}

void TGnutella::RemoveShare(const String& FileName) {
  SharedFiles->RemoveFile(FileName);
}

String TGnutella::GetSharedFileName(DWORD Index) const {
  return SharedFiles->GetFileName(Index);
}

// ---------------------------------------------------------------------------
// Settings
// ---------------------------------------------------------------------------

WORD TGnutella::ListenPort() const {
  return GnutellaClientOptions().ListenPort;
}

void TGnutella::SetListenPort(WORD Value) {
  GnutellaClientOptions().ListenPort = Value;
  TFileShareGnu::SetListenPort(Value);
}

void TGnutella::SetPingInterval(int Value) {
  ping_interval_ = Value;
  PingTimer->SetInterval(static_cast<UINT>(Value < 0 ? 0 : Value));
}

void TGnutella::SetMaxConnections(int Value) {
  max_connections_ = Value;
  GnutellaClientOptions().LeafMax = Value;
}

void TGnutella::SetConnectionType(TConnectionType Value) {
  connection_type_ = Value;
  if (Value == ctUserDefined) return;
  const ConnectionPreset& row = kPresets[Value];
  MinConnections = row.min_connections;
  SetMaxConnections(row.max_connections);
  SetUltrapeer(row.ultrapeer);
  SetUltrapeerNeeded(row.ultrapeer_needed);
  AllowGnutella0_4 = row.allow_04;
  LineSpeed = row.line_speed;
}

double TGnutella::CurrentUpSpeed() const {
  double sum = 0;
  for (const auto& link : Clients) sum += link->UpRate;
  return sum;
}

double TGnutella::CurrentDownSpeed() const {
  double sum = 0;
  for (const auto& link : Clients) sum += link->DownRate;
  return sum;
}

String TGnutella::UserAgent() const {
  return GnutellaClientOptions().UserAgent;
}
void TGnutella::SetUserAgent(const String& Value) {
  GnutellaClientOptions().UserAgent = Value;
}
bool TGnutella::Ultrapeer() const {
  return GnutellaClientOptions().Ultrapeer;
}
void TGnutella::SetUltrapeer(bool Value) {
  GnutellaClientOptions().Ultrapeer = Value;
}
bool TGnutella::UltrapeerNeeded() const {
  return GnutellaClientOptions().UltrapeerNeeded;
}
void TGnutella::SetUltrapeerNeeded(bool Value) {
  GnutellaClientOptions().UltrapeerNeeded = Value;
}
TGnutellaPongCaching TGnutella::PongCaching() const {
  return GnutellaClientOptions().PongCaching;
}
void TGnutella::SetPongCaching(TGnutellaPongCaching Value) {
  GnutellaClientOptions().PongCaching = Value;
}
TGnutellaQueryRouting TGnutella::QueryRouting() const {
  return GnutellaClientOptions().QueryRouting;
}
void TGnutella::SetQueryRouting(TGnutellaQueryRouting Value) {
  GnutellaClientOptions().QueryRouting = Value;
}
TGnutellaGGEP TGnutella::GGEP() const {
  return GnutellaClientOptions().GGEP;
}
void TGnutella::SetGGEP(TGnutellaGGEP Value) {
  GnutellaClientOptions().GGEP = Value;
}
String TGnutella::Machine() const {
  return GnutellaClientOptions().Machine;
}
void TGnutella::SetMachine(const String& Value) {
  GnutellaClientOptions().Machine = Value;
}
String TGnutella::ListenIP() const {
  return GnutellaClientOptions().ListenIP;
}
void TGnutella::SetListenIP(const String& Value) {
  GnutellaClientOptions().ListenIP = Value;
}
String TGnutella::RemoteIP() const {
  return GnutellaClientOptions().RemoteIP;
}
void TGnutella::SetRemoteIP(const String& Value) {
  if (Value != "0.0.0.0") GnutellaClientOptions().RemoteIP = Value;
}
String TGnutella::FPAuthChallenge() const {
  return GnutellaClientOptions().FPAuthChallenge;
}
void TGnutella::SetFPAuthChallenge(const String& Value) {
  GnutellaClientOptions().FPAuthChallenge = Value;
}
String TGnutella::LiveSince() const {
  return GnutellaClientOptions().LiveSince;
}
void TGnutella::SetLiveSince(const String& Value) {
  GnutellaClientOptions().LiveSince = Value;
}
String TGnutella::Uptime() const {
  return GnutellaClientOptions().GetUptime();
}
void TGnutella::SetUptime(const String& Value) {
  GnutellaClientOptions().Uptime = Value;
}
