// TCDHunterForm: the CD search window. It lists the "*.cda" track entries
// at mp3hunt's Location (set by its callers to the CD drive's root, or by
// picking a drive in DriveCombo) here, in the main window's song list and
// in the ripper's list.
#pragma once

#include "library/HunterForm.h"

class TCDHunterForm : public THunterForm {
 public:
  explicit TCDHunterForm(TComponent* AOwner);

  TSpeedButton* QuitButton = nullptr;
  TFindFile* mp3hunt = nullptr;

  // The main window's song list and the ripper's list: they set these when
  // they are made (either may stay unset).
  TAdvListView* SongList = nullptr;
  TAdvListView* RipperList = nullptr;

  void FindMP3(TObject* Sender);
  void DriveSelected(TObject* Sender);
  void Abort(TObject* Sender, Word& Key, TShiftState Shift);

 protected:
  void StartChain() override { FindMP3(this); }
  std::vector<TAdvListView*> TargetLists() const override { return {SongList, RipperList}; }
  TAdvListView* ClearedList() const override { return SongList; }
  String FoundFormat() const override { return "Found %d songs"; }
  DWORD WaitMs() const override { return 1000; }
  // The finder, while it has a place to search.
  std::vector<TFindFile*> Finders() const override {
    if (!walking_) return {};
    return {mp3hunt};
  }
  void Dispatch(TMessage& Message) override;

 private:
  // Ends a search that had no place to look, from the message loop as a
  // finder's end would arrive.
  static constexpr UINT kNothingToSearch = WM_APP + 0x4CD;
  void NothingFound();
  // The last search start gave the finder a place to walk.
  bool walking_ = true;
};

extern TCDHunterForm* CDHunterForm;
