#include "network/GnutellaClient.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "classlib/StringRoutines.h"
#include "network/Socksify.h"
#include "platform/core/modules.h"
#include "platform/net/adapters.h"
#include "platform/net/winsock.h"

namespace {

const char kProtocolWord[] = "GNUTELLA";

String Dotted(DWORD address) {
  winsock::in_addr in;
  in.s_addr = address;
  return winsock::inet_ntoa(in);
}

// The socket-error texts by error kind.
String SocketErrorText(TErrorEvent event) {
  switch (event) {
    case eeSend:
      return "Send Socket Error";
    case eeReceive:
      return "Receive Socket Error";
    case eeConnect:
      return "Connect Socket Error";
    case eeDisconnect:
      return "Disconnect Socket Error";
    case eeAccept:
      return "Accept Socket Error";
    default:
      return "General Socket Error";
  }
}

std::uint64_t g_next_link_serial = 1;

}  // namespace

int TGnutellaClient::hold_depth_ = 0;
std::vector<TGnutellaClient*> TGnutellaClient::held_;

void TGnutellaClient::BeginHold() {
  ++hold_depth_;
}

void TGnutellaClient::EndHold() {
  if (--hold_depth_ > 0) return;
  std::vector<TGnutellaClient*> links;
  links.swap(held_);
  for (TGnutellaClient* link : links) {
    link->held_flush_ = false;
    link->Flush();
  }
}

// ---------------------------------------------------------------------------
// Options
// ---------------------------------------------------------------------------

TGnutellaClientOptions::TGnutellaClientOptions() {
  String own = GetLocalIP();
  ListenIP = own + ":" + "6346";
  RemoteIP = own;
  StartTime = Now();
  LiveSince = DateToStr(StartTime);
}

String TGnutellaClientOptions::GetHandshakeHeaders() const {
  String headers;
  auto line = [&](const String& text) { headers += text + "\r\n"; };
  if (PongCaching == gpc0_1) line("Pong-Caching: 0.1");
  if (QueryRouting == gqr0_1) line("X-Query-Routing: 0.1");
  if (GGEP == gGGEP0_5) line("GGEP: 0.5");
  line(String("X-Ultrapeer: ") + (Ultrapeer ? "true" : "false"));
  line(String("X-Ultrapeer-Needed: ") + (UltrapeerNeeded ? "true" : "false"));
  if (!UserAgent.empty()) line("User-Agent: " + UserAgent);
  if (!Machine.empty()) line("Machine: " + Machine);
  const String port = IntToStr(ListenPort);
  if (ListenIP != "0.0.0.0:" + port) {
    // The address as stored, with the port the servent listens on now.
    String address = ListenIP.substr(0, ListenIP.rfind(':'));
    line("Listen-IP: " + address + ":" + port);
  }
  if (RemoteIP != "0.0.0.0") line("Remote-IP: " + RemoteIP);
  if (!FPAuthChallenge.empty()) line("FPAuthChallenge: " + FPAuthChallenge);
  line("Uptime: " + GetUptime());
  line("X-Live-Since: " + LiveSince);
  line("X-Leaf-Max: " + IntToStr(LeafMax));
  line("");
  return headers;
}

String TGnutellaClientOptions::GetUptime() const {
  // A hair added before truncating, so that 3 minutes do not read as 2.
  auto minutes = static_cast<long long>(std::fabs(Now() - StartTime) * 1440.0 + 1e-6);
  long long days = minutes / 1440;
  long long hours = minutes % 1440 / 60;
  return IntToStr(days) + "D " + IntToStr(hours) + "H " + IntToStr(minutes % 60) + "M";
}

TGnutellaClientOptions& GnutellaClientOptions() {
  static TGnutellaClientOptions options;
  return options;
}

std::vector<String> GetHostAddresses() {
  std::vector<String> addresses;
  winsock::WSADATA data;
  if (winsock::WSAStartup(MAKEWORD(1, 1), &data) != 0) return addresses;
  char name[65] = {};
  if (winsock::gethostname(name, 64) == 0) {
    if (winsock::hostent* entry = winsock::gethostbyname(name)) {
      for (char** a = entry->h_addr_list; *a != nullptr; ++a) {
        DWORD address = 0;
        std::memcpy(&address, *a, 4);
        addresses.push_back(Dotted(address));
      }
    }
  }
  winsock::WSACleanup();
  return addresses;
}

