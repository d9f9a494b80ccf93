// The tray backend of the desktop: one StatusNotifierItem object per icon
// on the session bus, registered with the status notifier watcher. A
// thread of the backend answers the bus; property reads and the panel's
// clicks come in there.
#include <poll.h>
#include <sys/eventfd.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <map>
#include <mutex>
#include <thread>

#include "platform/shell/tray.h"

namespace platform {

namespace {

constexpr const char* kItemInterface = "org.kde.StatusNotifierItem";
constexpr const char* kWatcher = "org.kde.StatusNotifierWatcher";
constexpr const char* kWatcherPath = "/StatusNotifierWatcher";

class StatusNotifierBackend;

struct Item {
  StatusNotifierBackend* backend = nullptr;
  TrayIcon icon;
  std::string path;
  sd_bus_slot* slot = nullptr;
};

class StatusNotifierBackend : public TrayBackend {
 public:
  explicit StatusNotifierBackend(std::string address) : address_(std::move(address)) {}

  ~StatusNotifierBackend() override {
    stop_ = true;
    if (wake_ >= 0) {
      const std::uint64_t one = 1;
      [[maybe_unused]] ssize_t n = write(wake_, &one, sizeof one);
    }
    if (thread_.joinable()) thread_.join();
    std::lock_guard lock(mutex_);
    for (auto& [key, item] : items_) sd_bus_slot_unref(item->slot);
    items_.clear();
    sd_bus_slot_unref(watch_slot_);
    if (bus_ != nullptr) sd_bus_flush_close_unref(bus_);
    if (wake_ >= 0) close(wake_);
  }

  bool Add(const TrayIcon& icon) override {
    std::lock_guard lock(mutex_);
    if (!Open()) return false;
    auto item = std::make_unique<Item>();
    item->backend = this;
    item->icon = icon;
    item->path = "/org/velko/StatusNotifierItem/" + std::to_string(reinterpret_cast<std::uintptr_t>(icon.hwnd)) +
                 "_" + std::to_string(icon.id);
    if (sd_bus_add_object_vtable(bus_, &item->slot, item->path.c_str(), kItemInterface, kVtable, item.get()) < 0) {
      return false;
    }
    Register(item->path);
    items_[{icon.hwnd, icon.id}] = std::move(item);
    Wake();
    return true;
  }

  bool Modify(const TrayIcon& icon) override {
    std::lock_guard lock(mutex_);
    auto it = items_.find({icon.hwnd, icon.id});
    if (it == items_.end()) return false;
    it->second->icon = icon;
    sd_bus_emit_signal(bus_, it->second->path.c_str(), kItemInterface, "NewToolTip", "");
    sd_bus_emit_signal(bus_, it->second->path.c_str(), kItemInterface, "NewIcon", "");
    Wake();
    return true;
  }

  bool Delete(HWND hwnd, UINT id) override {
    std::lock_guard lock(mutex_);
    auto it = items_.find({hwnd, id});
    if (it == items_.end()) return false;
    sd_bus_slot_unref(it->second->slot);
    items_.erase(it);
    Wake();
    return true;
  }

 private:
  bool Open() {
    if (bus_ != nullptr) return true;
    int result = 0;
    if (address_.empty()) {
      result = sd_bus_open_user(&bus_);
    } else {
      result = sd_bus_new(&bus_);
      if (result >= 0) result = sd_bus_set_address(bus_, address_.c_str());
      if (result >= 0) result = sd_bus_set_bus_client(bus_, 1);
      if (result >= 0) result = sd_bus_start(bus_);
    }
    if (result < 0) {
      if (bus_ != nullptr) sd_bus_unref(bus_);
      bus_ = nullptr;
      return false;
    }
    // A watcher (a panel) coming up: the icons register again and their
    // windows hear of it.
    sd_bus_match_signal(bus_, &watch_slot_, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                        "org.freedesktop.DBus", "NameOwnerChanged", &StatusNotifierBackend::OnOwnerChanged, this);
    wake_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    thread_ = std::thread([this] { Run(); });
    return true;
  }

  void Register(const std::string& path) {
    sd_bus_call_method_async(bus_, nullptr, kWatcher, kWatcherPath, kWatcher, "RegisterStatusNotifierItem",
                             nullptr, nullptr, "s", path.c_str());
  }

  void Wake() {
    const std::uint64_t one = 1;
    [[maybe_unused]] ssize_t n = write(wake_, &one, sizeof one);
  }

  void Run() {
    while (!stop_) {
      int fd = -1;
      short events = 0;
      {
        std::lock_guard lock(mutex_);
        while (sd_bus_process(bus_, nullptr) > 0) {
        }
        sd_bus_flush(bus_);
        fd = sd_bus_get_fd(bus_);
        events = static_cast<short>(sd_bus_get_events(bus_));
      }
      pollfd fds[2] = {{fd, events, 0}, {wake_, POLLIN, 0}};
      poll(fds, 2, 200);
      if (fds[1].revents != 0) {
        std::uint64_t count = 0;
        [[maybe_unused]] ssize_t n = read(wake_, &count, sizeof count);
      }
    }
  }

  static int OnOwnerChanged(sd_bus_message* m, void* user, sd_bus_error*) {
    const char* name = nullptr;
    const char* old_owner = nullptr;
    const char* new_owner = nullptr;
    if (sd_bus_message_read(m, "sss", &name, &old_owner, &new_owner) < 0 || name == nullptr) return 0;
    if (std::strcmp(name, kWatcher) != 0 || new_owner == nullptr || new_owner[0] == '\0') return 0;
    auto* self = static_cast<StatusNotifierBackend*>(user);
    for (auto& [key, item] : self->items_) self->Register(item->path);
    AnnounceTaskbarCreated();
    return 0;
  }

