#include "network/Socksify.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>

#include "classlib/Components.h"

namespace {

using namespace winsock;

bool socks_for_peers = false;
bool socks_for_transfers = false;

bool IsProxyRefusal(int code) {
  return (code >= 40001 && code <= 40008) || (code >= 40091 && code <= 40093) ||
         (code >= 40101 && code <= 40102);
}

}  // namespace

String SocksErrorText(int Code) {
  static const std::map<int, const char*> kTexts = {
      {0, ""},
      {90, ""},
      {40001, "General socks server failure"},
      {40002, "Connection not allowed by rule set"},
      {40003, "Network unreachable"},
      {40004, "Host unreachable"},
      {40005, "Connection refused"},
      {40006, "Socks error: TTL expired"},
      {40007, "Socks command not supported"},
      {40008, "Address type not supported"},
      {40091, "Socks request rejected or failed"},
      {40092, "Socks request rejected becasue SOCKS server cannot connect to identd on the client"},
      {40093, "Socks request rejected because the client program and identd report different user-ids"},
      {40101, "Socks negotiation failed"},
      {40102, "Socks authentication failed"},
      {41001, "No host specified. Socket cannot be sockified"},
      {41002, "Wrong SOCKS version"},
      {41003, "GSSAPI is not supported by TSockify"},
      {41004, "Wrong authentication version"},
      {41005, "Could not connect to Socks server"},
      {41006, "Cannot lookup host address"},
  };
  auto it = kTexts.find(Code);
  if (it != kTexts.end()) return it->second;
  return "Socks error #" + std::to_string(Code);
}

// --- The client ----------------------------------------------------------------------

// Hears of socksified sockets that go, so their records go with them.
class TSocksWatcher : public TComponent {
 public:
  explicit TSocksWatcher(std::function<void(TComponent*)> gone) : TComponent(nullptr), gone_(std::move(gone)) {}
  void Notification(TComponent* AComponent, TOperation Operation) override {
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && gone_) gone_(AComponent);
  }

 private:
  std::function<void(TComponent*)> gone_;
};

TSocksify::TSocksify() {
  started_ = WSAStartup(0x0101, &WSAData) == 0;
  watcher_ = new TSocksWatcher([this](TComponent* gone) {
    for (auto it = connections_.begin(); it != connections_.end();) {
      it = (*it)->Socket == gone ? connections_.erase(it) : std::next(it);
    }
  });
}

TSocksify::~TSocksify() {
  for (auto& c : connections_) {
    if (c->Socket != nullptr) c->Socket->RemoveFreeNotification(watcher_);
  }
  connections_.clear();
  delete watcher_;
  if (started_) WSACleanup();
}

TSocksConnection* TSocksify::Find(std::uint64_t serial) const {
  for (const auto& c : connections_) {
    if (c->Serial == serial) return c.get();
  }
  return nullptr;
}

std::unique_ptr<TSocksConnection> TSocksify::Take(std::uint64_t serial) {
  for (auto it = connections_.begin(); it != connections_.end(); ++it) {
    if ((*it)->Serial == serial) {
      auto record = std::move(*it);
      connections_.erase(it);
      if (record->Socket != nullptr) record->Socket->RemoveFreeNotification(watcher_);
      return record;
    }
  }
  return nullptr;
}

int TSocksify::ReportError(TCustomWinSocket* Socket, int Code) {
  if (OnError) OnError(nullptr, Socket, Code, SocksErrorText(Code));
  return Code;
}

void TSocksify::Socksify(TClientSocket* Socket) {
  if (Socket == nullptr) return;
  String host = Socket->Host.empty() ? Socket->Address : Socket->Host;
  if (host.empty() || !started_) {
    int code = ReportError(Socket->Socket(), host.empty() ? 41001 : 41007);
    if (code != 0) throw ESocksError(SocksErrorText(code) + " [" + std::to_string(code) + "]");
    return;
  }
  auto record = std::make_unique<TSocksConnection>();
  record->Serial = next_serial_++;
  record->Socket = Socket;
  record->Inner = Socket->Socket();
  record->State = 0;
  record->Host = host;
  record->Port = Socket->Port;
  record->SavedAddress = Socket->Address;
  record->SavedEvent = record->Inner->OnSocketEvent;
  record->SavedError = record->Inner->OnErrorEvent;
  const std::uint64_t serial = record->Serial;
  record->Inner->OnSocketEvent = [this, serial](TObject*, TCustomWinSocket* S, TSocketEvent Event) {
    SocketEvent(serial, S, Event);
  };
  record->Inner->OnErrorEvent = [this, serial](TObject*, TCustomWinSocket* S, TErrorEvent Event, int& Code) {
    SocketError(serial, S, Event, Code);
  };
  Socket->FreeNotification(watcher_);
  Socket->Host = Server;
  Socket->Address = "";
  Socket->Port = Port;
  connections_.push_back(std::move(record));
}

