#include "platform/mm/mci_movie.h"

#include <dlfcn.h>
#include <mpv/client.h>
#include <mpv/render.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <clocale>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/fs/drives.h"
#include "platform/fs/files.h"
#include "platform/user/user.h"

namespace platform::mm {

namespace {

std::atomic<bool> g_audio_enabled{true};
std::atomic<unsigned long long> g_frames_drawn{0};

constexpr UINT kFrameMessage = WM_APP + 0x3A0;
constexpr char kVideoClass[] = "VelkoMciVideo";
constexpr char kSinkClass[] = "VelkoMciSink";
constexpr auto kLoadTimeout = std::chrono::seconds(15);
constexpr auto kSeekTimeout = std::chrono::seconds(5);

DWORD Milliseconds(double seconds) {
  if (!(seconds > 0)) return 0;
  return static_cast<DWORD>(std::llround(seconds * 1000.0));
}

// The player library's calls this device makes. The library and the many
// libraries it depends on are loaded when the first movie opens, not when
// the program starts: most runs never play a movie.
struct MpvLibrary {
  decltype(&::mpv_create) create;
  decltype(&::mpv_initialize) initialize;
  decltype(&::mpv_set_option_string) set_option_string;
  decltype(&::mpv_set_property) set_property;
  decltype(&::mpv_set_property_string) set_property_string;
  decltype(&::mpv_get_property) get_property;
  decltype(&::mpv_observe_property) observe_property;
  decltype(&::mpv_command) command;
  decltype(&::mpv_wait_event) wait_event;
  decltype(&::mpv_wakeup) wakeup;
  decltype(&::mpv_terminate_destroy) terminate_destroy;
  decltype(&::mpv_render_context_create) render_context_create;
  decltype(&::mpv_render_context_set_update_callback) render_context_set_update_callback;
  decltype(&::mpv_render_context_update) render_context_update;
  decltype(&::mpv_render_context_render) render_context_render;
  decltype(&::mpv_render_context_free) render_context_free;
};

// The file name of the library this build was made against.
std::string DefaultLibraryName() { return "libmpv.so." + std::to_string(MPV_CLIENT_API_VERSION >> 16); }

struct LibraryTable {
  std::mutex mutex;
  std::string name = DefaultLibraryName();
  // Loaded once per name and kept for the life of the process: its threads
  // may outlive any one device.
  std::map<std::string, const MpvLibrary*> loaded;
};

LibraryTable& Libraries() {
  static LibraryTable* table = new LibraryTable;  // never destroyed: devices may close during exit
  return *table;
}

template <class F>
bool Bind(void* handle, const char* name, F& to) {
  to = reinterpret_cast<F>(dlsym(handle, name));
  return to != nullptr;
}

// Null when the library or one of its calls is missing; a later open tries again.
const MpvLibrary* LoadMpvLibrary() {
  LibraryTable& table = Libraries();
  std::lock_guard<std::mutex> lock(table.mutex);
  if (auto it = table.loaded.find(table.name); it != table.loaded.end()) return it->second;
  void* handle = dlopen(table.name.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) return nullptr;
  auto library = std::make_unique<MpvLibrary>();
  const bool complete =
      Bind(handle, "mpv_create", library->create) && Bind(handle, "mpv_initialize", library->initialize) &&
      Bind(handle, "mpv_set_option_string", library->set_option_string) &&
      Bind(handle, "mpv_set_property", library->set_property) &&
      Bind(handle, "mpv_set_property_string", library->set_property_string) &&
      Bind(handle, "mpv_get_property", library->get_property) &&
      Bind(handle, "mpv_observe_property", library->observe_property) &&
      Bind(handle, "mpv_command", library->command) && Bind(handle, "mpv_wait_event", library->wait_event) &&
      Bind(handle, "mpv_wakeup", library->wakeup) &&
      Bind(handle, "mpv_terminate_destroy", library->terminate_destroy) &&
      Bind(handle, "mpv_render_context_create", library->render_context_create) &&
      Bind(handle, "mpv_render_context_set_update_callback", library->render_context_set_update_callback) &&
      Bind(handle, "mpv_render_context_update", library->render_context_update) &&
      Bind(handle, "mpv_render_context_render", library->render_context_render) &&
      Bind(handle, "mpv_render_context_free", library->render_context_free);
  if (!complete) {
    dlclose(handle);
    return nullptr;
  }
  return table.loaded[table.name] = library.release();
}

class MovieDevice;
MovieDevice* DeviceOf(HWND hwnd) { return reinterpret_cast<MovieDevice*>(GetWindowLongPtr(hwnd, GWLP_USERDATA)); }

LRESULT VideoProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
LRESULT SinkProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

void RegisterClasses() {
  static const bool registered = [] {
    WNDCLASS video{};
    video.lpfnWndProc = &VideoProc;
    video.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    video.lpszClassName = kVideoClass;
    WNDCLASS sink{};
    sink.lpfnWndProc = &SinkProc;
    sink.lpszClassName = kSinkClass;
    return RegisterClass(&video) != 0 && RegisterClass(&sink) != 0;
  }();
  (void)registered;
}

class MovieDevice : public MciDevice {
 public:
  explicit MovieDevice(const MpvLibrary& library) : lib_(library) {}
  ~MovieDevice() override { Shutdown(); }

