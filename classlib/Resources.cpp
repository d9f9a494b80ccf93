#include "classlib/Resources.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>

#include "classlib/Exceptions.h"
#include "classlib/FormatRoutines.h"
#include "classlib/StringRoutines.h"
#include "platform/core/modules.h"
#include "platform/mm/sound.h"

namespace {

struct Entry {
  TResourceData data;      // null until a file's bytes are read
  std::string path;        // the file of a resource read from a folder
  bool registered = false; // made by RegisterResource
};

class Registry {
 public:
  static Registry& Instance() {
    static Registry registry;
    return registry;
  }

  void Register(const String& name, const String& type, std::vector<std::uint8_t> data) {
    std::lock_guard<std::mutex> lock(mutex_);
    Entry& e = entries_[Key(name, type)];
    e.data = std::make_shared<const std::vector<std::uint8_t>>(std::move(data));
    e.path.clear();
    e.registered = true;
  }

  bool Unregister(const String& name, const String& type) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = entries_.find(Key(name, type));
    if (it == entries_.end() || !it->second.registered) return false;
    entries_.erase(it);
    return true;
  }

  TResourceData Find(const String& name, const String& type) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!program_folder_read_) {
      program_folder_read_ = true;
      AddFolder((std::filesystem::path(platform::ProgramNativeFolder()) / "Resources").string());
    }
    auto it = entries_.find(Key(name, type));
    if (it == entries_.end()) return nullptr;
    Entry& e = it->second;
    if (!e.data && !e.path.empty()) {
      std::ifstream in(e.path, std::ios::binary);
      if (!in) return nullptr;
      std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      if (in.bad()) return nullptr;
      e.data = std::make_shared<const std::vector<std::uint8_t>>(std::move(bytes));
    }
    return e.data;
  }

  int RegisterFolder(const std::string& folder) {
    std::lock_guard<std::mutex> lock(mutex_);
    return AddFolder(folder);
  }

  void Reset() {
    std::lock_guard<std::mutex> lock(mutex_);
    entries_.clear();
    program_folder_read_ = false;
  }

 private:
  static String Key(const String& name, const String& type) { return UpperCase(type) + '\n' + UpperCase(name); }

  static String TypeOfExtension(const String& extension) {
    const String ext = LowerCase(extension);
    if (ext == ".bmp") return ResourceType::Bitmap;
    if (ext == ".cur") return ResourceType::Cursor;
    if (ext == ".ico") return ResourceType::Icon;
    if (ext == ".wav") return ResourceType::Wave;
    return ResourceType::RCData;
  }

  static String NameOfStem(const String& stem) {
    const bool digits = !stem.empty() && stem.size() <= 5 &&
                        std::all_of(stem.begin(), stem.end(), [](char c) { return c >= '0' && c <= '9'; });
    return digits ? ResourceIdName(std::stoi(stem)) : stem;
  }

  // Files of the folder become resources unless code registered the same
  // name and type.
  int AddFolder(const std::string& folder) {
    std::error_code ec;
    int added = 0;
    for (const auto& item : std::filesystem::directory_iterator(folder, ec)) {
      if (!item.is_regular_file(ec)) continue;
      const std::filesystem::path& p = item.path();
      const String key = Key(NameOfStem(p.stem().string()), TypeOfExtension(p.extension().string()));
      Entry& e = entries_[key];
      if (e.registered) continue;
      e.data = nullptr;
      e.path = p.string();
      ++added;
    }
    return added;
  }

  std::mutex mutex_;
  std::map<String, Entry> entries_;
  bool program_folder_read_ = false;
};

}  // namespace

String ResourceIdName(int Id) { return "#" + std::to_string(Id); }

void RegisterResource(const String& Name, const String& Type, std::vector<std::uint8_t> Data) {
  Registry::Instance().Register(Name, Type, std::move(Data));
}

void RegisterResource(int Id, const String& Type, std::vector<std::uint8_t> Data) {
  RegisterResource(ResourceIdName(Id), Type, std::move(Data));
}

bool UnregisterResource(const String& Name, const String& Type) { return Registry::Instance().Unregister(Name, Type); }

TResourceData FindResourceData(const String& Name, const String& Type) { return Registry::Instance().Find(Name, Type); }

namespace {

// PlaySound with SND_RESOURCE plays the program's WAVE resources.
[[maybe_unused]] const bool kSoundResourcesInstalled = [] {
  platform::SetSoundResourceLookup([](HMODULE, const std::string& name) {
    return FindResourceData(name, ResourceType::Wave);
  });
  return true;
}();

}  // namespace

int RegisterResourceFolder(const std::string& NativeFolder) { return Registry::Instance().RegisterFolder(NativeFolder); }

void ResetResources() { Registry::Instance().Reset(); }

// --- TResourceStream ---

TResourceStream::TResourceStream(const String& ResName, const String& ResType)
    : data_(FindResourceData(ResName, ResType)) {
  if (!data_) throw EResNotFound(Format("Resource %s not found", ResName));
}

TResourceStream::TResourceStream(int ResID, const String& ResType)
    : TResourceStream(ResourceIdName(ResID), ResType) {}

int TResourceStream::Read(void* Buffer, int Count) {
  if (Count <= 0 || position_ < 0) return 0;
  const std::int64_t available = Size() - position_;
  if (available <= 0) return 0;
  const int n = static_cast<int>(std::min<std::int64_t>(available, Count));
  std::memcpy(Buffer, data_->data() + position_, static_cast<std::size_t>(n));
  position_ += n;
  return n;
}

int TResourceStream::Write(const void*, int) {
  throw EStreamError("Can't write to a read-only resource stream");
}

std::int64_t TResourceStream::Seek(std::int64_t Offset, TSeekOrigin Origin) {
  switch (Origin) {
    case soBeginning: position_ = Offset; break;
    case soCurrent: position_ += Offset; break;
    case soEnd: position_ = Size() + Offset; break;
  }
  return position_;
}
