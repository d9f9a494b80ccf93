// The sound calls: find the wave image the caller names, then hand it to
// the sound output.
#include "platform/mm/sound.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <mutex>

#include "platform/core/errors.h"
#include "platform/fs/drives.h"
#include "platform/reg/registry.h"

namespace platform {

namespace {

using Wave = std::shared_ptr<const std::vector<std::uint8_t>>;

// Wave images beyond this size are not sound cues; refusing them keeps a
// bad header from making us allocate without bound.
constexpr std::uint32_t kMaxWaveBytes = 256u * 1024u * 1024u;

std::mutex g_mutex;
std::shared_ptr<SoundOutput> g_output;
SoundResourceLookup g_resource_lookup;

std::shared_ptr<SoundOutput> Output() {
  std::lock_guard lock(g_mutex);
  if (!g_output) g_output = MakeSdlSoundOutput();
  return g_output;
}

std::uint32_t Le32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// A RIFF WAVE image with a format chunk and a data chunk inside its bounds.
bool LooksLikeWave(const std::vector<std::uint8_t>& bytes) {
  if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 ||
      std::memcmp(bytes.data() + 8, "WAVE", 4) != 0) {
    return false;
  }
  bool format = false;
  bool data = false;
  std::size_t at = 12;
  while (at + 8 <= bytes.size()) {
    const std::uint32_t size = Le32(bytes.data() + at + 4);
    if (std::memcmp(bytes.data() + at, "fmt ", 4) == 0) format = size >= 16;
    if (std::memcmp(bytes.data() + at, "data", 4) == 0) data = true;
    if (size > bytes.size() - at - 8) break;
    at += 8 + size + (size & 1);
  }
  return format && data;
}

// The image's length is not known here, only what its header claims. So
// the RIFF size field (within the cap) bounds every read, and the walk over
// the chunk headers stops at the end of the data chunk once the format
// chunk has been seen: an image whose size field claims more than its
// chunks (say a 48-byte sound claiming 4,096) is read only as far as the
// chunks go. The copy's own size field is set to what was taken.
Wave WaveFromMemory(const void* image) {
  const auto* p = static_cast<const std::uint8_t*>(image);
  if (std::memcmp(p, "RIFF", 4) != 0) return nullptr;
  const std::uint32_t size = Le32(p + 4);
  if (size < 4 || size > kMaxWaveBytes) return nullptr;
  if (std::memcmp(p + 8, "WAVE", 4) != 0) return nullptr;
  const std::size_t end = 8 + static_cast<std::size_t>(size);
  bool format = false;
  bool data = false;
  std::size_t taken = 12;
  for (std::size_t at = 12; at + 8 <= end && !(format && data);) {
    const std::uint32_t chunk = Le32(p + at + 4);
    const std::size_t room = end - at - 8;
    if (std::memcmp(p + at, "fmt ", 4) == 0) format = chunk >= 16;
    if (std::memcmp(p + at, "data", 4) == 0) data = true;
    taken = at + 8 + std::min<std::size_t>(chunk, room);
    if (chunk >= room) break;
    at += 8 + chunk + (chunk & 1);
  }
  if (!format || !data) return nullptr;
  auto bytes = std::make_shared<std::vector<std::uint8_t>>(p, p + taken);
  const auto riff = static_cast<std::uint32_t>(taken - 8);
  for (int i = 0; i < 4; ++i) (*bytes)[4 + i] = static_cast<std::uint8_t>(riff >> (8 * i));
  if (!LooksLikeWave(*bytes)) return nullptr;
  return bytes;
}

Wave WaveFromFile(const std::string& name) {
  if (name.empty()) return nullptr;
  std::optional<std::string> native = NativePath(name);
  if (!native) return nullptr;
  std::ifstream in(*native, std::ios::binary);
  if (!in) return nullptr;
  in.seekg(0, std::ios::end);
  const std::streamoff length = in.tellg();
  if (length < 12 || length > static_cast<std::streamoff>(kMaxWaveBytes) + 8) return nullptr;
  in.seekg(0);
  auto bytes = std::make_shared<std::vector<std::uint8_t>>(static_cast<std::size_t>(length));
  if (!in.read(reinterpret_cast<char*>(bytes->data()), length)) return nullptr;
  if (!LooksLikeWave(*bytes)) return nullptr;
  return bytes;
}

// The file an event alias names, or empty.
std::string AliasFile(const std::string& alias) {
  if (alias.empty()) return {};
  const std::string path = "AppEvents\\Schemes\\Apps\\.Default\\" + alias + "\\.Current";
  HKEY key = nullptr;
  if (RegOpenKeyEx(HKEY_CURRENT_USER, path.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
    return {};
  }
  DWORD type = 0;
  DWORD size = 0;
  std::string value;
  if (RegQueryValueEx(key, nullptr, nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
      (type == REG_SZ || type == REG_EXPAND_SZ) && size > 0) {
    value.resize(size);
    if (RegQueryValueEx(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value.data()),
                        &size) != ERROR_SUCCESS) {
      value.clear();
    }
    value.resize(std::strlen(value.c_str()));
  }
  RegCloseKey(key);
  return value;
}

Wave WaveFromAlias(const std::string& alias) { return WaveFromFile(AliasFile(alias)); }

Wave WaveFromResource(HMODULE module, const std::string& name) {
  SoundResourceLookup lookup;
  {
    std::lock_guard lock(g_mutex);
    lookup = g_resource_lookup;
  }
  if (!lookup) return nullptr;
  Wave wave = lookup(module, name);
  if (!wave || wave->size() > kMaxWaveBytes || !LooksLikeWave(*wave)) return nullptr;
  return wave;
}

}  // namespace

bool WaveImageFits(const void* image, std::size_t bytes) {
  if (image == nullptr || bytes < 12) return false;
  const std::uint64_t claimed = 8 + static_cast<std::uint64_t>(Le32(static_cast<const std::uint8_t*>(image) + 4));
  return claimed >= 12 && claimed <= bytes;
}

void SetSoundOutput(std::shared_ptr<SoundOutput> output) {
  std::shared_ptr<SoundOutput> old;
  {
    std::lock_guard lock(g_mutex);
    old = std::move(g_output);
    g_output = std::move(output);
  }
  if (old) old->Stop();
}

void SetSoundResourceLookup(SoundResourceLookup lookup) {
  std::lock_guard lock(g_mutex);
  g_resource_lookup = std::move(lookup);
}

}  // namespace platform

