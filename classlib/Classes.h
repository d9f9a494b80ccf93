// Everything of the class library's core classes in one include:
// components, lists, string lists, streams, threads and hidden windows.
// (Settings files are IniFiles.h and Registry.h; the timer is Timers.h;
// file masks are Masks.h; text files are TextFiles.h.)
#pragma once

#include "classlib/Components.h"
#include "classlib/Lists.h"
#include "classlib/MessageHandling.h"
#include "classlib/Object.h"
#include "classlib/Streams.h"
#include "classlib/Strings.h"
#include "classlib/Threads.h"