  MCIERROR Open(const std::string& element, DWORD flags) override;
  MCIERROR Command(UINT message, DWORD_PTR flags, DWORD_PTR params) override;

  // GUI thread: a new frame may be ready / the picture window needs paint.
  void OnFrameMessage();
  void Render();
  void Paint(HWND hwnd);

 private:
  void EventLoop();
  void Shutdown();
  void SetFlag(const char* name, bool value) {
    int flag = value ? 1 : 0;
    lib_.set_property(mpv_, name, MPV_FORMAT_FLAG, &flag);
  }
  double GetDouble(const char* name) {
    double value = 0;
    if (lib_.get_property(mpv_, name, MPV_FORMAT_DOUBLE, &value) < 0) return 0;
    return value;
  }
  // Streams without an index only estimate their duration; once the end
  // was seen, the last frame's end counts when it lies further.
  DWORD Length() {
    const DWORD duration = Milliseconds(GetDouble("duration"));
    std::lock_guard<std::mutex> lock(mutex_);
    return std::max(duration, seen_end_);
  }
  DWORD Position();
  DWORD Mode();
  // Seeks (exactly) and waits until the player has got there.
  bool SeekAndWait(const std::vector<std::string>& args);
  void SeekToEnd();
  void ReplaceNotify(DWORD_PTR flags, DWORD_PTR callback, WPARAM old_status);
  void PlaceVideoWindow();
  void SetParentWindow(HWND parent);

  const MpvLibrary& lib_;
  mpv_handle* mpv_ = nullptr;
  mpv_render_context* render_ = nullptr;
  std::thread events_;
  std::atomic<bool> stopping_{false};

  std::mutex mutex_;
  std::condition_variable changed_;
  bool loaded_ = false;
  bool failed_ = false;
  bool eof_ = false;
  bool parked_at_end_ = false;  // sought to the end
  DWORD seen_end_ = 0;  // where the last frame ended, once the end was reached
  unsigned long long restarts_ = 0;
  DWORD_PTR notify_callback_ = 0;  // the window waiting for the end of a play

