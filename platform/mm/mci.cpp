#include "platform/mm/mci.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <mutex>
#include <vector>

#include "platform/mm/mci_cdaudio.h"
#include "platform/mm/mci_movie.h"
#include "platform/user/message_queue.h"

namespace platform::mm {

namespace {

struct DeviceType {
  std::string name;
  DWORD type_id = 0;
  std::vector<std::string> extensions;
  MciDeviceFactory factory;
  std::function<DWORD()> count;
};

struct MciState {
  std::mutex mutex;
  std::vector<DeviceType> types;
  std::map<MCIDEVICEID, std::shared_ptr<MciDevice>> devices;
  std::map<MCIDEVICEID, std::string> aliases;
  MCIDEVICEID next_id = 1;
};

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

void AddMovieTypes(MciState& state) {
  const std::vector<std::string> names = {"mpegvideo", "avivideo", "digitalvideo", "waveaudio"};
  const DWORD ids[] = {MCI_DEVTYPE_DIGITAL_VIDEO, MCI_DEVTYPE_DIGITAL_VIDEO, MCI_DEVTYPE_DIGITAL_VIDEO,
                       MCI_DEVTYPE_WAVEFORM_AUDIO};
  for (std::size_t i = 0; i < names.size(); ++i) {
    DeviceType type;
    type.name = names[i];
    type.type_id = ids[i];
    if (i == 0) {
      type.extensions = {".mpg", ".mpeg", ".avi", ".asf", ".wmv", ".mp4", ".mkv", ".mov", ".mp3", ".wav"};
    }
    type.factory = [](int) { return MakeMovieDevice(); };
    state.types.push_back(std::move(type));
  }
}

MciState& State() {
  static MciState* state = [] {
    auto* s = new MciState;  // never destroyed: devices may close during exit
    AddMovieTypes(*s);
    DeviceType cd_audio;  // one device per CD letter
    cd_audio.name = "cdaudio";
    cd_audio.type_id = MCI_DEVTYPE_CD_AUDIO;
    cd_audio.extensions = {".cda"};
    cd_audio.factory = [](int ordinal) { return MakeCdAudioDevice(ordinal); };
    cd_audio.count = [] { return CdAudioDeviceCount(); };
    s->types.push_back(std::move(cd_audio));
    return s;
  }();
  return *state;
}

const DeviceType* FindType(const MciState& state, const std::string& name) {
  const std::string wanted = Lower(name);
  for (const DeviceType& type : state.types) {
    if (type.name == wanted) return &type;
  }
  return nullptr;
}

const DeviceType* FindTypeById(const MciState& state, DWORD type_id) {
  for (const DeviceType& type : state.types) {
    if (type.type_id == type_id) return &type;
  }
  return nullptr;
}

const DeviceType* FindTypeByElement(const MciState& state, const std::string& element) {
  const std::size_t dot = element.find_last_of('.');
  const std::size_t slash = element.find_last_of("\\/:");
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return nullptr;
  const std::string extension = Lower(element.substr(dot));
  for (const DeviceType& type : state.types) {
    if (std::find(type.extensions.begin(), type.extensions.end(), extension) != type.extensions.end()) return &type;
  }
  return nullptr;
}

MCIERROR OpenDevice(DWORD_PTR flags, MCI_OPEN_PARMS* params) {
  if (params == nullptr) return MCIERR_MISSING_PARAMETER;
  MciState& state = State();
  std::unique_ptr<MciDevice> device;
  std::string element;
  {
    std::lock_guard<std::mutex> lock(state.mutex);
    const DeviceType* type = nullptr;
    int ordinal = 0;
    if (flags & MCI_OPEN_TYPE) {
      if (flags & MCI_OPEN_TYPE_ID) {
        const auto value = reinterpret_cast<DWORD_PTR>(params->lpstrDeviceType);
        type = FindTypeById(state, static_cast<DWORD>(value & 0xFFFF));
        ordinal = static_cast<int>((value >> 16) & 0xFFFF);
      } else {
        if (params->lpstrDeviceType == nullptr) return MCIERR_MISSING_PARAMETER;
        type = FindType(state, params->lpstrDeviceType);
      }
      if (type == nullptr) return MCIERR_INVALID_DEVICE_NAME;
    }
    if (flags & MCI_OPEN_ELEMENT) {
      if (params->lpstrElementName == nullptr) return MCIERR_MISSING_PARAMETER;
      element = params->lpstrElementName;
      if (type == nullptr) type = FindTypeByElement(state, element);
      if (type == nullptr) return MCIERR_DEVICE_TYPE_REQUIRED;
    }
    if (type == nullptr) return MCIERR_MISSING_PARAMETER;
    if ((flags & MCI_OPEN_ALIAS) && params->lpstrAlias != nullptr) {
      for (const auto& [id, alias] : state.aliases) {
        if (Lower(alias) == Lower(params->lpstrAlias)) return MCIERR_DEVICE_OPEN;
      }
    }
    device = type->factory(ordinal);
    if (!device) return MCIERR_CANNOT_LOAD_DRIVER;
    device->id = state.next_id++;
  }
  // Opening may take a while (the file loads); the table is not held.
  const MCIERROR error = device->Open(element, static_cast<DWORD>(flags));
  if (error != 0) return error;
  const MCIDEVICEID id = device->id;
  params->wDeviceID = id;
  std::lock_guard<std::mutex> lock(state.mutex);
  if ((flags & MCI_OPEN_ALIAS) && params->lpstrAlias != nullptr) state.aliases[id] = params->lpstrAlias;
  state.devices[id] = std::shared_ptr<MciDevice>(std::move(device));
  return 0;
}

MCIERROR SystemInfo(DWORD_PTR flags, MCI_SYSINFO_PARMS* params) {
  if (params == nullptr) return MCIERR_MISSING_PARAMETER;
  MciState& state = State();
  if (flags & MCI_SYSINFO_QUANTITY) {
    std::function<DWORD()> count;
    DWORD open_count = 0;
    {
      std::lock_guard<std::mutex> lock(state.mutex);
      const DeviceType* type = FindTypeById(state, params->wDeviceType);
      if (type == nullptr) return MCIERR_INVALID_DEVICE_NAME;
      count = type->count;
      open_count = static_cast<DWORD>(state.devices.size());
    }
    DWORD value = count ? count() : 1;
    if (flags & MCI_SYSINFO_OPEN) value = open_count;
    if (params->lpstrReturn != nullptr && params->dwRetSize >= sizeof(DWORD)) {
      std::memcpy(params->lpstrReturn, &value, sizeof value);
    }
    return 0;
  }
  return MCIERR_UNSUPPORTED_FUNCTION;
}

}  // namespace

void RegisterMciDeviceType(const std::string& name, DWORD type_id, std::vector<std::string> extensions,
                           MciDeviceFactory factory, std::function<DWORD()> count) {
  MciState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  DeviceType type;
  type.name = Lower(name);
  type.type_id = type_id;
  for (std::string& extension : extensions) type.extensions.push_back(Lower(extension));
  type.factory = std::move(factory);
  type.count = std::move(count);
  state.types.erase(std::remove_if(state.types.begin(), state.types.end(),
                                   [&](const DeviceType& t) { return t.name == type.name; }),
                    state.types.end());
  // Extensions named again move to the new type.
  for (DeviceType& other : state.types) {
    for (const std::string& extension : type.extensions) {
      other.extensions.erase(std::remove(other.extensions.begin(), other.extensions.end(), extension),
                             other.extensions.end());
    }
  }
  state.types.insert(state.types.begin(), std::move(type));
}

void PostMciNotify(DWORD_PTR callback, WPARAM status, MCIDEVICEID device) {
  if (callback == 0) return;
  PostMessage(reinterpret_cast<HWND>(callback), MM_MCINOTIFY, status, static_cast<LPARAM>(device));
}

}  // namespace platform::mm

