// The web host-cache client: a list of cache URLs ("TGWC.cah" in the
// Windows folder), batches of HTTP requests for further cache URLs or for
// servent addresses, each on its own worker thread (TInternetDownload),
// and the addresses reported to the servent through OnVerifiedHost.
//
// At most five requests of each kind run at once; every request counts
// down when it ends, answered or not, so unreachable caches never stop the
// search. Answers are read to at most 256 KiB and filtered: cache answers
// keep http:// URLs only, host answers "a.b.c.d:port" lines only.
// Destruction stops every request and waits for it.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "classlib/Components.h"
#include "classlib/Strings.h"
#include "classlib/Threads.h"
#include "network/Gnutella.h"
#include "platform/net/wininet.h"

using TGWebCacheVerifiedEvent = std::function<void(TObject* Sender, const String& IP, int Port)>;

constexpr std::size_t kMaxWebCacheAnswer = 256 * 1024;
constexpr int kMaxCachesPerAnswer = 100;

// --- Answers -------------------------------------------------------------------

// Splits answer pieces into lines; a line cut between two pieces is joined.
class TAnswerLines {
 public:
  // Takes one piece; false once the answer has passed its size limit (the
  // rest is dropped).
  bool Add(std::string_view piece);
  // Ends the answer: a last line without a line end is taken too.
  std::vector<std::string> Finish();

 private:
  std::vector<std::string> lines_;
  std::string partial_;
  std::size_t total_ = 0;
};

// Whether a line of a cache answer is a cache URL worth keeping: "http://",
// no blanks or control bytes, at most 255 characters.
bool IsCacheUrl(std::string_view line);
// A host answer line "a.b.c.d:port" (port 1 to 65535); false for others.
bool ParseHostLine(std::string_view line, std::string* address, int* port);

// --- Requests ------------------------------------------------------------------

enum TWebCacheRequestKind { wrCaches, wrHosts };

class TInternetDownload : public TThread {
 public:
  TInternetDownload(const String& AUrl, bool CreateSuspended);

  HINTERNET InternetHandle = nullptr;
  HINTERNET UrlHandle = nullptr;
  std::vector<std::string> Lines;
  bool Done = false;
  String Url;
  TWebCacheRequestKind Kind = wrCaches;

  // From another thread: closes the handles (a running read ends) and
  // tells the thread to stop.
  void Cancel();

 protected:
  void Execute() override;

 private:
  std::mutex handles_;
  std::atomic<bool> cancelled_{false};
};

// --- The client ------------------------------------------------------------------

class TGWebCache : public TComponent, public TGnutellaHostCache {
 public:
  explicit TGWebCache(TComponent* AOwner);
  ~TGWebCache() override;

  TStringList* GWebCache;
  TStringList* Hosts;
  TStringList* Spare;
  String ClientCode = "TGWC";
  String ClientVersion = "1.0";
  String FileName;
  int CacheThreadLimit = 5;
  int HostThreadLimit = 5;
  int VerifyLimit = 5;
  int LastCache() const { return last_cache_; }
  int LastHost() const { return last_host_; }
  int LastVerifiedHost() const { return last_verified_host_; }
  int Threads = 0;
  int HostThreads() const { return host_threads_; }
  int CacheThreads() const { return cache_threads_; }
  int VerifyThreads() const { return 0; }
  TGWebCacheVerifiedEvent OnVerifiedHost;
  bool ReloadPending = true;
  bool Active = false;

  void Start() override;
  void Stop() override;
  void RequestUrls();
  void RequestHosts();
  void VerifyHosts();

  // The request URL for a cache (kind "urlfile=1" or "hostfile=1").
  String RequestUrl(const String& Cache, TWebCacheRequestKind Kind) const;
  // Requests running now.
  std::size_t Running() const { return thread_list_.size(); }
  // How long destruction waits for its requests at most (they end at once
  // when their handles close; this only bounds a stuck platform).
  std::chrono::milliseconds StopWait{std::chrono::seconds(30)};

 private:
  void LoadList();
  void SaveList();
  void Launch(const String& Cache, TWebCacheRequestKind Kind);
  void Completed(TInternetDownload* Thread);

  int last_cache_ = 0;
  int last_host_ = 0;
  int last_verified_host_ = 0;
  int host_threads_ = 0;
  int cache_threads_ = 0;
  std::vector<TInternetDownload*> thread_list_;
  // What a request's completion reaches: this client while it lives. A
  // request still running when destruction gives up completes into
  // nothing; its completion handler itself is never changed once it runs,
  // as the worker reads it as it ends. Read and cleared on the main thread.
  std::shared_ptr<TGWebCache*> self_ = std::make_shared<TGWebCache*>(this);
};

// The ten caches the list starts with when "TGWC.cah" does not exist.
const std::vector<String>& BuiltInWebCaches();