  bool stopped_ = true;  // opened or stopped (not paused)
  std::atomic<HWND> sink_{nullptr};  // read by the player's threads
  HWND parent_ = nullptr;
  HWND video_ = nullptr;
  bool has_destination_ = false;
  RECT destination_{};  // left, top, width, height
  std::atomic<bool> frame_posted_{false};
  std::vector<uint32_t> frame_;
  int frame_width_ = 0;
  int frame_height_ = 0;
};

MCIERROR MovieDevice::Open(const std::string& element, DWORD) {
  if (element.empty()) return MCIERR_MISSING_PARAMETER;
  const std::optional<std::string> native = platform::NativePath(element);
  if (!native) return MCIERR_FILE_NOT_FOUND;
  const DWORD attributes = GetFileAttributes(element.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return MCIERR_FILE_NOT_FOUND;

  // The player reads numbers in the C locale only.
  std::setlocale(LC_NUMERIC, "C");
  mpv_ = lib_.create();
  if (mpv_ == nullptr) return MCIERR_INTERNAL;
  const std::pair<const char*, const char*> options[] = {
      {"config", "no"},          {"terminal", "no"},         {"msg-level", "all=no"},
      {"vo", "libmpv"},          {"hwdec", "no"},            {"keep-open", "yes"},
      {"pause", "yes"},          {"input-default-bindings", "no"}, {"input-vo-keyboard", "no"},
      {"osc", "no"},             {"load-scripts", "no"},     {"ytdl", "no"},
      {"sub-auto", "no"},        {"audio-display", "no"},    {"idle", "yes"},
  };
  for (const auto& [name, value] : options) lib_.set_option_string(mpv_, name, value);
  if (!g_audio_enabled) {
    lib_.set_option_string(mpv_, "ao", "null");
    lib_.set_option_string(mpv_, "aid", "no");
  }
  if (lib_.initialize(mpv_) < 0) {
    Shutdown();
    return MCIERR_INTERNAL;
  }
  char api[] = MPV_RENDER_API_TYPE_SW;
  mpv_render_param params[] = {{MPV_RENDER_PARAM_API_TYPE, api}, {MPV_RENDER_PARAM_INVALID, nullptr}};
  if (lib_.render_context_create(&render_, mpv_, params) < 0) {
    render_ = nullptr;
    Shutdown();
    return MCIERR_INTERNAL;
  }
  RegisterClasses();
  HWND sink = CreateWindowEx(0, kSinkClass, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
  if (sink != nullptr) SetWindowLongPtr(sink, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  sink_ = sink;
  lib_.render_context_set_update_callback(
      render_,
      [](void* context) {
        auto* self = static_cast<MovieDevice*>(context);
        const HWND sink = self->sink_;
        if (sink != nullptr && !self->frame_posted_.exchange(true)) PostMessage(sink, kFrameMessage, 0, 0);
      },
      this);
  lib_.observe_property(mpv_, 1, "eof-reached", MPV_FORMAT_FLAG);
  events_ = std::thread([this] { EventLoop(); });

  const std::string path = *native;
  const char* command[] = {"loadfile", path.c_str(), nullptr};
  if (lib_.command(mpv_, command) < 0) {
    Shutdown();
    return MCIERR_INVALID_FILE;
  }
  bool ok = false;
  {
    std::unique_lock<std::mutex> lock(mutex_);
    // Loaded, and the first picture decoded (so that seeks that follow are
    // not mistaken for the start).
    changed_.wait_for(lock, kLoadTimeout, [this] { return (loaded_ && restarts_ > 0) || failed_; });
    ok = loaded_ && !failed_;
  }
  if (!ok) {
    Shutdown();
    return MCIERR_INVALID_FILE;
  }
  return 0;
}

void MovieDevice::EventLoop() {
  while (!stopping_) {
    mpv_event* event = lib_.wait_event(mpv_, -1);
    if (stopping_ || event->event_id == MPV_EVENT_SHUTDOWN) break;
    std::unique_lock<std::mutex> lock(mutex_);
    switch (event->event_id) {
      case MPV_EVENT_FILE_LOADED:
        loaded_ = true;
        break;
      case MPV_EVENT_END_FILE: {
        const auto* end = static_cast<mpv_event_end_file*>(event->data);
        if (!loaded_ || end->reason == MPV_END_FILE_REASON_ERROR) failed_ = true;
        break;
      }
      case MPV_EVENT_PLAYBACK_RESTART:
        ++restarts_;
        break;
      case MPV_EVENT_PROPERTY_CHANGE: {
        const auto* property = static_cast<mpv_event_property*>(event->data);
        if (std::strcmp(property->name, "eof-reached") == 0 && property->format == MPV_FORMAT_FLAG &&
            property->data != nullptr) {
          eof_ = *static_cast<int*>(property->data) != 0;
          if (eof_) {
            double fps = GetDouble("container-fps");
            if (!(fps > 0)) fps = 25;
            const double at = GetDouble("time-pos");
            if (at > 0) seen_end_ = std::max(seen_end_, Milliseconds(at + 1.0 / fps));
          }
          if (eof_ && notify_callback_ != 0) {
            PostMciNotify(notify_callback_, MCI_NOTIFY_SUCCESSFUL, id);
            notify_callback_ = 0;
          }
        }
        break;
      }
      default:
        break;
    }
    lock.unlock();
    changed_.notify_all();
  }
}

void MovieDevice::Shutdown() {
  // No more frame reports from the player's threads, then the windows go.
  if (render_ != nullptr) lib_.render_context_set_update_callback(render_, nullptr, nullptr);
  if (const HWND sink = sink_.exchange(nullptr)) {
    SetWindowLongPtr(sink, GWLP_USERDATA, 0);
    DestroyWindow(sink);
  }
  if (video_ != nullptr) {
    SetWindowLongPtr(video_, GWLP_USERDATA, 0);
    DestroyWindow(video_);
    video_ = nullptr;
  }
  if (render_ != nullptr) {
    lib_.render_context_free(render_);
    render_ = nullptr;
  }
  if (events_.joinable()) {
    stopping_ = true;
    lib_.wakeup(mpv_);
    events_.join();
  }
  if (mpv_ != nullptr) {
    lib_.terminate_destroy(mpv_);
    mpv_ = nullptr;
  }
}

DWORD MovieDevice::Position() {
  bool at_end = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    at_end = eof_ || parked_at_end_;
  }
  if (at_end) return Length();
  const DWORD length = Length();
  const DWORD position = Milliseconds(GetDouble("time-pos"));
  return length != 0 && position > length ? length : position;
}

DWORD MovieDevice::Mode() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!loaded_) return MCI_MODE_NOT_READY;
  if (eof_ || stopped_ || parked_at_end_) return MCI_MODE_STOP;
  int paused = 0;
  lib_.get_property(mpv_, "pause", MPV_FORMAT_FLAG, &paused);
  return paused ? MCI_MODE_PAUSE : MCI_MODE_PLAY;
}

bool MovieDevice::SeekAndWait(const std::vector<std::string>& args) {
  unsigned long long before = 0;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    before = restarts_;
    parked_at_end_ = false;
    eof_ = false;  // the player says so again if the seek lands at the end
  }
  std::vector<const char*> command;
  for (const std::string& arg : args) command.push_back(arg.c_str());
  command.push_back(nullptr);
  if (lib_.command(mpv_, command.data()) < 0) return false;
  std::unique_lock<std::mutex> lock(mutex_);
  return changed_.wait_for(lock, kSeekTimeout, [&] { return restarts_ > before; });
}

void MovieDevice::SeekToEnd() {
  // Onto the last frame; the device then stands at the end.
  SeekAndWait({"seek", "100", "absolute-percent+exact"});
  std::lock_guard<std::mutex> lock(mutex_);
  parked_at_end_ = true;
}

void MovieDevice::ReplaceNotify(DWORD_PTR flags, DWORD_PTR callback, WPARAM old_status) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (notify_callback_ != 0) PostMciNotify(notify_callback_, old_status, id);
  notify_callback_ = (flags & MCI_NOTIFY) ? callback : 0;
}