MCIERROR mciSendCommand(MCIDEVICEID device, UINT message, DWORD_PTR flags, DWORD_PTR params) {
  using namespace platform::mm;
  if (message == MCI_OPEN) return OpenDevice(flags, reinterpret_cast<MCI_OPEN_PARMS*>(params));
  if (message == MCI_SYSINFO) return SystemInfo(flags, reinterpret_cast<MCI_SYSINFO_PARMS*>(params));
  MciState& state = State();
  std::shared_ptr<MciDevice> target;
  {
    std::lock_guard<std::mutex> lock(state.mutex);
    auto it = state.devices.find(device);
    if (it != state.devices.end()) target = it->second;
    if (target && message == MCI_CLOSE) {
      state.devices.erase(it);
      state.aliases.erase(device);
    }
  }
  if (!target) {
    // A closed device's status reads 0: timers may ask after the close.
    if (message == MCI_STATUS && params != 0) {
      reinterpret_cast<MCI_STATUS_PARMS*>(params)->dwReturn = 0;
      return 0;
    }
    return MCIERR_INVALID_DEVICE_ID;
  }
  if (message == MCI_CLOSE) {
    const DWORD_PTR callback = params != 0 ? reinterpret_cast<MCI_GENERIC_PARMS*>(params)->dwCallback : 0;
    target->Command(MCI_CLOSE, flags, params);
    target.reset();
    if (flags & MCI_NOTIFY) PostMciNotify(callback, MCI_NOTIFY_SUCCESSFUL, device);
    return 0;
  }
  return target->Command(message, flags, params);
}

