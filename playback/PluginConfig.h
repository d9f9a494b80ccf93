// TPluginConfigForm: the modal dialog in which the user loads, unloads,
// queries and configures the Winamp input plug-ins and sets the player's
// plug-in-first choice (told to the player with WM_PLAYER_PLUGIN_FIRST).
//
// The player makes the dialog, owns it and shows it (ShowPluginConfig).
// The list box holds the plug-in files found in the Plugins folder; the
// string grid has a fixed header row and one row per loaded plug-in, with
// no gaps: row k holds the k-th loaded plug-in, LoadedCount rows are filled.
#pragma once

#include <array>

#include "classlib/Forms.h"
#include "classlib/Grids.h"
#include "classlib/StdCtrls.h"

// Layout of the window: a dialog frame centred on the desktop.
constexpr char kPluginConfigCaption[] = "Plug-in Configuration";
constexpr int kPluginConfigClientWidth = 582;
constexpr int kPluginConfigClientHeight = 338;
constexpr int kPluginGridColumns = 3;
constexpr int kPluginGridRows = 9;  // the header row and eight plug-ins
constexpr std::array<int, kPluginGridColumns> kPluginGridColumnWidths = {84, 173, 151};

class TPluginConfigForm : public TForm {
 public:
  explicit TPluginConfigForm(TComponent* AOwner);

  TLabel* Label1;
  TLabel* Label2;
  TLabel* Label3;
  TLabel* Label4;
  TLabel* Label5;
  TLabel* Label6;
  TLabel* Label7;
  // Ticking it, by hand or in code, runs PluginFirstClick.
  TCheckBox* PluginFirst;
  TListBox* PluginList;
  TStringGrid* PluginGrid;
  TButton* btnLoad;
  TButton* btnUnload;
  TButton* btnAbout;
  TButton* btnConfigure;
  TButton* btnClose;

  // ---- filling (ShowPluginConfig) ----
  // Lists every normal file matching <program folder>\Plugins\in_*.dll.
  void ListPluginFiles();
  // "Name", "Decsription", "Playable File Types".
  void SetGridHeader();
  // Empties every row but the header.
  void ClearPluginGrid();
  // One row per loaded slot, in slot order.
  void FillPluginGrid();

  // ---- the controls' handlers ----
  void btnLoadClick(TObject* Sender);
  void btnUnloadClick(TObject* Sender);
  void btnAboutClick(TObject* Sender);
  void btnConfigureClick(TObject* Sender);
  void btnCloseClick(TObject* Sender);
  void PluginFirstClick(TObject* Sender);

  // Number of filled grid rows.
  int LoadedCount() const { return loaded_count_; }

 private:
  void MakeLabels();
  void MakeLists();
  void MakeButtons();
  TLabel* MakeLabel(const char* Name, int Left, int Top, const char* Caption);
  TButton* MakeButton(const char* Name, int Left, const char* Caption, void (TPluginConfigForm::*Handler)(TObject*));

  // The name in column 0 of the selected grid row; empty when none.
  String SelectedName() const;
  void ShowRow(int Row, int Slot);
  void ClearRow(int Row);
  static void Confirm(const String& Text);

  int loaded_count_ = 0;
};

// What the dialog tells the user about a load or unload result (the
// PLUGIN_* codes of PluginCtrl); empty for success.
String LoadResultText(int Result);
String UnloadResultText(int Result);

// The player's window, told about the check box.
void SetConfigPlayerWindow(HWND Window);
