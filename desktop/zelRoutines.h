// The desktop pack's shared routines: keyboard state, string and path
// helpers, the registry routines behind its start-with-the-session
// component, and asynchronous registry change notification.
#pragma once

#include "classlib/Controls.h"
#include "classlib/Strings.h"
#include "platform/core/types.h"

// The platform is of the NT family (always, here).
extern bool IsWinNT;
// The program's folder is the class library's ProgramFolder().
// The program's path with the extension ".log" (empty for an empty path).
extern String LogFileName;

// The message number registered as "TaskbarCreated".
extern UINT TaskbarCreatedMessage;

enum TzelAutoExecKind {
  aekMachineRun,
  aekMachineRunOnce,
  aekUserRun,
  aekUserRunOnce,
  aekServiceRun,
  aekServiceRunOnce
};

// A pending registry change request: the key, subtree flag and filter.
struct TzelRegNotifyRecord {
  HKEY Key = nullptr;
  bool WatchSubTree = false;
  DWORD Filter = 0;
};

// The routines are the pack's own unit: other packs have routines of the
// same names (AddBackslash), which must not meet them when a program links
// both. The pack's code calls them unqualified.
namespace Zel {

TShiftState GetShiftState();
// 1-based position of Substr in S at or after Start; 0 when none.
int PosFrom(const String& Substr, const String& S, int Start);
void ReplaceAll(String& S, const String& OldText, const String& NewText);
void ReplaceChar(String& S, char OldChar, char NewChar);
void SplitToList(const String& S, char Separator, TStrings* List);
bool CanCreateFile(const String& FileName);
String AddBackslash(const String& Path);
String CollapseBackslashes(const String& Path);
String ExtractName(const String& Path);
String ExtractFolder(const String& Path);
String ExtractNameOnly(const String& Path);
String ExpandRelativePath(const String& BaseFolder, const String& Path);
// The path a shell file operation gives Source for the destination Dest:
// Dest's folder, name and extension, each taken from Source where Dest has
// none (no folder; an empty name or extension, or one with "*" or "?").
// An all-blank Dest gives Source itself.
String ResolveDestination(const String& Source, const String& Dest);
// Raises ERegistryException "Unable to open the %s key" when the key
// cannot be opened or made.
void RegWriteStringValue(HKEY RootKey, const String& Key, const String& Name, const String& Value);
void GetAutoExecKey(TzelAutoExecKind Kind, HKEY& RootKey, String& Key);
bool AutoExecRegister(TzelAutoExecKind Kind, const String& FileName);
bool AutoExecUnregister(TzelAutoExecKind Kind, const String& FileName);
// A manual-reset event signalled at the key's next change; the invalid
// handle value (with the last error set) on failure.
HANDLE RegNotifyStart(HKEY Key, bool WatchSubTree, DWORD Filter, TzelRegNotifyRecord& Notify);
bool RegNotifyRearm(HANDLE Event, const TzelRegNotifyRecord& Notify);
void CloseHandleIfValid(HANDLE Handle);

}  // namespace Zel

using namespace Zel;
