#include "network/IPManager.h"

#include "classlib/AtomicFile.h"
#include "classlib/FileRoutines.h"
#include "classlib/PathRoutines.h"
#include "platform/fs/files.h"

String TIPManager::GetHost() {
  if (Hosts.Count() == 0) return String();
  String host = Hosts.Strings(0);
  Hosts.Delete(0);
  return host;
}

void TIPManager::AddHost(const String& Line) {
  if (Hosts.IndexOf(Line) < 0) Hosts.Add(Line);
}

void TIPManager::InsertHost(const String& Line) {
  if (Hosts.IndexOf(Line) < 0) Hosts.Insert(0, Line);
}

void TIPManager::LoadFromFile() {
  if (!FileName.empty() && FileExists(FileName)) Hosts.LoadFromFile(FileName);
}

void TIPManager::SaveToFile() {
  // Atomically: a failed save keeps the old file and raises nothing (this
  // runs from the servent's destructor).
  if (FileName.empty()) return;
  try {
    classlib::WriteFileAtomically(FileName, Hosts.Text());
  } catch (...) {
  }
}

String DefaultHostFileName() {
  char folder[MAX_PATH] = {};
  GetWindowsDirectory(folder, MAX_PATH);
  return IncludeTrailingBackslash(folder) + "TGNU.ips";
}