String GetLocalIP() {
  std::vector<String> addresses = GetHostAddresses();
  String result = addresses.empty() ? String() : addresses.front();
  HMODULE library = LoadLibrary("IPHLPAPI.DLL");
  if (library == nullptr) return result;
  using GetAdaptersInfoFunction = DWORD (*)(PIP_ADAPTER_INFO, PULONG);
  auto get = reinterpret_cast<GetAdaptersInfoFunction>(GetProcAddress(library, "GetAdaptersInfo"));
  if (get != nullptr) {
    constexpr ULONG kBufferSize = 2640;
    std::vector<std::uint64_t> buffer(kBufferSize / sizeof(std::uint64_t));
    auto* adapters = reinterpret_cast<PIP_ADAPTER_INFO>(buffer.data());
    ULONG size = kBufferSize;
    if (get(adapters, &size) == ERROR_SUCCESS) {
      auto usable = [](const IP_ADAPTER_INFO* adapter) {
        String address = adapter->IpAddressList.IpAddress.String;
        return address.empty() || address == "0.0.0.0" ? String() : address;
      };
      if (String first = usable(adapters); !first.empty()) result = first;
      // The last dial-up adapter wins.
      for (const IP_ADAPTER_INFO* a = adapters; a != nullptr; a = a->Next) {
        if (a->Type == MIB_IF_TYPE_PPP && !usable(a).empty()) result = usable(a);
      }
    }
  }
  FreeLibrary(library);
  return result;
}

// ---------------------------------------------------------------------------
// Buffer
// ---------------------------------------------------------------------------

void TGnutellaBuffer::Append(const void* data, std::size_t length) {
  if (length == 0) return;
  // Drop what was used once it is the larger part, so the buffer does not
  // grow with the traffic.
  if (position_ > 0 && position_ >= bytes_.size() / 2) {
    bytes_.erase(bytes_.begin(), bytes_.begin() + static_cast<std::ptrdiff_t>(position_));
    position_ = 0;
  }
  const auto* bytes = static_cast<const BYTE*>(data);
  bytes_.insert(bytes_.end(), bytes, bytes + length);
}

void TGnutellaBuffer::Advance(std::size_t count) {
  position_ = std::min(bytes_.size(), position_ + count);
  if (position_ == bytes_.size()) Clear();
}

void TGnutellaBuffer::Clear() {
  bytes_.clear();
  position_ = 0;
}

// ---------------------------------------------------------------------------
// Link
// ---------------------------------------------------------------------------

TGnutellaClient::TGnutellaClient(const String& AHost, int APort, bool UseVersion06,
                                 TGnutellaClientNotify Created)
    : serial_(g_next_link_serial++) {
  Version = UseVersion06 ? 2 : 1;
  Host = AHost;
  Port = APort;
  ClientSocket = std::make_unique<TClientSocket>(nullptr);
  HookSocket(ClientSocket->Socket());
  InitFields();
  OnCreated = std::move(Created);
  if (OnCreated) OnCreated(this);
  CoCreateGuid(&ClientGUID);
  ClientSocket->Address = Host;
  ClientSocket->Port = Port;
}

TGnutellaClient::TGnutellaClient(TCustomWinSocket* Socket, DWORD ALocalIP)
    : serial_(g_next_link_serial++) {
  Incoming = true;
  Version = 0;
  ServerSocket = Socket;
  Host = Socket->RemoteAddress();
  Port = Socket->RemotePort();
  LocalIP = ALocalIP;
  InitFields();
  CoCreateGuid(&ClientGUID);
  HookSocket(Socket);
}

TGnutellaClient::~TGnutellaClient() {
  if (held_flush_) held_.erase(std::remove(held_.begin(), held_.end(), this), held_.end());
  if (Timer) Timer->SetEnabled(false);
  Timer.reset();
  if (ServerSocket != nullptr) {
    ServerSocket->OnSocketEvent = nullptr;
    ServerSocket->OnErrorEvent = nullptr;
    delete ServerSocket;  // closes it
    ServerSocket = nullptr;
  }
  if (ClientSocket) {
    ClientSocket->Socket()->OnSocketEvent = nullptr;
    ClientSocket->Socket()->OnErrorEvent = nullptr;
  }
  ClientSocket.reset();
  if (OnDestroyed) OnDestroyed(this);
}

