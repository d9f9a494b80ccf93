// The servent's host list: "a.b.c.d:port" lines without duplicates, the
// first line being the next host to dial, kept in the file "TGNU.ips" in
// the Windows folder (CR LF between lines).
#pragma once

#include "classlib/Strings.h"

class TIPManager {
 public:
  String FileName;
  TStringList Hosts;

  // Takes and removes the first line; empty when the list is empty.
  String GetHost();
  // Appends the line unless it is listed already.
  void AddHost(const String& Line);
  // Puts the line first unless it is listed already.
  void InsertHost(const String& Line);
  // Reads FileName when it exists (nothing otherwise).
  void LoadFromFile();
  // Writes the list to FileName (nothing when FileName is empty).
  void SaveToFile();
};

// The servent's host file: the Windows folder with "TGNU.ips".
String DefaultHostFileName();
