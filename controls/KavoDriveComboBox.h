// TKavoDriveComboBox: the Kavo combo box filled with the machine's drives
// in letter order ("a:", "c: [system]", "x: \\srv\share"), each drawn with
// the shell's icon of its root, and the selected drive letter (Drive, in
// lower case; #0 for none). Choosing another drive raises OnChange;
// choosing the same one only OnClick. Aligned from the right (BiDiMode
// bdRightToLeft) an entry shows its icon at the right and its text just
// left of it.
#pragma once

#include <memory>

#include "classlib/Bitmaps.h"
#include "classlib/ImgList.h"
#include "controls/KavoCustomComboBox.h"

class TKavoDriveComboBox : public TKavoCustomComboBox {
 public:
  explicit TKavoDriveComboBox(TComponent* AOwner);
  ~TKavoDriveComboBox() override;

  String About;
  char Drive() const { return drive_; }
  // Selects the drive of that letter (ignoring case); #0 selects none.
  // Nothing happens for the drive already selected; otherwise OnChange.
  void SetDrive(char Value);

  // The bitmaps of CD-ROM entries (resource #16900) and of RAM disks.
  TBitmap* CdBitmap() const { return cd_bitmap_.get(); }
  TBitmap* RamBitmap() const { return ram_bitmap_.get(); }

  // The entries of the drives there are now (what window creation lists).
  void BuildDriveList();

  void Dispatch(TMessage& Message) override;

 protected:
  void CreateWnd() override;
  void Click() override;
  void DrawItem(int Index, TRect Rect, TOwnerDrawState State) override;

 private:
  void ItemHeightFromFont();

  TImageList* images_;
  std::unique_ptr<TBitmap> cd_bitmap_;
  std::unique_ptr<TBitmap> ram_bitmap_;
  char drive_ = '\0';
};

// The text of a drive's entry (letter in lower case), as the list shows it;
// empty for a drive type that is left out.
String DriveEntryText(char Letter);