void TGnutellaClient::InitFields() {
  ProtocolWord = kProtocolWord;
  HandshakeHeaders = GnutellaClientOptions().GetHandshakeHeaders();
  Timer = std::make_unique<TTimer>(nullptr);
  Timer->SetInterval(1000);
  Timer->SetOnTimer([this](TObject*) { Tick(); });
  Timer->SetEnabled(true);
}

void TGnutellaClient::HookSocket(TCustomWinSocket* socket) {
  socket->OnSocketEvent = [this](TObject*, TCustomWinSocket*, TSocketEvent event) {
    SocketEvent(event);
  };
  socket->OnErrorEvent = [this](TObject*, TCustomWinSocket*, TErrorEvent event, int& code) {
    SocketError(event, code);
  };
}

void TGnutellaClient::Open() {
  if (!ClientSocket) return;
  SetLastError(0);
  if (SocksForPeers()) SocksifyClientSocket(ClientSocket.get());
  opening_ = true;
  ClientSocket->Open();
  opening_ = false;
  int code = winsock::WSAGetLastError();
  if (code != 0 && code != static_cast<int>(WSAEWOULDBLOCK)) {
    ClientSocket->Socket()->OnSocketEvent = nullptr;
    ClientSocket->Socket()->OnErrorEvent = nullptr;
    ClientSocket.reset();
    RaiseError(gekCannotConnect, code, "WSACannot connect TGnutellaClient");
  }
}

TCustomWinSocket* TGnutellaClient::Socket() const {
  if (Incoming) return ServerSocket;
  return ClientSocket ? ClientSocket->Socket() : nullptr;
}

bool TGnutellaClient::GetConnected() const {
  TCustomWinSocket* socket = Socket();
  return socket != nullptr && socket->Connected();
}

void TGnutellaClient::Disconnect() {
  if (TCustomWinSocket* socket = Socket()) socket->Close();
}

void TGnutellaClient::RaiseError(int kind, int code, const String& text) {
  if (OnError) OnError(this, kind, code, text);
}

// --- Socket events ----------------------------------------------------------

void TGnutellaClient::SocketEvent(TSocketEvent event) {
  switch (event) {
    case seConnect:
      SocketConnected();
      break;
    case seDisconnect:
      SocketDisconnected();
      break;
    case seWrite:
      Flush();
      break;
    case seRead:
      SocketRead();
      break;
    default:
      break;
  }
}

void TGnutellaClient::SocketError(TErrorEvent event, int& code) {
  if (opening_) {
    code = 0;  // Open() reports it
    return;
  }
  if (TCustomWinSocket* socket = Socket()) socket->Close();
  RaiseError(gekSocket, code, SocketErrorText(event));
  if (OnError) code = 0;
}

void TGnutellaClient::SocketConnected() {
  SecondsSinceConnect = 0;
  TGnutellaClientOptions& options = GnutellaClientOptions();
  if (LocalIP == 0) {
    String own = Socket()->LocalAddress();
    LocalIP = winsock::inet_addr(own.c_str());
    options.ListenIP = own + ":" + IntToStr(options.ListenPort);
    options.RemoteIP = own;
  }
  LoggedIn = false;
  if (OnConnect) OnConnect(this);
  if (Incoming) return;
  String opening = Version == 1 ? ProtocolWord + " CONNECT/0.4\n\n"
                                : ProtocolWord + " CONNECT/0.6\r\n" + HandshakeHeaders;
  Queue(opening.data(), opening.size());
}

void TGnutellaClient::SocketDisconnected() {
  LoggedIn = false;
  ReceiveBuffer.Clear();
  SendBuffer.Clear();
  if (Version == 2 && AwaitingHandshake && !Incoming) {
    if (ClientSocket) {
      ClientSocket->Address = Host;
      ClientSocket->Port = Port;
    }
    Redial04 = true;
  }
  if (OnDisconnect) OnDisconnect(this);
}

void TGnutellaClient::SocketRead() {
  TCustomWinSocket* socket = Socket();
  if (socket == nullptr) return;
  int waiting = socket->ReceiveLength();
  if (waiting <= 0) return;
  std::vector<BYTE> piece(static_cast<std::size_t>(waiting));
  int got = socket->ReceiveBuf(piece.data(), waiting);
  // A failed read was reported by the socket's error event.
  if (got <= 0) return;
  BytesReceived += got;
  ReceiveBuffer.Append(piece.data(), static_cast<std::size_t>(got));
  if (LoggedIn) {
    ParseDescriptors();
  } else if (Incoming) {
    ServerHandshake();
  } else {
    ClientHandshake();
  }
}

