// TPluginConfigForm: the modal dialog in which the user loads, unloads,
// queries and configures the Winamp input plug-ins and sets the player's
// plug-in-first choice (told to the player with WM_PLAYER_PLUGIN_FIRST).
//
// The player makes the dialog, owns it and shows it (ShowPluginConfig).
// This unit holds the dialog's behaviour and the contents of its controls:
// the list of plug-in files, the grid of loaded plug-ins (a fixed header row
// and one row per loaded plug-in, with no gaps) and the check box. The
// window that shows them is laid out from the constants below; until the
// visual class library provides the form and its controls, ShowModal hands
// the dialog to a test hook instead of running a modal loop.
#pragma once

#include <array>
#include <functional>
#include <memory>

#include "classlib/Components.h"
#include "classlib/Strings.h"
#include "platform/core/types.h"

// Layout of the window: a dialog frame centred on the desktop.
constexpr char kPluginConfigCaption[] = "Plug-in Configuration";
constexpr int kPluginConfigClientWidth = 582;
constexpr int kPluginConfigClientHeight = 338;
constexpr int kPluginGridColumns = 3;
constexpr int kPluginGridRows = 9;  // the header row and eight plug-ins
constexpr std::array<int, kPluginGridColumns> kPluginGridColumnWidths = {84, 173, 151};

// The plug-in files found in the Plugins folder (a list box).
struct TPluginFileList {
  TStringList Items;
  int ItemIndex = -1;  // -1: nothing selected
};

// The loaded plug-ins (a string grid whose row 0 is fixed).
struct TPluginGrid {
  std::array<std::array<String, kPluginGridRows>, kPluginGridColumns> Cells;
  int Row = -1;  // selected row; -1: none
  const String& Cell(int Col, int Row) const { return Cells[Col][Row]; }
  void SetCell(int Col, int Row, const String& Text) { Cells[Col][Row] = Text; }
};

class TPluginConfigForm : public TComponent {
 public:
  explicit TPluginConfigForm(TComponent* AOwner);

  // ---- the controls ----
  // Texts of the labels and buttons, in the window's order.
  static const std::array<const char*, 7> LabelCaptions;
  static const std::array<const char*, 5> ButtonCaptions;
  TPluginFileList PluginList;
  TPluginGrid PluginGrid;
  // The "Plugin First" check box; setting it raises PluginFirstClick.
  bool PluginFirstChecked() const { return plugin_first_checked_; }
  void SetPluginFirstChecked(bool Checked);
  bool Visible() const { return visible_; }

  // ---- filling (ShowPluginConfig) ----
  // Lists every normal file matching <program folder>\Plugins\in_*.dll.
  void ListPluginFiles();
  // "Name", "Decsription", "Playable File Types".
  void SetGridHeader();
  // Empties every row but the header.
  void ClearPluginGrid();
  // One row per loaded slot, in slot order.
  void FillPluginGrid();
  // Shows the dialog modally; returns when it is closed.
  void ShowModal();

  // ---- the controls' handlers ----
  void btnLoadClick(TObject* Sender);
  void btnUnloadClick(TObject* Sender);
  void btnAboutClick(TObject* Sender);
  void btnConfigureClick(TObject* Sender);
  void btnCloseClick(TObject* Sender);
  void PluginFirstClick(TObject* Sender);

  // Number of filled grid rows: row k holds the k-th loaded plug-in.
  int LoadedCount() const { return loaded_count_; }
  // The dialog's window (the parent of a plug-in's own dialogs).
  HWND Handle() const { return handle_; }

 private:
  // The name in column 0 of the selected row; empty when none.
  String SelectedName() const;
  void ShowRow(int Row, int Slot);
  void ClearRow(int Row);
  static void Confirm(const String& Text);

  bool plugin_first_checked_ = false;
  bool visible_ = false;
  int loaded_count_ = 0;
  HWND handle_ = nullptr;
};

// What the dialog tells the user about a load or unload result (the
// PLUGIN_* codes of PluginCtrl); empty for success.
String LoadResultText(int Result);
String UnloadResultText(int Result);

// The player's window, told about the check box.
void SetConfigPlayerWindow(HWND Window);

// Until the dialog has a window: called by ShowModal with the dialog shown;
// the dialog closes when it returns. An empty function removes the hook.
// Returns the previous hook.
using TPluginConfigModalHook = std::function<void(TPluginConfigForm* Form)>;
TPluginConfigModalHook SetPluginConfigModalHook(TPluginConfigModalHook Hook);
