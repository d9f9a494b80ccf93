// TVideoHunterForm: the movie search window. One after the other it
// searches the drive chosen in DriveCombo for "*.mpg", "*.avi" and "*.asf"
// files and lists them here and in the movie window's list.
#pragma once

#include "library/HunterForm.h"

class TVideoHunterForm : public THunterForm {
 public:
  explicit TVideoHunterForm(TComponent* AOwner);

  TFindFile* mpghunt = nullptr;
  TFindFile* AVIHunt = nullptr;
  TFindFile* ASFHunt = nullptr;

  void FindMPG(TObject* Sender);
  void FindAvi(TObject* Sender);
  void FindASF(TObject* Sender);
  void Abort(TObject* Sender, Word& Key, TShiftState Shift);

 protected:
  void StartChain() override { FindMPG(this); }
  std::vector<TAdvListView*> TargetLists() const override;
  TAdvListView* ClearedList() const override;
  String FoundFormat() const override { return "Found %d movies"; }
  DWORD WaitMs() const override { return 5000; }
  std::vector<TFindFile*> Finders() const override { return {mpghunt, AVIHunt, ASFHunt}; }

 private:
  String DriveRoot() const;
};

extern TVideoHunterForm* VideoHunterForm;
