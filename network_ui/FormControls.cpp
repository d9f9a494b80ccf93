#include "network_ui/FormControls.h"

TLabel* MakeLabel(TComponent* Owner, TWinControl* Parent, const char* Name, int Left, int Top,
                  const String& Caption) {
  auto* label = new TLabel(Owner);
  if (Name[0] != '\0') label->SetName(Name);
  label->SetParent(Parent);
  label->SetLeft(Left);
  label->SetTop(Top);
  label->SetCaption(Caption);
  return label;
}

void AddColumns(TListView* List, std::initializer_list<std::pair<const char*, int>> Columns) {
  for (const auto& [caption, width] : Columns) {
    TListColumn* column = List->Columns()->Add();
    column->SetCaption(caption);
    column->SetWidth(width);
  }
}

TMenuItem* AddMenuItem(TComponent* Owner, TMenu* Menu, const char* Caption, TNotifyEvent Handler) {
  auto* item = new TMenuItem(Owner);
  item->SetCaption(Caption);
  item->OnClick = std::move(Handler);
  Menu->Items()->Add(item);
  return item;
}

String SubItem(TListItem* Row, int Index) {
  TStrings* subs = Row->SubItems();
  return Index < subs->Count() ? subs->Strings(Index) : String();
}

void SetSubItem(TListItem* Row, int Index, const String& Text) {
  if (Row == nullptr) return;
  TStrings* subs = Row->SubItems();
  while (subs->Count() <= Index) subs->Add("");
  if (subs->Strings(Index) != Text) subs->Put(Index, Text);
}
