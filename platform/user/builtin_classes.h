// The built-in window classes ("BUTTON", "EDIT", "SysListView32", ...). Each
// control announces its class here from its own source; the class is
// registered (as a CS_GLOBALCLASS class) the first time a window of it is
// made or its information is asked for, so a program pays only for the
// controls it uses and no start-up call is needed.
#pragma once

#include "platform/core/types.h"

namespace platform {

// Registers the class (RegisterClassEx with CS_GLOBALCLASS). Called at most
// once per process, without any window-system lock held.
using BuiltinClassRegistrar = void (*)();

// Announces a built-in class by name (names ignore case).
void AddBuiltinClass(const char* class_name, BuiltinClassRegistrar registrar);

// Registers the built-in class of that name if there is one and it has not
// been registered yet. Atoms and unknown names do nothing.
void EnsureBuiltinClass(LPCSTR class_name);

// Announces a built-in class from a static object in the control's source:
//   static const platform::BuiltinClass kButtonClass("BUTTON", &RegisterButtonClass);
struct BuiltinClass {
  BuiltinClass(const char* class_name, BuiltinClassRegistrar registrar) {
    AddBuiltinClass(class_name, registrar);
  }
};

}  // namespace platform
