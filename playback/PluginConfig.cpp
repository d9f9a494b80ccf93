#include "playback/PluginConfig.h"

#include "classlib/FileRoutines.h"
#include "platform/dlg/message_box.h"
#include "platform/user/message_queue.h"
#include "playback/BASSPlayer.h"
#include "playback/PluginCtrl.h"

namespace {

HWND ConfigPlayerWindow = nullptr;

constexpr int kButtonTop = 304;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;

}  // namespace

TPluginConfigForm::TPluginConfigForm(TComponent* AOwner) : TForm(AOwner) {
  BeginLoad();
  SetName("PluginConfigForm");
  SetCaption(kPluginConfigCaption);
  SetBorderStyle(bsDialog);
  SetPosition(poDesktopCenter);
  SetClientSize(kPluginConfigClientWidth, kPluginConfigClientHeight);
  MakeLabels();
  MakeLists();
  MakeButtons();
  EndLoad();
}

TLabel* TPluginConfigForm::MakeLabel(const char* Name, int Left, int Top, const char* Caption) {
  auto* label = new TLabel(this);
  label->SetName(Name);
  label->SetParent(this);
  label->SetLeft(Left);
  label->SetTop(Top);
  label->SetCaption(Caption);
  return label;
}

void TPluginConfigForm::MakeLabels() {
  Label2 = MakeLabel("Label2", 8, 8, "Note : Plug-ins must reside in <program_directory>\\Plugins directory");
  Label4 = MakeLabel("Label4", 8, 26, "Only Winamp 2 version is acceptable");
  Label5 = MakeLabel("Label5", 8, 44, "Maximum 8 plug-ins can be loaded");
  Label6 = MakeLabel("Label6", 24, 88, "( if checked then Winamp plug-in is applied for the file types which can");
  Label7 = MakeLabel("Label7", 24, 104, "be played by both BASS and Winamp plug-in )");
  Label1 = MakeLabel("Label1", 8, 128, "Plug-ins");
  Label3 = MakeLabel("Label3", 164, 128, "Loaded Plug-ins");
}

void TPluginConfigForm::MakeLists() {
  PluginFirst = new TCheckBox(this);
  PluginFirst->SetName("PluginFirst");
  PluginFirst->SetParent(this);
  PluginFirst->SetBounds(8, 66, 120, 17);
  PluginFirst->SetCaption("Plugin First");
  PluginFirst->OnClick = [this](TObject* Sender) { PluginFirstClick(Sender); };

  PluginList = new TListBox(this);
  PluginList->SetName("PluginList");
  PluginList->SetParent(this);
  PluginList->SetBounds(8, 146, 148, 150);

  PluginGrid = new TStringGrid(this);
  PluginGrid->SetName("PluginGrid");
  PluginGrid->SetParent(this);
  PluginGrid->SetBounds(164, 146, 414, 150);
  PluginGrid->SetColCount(kPluginGridColumns);
  PluginGrid->SetRowCount(kPluginGridRows);
  PluginGrid->SetFixedCols(0);
  PluginGrid->SetFixedRows(1);
  PluginGrid->SetDefaultRowHeight(15);
  for (int col = 0; col < kPluginGridColumns; ++col) PluginGrid->SetColWidths(col, kPluginGridColumnWidths[col]);
  PluginGrid->SetOptions(PluginGrid->Options() + TGridOptions{goRowSelect, goColSizing});
}

TButton* TPluginConfigForm::MakeButton(const char* Name, int Left, const char* Caption,
                                       void (TPluginConfigForm::*Handler)(TObject*)) {
  auto* button = new TButton(this);
  button->SetName(Name);
  button->SetParent(this);
  button->SetBounds(Left, kButtonTop, kButtonWidth, kButtonHeight);
  button->SetCaption(Caption);
  button->OnClick = [this, Handler](TObject* Sender) { (this->*Handler)(Sender); };
  return button;
}

void TPluginConfigForm::MakeButtons() {
  btnLoad = MakeButton("btnLoad", 8, "Load", &TPluginConfigForm::btnLoadClick);
  btnUnload = MakeButton("btnUnload", 8 + kButtonWidth + 6, "Unload", &TPluginConfigForm::btnUnloadClick);
  btnAbout = MakeButton("btnAbout", 329, "About", &TPluginConfigForm::btnAboutClick);
  btnConfigure = MakeButton("btnConfigure", 413, "Configure", &TPluginConfigForm::btnConfigureClick);
  btnClose = MakeButton("btnClose", 497, "Close", &TPluginConfigForm::btnCloseClick);
}

String LoadResultText(int Result) {
  switch (Result) {
    case PLUGIN_OUTPUT_NOT_READY:
      return "Load denied : Output plug-in is not ready";
    case PLUGIN_ALREADY_LOADED:
      return "Load denied : Already loaded before";
    case PLUGIN_NO_FREE_SLOT:
      return "Load denied : No space to load";
    case PLUGIN_CANNOT_LOAD:
      return "Load denied : Unknown Error";
    case PLUGIN_NOT_WINAMP2:
      return "Load denied : Not valid Winamp 2 input plug-in";
    default:
      return "";
  }
}