MCIERROR MovieDevice::Command(UINT message, DWORD_PTR flags, DWORD_PTR params) {
  const DWORD_PTR callback = params != 0 ? reinterpret_cast<MCI_GENERIC_PARMS*>(params)->dwCallback : 0;
  const auto notify_done = [&] {
    if (flags & MCI_NOTIFY) PostMciNotify(callback, MCI_NOTIFY_SUCCESSFUL, id);
  };
  switch (message) {
    case MCI_CLOSE:
      ReplaceNotify(0, 0, MCI_NOTIFY_ABORTED);
      Shutdown();
      return 0;
    case MCI_PLAY: {
      const auto* play = reinterpret_cast<MCI_PLAY_PARMS*>(params);
      if ((flags & (MCI_FROM | MCI_TO)) && play == nullptr) return MCIERR_MISSING_PARAMETER;
      const DWORD length = Length();
      if ((flags & MCI_FROM) && play->dwFrom > length) return MCIERR_OUTOFRANGE;
      if ((flags & MCI_TO) && play->dwTo > length) return MCIERR_OUTOFRANGE;
      if (flags & MCI_FROM) SeekAndWait({"seek", std::to_string(play->dwFrom / 1000.0), "absolute+exact"});
      const std::string end = (flags & MCI_TO) ? std::to_string(play->dwTo / 1000.0) : std::string("none");
      lib_.set_property_string(mpv_, "end", end.c_str());
      ReplaceNotify(flags, callback, MCI_NOTIFY_SUPERSEDED);
      bool at_end = false;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        stopped_ = false;
        at_end = eof_ || parked_at_end_;
        if (at_end && notify_callback_ != 0) {
          PostMciNotify(notify_callback_, MCI_NOTIFY_SUCCESSFUL, id);
          notify_callback_ = 0;
        }
      }
      if (!at_end) SetFlag("pause", false);
      return 0;
    }
    case MCI_PAUSE:
      SetFlag("pause", true);
      notify_done();
      return 0;
    case MCI_RESUME: {
      std::lock_guard<std::mutex> lock(mutex_);
      stopped_ = false;
    }
      SetFlag("pause", false);
      notify_done();
      return 0;
    case MCI_STOP:
      SetFlag("pause", true);
      {
        std::lock_guard<std::mutex> lock(mutex_);
        stopped_ = true;
      }
      ReplaceNotify(0, 0, MCI_NOTIFY_ABORTED);
      notify_done();
      return 0;
    case MCI_SEEK: {
      const auto* seek = reinterpret_cast<MCI_SEEK_PARMS*>(params);
      const int targets = ((flags & MCI_SEEK_TO_START) ? 1 : 0) + ((flags & MCI_SEEK_TO_END) ? 1 : 0) +
                          ((flags & MCI_TO) ? 1 : 0);
      if (targets > 1) return MCIERR_FLAGS_NOT_COMPATIBLE;
      if (targets == 0 || ((flags & MCI_TO) && seek == nullptr)) return MCIERR_MISSING_PARAMETER;
      const DWORD length = Length();
      if ((flags & MCI_TO) && seek->dwTo > length) return MCIERR_OUTOFRANGE;
      SetFlag("pause", true);
      ReplaceNotify(0, 0, MCI_NOTIFY_ABORTED);
      {
        std::lock_guard<std::mutex> lock(mutex_);
        stopped_ = true;
      }
      const DWORD to = (flags & MCI_SEEK_TO_START) ? 0 : (flags & MCI_SEEK_TO_END) ? length : seek->dwTo;
      if (to >= length && length != 0) {
        SeekToEnd();
      } else {
        SeekAndWait({"seek", std::to_string(to / 1000.0), "absolute+exact"});
      }
      notify_done();
      return 0;
    }
    case MCI_STEP: {
      const auto* step = reinterpret_cast<MCI_DGV_STEP_PARMS*>(params);
      DWORD frames = 1;
      if (flags & MCI_DGV_STEP_FRAMES) {
        if (step == nullptr) return MCIERR_MISSING_PARAMETER;
        frames = step->dwFrames;
      }
      double fps = GetDouble("container-fps");
      if (!(fps > 0)) fps = 25;
      const double seconds = frames / fps * ((flags & MCI_DGV_STEP_REVERSE) ? -1 : 1);
      SetFlag("pause", true);
      {
        std::lock_guard<std::mutex> lock(mutex_);
        stopped_ = false;
      }
      if (seconds > 0 && Position() + seconds * 1000 >= Length()) {
        SeekToEnd();
      } else if (seconds != 0) {
        SeekAndWait({"seek", std::to_string(seconds), "relative+exact"});
      }
      notify_done();
      return 0;
    }
    case MCI_STATUS: {
      auto* status = reinterpret_cast<MCI_STATUS_PARMS*>(params);
      if (status == nullptr || !(flags & MCI_STATUS_ITEM)) return MCIERR_MISSING_PARAMETER;
      switch (status->dwItem) {
        case MCI_STATUS_LENGTH:
          status->dwReturn = Length();
          break;
        case MCI_STATUS_POSITION:
          status->dwReturn = (flags & MCI_STATUS_START) ? 0 : Position();
          break;
        case MCI_STATUS_MODE:
          status->dwReturn = Mode();
          break;
        case MCI_STATUS_READY:
        case MCI_STATUS_MEDIA_PRESENT:
          status->dwReturn = TRUE;
          break;
        case MCI_STATUS_TIME_FORMAT:
          status->dwReturn = MCI_FORMAT_MILLISECONDS;
          break;
        case MCI_STATUS_NUMBER_OF_TRACKS:
        case MCI_STATUS_CURRENT_TRACK:
          status->dwReturn = 1;
          break;
        default:
          return MCIERR_UNSUPPORTED_FUNCTION;
      }
      notify_done();
      return 0;
    }
    case MCI_SET: {
      const auto* set = reinterpret_cast<MCI_SET_PARMS*>(params);
      if (flags & MCI_SET_TIME_FORMAT) {
        if (set == nullptr) return MCIERR_MISSING_PARAMETER;
        if (set->dwTimeFormat != MCI_FORMAT_MILLISECONDS) return MCIERR_UNSUPPORTED_FUNCTION;
      }
      if (flags & (MCI_SET_DOOR_OPEN | MCI_SET_DOOR_CLOSED)) return MCIERR_UNSUPPORTED_FUNCTION;
      notify_done();
      return 0;
    }
    case MCI_WINDOW: {
      const auto* window = reinterpret_cast<MCI_DGV_WINDOW_PARMS*>(params);
      if (flags & MCI_DGV_WINDOW_HWND) {
        if (window == nullptr) return MCIERR_MISSING_PARAMETER;
        if (window->hWnd != nullptr && !IsWindow(window->hWnd)) return MCIERR_NO_WINDOW;
        SetParentWindow(window->hWnd);
      }
      notify_done();
      return 0;
    }
    case MCI_PUT: {
      const auto* put = reinterpret_cast<MCI_DGV_RECT_PARMS*>(params);
      if (flags & MCI_DGV_PUT_DESTINATION) {
        if (flags & MCI_DGV_RECT) {
          if (put == nullptr) return MCIERR_MISSING_PARAMETER;
          destination_ = put->rc;
          has_destination_ = true;
        } else {
          has_destination_ = false;
        }
        PlaceVideoWindow();
      }
      notify_done();
      return 0;
    }
    case MCI_WHERE: {
      auto* where = reinterpret_cast<MCI_DGV_RECT_PARMS*>(params);
      if (where == nullptr) return MCIERR_MISSING_PARAMETER;
      if (video_ != nullptr) {
        RECT rect{};
        GetClientRect(video_, &rect);
        POINT origin{0, 0};
        MapWindowPoints(video_, parent_, &origin, 1);
        where->rc = RECT{origin.x, origin.y, rect.right, rect.bottom};
      } else {
        where->rc = RECT{0, 0, 0, 0};
      }
      return 0;
    }
    default:
      return MCIERR_UNSUPPORTED_FUNCTION;
  }
}

