// The media control interface: mciSendCommand and mciGetErrorString.
// Devices are opened by type name ("MPEGVideo", "AVIVideo",
// "digitalvideo", "waveaudio") or, without a type, by the element's
// extension. Movies and sound files play through libmpv; its software
// renderer draws the picture into a child window of the device's own,
// placed in the window given with MCI_WINDOW at the rectangle given with
// MCI_PUT. Frames and notifications reach the GUI thread as posted
// messages, so the thread that opened the device must pump its queue.
//
// Times are milliseconds. At the end of the media the position equals the
// length. The status of a device id that is not open reads 0 and succeeds.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/core/types.h"
#include "platform/gdi/gdi.h"

using MCIDEVICEID = UINT;
using MCIERROR = DWORD;

// Command messages.
constexpr UINT MCI_OPEN = 0x0803;
constexpr UINT MCI_CLOSE = 0x0804;
constexpr UINT MCI_PLAY = 0x0806;
constexpr UINT MCI_SEEK = 0x0807;
constexpr UINT MCI_STOP = 0x0808;
constexpr UINT MCI_PAUSE = 0x0809;
constexpr UINT MCI_INFO = 0x080A;
constexpr UINT MCI_GETDEVCAPS = 0x080B;
constexpr UINT MCI_SET = 0x080D;
constexpr UINT MCI_STEP = 0x080E;
constexpr UINT MCI_STATUS = 0x0814;
constexpr UINT MCI_SYSINFO = 0x0810;
constexpr UINT MCI_WINDOW = 0x0841;
constexpr UINT MCI_PUT = 0x0842;
constexpr UINT MCI_WHERE = 0x0843;
constexpr UINT MCI_RESUME = 0x0855;

// Flags of every command.
constexpr DWORD MCI_NOTIFY = 0x00000001;
constexpr DWORD MCI_WAIT = 0x00000002;
constexpr DWORD MCI_FROM = 0x00000004;
constexpr DWORD MCI_TO = 0x00000008;
constexpr DWORD MCI_TRACK = 0x00000010;

// MCI_OPEN flags.
constexpr DWORD MCI_OPEN_SHAREABLE = 0x00000100;
constexpr DWORD MCI_OPEN_ELEMENT = 0x00000200;
constexpr DWORD MCI_OPEN_ALIAS = 0x00000400;
constexpr DWORD MCI_OPEN_TYPE_ID = 0x00001000;
constexpr DWORD MCI_OPEN_TYPE = 0x00002000;

// MCI_SEEK flags.
constexpr DWORD MCI_SEEK_TO_START = 0x00000100;
constexpr DWORD MCI_SEEK_TO_END = 0x00000200;

// MCI_STATUS flags and items.
constexpr DWORD MCI_STATUS_ITEM = 0x00000100;
constexpr DWORD MCI_STATUS_START = 0x00000200;
constexpr DWORD MCI_STATUS_LENGTH = 0x00000001;
constexpr DWORD MCI_STATUS_POSITION = 0x00000002;
constexpr DWORD MCI_STATUS_NUMBER_OF_TRACKS = 0x00000003;
constexpr DWORD MCI_STATUS_MODE = 0x00000004;
constexpr DWORD MCI_STATUS_MEDIA_PRESENT = 0x00000005;
constexpr DWORD MCI_STATUS_TIME_FORMAT = 0x00000006;
constexpr DWORD MCI_STATUS_READY = 0x00000007;
constexpr DWORD MCI_STATUS_CURRENT_TRACK = 0x00000008;

// MCI_SET flags and time formats.
constexpr DWORD MCI_SET_DOOR_OPEN = 0x00000100;
constexpr DWORD MCI_SET_DOOR_CLOSED = 0x00000200;
constexpr DWORD MCI_SET_TIME_FORMAT = 0x00000400;
constexpr DWORD MCI_FORMAT_MILLISECONDS = 0;
constexpr DWORD MCI_FORMAT_MSF = 2;
constexpr DWORD MCI_FORMAT_FRAMES = 3;
constexpr DWORD MCI_FORMAT_TMSF = 10;