BOOL PlaySound(LPCSTR sound, HMODULE module, DWORD flags) {
  using namespace platform;
  std::shared_ptr<SoundOutput> output = Output();
  if (sound == nullptr || (flags & SND_PURGE) != 0) {
    output->Stop();
    return TRUE;
  }
  if ((flags & SND_NOSTOP) != 0 && output->Playing()) return FALSE;

  Wave wave;
  if ((flags & SND_RESOURCE) == SND_RESOURCE) {
    wave = WaveFromResource(module, sound);
  } else if ((flags & SND_MEMORY) != 0) {
    wave = WaveFromMemory(sound);
  } else if ((flags & SND_ALIAS_ID) == SND_ALIAS_ID) {
    wave = nullptr;  // no predefined sound identifiers here
  } else if ((flags & SND_ALIAS) != 0) {
    wave = WaveFromAlias(sound);
  } else if ((flags & SND_FILENAME) != 0) {
    wave = WaveFromFile(sound);
  } else {
    wave = WaveFromAlias(sound);
    if (!wave) wave = WaveFromFile(sound);
  }
  if (!wave && (flags & SND_NODEFAULT) == 0) wave = WaveFromAlias(".Default");
  if (!wave) return FALSE;

  // A looping sound needs the call to return; without SND_ASYNC it plays once.
  const bool async = (flags & SND_ASYNC) != 0;
  const bool loop = async && (flags & SND_LOOP) != 0;
  if (!output->Start(std::move(wave), loop)) return FALSE;
  if (!async) output->WaitUntilDone();
  return TRUE;
}

BOOL sndPlaySound(LPCSTR sound, UINT flags) {
  return PlaySound(sound, nullptr,
                   flags & (SND_ASYNC | SND_NODEFAULT | SND_MEMORY | SND_LOOP | SND_NOSTOP));
}
