// The host for Winamp 2 input plug-ins and the output module it emulates.
//
// Up to eight input plug-ins ("in_*.dll" in the program folder's "Plugins"
// folder) are loaded into slots. The host presents itself to each as the
// Winamp main window (a hidden window) and as its output module: the
// plug-in's decoded PCM goes through Write into an 88200-byte ring that a
// user stream of the audio library plays. The host talks to the player only
// through posted messages. There is one host per process.
//
// Threads: the host routines run on the main thread; a plug-in calls the
// output module from its own decoding thread; the audio library calls
// StreamProc on its feeder thread. The ring has one writer and one reader,
// kept apart by two busy flags that each side claims with an indivisible
// test-and-set before it copies.
//
// This unit also holds what the whole playback engine shares: the message
// pump of its wait loops, the program folder and the application's window.
#pragma once

#include <cstdint>
#include <string>

#include "classlib/Object.h"
#include "outside/bass/bass_api.h"
#include "outside/winamp/winamp_api.h"
#include "platform/core/types.h"
#include "platform/user/messages.h"

// ---------------------------------------------------------------------------
// Messages between the host, the plug-ins and the player
// ---------------------------------------------------------------------------

// A plug-in's end of input (to the host window), relayed to the player with
// the serial of the plug-in song it ends (see BeginPluginSong) in WParam.
constexpr UINT WM_WA_PLUGIN_END = WM_WA_MPEG_EOF;  // 1026
// Enough output is buffered: the host starts the user stream and relays the
// message to the player; LParam points to the TStartRecord.
constexpr UINT WM_PLUGIN_START_PLAY = WM_USER + 101;  // 1125
// Forget the active plug-in (nothing in the program sends it).
constexpr UINT WM_PLUGIN_RELEASE = WM_USER + 103;  // 1127
// The output module opened its user stream (WParam) for the player.
constexpr UINT WM_PLUGIN_CHANNEL = WM_USER + 105;  // 1129

// ---------------------------------------------------------------------------
// Plug-in slots
// ---------------------------------------------------------------------------

constexpr int MaxPluginNum = 8;

// One loaded plug-in.
struct TPluginInfo {
  String Name;  // the file name it was loaded by ("in_midi.dll"); the key
  std::int32_t Version = 0;
  String Description;
  String FileExtensions;  // first string of its extension list ("MID;MIDI;RMI")
  std::int32_t Seekable = 0;
  HMODULE DLLHandle = nullptr;
};

// The output format, handed to the player with WM_PLUGIN_START_PLAY.
struct TStartRecord {
  std::uint16_t BitsPerSample = 0;
  std::uint32_t SampleRate = 0;
  std::uint16_t NumChannels = 0;
};

// Results of LoadWinampPlugin and UnloadWinampPlugin.
constexpr int PLUGIN_LOADED = 0;
constexpr int PLUGIN_OUTPUT_NOT_READY = 1;
constexpr int PLUGIN_ALREADY_LOADED = 2;
constexpr int PLUGIN_NO_FREE_SLOT = 3;
constexpr int PLUGIN_CANNOT_LOAD = 4;
constexpr int PLUGIN_NOT_WINAMP2 = 5;
constexpr int PLUGIN_UNLOADED = 0;
constexpr int PLUGIN_CANNOT_FREE = 6;
constexpr int PLUGIN_NOT_LOADED = 7;
constexpr int PLUGIN_IN_USE = 8;

// The host's state (slots, output module, ring, flags) is one object per
// process. This makes a new, empty one the process's host; the one before
// must have been quit (QuitPluginCtrl) and is kept, never freed. Tests use it
// to start from a fresh host.
void MakeFreshPluginHost();

// Empties the slots, allocates the ring and initialises the output module.
// Returns whether the output module is ready.
bool InitPluginCtrl();
// Quits and frees every loaded plug-in, quits the output module and frees
// the ring. Safe when the host never started.
void QuitPluginCtrl();

// Loads GetProgramDir + "\Plugins\" + Name into the first free slot; one of
// the PLUGIN_* load results.
int LoadWinampPlugin(const String& Name);
// Quits and frees the plug-in loaded by that name; one of the unload results.
int UnloadWinampPlugin(const String& Name);
// The first slot holding a plug-in of exactly that name, or -1.
int FindPluginByName(const String& Name);
// The slot's module; null for a free slot or one outside 0..7.
In_Module* GetPluginModule(int Slot);
// The slot's record; an empty record for a free slot or one outside 0..7.
void GetPluginInfo(int Slot, TPluginInfo& Info);
// Makes a loaded slot the active plug-in (0); -1 and no change otherwise.
int SetCurrentPlugin(int Slot);
// The active slot, or -1.
int GetCurrentPlugin();
// True: the output module's time (OutGetOutputTime); false: the active
// plug-in's own GetOutputTime (0 when there is none).
int GetPluginOutputTime(bool FromOutput);
// Ms of audio written but not heard yet (0 when no output is open).
int GetPluginBufferedTime();
// A plug-in song is about to start: returns its serial (never 0), which the
// relayed end of input carries. An end of input still waiting in the host
// window's queue belonged to the song before (its plug-in has been stopped)
// and is dropped. Main thread only.
std::uint32_t BeginPluginSong();
// The player is about to seek: a Flush while paused must then be honoured.
void SetSeekRequested();
// The open output's plug-in has ended its input (its end was relayed) and
// no flush (a seek) has made it decode again since.
bool PluginInputEnded();
// Where relayed messages go; null for nowhere.
void SetPlayerTargetWindow(HWND Window);
bool IsOutputReady();
HWND GetHostWindow();
// For each loaded slot in order: ExtensionsToFilter of its extension list,
// then ";".
String PluginFileTypes();
// "MP3;MP2" gives "*.MP3;*.MP2"; a final ";" is kept without "*." after it.
String ExtensionsToFilter(const String& Exts);
// The program's folder, without a trailing backslash.
String GetProgramDir();

// ---------------------------------------------------------------------------
// The output module and its ring (the plug-ins and the audio library call
// these; tests drive them directly)
// ---------------------------------------------------------------------------

constexpr std::uint32_t RingBufferSize = 88200;

// The emulated output module handed to every plug-in.
Out_Module* GetOutModule();
// The user stream's procedure: copies up to Length bytes out of the ring.
DWORD StreamProc(HSTREAM Handle, void* Buffer, DWORD Length, std::uintptr_t User);
// Bytes in the ring, and bytes a write could still use plus one.
std::uint32_t RingUsed();
std::uint32_t RingFree();
// The user stream the output module opened; 0 when none.
HSTREAM GetUserStream();

// ---------------------------------------------------------------------------
// Shared by the playback engine
// ---------------------------------------------------------------------------

// Takes and dispatches every message waiting for the calling thread. Stops
// at an empty queue, or when it takes WM_QUIT: that one is posted again with
// its exit code (so the program's own loop still ends) and the result is
// true, telling the caller's wait loop to give up.
bool ProcessPendingMessages();

// The application's window: the owner of the engine's message boxes and
// the main window the plug-ins and the audio library are given. Asked on
// the main thread it is the application object's window (made on demand);
// elsewhere, the one last asked for there.
HWND ApplicationWindow();
// The application's message box (see ApplicationWindow for other threads).
int ApplicationMessageBox(const String& Text, const String& Caption, UINT Flags);