void MovieDevice::SetParentWindow(HWND parent) {
  if (video_ != nullptr) {
    SetWindowLongPtr(video_, GWLP_USERDATA, 0);
    DestroyWindow(video_);
    video_ = nullptr;
  }
  parent_ = parent;
  if (parent_ == nullptr) return;
  RegisterClasses();
  video_ = CreateWindowEx(0, kVideoClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0, 0, 0, parent_,
                          nullptr, nullptr, nullptr);
  if (video_ == nullptr) return;
  SetWindowLongPtr(video_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  // Above the parent's other children, as a movie picture is.
  SetWindowPos(video_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  PlaceVideoWindow();
}

void MovieDevice::PlaceVideoWindow() {
  if (video_ == nullptr) return;
  RECT place{};
  if (has_destination_) {
    place = destination_;
  } else {
    RECT client{};
    GetClientRect(parent_, &client);
    place = RECT{0, 0, client.right, client.bottom};
  }
  MoveWindow(video_, place.left, place.top, place.right, place.bottom, TRUE);
  Render();
}

void MovieDevice::OnFrameMessage() {
  frame_posted_ = false;
  if (render_ == nullptr) return;
  if (lib_.render_context_update(render_) & MPV_RENDER_UPDATE_FRAME) Render();
}

void MovieDevice::Render() {
  if (render_ == nullptr) return;
  int width = 16, height = 16;
  if (video_ != nullptr) {
    RECT client{};
    GetClientRect(video_, &client);
    if (client.right > 0 && client.bottom > 0) {
      width = client.right;
      height = client.bottom;
    }
  }
  frame_.assign(static_cast<std::size_t>(width) * height, 0);
  frame_width_ = width;
  frame_height_ = height;
  int size[2] = {width, height};
  char format[] = "bgr0";
  std::size_t stride = static_cast<std::size_t>(width) * 4;
  mpv_render_param params[] = {{MPV_RENDER_PARAM_SW_SIZE, size},
                               {MPV_RENDER_PARAM_SW_FORMAT, format},
                               {MPV_RENDER_PARAM_SW_STRIDE, &stride},
                               {MPV_RENDER_PARAM_SW_POINTER, frame_.data()},
                               {MPV_RENDER_PARAM_INVALID, nullptr}};
  if (lib_.render_context_render(render_, params) < 0) return;
  if (video_ != nullptr) {
    ++g_frames_drawn;
    InvalidateRect(video_, nullptr, FALSE);
  }
}

void MovieDevice::Paint(HWND hwnd) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(hwnd, &paint);
  if (!frame_.empty()) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = frame_width_;
    info.bmiHeader.biHeight = -frame_height_;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    SetDIBitsToDevice(dc, 0, 0, frame_width_, frame_height_, 0, 0, 0, frame_height_, frame_.data(), &info,
                      DIB_RGB_COLORS);
  }
  EndPaint(hwnd, &paint);
}