// --- Sending ----------------------------------------------------------------

void TGnutellaClient::Queue(const void* data, std::size_t length) {
  SendBuffer.Append(data, length);
  if (hold_depth_ > 0) {
    if (!held_flush_) {
      held_flush_ = true;
      held_.push_back(this);
    }
    return;
  }
  Flush();
}

void TGnutellaClient::Flush() {
  TCustomWinSocket* socket = Socket();
  if (socket == nullptr || SendBuffer.UnreadSize() == 0) return;
  int piece = static_cast<int>(std::min<std::size_t>(kSendPieceSize, SendBuffer.UnreadSize()));
  int sent = socket->SendBuf(SendBuffer.Unread(), piece);
  // -1: the socket would block (or failed and was closed); the next write
  // notification goes on from the same position.
  if (sent <= 0) return;
  SendBuffer.Advance(static_cast<std::size_t>(sent));
  if (SendBuffer.UnreadSize() > 0) RearmWrite();
}

void TGnutellaClient::RearmWrite() {
  TCustomWinSocket* socket = Socket();
  if (socket == nullptr) return;
  TAsyncStyles styles = socket->ASyncStyles();
  socket->SetASyncStyles(styles - TAsyncStyles{asWrite});
  socket->SetASyncStyles(styles + TAsyncStyles{asWrite});
}

void TGnutellaClient::SendDescriptor(const BYTE* Buffer, std::size_t Length, GUID* DescriptorGUID) {
  if (!LoggedIn) return;
  BytesSent += static_cast<double>(Length);
  Queue(Buffer, Length);
  if (DescriptorGUID != nullptr && Length >= 16) std::memcpy(DescriptorGUID, Buffer, 16);
}

void TGnutellaClient::SendPing(GUID* PingGUID) {
  TGnutellaHeader header;
  CoCreateGuid(&header.DescriptorID);
  header.PayloadType = gdPing;
  header.TTL = TTL;
  header.Hops = 0;
  std::vector<BYTE> bytes = BuildDescriptor(header, nullptr, 0);
  SendDescriptor(bytes.data(), bytes.size(), PingGUID);
}

void TGnutellaClient::SendPong(const GUID& PingGUID, DWORD FileCount, DWORD TotalKilobytes) {
  TPongFields pong;
  pong.Port = GnutellaClientOptions().ListenPort;
  pong.Address = LocalIP;
  pong.FileCount = FileCount;
  pong.SharedKilobytes = TotalKilobytes;
  std::vector<BYTE> bytes = BuildPong(PingGUID, 7, pong);
  SendDescriptor(bytes.data(), bytes.size());
}

// --- Timer ------------------------------------------------------------------

void TGnutellaClient::Tick() {
  ++SecondsSinceConnect;
  ++SecondsAlive;
  DownRate = BytesReceived - BytesReceivedAtTick;
  UpRate = BytesSent - BytesSentAtTick;
  BytesReceivedAtTick = BytesReceived;
  BytesSentAtTick = BytesSent;
  if (LoggedIn || SecondsSinceConnect <= static_cast<DWORD>(HandshakeTimeout)) return;
  if (Incoming) {
    if (ServerSocket != nullptr) ServerSocket->Close();
  } else {
    SecondsSinceConnect = 0;
    RaiseError(gekTimeout, 0, "Timeout");
  }
}

// --- Handshake --------------------------------------------------------------

void TGnutellaClient::Refuse(int code, const String& text) {
  RaiseError(gekHandshake, code, text);
  ReceiveBuffer.Clear();
  Disconnect();
}

void TGnutellaClient::LogIn(BYTE version, const String& user_agent, const String& info) {
  LoggedIn = true;
  AwaitingHandshake = false;
  if (OnLogin) OnLogin(this, version, user_agent, info);
  // Descriptors that came with the last handshake step.
  if (LoggedIn && ReceiveBuffer.UnreadSize() > 0) ParseDescriptors();
}

