// Counting routines of the list view's delimiter detection.
#pragma once

#include "classlib/Object.h"

// The first position (counting from 1) of a lone C in S: a C that is the
// last character, or that has a neighbour on each side and neither of them
// is C. A C in position 1 counts only when S is one character long. 0 when
// there is none.
int FirstSingle(char C, const String& S);

// How many lone C the text holds, counted by FirstSingle from the left,
// dropping the text up to each one found.
int CountSingle(char C, const String& S);