// MCI_SYSINFO flags.
constexpr DWORD MCI_SYSINFO_QUANTITY = 0x00000100;
constexpr DWORD MCI_SYSINFO_OPEN = 0x00000200;

// Modes.
constexpr DWORD MCI_MODE_NOT_READY = 524;
constexpr DWORD MCI_MODE_STOP = 525;
constexpr DWORD MCI_MODE_PLAY = 526;
constexpr DWORD MCI_MODE_RECORD = 527;
constexpr DWORD MCI_MODE_SEEK = 528;
constexpr DWORD MCI_MODE_PAUSE = 529;
constexpr DWORD MCI_MODE_OPEN = 530;

// Device type ids (MCI_OPEN_TYPE_ID: the low word; the high word is the
// ordinal of the device of that type).
constexpr DWORD MCI_DEVTYPE_CD_AUDIO = 516;
constexpr DWORD MCI_DEVTYPE_WAVEFORM_AUDIO = 522;
constexpr DWORD MCI_DEVTYPE_DIGITAL_VIDEO = 521;
constexpr DWORD MCI_DEVTYPE_ANIMATION = 519;

// Video flags: stepping, the display window and rectangles.
constexpr DWORD MCI_DGV_STEP_REVERSE = 0x00010000;
constexpr DWORD MCI_DGV_STEP_FRAMES = 0x00020000;
constexpr DWORD MCI_DGV_WINDOW_HWND = 0x00010000;
constexpr DWORD MCI_DGV_WINDOW_STATE = 0x00040000;
constexpr DWORD MCI_DGV_RECT = 0x00010000;
constexpr DWORD MCI_DGV_PUT_SOURCE = 0x00020000;
constexpr DWORD MCI_DGV_PUT_DESTINATION = 0x00040000;
constexpr DWORD MCI_DGV_WHERE_SOURCE = 0x00020000;
constexpr DWORD MCI_DGV_WHERE_DESTINATION = 0x00040000;
constexpr HWND MCI_DGV_WINDOW_DEFAULT = nullptr;

// The notification: wparam MCI_NOTIFY_*, lparam the device id.
constexpr UINT MM_MCINOTIFY = 0x03B9;
constexpr WPARAM MCI_NOTIFY_SUCCESSFUL = 0x0001;
constexpr WPARAM MCI_NOTIFY_SUPERSEDED = 0x0002;
constexpr WPARAM MCI_NOTIFY_ABORTED = 0x0004;
constexpr WPARAM MCI_NOTIFY_FAILURE = 0x0008;

// Errors.
constexpr MCIERROR MCIERR_BASE = 256;
constexpr MCIERROR MCIERR_INVALID_DEVICE_ID = MCIERR_BASE + 1;
constexpr MCIERROR MCIERR_UNRECOGNIZED_KEYWORD = MCIERR_BASE + 3;
constexpr MCIERROR MCIERR_UNRECOGNIZED_COMMAND = MCIERR_BASE + 5;
constexpr MCIERROR MCIERR_HARDWARE = MCIERR_BASE + 6;
constexpr MCIERROR MCIERR_INVALID_DEVICE_NAME = MCIERR_BASE + 7;
constexpr MCIERROR MCIERR_OUT_OF_MEMORY = MCIERR_BASE + 8;
constexpr MCIERROR MCIERR_DEVICE_OPEN = MCIERR_BASE + 9;
constexpr MCIERROR MCIERR_CANNOT_LOAD_DRIVER = MCIERR_BASE + 10;
constexpr MCIERROR MCIERR_MISSING_PARAMETER = MCIERR_BASE + 17;
constexpr MCIERROR MCIERR_UNSUPPORTED_FUNCTION = MCIERR_BASE + 18;
constexpr MCIERROR MCIERR_FILE_NOT_FOUND = MCIERR_BASE + 19;
constexpr MCIERROR MCIERR_DEVICE_NOT_READY = MCIERR_BASE + 20;
constexpr MCIERROR MCIERR_INTERNAL = MCIERR_BASE + 21;
constexpr MCIERROR MCIERR_OUTOFRANGE = MCIERR_BASE + 26;
constexpr MCIERROR MCIERR_FLAGS_NOT_COMPATIBLE = MCIERR_BASE + 28;
constexpr MCIERROR MCIERR_DEVICE_TYPE_REQUIRED = MCIERR_BASE + 31;
constexpr MCIERROR MCIERR_INVALID_FILE = MCIERR_BASE + 40;
constexpr MCIERROR MCIERR_NO_WINDOW = MCIERR_BASE + 90;