void TSocksify::Send(TSocksConnection& c, const std::string& bytes) {
  c.Inner->SendBuf(bytes.data(), static_cast<int>(bytes.size()));
}

void TSocksify::SocketEvent(std::uint64_t serial, TCustomWinSocket* Socket, TSocketEvent Event) {
  TSocksConnection* c = Find(serial);
  if (c == nullptr) return;
  switch (Event) {
    case seLookup:
    case seConnecting:
      if (c->SavedEvent) c->SavedEvent(Socket, Socket, Event);
      return;
    case seConnect:
      if (c->State == 0) StartNegotiation(*c);
      return;
    case seDisconnect:
      if (c->State == 6) {
        // The tunnel ends: the socket is the owner's again.
        auto record = Take(serial);
        Restore(*record);
        if (record->SavedEvent) record->SavedEvent(Socket, Socket, seDisconnect);
      } else if (c->State != 4) {
        Fail(serial, 41005);
      }
      return;
    case seRead:
      if (c->State == 6) {
        if (c->SavedEvent) c->SavedEvent(Socket, Socket, seRead);
      } else if (c->State != 4) {
        ReadAnswer(serial);
      }
      return;
    default:
      if (c->State == 6 && c->SavedEvent) c->SavedEvent(Socket, Socket, Event);
      return;
  }
}

void TSocksify::SocketError(std::uint64_t serial, TCustomWinSocket* Socket, TErrorEvent Event, int& Code) {
  TSocksConnection* c = Find(serial);
  if (c == nullptr) return;
  auto record = Take(serial);
  Restore(*record);
  int owner_code = Code;
  Code = 0;
  if (record->State != 4 && record->SavedError) {
    record->SavedError(Socket, Socket, Event, owner_code);
    if (owner_code != 0 && SocketErrorProc) SocketErrorProc(owner_code);
  }
  if (Socket->Connected()) {
    TSocketEventEvent owner = std::move(Socket->OnSocketEvent);
    Socket->OnSocketEvent = nullptr;
    Socket->Close();
    Socket->OnSocketEvent = std::move(owner);
  }
}

void TSocksify::StartNegotiation(TSocksConnection& c) {
  const std::uint16_t port = static_cast<std::uint16_t>(c.Port);
  if (c.Host.size() > 255) {
    Fail(c.Serial, 41006);
    return;
  }
  if (Version == svSocks5) {
    if (Username.size() > 255 || Password.size() > 255) {
      Fail(c.Serial, 41004);
      return;
    }
    c.State = 1;
    Send(c, Socks5Greeting(!Username.empty()));
    return;
  }
  std::uint32_t address = 0;
  bool known = false;
  if (IsSocksDottedHost(c.Host)) {
    std::size_t start = c.Host.find_first_not_of(' ');
    address = inet_addr(c.Host.c_str() + start);
    known = true;
  } else if (hostent* found = gethostbyname(c.Host.c_str())) {
    if (found->h_addr_list != nullptr && found->h_addr_list[0] != nullptr) {
      std::memcpy(&address, found->h_addr_list[0], 4);
      known = true;
    }
  }
  if (!known && Version == svSocks4) {
    Fail(c.Serial, 41006);
    return;
  }
  c.State = 1;
  if (known) {
    Send(c, Socks4Request(port, address, Username, nullptr));
  } else {
    const std::uint32_t marker = htonl(1);  // 0.0.0.1: the proxy looks the name up
    Send(c, Socks4Request(port, marker, Username, &c.Host));
  }
}

void TSocksify::ReadAnswer(std::uint64_t serial) {
  for (;;) {
    TSocksConnection* c = Find(serial);
    if (c == nullptr || c->State == 4 || c->State == 6) return;
    TSocksReply reply;
    const bool socks5 = Version == svSocks5;
    if (!socks5) {
      reply = ReadSocks4Reply(c->Answer);
    } else if (c->State == 2) {
      reply = ReadSocks5ConnectReply(c->Answer);
    } else {
      reply = ReadSocks5TwoByteReply(c->Answer);
    }
    if (reply.Status == srWait) {
      // Only the bytes this answer still lacks, so that what follows it
      // stays in the socket for the owner.
      std::size_t missing = reply.Needed - c->Answer.size();
      char buffer[300];
      int got = c->Inner->ReceiveBuf(buffer, static_cast<int>(std::min(missing, sizeof buffer)));
      if (got <= 0) return;
      c->Answer.append(buffer, static_cast<std::size_t>(got));
      continue;
    }
    c->Answer.erase(0, reply.Consumed);
    if (!socks5) {
      if (reply.First != 0) {
        Fail(serial, 41002);
      } else if (reply.Code == 90) {
        OpenTunnel(serial);
      } else {
        Fail(serial, 40000 + reply.Code);
      }
      return;
    }
    if (c->State == 1) {
      if (reply.First != 5) {
        Fail(serial, 41002);
      } else if (reply.Code == 0) {
        c->State = 2;
        Send(*c, Socks5Connect(c->Host, static_cast<std::uint16_t>(c->Port)));
      } else if (reply.Code == 1) {
        Fail(serial, 41003);
      } else if (reply.Code == 2) {
        c->State = 3;
        Send(*c, Socks5Authentication(Username, Password));
      } else if (reply.Code == 255) {
        Fail(serial, 40007);
      } else {
        Fail(serial, 40101);
      }
    } else if (c->State == 3) {
      if (reply.First != 1) {
        Fail(serial, 41004);
      } else if (reply.Code != 0) {
        Fail(serial, 40102);
      } else {
        c->State = 2;
        Send(*c, Socks5Connect(c->Host, static_cast<std::uint16_t>(c->Port)));
      }
    } else {
      if (reply.First != 5) {
        Fail(serial, 41002);
      } else if (reply.Code != 0) {
        Fail(serial, 40000 + reply.Code);
      } else if (reply.UnknownAddressType) {
        Fail(serial, 40008);
      } else {
        OpenTunnel(serial);
      }
      return;
    }
  }
}