  static Item* ItemOf(void* user) { return static_cast<Item*>(user); }

  static int Click(sd_bus_message* m, void* user, TrayClick click) {
    Item* item = ItemOf(user);
    DeliverTrayClick(item->icon.hwnd, item->icon.id, click);
    return sd_bus_reply_method_return(m, "");
  }
  static int Activate(sd_bus_message* m, void* user, sd_bus_error*) { return Click(m, user, TrayClick::Activate); }
  static int Secondary(sd_bus_message* m, void* user, sd_bus_error*) {
    return Click(m, user, TrayClick::SecondaryActivate);
  }
  static int Context(sd_bus_message* m, void* user, sd_bus_error*) {
    return Click(m, user, TrayClick::ContextMenu);
  }
  static int Scroll(sd_bus_message* m, void*, sd_bus_error*) { return sd_bus_reply_method_return(m, ""); }

  static int StringProperty(sd_bus* , const char*, const char*, const char* property, sd_bus_message* reply,
                            void* user, sd_bus_error*) {
    Item* item = ItemOf(user);
    if (std::strcmp(property, "Category") == 0) return sd_bus_message_append(reply, "s", "ApplicationStatus");
    if (std::strcmp(property, "Id") == 0) return sd_bus_message_append(reply, "s", "velko");
    if (std::strcmp(property, "Status") == 0) return sd_bus_message_append(reply, "s", "Active");
    if (std::strcmp(property, "IconName") == 0) return sd_bus_message_append(reply, "s", "");
    return sd_bus_message_append(reply, "s", item->icon.tip.c_str());  // Title
  }

  static int AppendPixmaps(sd_bus_message* reply, const TrayIcon& icon) {
    int r = sd_bus_message_open_container(reply, 'a', "(iiay)");
    if (r < 0) return r;
    if (icon.image.width > 0 && icon.image.height > 0) {
      std::vector<std::uint8_t> bytes;
      bytes.reserve(icon.image.argb.size() * 4);
      for (std::uint32_t pixel : icon.image.argb) {
        // ARGB in network byte order.
        bytes.push_back(static_cast<std::uint8_t>(pixel >> 24));
        bytes.push_back(static_cast<std::uint8_t>(pixel >> 16));
        bytes.push_back(static_cast<std::uint8_t>(pixel >> 8));
        bytes.push_back(static_cast<std::uint8_t>(pixel));
      }
      r = sd_bus_message_open_container(reply, 'r', "iiay");
      if (r >= 0) r = sd_bus_message_append(reply, "ii", icon.image.width, icon.image.height);
      if (r >= 0) r = sd_bus_message_append_array(reply, 'y', bytes.data(), bytes.size());
      if (r >= 0) r = sd_bus_message_close_container(reply);
      if (r < 0) return r;
    }
    return sd_bus_message_close_container(reply);
  }

  static int IconPixmap(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void* user,
                        sd_bus_error*) {
    return AppendPixmaps(reply, ItemOf(user)->icon);
  }

  static int ToolTip(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void* user,
                     sd_bus_error*) {
    Item* item = ItemOf(user);
    int r = sd_bus_message_open_container(reply, 'r', "sa(iiay)ss");
    if (r >= 0) r = sd_bus_message_append(reply, "s", "");
    if (r >= 0) r = AppendPixmaps(reply, item->icon);
    if (r >= 0) r = sd_bus_message_append(reply, "ss", item->icon.tip.c_str(), "");
    if (r >= 0) r = sd_bus_message_close_container(reply);
    return r;
  }

  static int ItemIsMenu(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*,
                        sd_bus_error*) {
    return sd_bus_message_append(reply, "b", 0);
  }

  static const sd_bus_vtable kVtable[];

  const std::string address_;
  std::recursive_mutex mutex_;
  sd_bus* bus_ = nullptr;
  sd_bus_slot* watch_slot_ = nullptr;
  std::map<std::pair<HWND, UINT>, std::unique_ptr<Item>> items_;
  std::thread thread_;
  int wake_ = -1;
  std::atomic<bool> stop_{false};
};

const sd_bus_vtable StatusNotifierBackend::kVtable[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_PROPERTY("Category", "s", &StatusNotifierBackend::StringProperty, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_PROPERTY("Id", "s", &StatusNotifierBackend::StringProperty, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_PROPERTY("Title", "s", &StatusNotifierBackend::StringProperty, 0, 0),
    SD_BUS_PROPERTY("Status", "s", &StatusNotifierBackend::StringProperty, 0, 0),
    SD_BUS_PROPERTY("IconName", "s", &StatusNotifierBackend::StringProperty, 0, 0),
    SD_BUS_PROPERTY("IconPixmap", "a(iiay)", &StatusNotifierBackend::IconPixmap, 0, 0),
    SD_BUS_PROPERTY("ToolTip", "(sa(iiay)ss)", &StatusNotifierBackend::ToolTip, 0, 0),
    SD_BUS_PROPERTY("ItemIsMenu", "b", &StatusNotifierBackend::ItemIsMenu, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_METHOD("Activate", "ii", "", &StatusNotifierBackend::Activate, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("SecondaryActivate", "ii", "", &StatusNotifierBackend::Secondary, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("ContextMenu", "ii", "", &StatusNotifierBackend::Context, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("Scroll", "is", "", &StatusNotifierBackend::Scroll, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_SIGNAL("NewIcon", "", 0),
    SD_BUS_SIGNAL("NewToolTip", "", 0),
    SD_BUS_VTABLE_END};

}  // namespace

std::shared_ptr<TrayBackend> MakeStatusNotifierBackend(const std::string& bus_address) {
  return std::make_shared<StatusNotifierBackend>(bus_address);
}

}  // namespace platform
