// The file-sharing window's transfer lists: a row of the download list
// or the upload list for every transfer, kept up to date from its events.
#pragma once

#include <cstdint>

#include "classlib/Object.h"

// BytesDone of Size as "N%" (rounded half to even), "?" when the size is
// not a positive number.
String ProgressText(std::int64_t BytesDone, const String& SizeText);