void TGnutellaClient::ApplyHeaders(const TRemoteHeaders& headers) {
  if (headers.UserAgent) RemoteUserAgent = *headers.UserAgent;
  if (headers.ListenIP) RemoteListenIP = *headers.ListenIP;
  if (headers.RemoteIP) RemoteRemoteIP = *headers.RemoteIP;
  if (headers.FPAuthChallenge) RemoteFPAuthChallenge = *headers.FPAuthChallenge;
  if (headers.Machine) RemoteMachine = *headers.Machine;
  if (headers.LiveSince) RemoteLiveSince = *headers.LiveSince;
  if (headers.Uptime) RemoteUptime = *headers.Uptime;
  if (headers.Ultrapeer) RemoteUltrapeer = *headers.Ultrapeer;
  if (headers.UltrapeerNeeded) RemoteUltrapeerNeeded = *headers.UltrapeerNeeded;
  if (headers.QueryRouting) RemoteQueryRouting = *headers.QueryRouting;
  if (headers.PongCaching) RemotePongCaching = *headers.PongCaching;
  if (headers.GGEP) RemoteGGEP = *headers.GGEP;
  if (headers.HopsFlow) RemoteHopsFlow = *headers.HopsFlow;
  if (headers.LeafMax) RemoteLeafMax = *headers.LeafMax;
  for (const TTryHost& host : headers.TryHosts) {
    if (OnTryHost) OnTryHost(this, host.Address, host.Port);
  }
  for (const TTryHost& host : headers.TryUltrapeers) {
    if (OnTryUltrapeer) OnTryUltrapeer(this, host.Address, host.Port);
  }
}

void TGnutellaClient::ClientHandshake() {
  std::string_view unread(reinterpret_cast<const char*>(ReceiveBuffer.Unread()),
                          ReceiveBuffer.UnreadSize());
  if (refused_) return;  // the link waits for its end
  if (Version == 1) {
    TClientHandshakeReply reply = ReadClientReply04(unread, ProtocolWord);
    if (reply.Status == hsWait) return;
    if (reply.Status == hsRefused) {
      Refuse(2, "Connection not accepted by the client");
      return;
    }
    ReceiveBuffer.Advance(reply.Consumed);
    LogIn(1, "", "");
    return;
  }
  TClientHandshakeReply reply = ReadClientReply06(unread, ProtocolWord);
  if (reply.Status == hsWait) return;
  if (reply.Status == hsRefused) {
    Refuse(2, "Connection not accepted by the client");
    return;
  }
  ReceiveBuffer.Advance(reply.Consumed);
  ApplyHeaders(reply.Headers);
  if (!reply.Accepted) {
    // The link waits for its time limit; nothing more is read from it.
    refused_ = true;
    ReceiveBuffer.Clear();
    RaiseError(gekHandshake, 2, reply.Refusal);
    return;
  }
  String final_ok = ProtocolWord + "/0.6 200 OK\r\n\r\n";
  LoggedIn = true;
  AwaitingHandshake = false;
  Queue(final_ok.data(), final_ok.size());
  LogIn(2, RemoteUserAgent, reply.Info);
}

void TGnutellaClient::ServerHandshake() {
  for (;;) {
    std::string_view unread(reinterpret_cast<const char*>(ReceiveBuffer.Unread()),
                            ReceiveBuffer.UnreadSize());
    TServerHandshakeStep step = ReadServerStep(unread, AwaitingHandshake, ProtocolWord);
    if (step.Status == hsWait) return;
    if (step.Status == hsRefused) {
      if (step.Step == ssBadNumber) {
        Refuse(3, "Invalid number in Gnutella request");
      } else if (step.Step == ssFinalRefused) {
        // As the dialling side reports a refusal: the peer's status text.
        Refuse(2, step.Refusal);
      } else {
        Refuse(3, "Unknown Gnutella protocol version");
      }
      return;
    }
    ReceiveBuffer.Advance(step.Consumed);
    switch (step.Step) {
      case ssConnect04: {
        String ok = ProtocolWord + " OK\n\n";
        Queue(ok.data(), ok.size());
        LogIn(1, "", "");
        return;
      }
      case ssConnect06: {
        AwaitingHandshake = false;
        ApplyHeaders(step.Headers);
        String answer = ProtocolWord +
                        "/0.6 200 OK\r\nUser-Agent: " + GnutellaClientOptions().UserAgent +
                        "\r\n\r\n";
        Queue(answer.data(), answer.size());
        if (ReceiveBuffer.UnreadSize() == 0) return;
        break;  // the peer's final answer came with it
      }
      case ssFinalOk:
        LogIn(2, RemoteUserAgent, "");
        return;
      case ssUpload: {
        const TUploadRequest& request = step.Upload;
        TCustomWinSocket* socket = HandOver();
        if (OnUploadFile) {
          OnUploadFile(this, request.FileName, request.FileIndex, request.StartOffset,
                       request.StopOffset, request.UserAgent, socket);
        } else {
          delete socket;
        }
        if (OnHandedOver) OnHandedOver(this);
        return;
      }
      case ssGiv: {
        const TGivRequest& giv = step.Giv;
        TCustomWinSocket* socket = HandOver();
        if (OnReceiveFile) {
          OnReceiveFile(this, giv.FileName, giv.FileIndex, giv.ServentID, socket);
        } else {
          delete socket;
        }
        if (OnHandedOver) OnHandedOver(this);
        return;
      }
      default:
        return;
    }
  }
}

