// The start-with-the-session keys: the values of
// "Software\Microsoft\Windows\CurrentVersion\Run" under HKEY_LOCAL_MACHINE
// and HKEY_CURRENT_USER live in the user's XDG autostart folder, one
// ".desktop" entry per root and value name, so the desktop starts the
// program at the next login. The entry keeps the value's text as written;
// its Exec line is the program's Linux path, quoted.
#pragma once

#include <string>
#include <vector>

#include "platform/reg/hive.h"
#include "platform/reg/registry_store.h"

namespace platform {

// The autostart folder (default $XDG_CONFIG_HOME/autostart, or
// ~/.config/autostart). Empty goes back to the default.
void SetAutostartFolder(const std::string& native_folder);
std::string AutostartFolder();

namespace reg {

// A Run key of one of the two roots (path folded).
bool IsAutostartKey(HiveId hive, const std::vector<std::string>& path);
// The values the folder holds for that root, in name order.
std::vector<Value> AutostartValues(HiveId hive);
LONG WriteAutostartValue(HiveId hive, const Value& value);
LONG DeleteAutostartValue(HiveId hive, const std::string& name);

}  // namespace reg
}  // namespace platform