LRESULT VideoProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  MovieDevice* device = DeviceOf(hwnd);
  switch (message) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      if (device != nullptr) {
        device->Paint(hwnd);
        return 0;
      }
      break;
    default:
      break;
  }
  return DefWindowProc(hwnd, message, wparam, lparam);
}

LRESULT SinkProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == kFrameMessage) {
    if (MovieDevice* device = DeviceOf(hwnd)) device->OnFrameMessage();
    return 0;
  }
  return DefWindowProc(hwnd, message, wparam, lparam);
}

}  // namespace

std::unique_ptr<MciDevice> MakeMovieDevice() {
  const MpvLibrary* library = LoadMpvLibrary();
  if (library == nullptr) return nullptr;
  return std::make_unique<MovieDevice>(*library);
}

std::string MovieLibraryName() {
  LibraryTable& table = Libraries();
  std::lock_guard<std::mutex> lock(table.mutex);
  return table.name;
}

void SetMovieLibraryName(const std::string& name) {
  LibraryTable& table = Libraries();
  std::lock_guard<std::mutex> lock(table.mutex);
  table.name = name.empty() ? DefaultLibraryName() : name;
}

unsigned long long MovieFramesDrawn() { return g_frames_drawn; }

void SetMciAudioEnabled(bool enabled) { g_audio_enabled = enabled; }

}  // namespace platform::mm
