// Counting routines of the list view's delimiter detection, and the path a
// row of a song or movie list stands for.
#pragma once

#include "classlib/Object.h"

class TListItem;

// The first position (counting from 1) of a lone C in S: a C that is the
// last character, or that has a neighbour on each side and neither of them
// is C. A C in position 1 counts only when S is one character long. 0 when
// there is none.
int FirstSingle(char C, const String& S);

// How many lone C the text holds, counted by FirstSingle from the left,
// dropping the text up to each one found.
int CountSingle(char C, const String& S);

// The path of a list row: its first sub-item (the folder) followed by its
// caption (the file name), with a backslash between them when the folder
// does not end in one. Quote marks stay: they are part of the names. The
// main window, the tag editor and the movie window all open this path.
String SongPathOfRow(TListItem* Item);
