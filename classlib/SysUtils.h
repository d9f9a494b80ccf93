// Everything of the class library's system utilities in one include: the
// exceptions, string, number, date, path and file routines.
#pragma once

#include "classlib/DateTime.h"
#include "classlib/Exceptions.h"
#include "classlib/FileRoutines.h"
#include "classlib/FormatRoutines.h"
#include "classlib/FormatSettings.h"
#include "classlib/MathRoutines.h"
#include "classlib/Object.h"
#include "classlib/PathRoutines.h"
#include "classlib/StringRoutines.h"