BOOL mciGetErrorString(MCIERROR error, LPSTR text, UINT length) {
  static const std::map<MCIERROR, const char*> kTexts = {
      {MCIERR_INVALID_DEVICE_ID, "No device is open with this MCI device ID."},
      {MCIERR_UNRECOGNIZED_KEYWORD, "The device does not know one of the command's parameters."},
      {MCIERR_UNRECOGNIZED_COMMAND, "The device does not know this command."},
      {MCIERR_HARDWARE, "The media device reported a fault."},
      {MCIERR_INVALID_DEVICE_NAME, "No device of this name is known or open."},
      {MCIERR_OUT_OF_MEMORY, "There is not enough memory for this command."},
      {MCIERR_DEVICE_OPEN, "This alias is already in use by another open device."},
      {MCIERR_CANNOT_LOAD_DRIVER, "The device's driver could not be loaded."},
      {MCIERR_MISSING_PARAMETER, "The command lacks a parameter it needs."},
      {MCIERR_UNSUPPORTED_FUNCTION, "The device cannot carry out this command."},
      {MCIERR_FILE_NOT_FOUND, "The file was not found. Check its path and name."},
      {MCIERR_DEVICE_NOT_READY, "The device is not ready."},
      {MCIERR_INTERNAL, "The media player could not start."},
      {MCIERR_OUTOFRANGE, "A parameter is outside the range the command allows."},
      {MCIERR_FLAGS_NOT_COMPATIBLE, "These parameters cannot be used together."},
      {MCIERR_DEVICE_TYPE_REQUIRED, "No device plays files of this kind. Name the device type."},
      {MCIERR_INVALID_FILE, "The file cannot be played: it is damaged or of a format the device does not read."},
      {MCIERR_NO_WINDOW, "The device has no window to show its picture in."},
  };
  auto it = kTexts.find(error);
  if (text != nullptr && length > 0) text[0] = '\0';
  if (it == kTexts.end()) return FALSE;
  if (text == nullptr || length == 0) return TRUE;
  const std::size_t n = std::min<std::size_t>(std::strlen(it->second), length - 1);
  std::memcpy(text, it->second, n);
  text[n] = '\0';
  return TRUE;
}
