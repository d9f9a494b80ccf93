#include "network/GWebCache.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "classlib/AtomicFile.h"
#include "classlib/FileRoutines.h"
#include "classlib/PathRoutines.h"
#include "platform/fs/files.h"
#include "platform/user/user.h"

// --- Requests ------------------------------------------------------------------

TInternetDownload::TInternetDownload(const String& AUrl, bool CreateSuspended)
    : TThread(CreateSuspended), Url(AUrl) {}

void TInternetDownload::Cancel() {
  std::lock_guard<std::mutex> hold(handles_);
  cancelled_ = true;
  Terminate();
  if (UrlHandle != nullptr) InternetCloseHandle(UrlHandle);
  if (InternetHandle != nullptr) InternetCloseHandle(InternetHandle);
  UrlHandle = nullptr;
  InternetHandle = nullptr;
}

void TInternetDownload::Execute() {
  HINTERNET session = InternetOpen("TGWC", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
  {
    std::lock_guard<std::mutex> hold(handles_);
    if (session == nullptr) return;
    if (cancelled_) {
      InternetCloseHandle(session);
      return;
    }
    InternetHandle = session;
  }
  // A close from Cancel ends this call too (the session takes it along).
  HINTERNET request = InternetOpenUrl(session, Url.c_str(), nullptr, 0, INTERNET_FLAG_RELOAD, 0);
  {
    std::lock_guard<std::mutex> hold(handles_);
    if (request != nullptr) {
      if (cancelled_) {
        InternetCloseHandle(request);
        request = nullptr;
      } else {
        UrlHandle = request;
      }
    }
  }
  if (request != nullptr) {
    Done = true;
    TAnswerLines answer;
    std::vector<char> piece(8192);
    while (!Terminated()) {
      DWORD got = 0;
      if (!InternetReadFile(request, piece.data(), static_cast<DWORD>(piece.size()), &got) || got == 0) break;
      if (!answer.Add(std::string_view(piece.data(), got))) break;
    }
    Lines = answer.Finish();
  }
  std::lock_guard<std::mutex> hold(handles_);
  if (UrlHandle != nullptr) InternetCloseHandle(UrlHandle);
  if (InternetHandle != nullptr) InternetCloseHandle(InternetHandle);
  UrlHandle = nullptr;
  InternetHandle = nullptr;
}

// --- The client ------------------------------------------------------------------

const std::vector<String>& BuiltInWebCaches() {
  static const std::vector<String> caches = {
      "http://gwc.velko-cache.example/gcache.php",
      "http://cache.gnutella-hosts.example/gcache.php",
      "http://www.servent-list.example/gwc/gcache.php",
      "http://gwebcache.peer-index.example/gcache.php",
      "http://hosts.filesharing-net.example:8888/gcache.php",
      "http://gwc2.open-peers.example/cache/gcache.php",
      "http://webcache.leafnodes.example/gcache.php",
      "http://gcache.ultrapeer-hub.example/gcache.php",
      "http://bazooka.hostcaches.example/hipe.dll",
      "http://cachescript.p2p-portal.example/index.php",
  };
  return caches;
}

TGWebCache::TGWebCache(TComponent* AOwner)
    : TComponent(AOwner), GWebCache(new TStringList()), Hosts(new TStringList()), Spare(new TStringList()) {
  char folder[MAX_PATH] = {};
  GetWindowsDirectory(folder, MAX_PATH);
  FileName = IncludeTrailingBackslash(folder) + "TGWC.cah";
  if (FileExists(FileName)) {
    LoadList();
  } else {
    for (const auto& cache : BuiltInWebCaches()) GWebCache->Add(cache);
  }
}

TGWebCache::~TGWebCache() {
  Stop();
  SaveList();
  for (TInternetDownload* thread : thread_list_) thread->Cancel();
  // The requests end as their handles close; their completions run here.
  const auto give_up = std::chrono::steady_clock::now() + StopWait;
  while (!thread_list_.empty() && std::chrono::steady_clock::now() < give_up) {
    CheckSynchronize();
    MSG msg;
    while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessage(&msg);
    }
    if (!thread_list_.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  // Any still listed (a stuck platform) must no longer call back into us.
  *self_ = nullptr;
  thread_list_.clear();
  delete GWebCache;
  delete Hosts;
  delete Spare;
}

void TGWebCache::LoadList() {
  String contents;
  if (!classlib::ReadWholeFile(FileName, contents)) return;
  GWebCache->Clear();
  TAnswerLines lines;
  lines.Add(contents);
  for (const auto& line : lines.Finish()) GWebCache->Add(line);
}

void TGWebCache::SaveList() {
  String contents;
  for (int i = 0; i < GWebCache->Count(); ++i) contents += GWebCache->Strings(i) + "\r\n";
  try {
    // A failed save keeps the old file.
    classlib::WriteFileAtomically(FileName, contents);
  } catch (...) {
  }
}

String TGWebCache::RequestUrl(const String& Cache, TWebCacheRequestKind Kind) const {
  String code = ClientCode.empty() ? String("TGWC") : ClientCode;
  String version = ClientVersion.empty() ? String("1.0") : ClientVersion;
  return Cache + "?client=" + code + "&version=" + version + "&" + (Kind == wrCaches ? "urlfile=1" : "hostfile=1");
}

void TGWebCache::Start() {
  if (Active) return;
  Active = true;
  if (GWebCache->Count() < 5) {
    RequestUrls();
  } else {
    RequestHosts();
  }
}

void TGWebCache::Stop() {
  Active = false;
}

void TGWebCache::Launch(const String& Cache, TWebCacheRequestKind Kind) {
  auto* thread = new TInternetDownload(RequestUrl(Cache, Kind), true);
  thread->Kind = Kind;
  ++Threads;
  if (Kind == wrCaches) {
    ++cache_threads_;
  } else {
    ++host_threads_;
  }
  thread->OnTerminate = [self = self_, thread](TObject*) {
    if (*self != nullptr) (*self)->Completed(thread);
  };
  thread->FreeOnTerminate = true;
  thread_list_.push_back(thread);
  thread->Start();
}

void TGWebCache::RequestUrls() {
  if (cache_threads_ >= CacheThreadLimit || GWebCache->Count() == 0) return;
  if (ReloadPending) {
    if (FileExists(FileName)) LoadList();
    ReloadPending = false;
  }
  int room = CacheThreadLimit - cache_threads_;
  for (int started = 0; started < room && last_cache_ < GWebCache->Count(); ++started) {
    Launch(GWebCache->Strings(last_cache_), wrCaches);
    ++last_cache_;
  }
}

void TGWebCache::RequestHosts() {
  if (host_threads_ >= HostThreadLimit || GWebCache->Count() == 0) return;
  if (last_host_ >= GWebCache->Count()) {
    RequestUrls();
    return;
  }
  int room = HostThreadLimit - host_threads_;
  for (int started = 0; started < room && last_host_ < GWebCache->Count(); ++started) {
    Launch(GWebCache->Strings(last_host_), wrHosts);
    ++last_host_;
  }
}

void TGWebCache::VerifyHosts() {
  if (Hosts->Count() == 0) return;
  const int last = std::min(last_verified_host_ + VerifyLimit, Hosts->Count() - 1);
  while (last_verified_host_ <= last) {
    String line = Hosts->Strings(last_verified_host_);
    ++last_verified_host_;
    std::string address;
    int port = 0;
    if (!line.empty() && OnVerifiedHost && ParseHostLine(line, &address, &port)) {
      OnVerifiedHost(this, address, port);
    }
  }
}

void TGWebCache::Completed(TInternetDownload* Thread) {
  thread_list_.erase(std::remove(thread_list_.begin(), thread_list_.end(), Thread), thread_list_.end());
  --Threads;
  if (Thread->Kind == wrCaches) {
    --cache_threads_;
  } else {
    --host_threads_;
  }
  if (Thread->Done) {
    if (Thread->Kind == wrCaches) {
      int taken = 0;
      for (const auto& line : Thread->Lines) {
        if (taken >= kMaxCachesPerAnswer) break;
        if (!IsCacheUrl(line) || GWebCache->IndexOf(line) >= 0) continue;
        GWebCache->Add(line);
        ++taken;
      }
    } else {
      std::string address;
      int port = 0;
      for (const auto& line : Thread->Lines) {
        if (ParseHostLine(line, &address, &port)) Hosts->Add(line);
      }
    }
  }
  if (Active) {
    RequestUrls();
    RequestHosts();
    VerifyHosts();
  }
}
