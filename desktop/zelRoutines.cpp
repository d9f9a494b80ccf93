#include "desktop/zelRoutines.h"

#include "classlib/Application.h"
#include "classlib/Exceptions.h"
#include "classlib/FileRoutines.h"
#include "classlib/FormatRoutines.h"
#include "classlib/PathRoutines.h"
#include "classlib/Registry.h"
#include "classlib/StringRoutines.h"
#include "platform/core/errors.h"
#include "platform/core/events.h"
#include "platform/core/handles.h"
#include "platform/core/waits.h"
#include "platform/fs/files.h"
#include "platform/reg/registry.h"
#include "platform/user/user.h"

namespace {

String ExeName() { return Application != nullptr ? Application->ExeName() : ParamStr(0); }

std::size_t LastSeparator(const String& Path) { return Path.find_last_of("\\:/"); }

}  // namespace

bool IsWinNT = true;
UINT TaskbarCreatedMessage = RegisterWindowMessage("TaskbarCreated");
String LogFileName = [] {
  const String exe = ExeName();
  return exe.empty() ? String() : ChangeFileExt(exe, ".log");
}();

namespace Zel {

TShiftState GetShiftState() {
  TShiftState state;
  if (GetKeyState(VK_SHIFT) < 0) state.Include(ssShift);
  if (GetKeyState(VK_MENU) < 0) state.Include(ssAlt);
  if (GetKeyState(VK_CONTROL) < 0) state.Include(ssCtrl);
  return state;
}

int PosFrom(const String& Substr, const String& S, int Start) {
  if (Substr.empty() || S.empty() || Substr.size() > S.size() || Start < 1) return 0;
  if (static_cast<std::size_t>(Start) > S.size() - Substr.size() + 1) return 0;
  const std::size_t at = S.find(Substr, static_cast<std::size_t>(Start - 1));
  return at == String::npos ? 0 : static_cast<int>(at + 1);
}

void ReplaceAll(String& S, const String& OldText, const String& NewText) {
  if (OldText.empty()) return;
  std::size_t at = 0;
  while ((at = S.find(OldText, at)) != String::npos) {
    S.replace(at, OldText.size(), NewText);
    at += NewText.size();
  }
}

void ReplaceChar(String& S, char OldChar, char NewChar) {
  for (char& c : S) {
    if (c == OldChar) c = NewChar;
  }
}

void SplitToList(const String& S, char Separator, TStrings* List) {
  String text = S;
  ReplaceAll(text, String(1, Separator), "\r\n");
  List->SetText(text);
}

bool CanCreateFile(const String& FileName) {
  if (FileName.empty()) return false;
  if (FileExists(FileName)) return true;
  HANDLE file = CreateFile(FileName.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  DeleteFile(FileName.c_str());
  return true;
}

String AddBackslash(const String& Path) {
  return !Path.empty() && Path.back() == '\\' ? Path : Path + "\\";
}

String CollapseBackslashes(const String& Path) {
  String result = Path;
  ReplaceAll(result, "\\\\", "\\");
  return result;
}

String ExtractName(const String& Path) {
  const std::size_t at = LastSeparator(Path);
  return at == String::npos ? Path : Path.substr(at + 1);
}

String ExtractFolder(const String& Path) {
  const std::size_t at = LastSeparator(Path);
  return at == String::npos ? String() : Path.substr(0, at + 1);
}

String ExtractNameOnly(const String& Path) {
  const String name = ExtractName(Path);
  const std::size_t dot = name.rfind('.');
  return dot == String::npos ? name : name.substr(0, dot);
}

String ExpandRelativePath(const String& BaseFolder, const String& Path) {
  if (!ExtractFileDrive(Path).empty()) return Path;
  return CollapseBackslashes(AddBackslash(BaseFolder) + Path);
}

namespace {

bool HasWildcard(const String& s) { return s.find_first_of("*?") != String::npos; }

String ExtensionOf(const String& Name) {
  const std::size_t dot = Name.rfind('.');
  return dot == String::npos ? String() : Name.substr(dot);
}

}  // namespace

String ResolveDestination(const String& Source, const String& Dest) {
  if (Trim(Dest).empty()) return Source;
  String folder = ExtractFolder(Dest);
  if (folder.empty()) folder = ExtractFolder(Source);
  const String dest_name = ExtractName(Dest);
  const String name = dest_name.empty() || HasWildcard(dest_name) ? ExtractNameOnly(Source) : ExtractNameOnly(Dest);
  String extension = ExtensionOf(dest_name);
  if (extension.empty() || HasWildcard(extension)) extension = ExtensionOf(ExtractName(Source));
  return folder + name + extension;
}

void RegWriteStringValue(HKEY RootKey, const String& Key, const String& Name, const String& Value) {
  TRegistry registry;
  registry.SetRootKey(RootKey);
  if (!registry.OpenKey(Key, true)) throw ERegistryException(Format("Unable to open the %s key", {Key}));
  registry.WriteString(Name, Value);
}

void GetAutoExecKey(TzelAutoExecKind Kind, HKEY& RootKey, String& Key) {
  RootKey = Kind == aekUserRun || Kind == aekUserRunOnce ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
  switch (Kind) {
    case aekMachineRun:
    case aekUserRun: Key = "Software\\Microsoft\\Windows\\CurrentVersion\\Run"; break;
    case aekMachineRunOnce:
    case aekUserRunOnce: Key = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce"; break;
    case aekServiceRun: Key = "Software\\Microsoft\\Windows\\CurrentVersion\\RunServices"; break;
    case aekServiceRunOnce: Key = "Software\\Microsoft\\Windows\\CurrentVersion\\RunServicesOnce"; break;
  }
}

bool AutoExecRegister(TzelAutoExecKind Kind, const String& FileName) {
  if (IsWinNT && (Kind == aekServiceRun || Kind == aekServiceRunOnce)) return false;
  HKEY root = nullptr;
  String key;
  GetAutoExecKey(Kind, root, key);
  try {
    RegWriteStringValue(root, key, ExtractName(FileName), FileName);
    return true;
  } catch (const Exception&) {
    return false;
  }
}

bool AutoExecUnregister(TzelAutoExecKind Kind, const String& FileName) {
  if (IsWinNT && (Kind == aekServiceRun || Kind == aekServiceRunOnce)) return false;
  HKEY root = nullptr;
  String key;
  GetAutoExecKey(Kind, root, key);
  TRegistry registry;
  registry.SetRootKey(root);
  try {
    if (!registry.OpenKey(key, false)) return false;
    const String name = ExtractName(FileName);
    if (registry.ValueExists(name)) return registry.DeleteValue(name);
    return true;
  } catch (const Exception&) {
    return false;
  }
}

HANDLE RegNotifyStart(HKEY Key, bool WatchSubTree, DWORD Filter, TzelRegNotifyRecord& Notify) {
  Notify.Key = Key;
  Notify.WatchSubTree = WatchSubTree;
  Notify.Filter = Filter;
  HANDLE event = CreateEvent(nullptr, TRUE, FALSE, nullptr);
  if (event == nullptr) return INVALID_HANDLE_VALUE;
  LONG error = RegNotifyChangeKeyValue(Key, WatchSubTree, Filter, event, TRUE);
  if (error == ERROR_SUCCESS && WaitForSingleObject(event, 0) == WAIT_OBJECT_0) {
    ResetEvent(event);
    error = RegNotifyChangeKeyValue(Key, WatchSubTree, Filter, event, TRUE);
  }
  if (error != ERROR_SUCCESS) {
    CloseHandle(event);
    SetLastError(static_cast<DWORD>(error));
    return INVALID_HANDLE_VALUE;
  }
  return event;
}

bool RegNotifyRearm(HANDLE Event, const TzelRegNotifyRecord& Notify) {
  ResetEvent(Event);
  const LONG error = RegNotifyChangeKeyValue(Notify.Key, Notify.WatchSubTree, Notify.Filter, Event, TRUE);
  if (error != ERROR_SUCCESS) {
    SetLastError(static_cast<DWORD>(error));
    return false;
  }
  return true;
}

void CloseHandleIfValid(HANDLE Handle) {
  if (Handle != INVALID_HANDLE_VALUE) CloseHandle(Handle);
}

}  // namespace Zel
