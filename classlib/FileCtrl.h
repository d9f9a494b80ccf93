// List boxes of the file system: TFileListBox (the files of one folder that
// match a mask) and TDirectoryListBox (the way from the drive's root down
// to one folder, and that folder's sub-folders). Both are owner-drawn list
// boxes that can show a small glyph before each name; a folder list box
// can drive a file list box (FileList).
#pragma once

#include <memory>

#include "classlib/Bitmaps.h"
#include "classlib/ListBox.h"

enum TFileAttr { ftReadOnly, ftHidden, ftSystem, ftVolumeID, ftDirectory, ftArchive, ftNormal };
using TFileType = Set<TFileAttr>;

class TFileListBox : public TCustomListBox {
 public:
  explicit TFileListBox(TComponent* AOwner);
  ~TFileListBox() override;

  // The folder listed (the current folder at first).
  const String& Directory() const { return directory_; }
  void SetDirectory(const String& Value);
  // File masks separated by ";" ("*.mp3;*.ogg").
  const String& Mask() const { return mask_; }
  void SetMask(const String& Value);
  // Which entries besides ordinary files are listed.
  TFileType FileType() const { return file_type_; }
  void SetFileType(TFileType Value);
  bool ShowGlyphs() const { return show_glyphs_; }
  void SetShowGlyphs(bool Value);
  // The selected file's full path ("" when none); setting it selects the
  // file (and may change the folder).
  String FileName();
  void SetFileName(const String& Value);
  // Reads the folder again (and paints what changed).
  void Update() override;

  TNotifyEvent OnChange;

 protected:
  void CreateWnd() override;
  void DrawItem(int Index, TRect Rect, TOwnerDrawState State) override;
  void Click() override;
  virtual void Change();

 private:
  void ReadFileNames();
  bool reading_ = false;

  String directory_;
  String mask_ = "*.*";
  TFileType file_type_{ftNormal};
  bool show_glyphs_ = false;
  String last_file_;
};

class TDirectoryListBox : public TCustomListBox {
 public:
  explicit TDirectoryListBox(TComponent* AOwner);
  ~TDirectoryListBox() override;

  // The folder shown open (the current folder at first).
  const String& Directory() const { return directory_; }
  void SetDirectory(const String& Value);
  // The drive letter of the folder.
  char Drive() const;
  // A file list box that follows the folder.
  TFileListBox* FileList() const { return file_list_; }
  void SetFileList(TFileListBox* Value);
  // The full path of an entry of the list.
  String GetItemPath(int Index) const;
  // Opens the selected entry's folder.
  void OpenCurrent();
  // Reads the folder again (and paints what changed).
  void Update() override;

  TNotifyEvent OnChange;

  void Dispatch(TMessage& Message) override;

 protected:
  void CreateWnd() override;
  void DrawItem(int Index, TRect Rect, TOwnerDrawState State) override;
  void DblClick() override;
  void KeyPress(char& Key) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  virtual void Change();

 private:
  void ReadDirectoryNames();
  // How many entries are the way down to the folder (its ancestors and the
  // folder itself).
  int OpenCount() const { return static_cast<int>(path_.size()); }

  String directory_;
  std::vector<String> path_;  // "C:\", "Music", "Rock"
  TFileListBox* file_list_ = nullptr;
  bool reading_ = false;
};

// The glyphs the two list boxes draw (16 x 16, olive where transparent):
// a file, a closed folder and an open one.
TBitmap* FileGlyph();
TBitmap* ClosedFolderGlyph();
TBitmap* OpenFolderGlyph();

// Lets the user choose a folder with the platform's folder browser titled
// `Caption`, opening at `Directory` when it names a folder (browsing limited
// to `Root` when that is not empty). True with the choice in `Directory`,
// false (Directory unchanged) when the user cancels.
bool SelectDirectory(const String& Caption, const String& Root, String& Directory);