// Parameter blocks. Every one starts with the notification window.
struct MCI_GENERIC_PARMS {
  DWORD_PTR dwCallback = 0;
};
struct MCI_OPEN_PARMS {
  DWORD_PTR dwCallback = 0;
  MCIDEVICEID wDeviceID = 0;
  LPCSTR lpstrDeviceType = nullptr;  // a name, or with MCI_OPEN_TYPE_ID a type id
  LPCSTR lpstrElementName = nullptr;
  LPCSTR lpstrAlias = nullptr;
};
struct MCI_PLAY_PARMS {
  DWORD_PTR dwCallback = 0;
  DWORD dwFrom = 0;
  DWORD dwTo = 0;
};
struct MCI_SEEK_PARMS {
  DWORD_PTR dwCallback = 0;
  DWORD dwTo = 0;
};
struct MCI_STATUS_PARMS {
  DWORD_PTR dwCallback = 0;
  DWORD_PTR dwReturn = 0;
  DWORD dwItem = 0;
  DWORD dwTrack = 0;
};
struct MCI_SET_PARMS {
  DWORD_PTR dwCallback = 0;
  DWORD dwTimeFormat = 0;
  DWORD dwAudio = 0;
};
struct MCI_SYSINFO_PARMS {
  DWORD_PTR dwCallback = 0;
  LPSTR lpstrReturn = nullptr;
  DWORD dwRetSize = 0;
  DWORD dwNumber = 0;
  UINT wDeviceType = 0;
};
struct MCI_DGV_STEP_PARMS {
  DWORD_PTR dwCallback = 0;
  DWORD dwFrames = 0;
};
struct MCI_DGV_WINDOW_PARMS {
  DWORD_PTR dwCallback = 0;
  HWND hWnd = nullptr;
  UINT nCmdShow = 0;
  LPCSTR lpstrText = nullptr;
};
struct MCI_DGV_RECT_PARMS {
  DWORD_PTR dwCallback = 0;
  RECT rc{};  // left, top, width, height (as the interface has it)
};

MCIERROR mciSendCommand(MCIDEVICEID device, UINT message, DWORD_PTR flags, DWORD_PTR params);
// Copies the text of `error` into `text` (cut to `length` with its NUL);
// FALSE for a number that is no MCI error.
BOOL mciGetErrorString(MCIERROR error, LPSTR text, UINT length);

namespace platform::mm {

// One open device. Each command gets the flags and the parameter block as
// the caller passed them; MCI_OPEN's element and the device id are handled
// before the device sees MCI_OPEN.
class MciDevice {
 public:
  virtual ~MciDevice() = default;
  // Opens `element` (a platform path; empty without one). Returns 0 or an error.
  virtual MCIERROR Open(const std::string& element, DWORD flags) = 0;
  virtual MCIERROR Command(UINT message, DWORD_PTR flags, DWORD_PTR params) = 0;
  MCIDEVICEID id = 0;
};

// Makes a device for one open of a type; `ordinal` is the high word of a
// type-id open (which of the type's devices).
using MciDeviceFactory = std::function<std::unique_ptr<MciDevice>(int ordinal)>;
// Adds a device type (names compare ignoring case); `type_id` is its
// MCI_DEVTYPE_* value, `extensions` the element extensions it opens when no
// type is named (".cda"), `count` tells MCI_SYSINFO how many there are.
void RegisterMciDeviceType(const std::string& name, DWORD type_id, std::vector<std::string> extensions,
                           MciDeviceFactory factory, std::function<DWORD()> count = nullptr);

// Whether movie and sound devices play their sound (tests turn it off;
// the picture and timing do not change).
void SetMciAudioEnabled(bool enabled);

// Sends MM_MCINOTIFY to the window of a command's callback.
void PostMciNotify(DWORD_PTR callback, WPARAM status, MCIDEVICEID device);

}  // namespace platform::mm