void TSocksify::OpenTunnel(std::uint64_t serial) {
  TSocksConnection* c = Find(serial);
  if (c == nullptr) return;
  c->State = 6;
  TCustomWinSocket* inner = c->Inner;
  TSocketEventEvent owner = c->SavedEvent;
  if (owner) owner(inner, inner, seConnect);
  // The owner may have closed it (and the record gone) in its handler.
  if (Find(serial) == nullptr || !inner->Connected()) return;
  if (owner) owner(inner, inner, seWrite);
  if (Find(serial) == nullptr || !inner->Connected()) return;
  if (inner->ReceiveLength() > 0 && owner) owner(inner, inner, seRead);
}

void TSocksify::Restore(TSocksConnection& record) {
  record.Inner->OnSocketEvent = record.SavedEvent;
  record.Inner->OnErrorEvent = record.SavedError;
  if (record.Socket != nullptr) {
    record.Socket->Host = record.Host;
    record.Socket->Address = record.SavedAddress;
    record.Socket->Port = record.Port;
  }
}

void TSocksify::Fail(std::uint64_t serial, int Code) {
  auto record = Take(serial);
  if (record == nullptr) return;
  TCustomWinSocket* inner = record->Inner;
  // Close quietly, then give the socket back to its owner.
  inner->OnSocketEvent = nullptr;
  inner->OnErrorEvent = nullptr;
  if (inner->Connected() || inner->SocketHandle() != INVALID_SOCKET) inner->Close();
  Restore(*record);
  int left = 0;
  if (!IsProxyRefusal(Code)) left = ReportError(inner, Code);
  if (record->SavedError) {
    int owner_code = static_cast<int>(WSAETIMEDOUT);
    record->SavedError(inner, inner, eeConnect, owner_code);
    if (owner_code != 0 && SocketErrorProc) SocketErrorProc(owner_code);
  }
  if (left != 0) throw ESocksError(SocksErrorText(left) + " [" + std::to_string(left) + "]");
}

// --- Program-wide ----------------------------------------------------------------------

namespace {

void SetOptions(TSocksify& client, const String& Server, int Port, TSocksVersion Version, TSocksErrorEvent OnError,
                const String& Username, const String& Password) {
  client.Server = Server;
  client.Port = Port;
  client.Version = Version;
  client.Username = Username;
  client.Password = Password;
  client.OnError = std::move(OnError);
}

// The program-wide client. At program end it gets the settings it started
// with (no server, port 1080, SOCKS 5, no handler) before it goes, so it
// holds no handler of an owner that may be gone by then.
struct ProgramSocksClient {
  ~ProgramSocksClient() { SetOptions(client, "", 1080, svSocks5, nullptr, "", ""); }
  TSocksify client;
};

}  // namespace

TSocksify& SocksClient() {
  static ProgramSocksClient instance;
  return instance.client;
}

void SetSocksOptions(const String& Server, int Port, TSocksVersion Version, TSocksErrorEvent OnError,
                     const String& Username, const String& Password) {
  SetOptions(SocksClient(), Server, Port, Version, std::move(OnError), Username, Password);
}

void SocksifyClientSocket(TClientSocket* Socket) {
  TSocksify& client = SocksClient();
  if (client.Server.empty() || client.Port == 0) return;
  client.Socksify(Socket);
}

void SetSocksForPeers(bool Flag) {
  socks_for_peers = Flag;
}

void SetSocksForTransfers(bool Flag) {
  socks_for_transfers = Flag;
}

bool SocksForPeers() {
  return socks_for_peers;
}

bool SocksForTransfers() {
  return socks_for_transfers;
}
