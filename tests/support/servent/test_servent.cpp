// A servent for tests: the real servent and transfer classes on one
// loopback address, driven by commands on standard input and reporting
// events on standard output, one line each. Tests run it as the second
// servent of a scenario (or as the serving side of a benchmark).
//
//   velko_test_servent --address 127.0.0.x --port N --share DIR
//                      --download DIR --home DIR [--firewall] [--agent TEXT]
//                      [--socks PORT]
//
// Everything the platform keeps in the user's folders (Windows folder,
// registry, mutexes) goes under --home.
//
// Commands:
//   connect IP PORT                 dial a peer
//   search TEXT                     send a query
//   download IP PORT INDEX NAME     fetch a file (resumes a partial one)
//   push SERVENTHEX INDEX IP PORT   send a push descriptor to every link and
//                                   take the GIV that answers it
//   giv IP PORT INDEX SERVENTHEX    dial and offer a shared file by GIV
//   limit BYTES                     cut uploads after so many bytes (0: no);
//                                   answered with "limit BYTES"
//   quit
// Events:
//   ready PORT | login IP | hit IP PORT INDEX SIZE SERVENTHEX NAME |
//   push-received IP PORT INDEX | KIND EVENT [ARGS] NAME, KIND being
//   download, pop, upload or push, EVENT connect, start, transfered,
//   disconnect BYTES or error CODE TEXT.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <mutex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "classlib/FileRoutines.h"
#include "classlib/MessageHandling.h"
#include "network/Gnutella.h"
#include "network/GnutellaDescriptors.h"
#include "network_ui/GnutellaTransfer.h"
#include "network_ui/TransferText.h"
#include "platform/core/mutexes.h"
#include "platform/fs/drives.h"
#include "platform/net/loopback_guard.h"
#include "platform/reg/registry.h"
#include "platform/user/user.h"

