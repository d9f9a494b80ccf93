#include "network_ui/NutsSearches.h"

#include "classlib/Application.h"
#include "classlib/StringRoutines.h"
#include "network_ui/FormControls.h"
#include "network_ui/nuts.h"

bool CaptionMatches(const String& Caption, const String& Filename) {
  const String name = UpperCase(Filename);
  String word;
  auto test = [&]() {
    const bool hit = !word.empty() && name.find(UpperCase(word)) != String::npos;
    word.clear();
    return hit;
  };
  for (char c : Caption) {
    if (c == ' ' || c == ',') {
      if (test()) return true;
    } else {
      word += c;
    }
  }
  return test();
}

void TNutsForm::Edit3KeyDown(TObject* Sender, Word& Key, TShiftState Shift) {
  if (Key == VK_RETURN && !Shift.Contains(ssShift) && !Shift.Contains(ssCtrl) && !Shift.Contains(ssAlt)) {
    SearchClick(Sender);
  }
}

void TNutsForm::SearchClick(TObject*) {
  if (Gnutella1->GetLoggedInCount() < 1) return;
  const String text = Edit3->Text();
  AddSearchTab(text);
  Gnutella1->Search(text);
}

TListView* TNutsForm::AddSearchTab(const String& Text) {
  TTabSheet* sheet = AddPictureSheet(ResultPages, "", Text);
  auto* list = MakeControl<TListView>(this, sheet, "", 0, 0, kNutsResultWidth, kNutsResultHeight);
  list->SetViewStyle(vsReport);
  list->SetRowSelect(true);
  list->SetColor(clBlack);
  list->Font()->SetColor(clAqua);
  list->Hint = ("Double click on a file to download it");
  list->SetShowHint(true);
  AddColumns(list, {{"Filename", 373}, {"Size", 102}, {"IP", 90}, {"Port", 50}, {"Index", 60}, {"Speed", 50}});
  list->OnDblClick = [this](TObject* s) { ResultDblClick(s); };
  result_lists_.push_back(list);
  Application->SetShowHint(true);
  Transfer->SetActivePage(TabSheet1);
  ResultPages->SetActivePage(sheet);
  return list;
}

TListView* TNutsForm::ResultList(int Tab) const {
  if (Tab < 0 || Tab >= static_cast<int>(result_lists_.size())) return nullptr;
  return result_lists_[static_cast<std::size_t>(Tab)];
}

int TNutsForm::FindResultPage(const String& Filename) {
  for (int i = ResultPages->PageCount() - 1; i >= 0; --i) {
    if (CaptionMatches(ResultPages->Pages(i)->Caption(), Filename)) return i;
  }
  return 0;
}

void TNutsForm::FoundStuff(TObject*, const String&, const GUID& ID, const String& FileIP, int Port, DWORD Speed,
                           const GUID& ServerntID, DWORD FileIndex, DWORD FileSize, const String& Filename,
                           const String&) {
  Transfer->SetActivePage(TabSheet1);
  TListView* list = ResultList(FindResultPage(Filename));
  if (list == nullptr) return;  // no search tab yet
  TListItem* row = list->Items()->Add();
  row->SetCaption(Filename);
  TStrings* subs = row->SubItems();
  subs->Add(IntToStr(FileSize));
  subs->Add(FileIP);
  subs->Add(IntToStr(Port));
  subs->Add(IntToStr(FileIndex));
  subs->Add(IntToStr(Speed));
  auto* hit = new TSearchHit;
  hit->Filename = Filename.substr(0, 255);
  hit->FileIndex = FileIndex;
  hit->ClientID = ID;
  hit->ServentID = ServerntID;
  hit->FileSize = FileSize;
  row->SetData(hit);
}

void TNutsForm::ClearResults(TListView* List) {
  TListItems* items = List->Items();
  for (int i = 0; i < items->Count(); ++i) {
    delete static_cast<TSearchHit*>(items->Item(i)->Data());
    items->Item(i)->SetData(nullptr);
  }
  items->Clear();
}
