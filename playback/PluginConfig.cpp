#include "playback/PluginConfig.h"

#include <atomic>

#include "classlib/FileRoutines.h"
#include "platform/dlg/message_box.h"
#include "platform/user/message_queue.h"
#include "playback/BASSPlayer.h"
#include "playback/PluginCtrl.h"

namespace {

HWND ConfigPlayerWindow = nullptr;
TPluginConfigModalHook ModalHook;

}  // namespace

const std::array<const char*, 7> TPluginConfigForm::LabelCaptions = {
    "Note : Plug-ins must reside in <program_directory>\\Plugins directory",
    "Only Winamp 2 version is acceptable",
    "Maximum 8 plug-ins can be loaded",
    "( if checked then Winamp plug-in is applied for the file types which can",
    "be played by both BASS and Winamp plug-in )",
    "Plug-ins",
    "Loaded Plug-ins",
};

const std::array<const char*, 5> TPluginConfigForm::ButtonCaptions = {"Load", "Unload", "About",
                                                                      "Configure", "Close"};

TPluginConfigForm::TPluginConfigForm(TComponent* AOwner) : TComponent(AOwner) {}

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

TPluginConfigModalHook SetPluginConfigModalHook(TPluginConfigModalHook Hook) {
  TPluginConfigModalHook previous = std::move(ModalHook);
  ModalHook = std::move(Hook);
  return previous;
}

void TPluginConfigForm::Confirm(const String& Text) { ApplicationMessageBox(Text, "Confirm", MB_OK); }

void TPluginConfigForm::SetPluginFirstChecked(bool Checked) {
  plugin_first_checked_ = Checked;
  PluginFirstClick(this);
}

void TPluginConfigForm::ListPluginFiles() {
  PluginList.Items.Clear();
  PluginList.ItemIndex = -1;
  TSearchRec found;
  if (FindFirst(GetProgramDir() + "\\Plugins\\in_*.dll", 0, found) != 0) return;
  do {
    PluginList.Items.Add(found.Name);
  } while (FindNext(found) == 0);
  FindClose(found);
}

void TPluginConfigForm::SetGridHeader() {
  PluginGrid.SetCell(0, 0, "Name");
  PluginGrid.SetCell(1, 0, "Decsription");
  PluginGrid.SetCell(2, 0, "Playable File Types");
}

void TPluginConfigForm::ClearRow(int Row) {
  for (int col = 0; col < kPluginGridColumns; ++col) PluginGrid.SetCell(col, Row, "");
}

void TPluginConfigForm::ShowRow(int Row, int Slot) {
  TPluginInfo info;
  GetPluginInfo(Slot, info);
  PluginGrid.SetCell(0, Row, info.Name);
  PluginGrid.SetCell(1, Row, info.Description);
  PluginGrid.SetCell(2, Row, info.FileExtensions);
}

void TPluginConfigForm::ClearPluginGrid() {
  for (int row = 1; row < kPluginGridRows; ++row) ClearRow(row);
}

void TPluginConfigForm::FillPluginGrid() {
  loaded_count_ = 0;
  for (int slot = 0; slot < MaxPluginNum; ++slot) {
    if (GetPluginModule(slot) == nullptr) continue;
    ++loaded_count_;
    ShowRow(loaded_count_, slot);
  }
}

void TPluginConfigForm::ShowModal() {
  visible_ = true;
  if (ModalHook) ModalHook(this);
  visible_ = false;
}

String TPluginConfigForm::SelectedName() const {
  if (PluginGrid.Row < 1 || PluginGrid.Row >= kPluginGridRows) return "";
  return PluginGrid.Cell(0, PluginGrid.Row);
}

void TPluginConfigForm::btnLoadClick(TObject*) {
  if (PluginList.Items.Count() == 0) return Confirm("No plug-in to load");
  if (PluginList.ItemIndex < 0 || PluginList.ItemIndex >= PluginList.Items.Count()) {
    return Confirm("Select plug-in to load first");
  }
  const String name = PluginList.Items.Get(PluginList.ItemIndex);
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
  if (PluginGrid.Row == loaded_count_) {
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

void TPluginConfigForm::btnCloseClick(TObject*) { visible_ = false; }

void TPluginConfigForm::PluginFirstClick(TObject*) {
  // Before the dialog was first opened no player window is stored.
  if (ConfigPlayerWindow == nullptr) return;
  PostMessage(ConfigPlayerWindow, WM_PLAYER_PLUGIN_FIRST, 0, plugin_first_checked_ ? 1 : 0);
}
