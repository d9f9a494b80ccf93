#include "library/ListViewSettings.h"

#include <vector>

#include "classlib/Clipbrd.h"
#include "classlib/IniFiles.h"
#include "classlib/Registry.h"
#include "classlib/StringRoutines.h"
#include "library/advlistv.h"
#include "platform/user/clipboard.h"
#include "platform/user/virtual_keys.h"

TPrintsettings::TPrintsettings()
    : font_(std::make_unique<TFont>()), header_font_(std::make_unique<TFont>()), footer_font_(std::make_unique<TFont>()) {}

TPrintsettings::~TPrintsettings() = default;

void TAdvListView::SaveColumnSizes() {
  TColumnSize* cs = column_size_.get();
  if (!cs->Save || cs->Key.empty() || cs->Section.empty() || ComponentState().Contains(csDesigning)) return;
  if (cs->Storage == stInifile) {
    TIniFile ini(cs->Key);
    for (int i = 0; i < Columns()->Count(); ++i) ini.WriteInteger(cs->Section, "col" + IntToStr(i), Columns()->Items(i)->Width());
  } else {
    TRegistry registry;
    registry.SetRootKey(HKEY_CURRENT_USER);
    if (registry.OpenKey(cs->Key + "\\" + cs->Section, true)) {
      for (int i = 0; i < Columns()->Count(); ++i) registry.WriteInteger("col" + IntToStr(i), Columns()->Items(i)->Width());
      registry.CloseKey();
    }
  }
}

String TAdvListView::ClipboardText(bool SelectedOnly) const {
  if (SubItemSelect || SubItemEdit) {
    if (TListItem* item = Selected()) return CellText(selected_column_, item->Index());
  }
  String text;
  for (int i = 0; i < Items()->Count(); ++i) {
    const TListItem* item = Items()->Item(i);
    if (SelectedOnly && !item->Selected()) continue;
    text += item->Caption();
    for (int j = 0; j < item->SubItems()->Count(); ++j) {
      text += '\t';
      text += item->SubItems()->Strings(j);
    }
    text += "\r\n";
  }
  return text;
}

bool TAdvListView::CopyToClipboard(bool SelectedOnly) {
  try {
    Clipboard()->SetAsText(ClipboardText(SelectedOnly));
    return true;
  } catch (const EClipboardException&) {
    return false;
  }
}

void TAdvListView::PasteText(const String& Text) {
  if (SubItemSelect || SubItemEdit) {
    if (TListItem* item = Selected()) SetCellText(selected_column_, item->Index(), Text);
    return;
  }
  // Lines end at CR LF, LF or CR; nothing follows a final line end.
  std::vector<String> lines;
  std::size_t start = 0;
  while (start < Text.size()) {
    std::size_t end = Text.find_first_of("\r\n", start);
    if (end == String::npos) {
      lines.push_back(Text.substr(start));
      break;
    }
    lines.push_back(Text.substr(start, end - start));
    start = end + 1;
    if (Text[end] == '\r' && start < Text.size() && Text[start] == '\n') ++start;
  }
  TListItem* last = nullptr;
  Items()->BeginUpdate();
  for (const String& line : lines) {
    TListItem* item = Items()->Add();
    item->SetImageIndex(-1);
    std::size_t field_start = 0;
    int field = 0;
    // As in a list file, one line adds at most so many columns; its fields
    // all stay.
    int added = 0;
    for (;;) {
      const std::size_t tab = line.find('\t', field_start);
      const String value = line.substr(field_start, tab == String::npos ? String::npos : tab - field_start);
      if (field >= Columns()->Count() && added < MaxColumnsAddedPerLine) {
        Columns()->Add();
        ++added;
      }
      if (field == 0) {
        item->SetCaption(value);
      } else {
        item->SubItems()->Add(value);
      }
      ++field;
      if (tab == String::npos) break;
      field_start = tab + 1;
    }
    item->SetSelected(true);
    last = item;
  }
  Items()->EndUpdate();
  if (last != nullptr) {
    last->MakeVisible(false);
    last->SetFocused(true);
  }
}

void TAdvListView::PasteFromClipboard() {
  if (!Clipboard()->HasFormat(CF_TEXT)) return;
  PasteText(Clipboard()->AsText());
}

void TAdvListView::ClipboardKeyDown(Word& Key, TShiftState Shift) {
  const bool ctrl = Shift.Contains(ssCtrl);
  const bool shift = Shift.Contains(ssShift);
  if ((ctrl && Key == 'C') || (ctrl && Key == VK_INSERT)) {
    CopyToClipboard(true);
    Key = 0;
  } else if ((ctrl && Key == 'X') || (shift && Key == VK_DELETE)) {
    if (CopyToClipboard(true)) {
      Items()->BeginUpdate();
      for (int i = Items()->Count() - 1; i >= 0; --i) {
        if (Items()->Item(i)->Selected()) Items()->Delete(i);
      }
      Items()->EndUpdate();
    }
    Key = 0;
  } else if ((ctrl && Key == 'V') || (shift && Key == VK_INSERT)) {
    PasteFromClipboard();
    Key = 0;
  }
}
