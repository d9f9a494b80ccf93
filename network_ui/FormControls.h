// Building the controls of the file-sharing window and its options dialog
// in code (in place of a stored window definition), and reading and
// writing the sub-items of list rows.
#pragma once

#include <initializer_list>
#include <utility>

#include "classlib/ComCtrls.h"
#include "classlib/Controls.h"
#include "classlib/Menus.h"
#include "classlib/StdCtrls.h"

// A control of class T owned by Owner, placed on Parent with its name and
// bounds.
template <class T>
T* MakeControl(TComponent* Owner, TWinControl* Parent, const char* Name, int Left, int Top, int Width,
               int Height) {
  auto* control = new T(Owner);
  control->SetName(Name);
  control->SetParent(Parent);
  control->SetBounds(Left, Top, Width, Height);
  return control;
}

// A label at Left, Top sized to its caption; Name may be "".
TLabel* MakeLabel(TComponent* Owner, TWinControl* Parent, const char* Name, int Left, int Top,
                  const String& Caption);

// Report columns, each a caption and a width.
void AddColumns(TListView* List, std::initializer_list<std::pair<const char*, int>> Columns);

TMenuItem* AddMenuItem(TComponent* Owner, TMenu* Menu, const char* Caption, TNotifyEvent Handler);

// A row's sub-item Index ("" when the row has fewer).
String SubItem(TListItem* Row, int Index);
// Sets sub-item Index, adding empty ones before it as needed; a null row
// (one that has been cleared) is left alone.
void SetSubItem(TListItem* Row, int Index, const String& Text);