namespace {

constexpr UINT WM_COMMANDLINE = 0x0400 + 1;

std::mutex out_lock;

void Say(const std::string& line) {
  std::lock_guard<std::mutex> hold(out_lock);
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

bool ParseGuidHex(const std::string& text, GUID* id) {
  if (text.size() != 32) return false;
  auto* bytes = reinterpret_cast<unsigned char*>(id);
  for (int i = 0; i < 16; ++i) {
    unsigned value = 0;
    if (std::sscanf(text.c_str() + 2 * i, "%2x", &value) != 1) return false;
    bytes[i] = static_cast<unsigned char>(value);
  }
  return true;
}

class Desk {
 public:
  Desk(TGnutella* servent, std::string download_folder)
      : servent_(servent), download_folder_(std::move(download_folder)) {}

  void Bind(TGnutellaFileTransfer* t, const std::string& kind) {
    transfers_.insert(t);
    t->OnConnect = [kind](TComponent*, const String& name) { Say(kind + " connect " + name); };
    t->OnStartTransfer = [kind](TComponent*, const String& name) { Say(kind + " start " + name); };
    // Progress is not reported; it only enforces the upload limit.
    t->OnProgress = [this, kind, t](TComponent*, const String&, std::int64_t) {
      if ((kind == "upload" || kind == "push") && upload_limit_ > 0 && t->BytesDone >= upload_limit_) Cut(t);
    };
    t->OnTransfered = [kind](TComponent*, const String& name) { Say(kind + " transfered " + name); };
    t->OnDisconnect = [this, kind, t](TComponent*, const String& name) {
      transfers_.erase(t);
      Say(kind + " disconnect " + std::to_string(t->BytesDone) + " " + name);
    };
    t->OnError = [this, kind, t](TComponent*, const String& name, int code, const String& text) {
      transfers_.erase(t);
      Say(kind + " error " + std::to_string(code) + " " + text + " | " + name);
    };
    t->FreeOnDisconnect = true;
  }

  void Download(const std::string& ip, int port, int index, const std::string& name) {
    std::string target = DownloadTarget(download_folder_, name);
    if (target.empty()) {
      Say("download refused " + name);
      return;
    }
    auto* d = new TGnutellaDownloadFile(nullptr);
    Bind(d, "download");
    d->IP = ip;
    d->Port = port;
    d->FileIndex = index;
    d->Filename = name;
    d->SaveTo = target;
    d->StartOffset = 0;
    d->StopOffset = -1;
    // A partial file is resumed from its end.
    auto native = platform::NativePath(PartialFileName(target));
    std::error_code ignored;
    if (native && std::filesystem::exists(*native, ignored)) {
      d->StartOffset = static_cast<std::int64_t>(std::filesystem::file_size(*native, ignored));
      d->OnFileExists = [](TComponent*, String&, TGnutellaFileExitst& choice) { choice = 0; };
    }
    d->Start();
  }

  void Upload(const String&, int index, std::int64_t start, std::int64_t stop, TCustomWinSocket* socket) {
    auto* up = new TGnutellaUploadFile(nullptr);
    Bind(up, "upload");
    up->Socket = socket;
    up->FileIndex = index;
    // The index alone picks the file; the requested name is not used.
    up->Filename = servent_->GetSharedFileName(static_cast<DWORD>(index));
    up->StartOffset = start;
    up->StopOffset = stop;
    up->Start();
  }

  void Pop(const String& name, int index, TCustomWinSocket* socket) {
    std::string target = DownloadTarget(download_folder_, name);
    if (target.empty()) {
      delete socket;
      Say("pop refused " + name);
      return;
    }
    auto* pop = new TGnutellaPopFile(nullptr);
    Bind(pop, "pop");
    pop->Socket = socket;
    pop->FileIndex = index;
    pop->Filename = name;
    pop->SaveTo = target;
    pop->StartOffset = 0;
    pop->Start();
  }

  void Push(const std::string& ip, int port, int index, const GUID& servent_id) {
    auto* push = new TGnutellaPushFile(nullptr);
    Bind(push, "push");
    push->IP = ip;
    push->Port = port;
    push->FileIndex = index;
    push->Filename = servent_->GetSharedFileName(static_cast<DWORD>(index));
    push->SetServentID(servent_id);
    push->Start();
  }

  void SetUploadLimit(std::int64_t bytes) { upload_limit_ = bytes; }

 private:
  static void Cut(TGnutellaFileTransfer* t) {
    if (auto* up = dynamic_cast<TGnutellaUploadFile*>(t)) {
      if (up->Socket != nullptr) up->Socket->Close();
    } else if (auto* push = dynamic_cast<TGnutellaPushFile*>(t)) {
      push->Close();
    }
  }

  TGnutella* servent_;
  std::string download_folder_;
  std::set<TGnutellaFileTransfer*> transfers_;
  std::int64_t upload_limit_ = 0;
};

struct Options {
  std::string address = "127.0.0.1";
  int port = 0;
  std::string share;
  std::string download;
  bool firewall = false;
  std::string agent = "Velko test servent";
  std::string home;
  int socks = 0;  // a SOCKS 5 proxy on 127.0.0.1 for links and transfers
};

std::string PlatformFolder(const std::string& native) {
  std::string path = platform::PlatformPath(native).value_or(native);
  if (!path.empty() && path.back() != '\\') path += '\\';
  return path;
}

}  // namespace

int main(int argc, char** argv) {
  platform::net::SetLoopbackOnly(true);
  Options options;
  for (int i = 1; i + 1 < argc || (i < argc && std::string(argv[i]) == "--firewall"); ++i) {
    std::string name = argv[i];
    if (name == "--firewall") {
      options.firewall = true;
      continue;
    }
    std::string value = argv[++i];
    if (name == "--address") options.address = value;
    if (name == "--port") options.port = std::atoi(value.c_str());
    if (name == "--share") options.share = value;
    if (name == "--download") options.download = value;
    if (name == "--agent") options.agent = value;
    if (name == "--home") options.home = value;
    if (name == "--socks") options.socks = std::atoi(value.c_str());
  }
  if (options.home.empty()) {
    char pattern[] = "/tmp/velko-servent-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) return 2;
    options.home = pattern;
  }
  for (const char* sub : {"Windows", "registry", "mutexes", "Temp"}) {
    std::filesystem::create_directories(std::filesystem::path(options.home) / sub);
  }
  platform::SetRegistryFolder((std::filesystem::path(options.home) / "registry").string());
  platform::SetMutexFolder((std::filesystem::path(options.home) / "mutexes").string());
  platform::SetWindowsFolder((std::filesystem::path(options.home) / "Windows").string());
  platform::SetTempFolder((std::filesystem::path(options.home) / "Temp").string());

  TGnutellaClientOptions& client = GnutellaClientOptions();
  client.UserAgent = options.agent;
  client.ListenIP = options.address;
  client.RemoteIP = options.address;

  auto* servent = new TGnutella(nullptr);
  servent->SetUserAgent(options.agent);
  servent->ServerSocket->Address = options.address;
  servent->UseForceIP = true;
  servent->ForceIP = options.address;
  servent->AutoConnect = false;
  servent->AutoPing = false;
  if (options.socks != 0) {
    servent->SetSocksServer("127.0.0.1");
    servent->SetSocksPort(static_cast<WORD>(options.socks));
    servent->SetSocksActive(true);
    servent->SetSocksActiveFileTransfer(true);
  }
  if (options.firewall) {
    servent->SetFirewall(true);
  } else {
    servent->SetListenPort(static_cast<WORD>(options.port));
    servent->StartListening();
  }
  if (!options.share.empty()) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(options.share)) {
      if (entry.is_regular_file()) names.push_back(entry.path().string());
    }
    std::sort(names.begin(), names.end());
    for (const auto& name : names) servent->AddShare(platform::PlatformPath(name).value_or(name));
  }
  Desk desk(servent, PlatformFolder(options.download));

  servent->OnLogin = [](TObject*, const String& ip, const GUID&, TGnutellaClientVersion, const String&,
                        const String&) { Say("login " + ip); };
  servent->OnSearchResult = [](TObject*, const String&, const GUID&, const String& file_ip, int port, DWORD,
                               const GUID& servent_id, DWORD index, DWORD size, const String& name,
                               const String&) {
    Say("hit " + file_ip + " " + std::to_string(port) + " " + std::to_string(index) + " " + std::to_string(size) +
        " " + ServentIDHex(servent_id) + " " + name);
  };
  servent->OnUploadFile = [&](TObject*, const String& name, int index, std::int64_t start, std::int64_t stop,
                              const String&, TCustomWinSocket* socket) {
    desk.Upload(name, index, start, stop, socket);
  };
  servent->OnReceiveFile = [&](TObject*, const String& name, int index, const String&, TCustomWinSocket* socket) {
    desk.Pop(name, index, socket);
  };
  servent->OnPush = [&](TObject*, const String&, const GUID&, const String& push_ip, int port, const String&,
                        DWORD index, const GUID& servent_id) {
    Say("push-received " + push_ip + " " + std::to_string(port) + " " + std::to_string(index));
    desk.Push(push_ip, port, static_cast<int>(index), servent_id);
  };

  bool quit = false;
  HWND commands = AllocateHWnd([&](TMessage& m) {
    if (m.Msg != WM_COMMANDLINE) {
      m.Result = DefWindowProc(nullptr, m.Msg, m.WParam, m.LParam);
      return;
    }
    std::unique_ptr<std::string> line(reinterpret_cast<std::string*>(m.LParam));
    std::istringstream in(*line);
    std::string verb;
    in >> verb;
    if (verb == "quit") {
      quit = true;
    } else if (verb == "connect") {
      std::string ip;
      int port = 0;
      in >> ip >> port;
      servent->ConnectTo(ip, port);
    } else if (verb == "search") {
      std::string text;
      std::getline(in >> std::ws, text);
      servent->Search(text);
    } else if (verb == "download") {
      std::string ip, name;
      int port = 0, index = 0;
      in >> ip >> port >> index;
      std::getline(in >> std::ws, name);
      desk.Download(ip, port, index, name);
    } else if (verb == "push") {
      std::string hex, ip;
      std::uint32_t index = 0;
      int port = 0;
      in >> hex >> index >> ip >> port;
      TPushFields push;
      if (!ParseGuidHex(hex, &push.ServentID)) return;
      push.FileIndex = index;
      push.Address = winsock::inet_addr(ip.c_str());
      push.Port = static_cast<std::uint16_t>(port);
      GUID id;
      CoCreateGuid(&id);
      std::vector<BYTE> bytes = BuildPush(id, 7, push);
      servent->Broadcast(bytes.data(), bytes.size());
      servent->ExpectGiv(push.ServentID, index);
    } else if (verb == "giv") {
      std::string ip, hex;
      int port = 0, index = 0;
      in >> ip >> port >> index >> hex;
      GUID id{};
      ParseGuidHex(hex, &id);
      desk.Push(ip, port, index, id);
    } else if (verb == "limit") {
      std::int64_t bytes = 0;
      in >> bytes;
      desk.SetUploadLimit(bytes);
      Say("limit " + std::to_string(bytes));
    }
  });

  std::thread reader([commands] {
    std::string line;
    while (std::getline(std::cin, line)) {
      PostMessage(commands, WM_COMMANDLINE, 0, reinterpret_cast<LPARAM>(new std::string(line)));
    }
    PostMessage(commands, WM_COMMANDLINE, 0, reinterpret_cast<LPARAM>(new std::string("quit")));
  });
  reader.detach();

  Say("ready " + std::to_string(options.firewall ? 0 : servent->ListenPort()));
  MSG msg;
  while (!quit && GetMessage(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessage(&msg);
  }
  DeallocateHWnd(commands);
  delete servent;
  std::fflush(stdout);
  // The reader thread may still wait on standard input.
  std::_Exit(0);
}