TCustomWinSocket* TGnutellaClient::HandOver() {
  if (Timer) Timer->SetEnabled(false);
  TCustomWinSocket* socket = ServerSocket;
  ServerSocket = nullptr;
  if (socket != nullptr) {
    socket->OnSocketEvent = nullptr;
    socket->OnErrorEvent = nullptr;
  }
  ReceiveBuffer.Clear();
  SendBuffer.Clear();
  return socket;
}

// --- Descriptors ------------------------------------------------------------

void TGnutellaClient::ParseDescriptors() {
  BeginHold();
  try {
    ParseHeld();
  } catch (...) {
    EndHold();  // an event handler failed: what was sent still goes out
    throw;
  }
  EndHold();
}

void TGnutellaClient::ParseHeld() {
  while (LoggedIn) {
    TFrame frame = ReadFrame(ReceiveBuffer.Unread(), ReceiveBuffer.UnreadSize());
    if (frame.Status == TFrameStatus::fsNeedMore) return;
    if (frame.Status == TFrameStatus::fsTooLong) {
      // The stream cannot be trusted any more: the link ends.
      ReceiveBuffer.Clear();
      if (TCustomWinSocket* socket = Socket()) socket->Close();
      RaiseError(gekSocket, static_cast<int>(WSAEMSGSIZE), "Receive Socket Error");
      return;
    }
    Dispatch(frame);
    ReceiveBuffer.Advance(frame.Size);
    if (ReceiveBuffer.UnreadSize() == 0) return;
    if (!GetConnected()) {
      ReceiveBuffer.Clear();
      return;
    }
  }
}

void TGnutellaClient::Dispatch(const TFrame& frame) {
  const TGnutellaHeader& header = frame.Header;
  const BYTE* payload = frame.Payload;
  const std::size_t length = header.PayloadLength;
  String text;
  bool well_formed = true;
  switch (header.PayloadType) {
    case gdPong: {
      TPongFields pong;
      well_formed = ReadPong(payload, length, &pong);
      if (well_formed) text = Dotted(pong.Address);
      break;
    }
    case gdQuery: {
      TQueryFields query;
      well_formed = ReadQuery(payload, length, &query);
      if (well_formed) text = query.SearchText;
      break;
    }
    case gdQueryHit: {
      TQueryHitFields hit;
      well_formed = ReadQueryHit(payload, length, &hit);
      if (well_formed) text = platform::GuidToText(hit.ServentID);
      break;
    }
    case gdPush: {
      TPushFields push;
      well_formed = ReadPush(payload, length, &push);
      break;
    }
    default:
      break;
  }
  if (!well_formed) {
    if (OnMalformed) OnMalformed(this, header);
    return;
  }
  bool accept = true;
  if (OnFilter) OnFilter(this, header, text, accept);
  if (!accept) return;
  switch (header.PayloadType) {
    case gdPing:
      if (OnPing) OnPing(this, header, payload);
      break;
    case gdPong:
      if (OnPong) OnPong(this, header, payload);
      break;
    case gdPush:
      if (OnPush) OnPush(this, header, payload);
      break;
    case gdQuery:
      if (OnQuery) OnQuery(this, header, payload, text);
      break;
    case gdQueryHit:
      if (OnQueryHit) OnQueryHit(this, header, payload);
      break;
    default:
      if (OnUnknown) OnUnknown(this, header, payload);
      break;
  }
}