String UnloadResultText(int Result) {
  switch (Result) {
    case PLUGIN_CANNOT_FREE:
      return "Cannot unload : Unknown Error";
    case PLUGIN_NOT_LOADED:
      return "Cannot unload : Plug-in is not loaded";
    case PLUGIN_IN_USE:
      return "Cannot unload : Plug-in is in use";
    default:
      return "";
  }
}

void SetConfigPlayerWindow(HWND Window) { ConfigPlayerWindow = Window; }

void TPluginConfigForm::Confirm(const String& Text) { ApplicationMessageBox(Text, "Confirm", MB_OK); }

void TPluginConfigForm::ListPluginFiles() {
  TStrings* items = PluginList->Items();
  items->BeginUpdate();
  items->Clear();
  TSearchRec found;
  if (FindFirst(GetProgramDir() + "\\Plugins\\in_*.dll", 0, found) == 0) {
    do {
      items->Add(found.Name);
    } while (FindNext(found) == 0);
    FindClose(found);
  }
  items->EndUpdate();
}

void TPluginConfigForm::SetGridHeader() {
  PluginGrid->SetCells(0, 0, "Name");
  PluginGrid->SetCells(1, 0, "Decsription");
  PluginGrid->SetCells(2, 0, "Playable File Types");
}

void TPluginConfigForm::ClearRow(int Row) {
  for (int col = 0; col < kPluginGridColumns; ++col) PluginGrid->SetCells(col, Row, "");
}

void TPluginConfigForm::ShowRow(int Row, int Slot) {
  TPluginInfo info;
  GetPluginInfo(Slot, info);
  PluginGrid->SetCells(0, Row, info.Name);
  PluginGrid->SetCells(1, Row, info.Description);
  PluginGrid->SetCells(2, Row, info.FileExtensions);
}

void TPluginConfigForm::ClearPluginGrid() {
  // One repaint for the whole grid rather than one per cell.
  const bool shown = PluginGrid->HandleAllocated();
  if (shown) SendMessage(PluginGrid->Handle(), WM_SETREDRAW, FALSE, 0);
  for (int row = 1; row < kPluginGridRows; ++row) ClearRow(row);
  if (shown) {
    SendMessage(PluginGrid->Handle(), WM_SETREDRAW, TRUE, 0);
    PluginGrid->Repaint();
  }
}

void TPluginConfigForm::FillPluginGrid() {
  loaded_count_ = 0;
  for (int slot = 0; slot < MaxPluginNum; ++slot) {
    if (GetPluginModule(slot) == nullptr) continue;
    ++loaded_count_;
    ShowRow(loaded_count_, slot);
  }
}

String TPluginConfigForm::SelectedName() const {
  const int row = PluginGrid->Selection().Top;
  if (row < 1 || row >= kPluginGridRows) return "";
  return PluginGrid->Cells(0, row);
}

void TPluginConfigForm::btnLoadClick(TObject*) {
  TStrings* items = PluginList->Items();
  if (items->Count() == 0) return Confirm("No plug-in to load");
  const int index = PluginList->ItemIndex();
  if (index < 0 || index >= items->Count()) return Confirm("Select plug-in to load first");
  const String name = items->Get(index);
  const int result = LoadWinampPlugin(name);
  if (result == PLUGIN_LOADED) {
    ++loaded_count_;
    ShowRow(loaded_count_, FindPluginByName(name));
    return;
  }
  const String text = LoadResultText(result);
  if (!text.empty()) Confirm(text);
}

void TPluginConfigForm::btnUnloadClick(TObject*) {
  if (loaded_count_ == 0) return Confirm("No plug-ins are loaded");
  const String name = SelectedName();
  if (name.empty()) return Confirm("Select plug-in to unload first");
  const int result = UnloadWinampPlugin(name);
  if (result != PLUGIN_UNLOADED) {
    const String text = UnloadResultText(result);
    if (!text.empty()) Confirm(text);
    return;
  }
  if (PluginGrid->Selection().Top == loaded_count_) {
    ClearRow(loaded_count_);
    --loaded_count_;
  } else {
    // Rebuild, so that no gap is left.
    ClearPluginGrid();
    FillPluginGrid();
  }
}

void TPluginConfigForm::btnAboutClick(TObject*) {
  if (loaded_count_ == 0) return Confirm("No plug-ins to query are loaded");
  const String name = SelectedName();
  if (name.empty()) return Confirm("Select plug-in to query first");
  if (In_Module* module = GetPluginModule(FindPluginByName(name))) module->About(Handle());
}

void TPluginConfigForm::btnConfigureClick(TObject*) {
  if (loaded_count_ == 0) return Confirm("No plug-ins to configure are loaded");
  const String name = SelectedName();
  if (name.empty()) return Confirm("Select plug-in to configure first");
  if (In_Module* module = GetPluginModule(FindPluginByName(name))) module->Config(Handle());
}

void TPluginConfigForm::btnCloseClick(TObject*) { Close(); }

void TPluginConfigForm::PluginFirstClick(TObject*) {
  // Before the dialog was first opened no player window is stored.
  if (ConfigPlayerWindow == nullptr) return;
  PostMessage(ConfigPlayerWindow, WM_PLAYER_PLUGIN_FIRST, 0, PluginFirst->Checked() ? 1 : 0);
}
