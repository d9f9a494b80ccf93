#include "platform/fs/drive_table.h"

#include <glob.h>
#include <limits.h>
#include <mntent.h>
#include <pwd.h>
#include <unistd.h>

#include <array>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <mutex>

#include "platform/cd/cd.h"

namespace platform::fs {

namespace {

constexpr int kLetters = 26;

struct TableState {
  std::mutex mutex;
  bool built = false;
  std::array<std::optional<DriveEntry>, kLetters> drives;
  std::vector<std::pair<char, std::string>> cd_drives;
  std::optional<PlatformPathParts> current_directory;
};

TableState& State() {
  static TableState* state = new TableState;  // never destroyed: used during exit
  return *state;
}

int IndexOf(char letter) {
  const int upper = std::toupper(static_cast<unsigned char>(letter));
  return (upper >= 'A' && upper <= 'Z') ? upper - 'A' : -1;
}

std::string HomeFolder() {
  if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/') return NormalizeNativePath(home);
  if (const passwd* user = getpwuid(getuid()); user != nullptr && user->pw_dir != nullptr) {
    return NormalizeNativePath(user->pw_dir);
  }
  return "/";
}

std::string RealPathOf(const std::string& path) {
  char resolved[PATH_MAX];
  return realpath(path.c_str(), resolved) != nullptr ? std::string(resolved) : path;
}

// CD device nodes: /dev/sr0, /dev/sr1, ... and /dev/cdrom when it is another device.
std::vector<std::string> DetectCdDevices() {
  std::vector<std::string> devices;
  std::vector<std::string> real_paths;
  glob_t found{};
  if (glob("/dev/sr[0-9]*", 0, nullptr, &found) == 0) {
    for (std::size_t i = 0; i < found.gl_pathc; ++i) devices.emplace_back(found.gl_pathv[i]);
  }
  globfree(&found);
  for (const std::string& device : devices) real_paths.push_back(RealPathOf(device));
  std::error_code ec;
  if (std::filesystem::exists("/dev/cdrom", ec)) {
    const std::string real = RealPathOf("/dev/cdrom");
    bool known = false;
    for (const std::string& path : real_paths) known = known || path == real;
    if (!known) devices.emplace_back("/dev/cdrom");
  }
  return devices;
}

// Where a device is mounted, or empty.
std::string MountPointOf(const std::string& device) {
  const std::string real_device = RealPathOf(device);
  std::string mount_point;
  FILE* mounts = setmntent("/proc/self/mounts", "r");
  if (mounts == nullptr) return mount_point;
  mntent entry{};
  char buffer[4096];
  while (getmntent_r(mounts, &entry, buffer, sizeof buffer) != nullptr) {
    if (entry.mnt_fsname[0] == '/' && RealPathOf(entry.mnt_fsname) == real_device) {
      mount_point = entry.mnt_dir;
      break;
    }
  }
  endmntent(mounts);
  return mount_point;
}

// Fills the default table. Called with the state's mutex held.
void BuildDefaults(TableState& state) {
  state.drives = {};
  state.cd_drives.clear();
  state.current_directory.reset();

  DriveEntry home;
  home.letter = 'C';
  home.root = HomeFolder();
  state.drives[IndexOf('C')] = home;

  DriveEntry everything;
  everything.letter = 'Z';
  everything.root = "/";
  state.drives[IndexOf('Z')] = everything;

  char next = 'D';
  for (const std::string& device : DetectCdDevices()) {
    while (next < 'Z' && state.drives[IndexOf(next)].has_value()) ++next;
    if (next >= 'Z') break;
    DriveEntry cd;
    cd.letter = next;
    cd.type = DRIVE_CDROM;
    cd.device = device;
    cd.lister = std::make_shared<const CdTrackLister>(cd::DeviceTrackLister(device));
    state.drives[IndexOf(next)] = cd;
    state.cd_drives.emplace_back(next, device);
    ++next;
  }
  state.built = true;
}

TableState& BuiltState(std::unique_lock<std::mutex>& lock) {
  TableState& state = State();
  lock = std::unique_lock<std::mutex>(state.mutex);
  if (!state.built) BuildDefaults(state);
  return state;
}

// The starting current directory: the process's folder, if a drive holds it.
PlatformPathParts InitialCurrentDirectory() {
  PlatformPathParts parts;
  char buffer[PATH_MAX];
  if (getcwd(buffer, sizeof buffer) == nullptr) return parts;
  const std::optional<std::string> platform_path = platform::PlatformPath(buffer);
  if (!platform_path) return parts;
  DWORD error = 0;
  PlatformPathParts root;
  if (auto parsed = ParsePlatformPath(*platform_path, root, &error)) return *parsed;
  return parts;
}

}  // namespace

std::string NormalizeNativePath(const std::string& path) {
  std::filesystem::path absolute(path);
  if (absolute.is_relative()) {
    char buffer[PATH_MAX];
    absolute = std::filesystem::path(getcwd(buffer, sizeof buffer) != nullptr ? buffer : "/") / absolute;
  }
  std::string text = absolute.lexically_normal().string();
  while (text.size() > 1 && text.back() == '/') text.pop_back();
  return text;
}

std::string JoinNative(const std::string& folder, const std::string& name) {
  if (folder.empty() || folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

std::optional<DriveEntry> LookupDrive(char letter) {
  const int index = IndexOf(letter);
  if (index < 0) return std::nullopt;
  std::optional<DriveEntry> entry;
  {
    std::unique_lock<std::mutex> lock;
    entry = BuiltState(lock).drives[index];
  }
  if (entry && entry->root.empty() && !entry->device.empty()) entry->root = MountPointOf(entry->device);
  return entry;
}

std::vector<DriveEntry> MappedDrives() {
  std::vector<DriveEntry> drives;
  {
    std::unique_lock<std::mutex> lock;
    for (const auto& entry : BuiltState(lock).drives) {
      if (entry) drives.push_back(*entry);
    }
  }
  for (DriveEntry& entry : drives) {
    if (entry.root.empty() && !entry.device.empty()) entry.root = MountPointOf(entry.device);
  }
  return drives;
}

DWORD DriveMask() {
  std::unique_lock<std::mutex> lock;
  const TableState& state = BuiltState(lock);
  DWORD mask = 0;
  for (int i = 0; i < kLetters; ++i) {
    if (state.drives[i]) mask |= 1u << i;
  }
  return mask;
}

PlatformPathParts CurrentDirectoryParts() {
  {
    std::unique_lock<std::mutex> lock;
    TableState& state = BuiltState(lock);
    if (state.current_directory) return *state.current_directory;
  }
  // Worked out outside the lock: it reads the drive table itself.
  PlatformPathParts initial = InitialCurrentDirectory();
  std::unique_lock<std::mutex> lock;
  TableState& state = BuiltState(lock);
  if (!state.current_directory) state.current_directory = initial;
  return *state.current_directory;
}

void SetCurrentDirectoryParts(const PlatformPathParts& parts) {
  std::unique_lock<std::mutex> lock;
  PlatformPathParts stored = parts;
  stored.trailing_separator = false;
  BuiltState(lock).current_directory = stored;
}

std::optional<PlatformPathParts> ParseAgainstCurrent(std::string_view path, DWORD* error) {
  return ParsePlatformPath(path, CurrentDirectoryParts(), error);
}

}  // namespace platform::fs

namespace platform {

void MapDrive(char letter, const std::string& native_folder, UINT drive_type, const std::string& volume_label,
              const std::string& remote_name) {
  const int index = fs::IndexOf(letter);
  if (index < 0) return;
  fs::DriveEntry entry;
  entry.letter = static_cast<char>('A' + index);
  entry.type = drive_type;
  entry.root = native_folder.empty() ? std::string() : fs::NormalizeNativePath(native_folder);
  entry.label = volume_label;
  entry.remote_name = remote_name;
  std::unique_lock<std::mutex> lock;
  fs::TableState& state = fs::BuiltState(lock);
  // A CD reader set for the letter stays with it.
  if (state.drives[index]) entry.lister = state.drives[index]->lister;
  state.drives[index] = entry;
}

void UnmapDrive(char letter) {
  const int index = fs::IndexOf(letter);
  if (index < 0) return;
  std::unique_lock<std::mutex> lock;
  fs::BuiltState(lock).drives[index].reset();
}

void ResetDriveTable() {
  fs::TableState& state = fs::State();
  std::lock_guard<std::mutex> lock(state.mutex);
  fs::BuildDefaults(state);
}

void SetCdTrackLister(char letter, CdTrackLister lister) {
  const int index = fs::IndexOf(letter);
  if (index < 0) return;
  std::unique_lock<std::mutex> lock;
  auto& entry = fs::BuiltState(lock).drives[index];
  if (!entry) return;
  entry->lister = lister ? std::make_shared<const CdTrackLister>(std::move(lister)) : nullptr;
}

std::vector<std::pair<char, std::string>> CdDrives() {
  std::unique_lock<std::mutex> lock;
  return fs::BuiltState(lock).cd_drives;
}

std::optional<std::string> PlatformPath(const std::string& native_path) {
  if (native_path.empty()) return std::nullopt;
  const std::filesystem::path target(fs::NormalizeNativePath(native_path));
  const fs::DriveEntry* best = nullptr;
  std::size_t best_depth = 0;
  std::filesystem::path best_rest;
  const std::vector<fs::DriveEntry> drives = fs::MappedDrives();
  for (const fs::DriveEntry& drive : drives) {
    if (drive.root.empty()) continue;
    const std::filesystem::path root(drive.root);
    // The root must be a leading run of whole components of the target.
    auto root_it = root.begin();
    auto target_it = target.begin();
    std::size_t depth = 0;
    while (root_it != root.end() && target_it != target.end() && *root_it == *target_it) {
      ++root_it;
      ++target_it;
      ++depth;
    }
    if (root_it != root.end()) continue;
    if (best != nullptr && depth <= best_depth) continue;
    best = &drive;
    best_depth = depth;
    best_rest.clear();
    for (; target_it != target.end(); ++target_it) best_rest /= *target_it;
  }
  if (best == nullptr) return std::nullopt;
  std::string text;
  text += best->letter;
  text += ":\\";
  bool first = true;
  for (const auto& component : best_rest) {
    const std::string name = component.string();
    if (name.empty()) continue;
    if (!first) text += '\\';
    text += name;
    first = false;
  }
  return text;
}

}  // namespace platform
