// The version 2 input plug-in interface of the Winamp player, as the
// program's plug-in host uses it: the record an input plug-in hands out
// (In_Module), the output module record the host hands back (Out_Module),
// the library's entry point and the end-of-input message.
//
// A plug-in is a shared library exporting "winampGetInModule2", which returns
// the address of its In_Module. The host fills in the main window, the
// library instance and the output module, then calls Init. The plug-in plays
// a file on a thread of its own, writing its decoded PCM to the output
// module, and posts WM_WA_MPEG_EOF to the main window when its input ends.
// The fields are in the interface's published order.
#pragma once

#include "platform/core/types.h"
#include "platform/user/messages.h"

// In_Module.version of plug-ins written for this interface.
constexpr int IN_VER = 0x100;
// Out_Module.version of output modules.
constexpr int OUT_VER = 0x10;

// Posted by an input plug-in to its main window when the file has been
// decoded to its end.
constexpr UINT WM_WA_MPEG_EOF = WM_USER + 2;

struct Out_Module {
  int version;              // OUT_VER
  const char* description;  // shown in the player's lists
  int id;                   // a number of the module's own choosing
  HWND hMainWindow;         // set by the player
  HINSTANCE hDllInstance;   // set by the player

  void (*Config)(HWND hwndParent);
  void (*About)(HWND hwndParent);
  void (*Init)();
  void (*Quit)();

  // Opens the output for a format; returns the maximum latency in ms, or a
  // negative value when the format cannot be played.
  int (*Open)(int samplerate, int numchannels, int bitspersamp, int bufferlenms,
              int prebufferms);
  void (*Close)();
  // Queues `len` bytes of PCM; 0 on success, 1 when it could not.
  int (*Write)(char* buf, int len);
  // Bytes Write may be given now without blocking.
  int (*CanWrite)();
  // Non-zero while the output still has queued audio to play.
  int (*IsPlaying)();
  // Pauses (non-zero) or resumes (0); returns whether it was paused before.
  int (*Pause)(int pause);
  void (*SetVolume)(int volume);  // 0..255
  void (*SetPan)(int pan);        // -128..128
  // Drops everything queued; output time continues from `t` ms.
  void (*Flush)(int t);
  // Ms of audio heard so far, and ms of audio written so far.
  int (*GetOutputTime)();
  int (*GetWrittenTime)();
};

struct In_Module {
  int version;              // IN_VER
  const char* description;  // "name version"
  HWND hMainWindow;         // set by the player
  HINSTANCE hDllInstance;   // set by the player
  // Pairs of zero-terminated strings, extensions then their description,
  // ended by an empty string: "MID;MIDI\0MIDI files\0".
  const char* FileExtensions;
  int is_seekable;
  int UsesOutputPlug;

  void (*Config)(HWND hwndParent);
  void (*About)(HWND hwndParent);
  void (*Init)();
  void (*Quit)();
  // Title (up to GETFILEINFO_TITLE_LENGTH bytes with its terminator) and
  // length in ms of `file`; a null or empty file means the one playing.
  void (*GetFileInfo)(const char* file, char* title, int* length_in_ms);
  int (*InfoBox)(const char* file, HWND hwndParent);
  // Non-zero when the plug-in plays this file whatever its extension.
  int (*IsOurFile)(const char* fn);

  // 0 on success, -1 when the file cannot be opened, another value for
  // other failures.
  int (*Play)(const char* fn);
  void (*Pause)();
  void (*UnPause)();
  int (*IsPaused)();
  void (*Stop)();

  int (*GetLength)();                      // ms
  int (*GetOutputTime)();                  // ms, usually the output module's
  void (*SetOutputTime)(int time_in_ms);   // seek
  void (*SetVolume)(int volume);           // 0..255
  void (*SetPan)(int pan);                 // -127..127

  // Hooks the player fills in for its visualisation and DSP.
  void (*SAVSAInit)(int maxlatency_in_ms, int srate);
  void (*SAVSADeInit)();
  void (*SAAddPCMData)(void* PCMData, int nch, int bps, int timestamp);
  int (*SAGetMode)();
  void (*SAAdd)(void* data, int timestamp, int csa);
  void (*VSAAddPCMData)(void* PCMData, int nch, int bps, int timestamp);
  int (*VSAGetMode)(int* specNch, int* waveNch);
  void (*VSAAdd)(void* data, int timestamp);
  void (*VSASetInfo)(int nch, int srate);
  int (*dsp_isactive)();
  int (*dsp_dosamples)(short* samples, int numsamples, int bps, int nch, int srate);
  void (*EQSet)(int on, char data[10], int preamp);
  void (*SetInfo)(int bitrate, int srate, int stereo, int synched);

  Out_Module* outMod;  // set by the player
};

// The title buffer GetFileInfo may fill. Plug-ins are told nothing about its
// size, so a host gives at least this much.
constexpr int GETFILEINFO_TITLE_LENGTH = 2048;

// The entry point of an input plug-in library.
using winampGetInModule2Proc = In_Module* (*)();
constexpr char kWinampGetInModule2[] = "winampGetInModule2";
