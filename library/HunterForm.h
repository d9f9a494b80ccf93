// THunterForm: what the movie search window and the CD search window share.
// Each runs one or more finders in their worker threads, lists every entry
// they report in FoundFiles and in the lists it feeds, and closes itself a
// while after the last search of its chain has ended.
#pragma once

#include <vector>

#include "classlib/Buttons.h"
#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"
#include "controls/KavoDriveComboBox.h"
#include "library/FindFile.h"
#include "library/advlistv.h"

class THunterForm : public TForm {
 public:
  explicit THunterForm(TComponent* AOwner);

  // Set by the derived windows' constructors, in their declaration order.
  TAdvListView* FoundFiles = nullptr;
  TImage* Image1 = nullptr;
  TSpeedButton* WipeButton = nullptr;
  TKavoDriveComboBox* DriveCombo = nullptr;
  TSpeedButton* StopButton = nullptr;

  void FormCreate(TObject* Sender);
  void TriggerSearch(TObject* Sender);
  void FileFound(TObject* Sender, const String& Folder, WIN32_FIND_DATA& FileInfo);
  void AllDone(TObject* Sender);
  void StopNow(TObject* Sender);
  void DoAbort(TObject* Sender, TShiftState Shift, int X, int Y);
  void ClearMenu(TObject* Sender);
  void ColumnClick(TObject* Sender, TListColumn* Column);
  void Compared(TObject* Sender, TListItem* Item1, TListItem* Item2, int Data, int& Compare);
  void Quit(TObject* Sender);

  // A search chain runs or its closing wait is going on.
  bool Searching() const { return searching_; }
  int SortColumn() const { return sort_column_; }
  bool Descending() const { return descending_; }

 protected:
  // The first search of the window's chain.
  virtual void StartChain() = 0;
  // The lists that get a copy of every entry (besides FoundFiles).
  virtual std::vector<TAdvListView*> TargetLists() const = 0;
  // The list ClearMenu empties before FoundFiles.
  virtual TAdvListView* ClearedList() const = 0;
  virtual String FoundFormat() const = 0;
  virtual DWORD WaitMs() const = 0;
  virtual std::vector<TFindFile*> Finders() const = 0;

  // Sets up one search of `Finder` and starts it.
  void StartFinder(TFindFile* Finder, const String& Mask, const String& Location);
  // The window's common look: border, colour, hints, the buttons' handlers.
  void SetUpWindow(const String& Caption);
  void SetUpFoundFiles(const String& FirstColumn);
  // Image1: the background picture, stretched over the window, behind
  // everything; the window's own picture until another is loaded into it.
  void SetUpImage();
  // WipeButton, DriveCombo and StopButton, made in that order or, where
  // the window declares them so, the other way round. The clear button's
  // hint (empty where the window sets it later) and the drive box's hint
  // and OnSelect are the window's own.
  enum class TButtonOrder { WipeFirst, StopFirst };
  void SetUpButtons(TButtonOrder Order, const String& WipeHint, const String& DriveHint,
                    TNotifyEvent OnDriveSelect);
  // After EndLoad: the drive box's height, which its font set while the
  // window loaded.
  void FitDriveCombo();

  bool searching_ = false;
  int sort_column_ = -1;
  bool descending_ = false;
};
