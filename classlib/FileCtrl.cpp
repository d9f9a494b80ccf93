#include "classlib/FileCtrl.h"

#include <algorithm>

#include "classlib/FileRoutines.h"
#include "classlib/Masks.h"
#include "classlib/PathRoutines.h"
#include "classlib/StringRoutines.h"
#include "platform/dlg/browse_folder.h"
#include "platform/user/message_queue.h"

// --- the glyphs ---

namespace {

constexpr TColor kGlyphTransparent = clOlive;

std::unique_ptr<TBitmap> BlankGlyph() {
  auto glyph = std::make_unique<TBitmap>();
  glyph->SetSize(16, 16);
  glyph->Canvas()->Brush()->SetColor(kGlyphTransparent);
  glyph->Canvas()->FillRect(Rect(0, 0, 16, 16));
  glyph->SetTransparentColor(kGlyphTransparent);
  glyph->SetTransparent(true);
  return glyph;
}

std::unique_ptr<TBitmap> MakeFileGlyph() {
  auto glyph = BlankGlyph();
  TCanvas* c = glyph->Canvas();
  c->Pen()->SetColor(clBlack);
  c->Brush()->SetColor(clWhite);
  // A page with its top-right corner folded.
  c->Polygon({Point(2, 1), Point(9, 1), Point(13, 5), Point(13, 14), Point(2, 14)});
  c->Polyline({Point(9, 1), Point(9, 5), Point(13, 5)});
  return glyph;
}

std::unique_ptr<TBitmap> MakeFolderGlyph(bool open) {
  auto glyph = BlankGlyph();
  TCanvas* c = glyph->Canvas();
  c->Pen()->SetColor(clBlack);
  c->Brush()->SetColor(clYellow);
  // The tab, then the body (open: a flap tilted forward).
  c->Polygon({Point(1, 3), Point(6, 3), Point(7, 5), Point(1, 5)});
  c->Rectangle(1, 5, 14, 14);
  if (open) {
    c->Brush()->SetColor(clCream);
    c->Polygon({Point(3, 8), Point(15, 8), Point(13, 13), Point(1, 13)});
  }
  return glyph;
}

}  // namespace

TBitmap* FileGlyph() {
  static const std::unique_ptr<TBitmap> glyph = MakeFileGlyph();
  return glyph.get();
}

TBitmap* ClosedFolderGlyph() {
  static const std::unique_ptr<TBitmap> glyph = MakeFolderGlyph(false);
  return glyph.get();
}

TBitmap* OpenFolderGlyph() {
  static const std::unique_ptr<TBitmap> glyph = MakeFolderGlyph(true);
  return glyph.get();
}

namespace {

// Draws a list entry: the glyph (when shown) and the name after it.
void DrawEntry(TCanvas* canvas, TRect rect, int indent, TBitmap* glyph, const String& text) {
  canvas->FillRect(rect);
  int x = rect.left + 2 + indent;
  if (glyph != nullptr) {
    canvas->Draw(x, rect.top + (rect.bottom - rect.top - glyph->Height()) / 2, glyph);
    x += glyph->Width() + 2;
  }
  const int text_height = canvas->TextHeight(text);
  canvas->TextOut(x, rect.top + (rect.bottom - rect.top - text_height) / 2, text);
}

std::vector<String> SplitMasks(const String& masks) {
  std::vector<String> list;
  String current;
  for (char c : masks) {
    if (c == ';') {
      if (!Trim(current).empty()) list.push_back(Trim(current));
      current.clear();
    } else {
      current += c;
    }
  }
  if (!Trim(current).empty()) list.push_back(Trim(current));
  if (list.empty()) list.push_back("*.*");
  return list;
}

String FolderOf(const String& path) {
  // A drive's root keeps its backslash.
  if (path.size() <= 3) return IncludeTrailingBackslash(path);
  return ExcludeTrailingBackslash(path);
}

}  // namespace

// --- TFileListBox ---

TFileListBox::TFileListBox(TComponent* AOwner) : TCustomListBox(AOwner), directory_(FolderOf(GetCurrentDir())) {
  SetStyle(lbOwnerDrawFixed);
  SetSorted(true);
  SetItemHeight(16);
}

TFileListBox::~TFileListBox() = default;

void TFileListBox::CreateWnd() {
  TCustomListBox::CreateWnd();
  ReadFileNames();
}

void TFileListBox::ReadFileNames() {
  if (!HandleAllocated() || reading_) return;
  reading_ = true;
  int attr = 0;
  if (file_type_.Contains(ftReadOnly)) attr |= faReadOnly;
  if (file_type_.Contains(ftHidden)) attr |= faHidden;
  if (file_type_.Contains(ftSystem)) attr |= faSysFile;
  if (file_type_.Contains(ftVolumeID)) attr |= faVolumeID;
  if (file_type_.Contains(ftDirectory)) attr |= faDirectory;
  if (file_type_.Contains(ftArchive)) attr |= faArchive;
  const std::vector<String> masks = SplitMasks(mask_);
  Items()->BeginUpdate();
  try {
    Items()->Clear();
    TSearchRec found;
    if (FindFirst(IncludeTrailingBackslash(directory_) + "*.*", attr | faReadOnly | faArchive, found) == 0) {
      do {
        if (found.Name == "." || found.Name == "..") continue;
        const bool folder = (found.Attr & faDirectory) != 0;
        if (folder) {
          if (file_type_.Contains(ftDirectory)) Items()->AddObject("[" + found.Name + "]", ClosedFolderGlyph());
          continue;
        }
        // Ordinary files need ftNormal; files with attributes need theirs.
        const int special = found.Attr & (faReadOnly | faHidden | faSysFile | faArchive);
        const bool wanted = file_type_.Contains(ftNormal) || (special & attr) != 0;
        if (!wanted) continue;
        const bool matches = std::any_of(masks.begin(), masks.end(),
                                         [&](const String& m) { return MatchesMask(found.Name, m); });
        if (matches) Items()->AddObject(found.Name, FileGlyph());
      } while (FindNext(found) == 0);
      FindClose(found);
    }
  } catch (...) {
    Items()->EndUpdate();
    reading_ = false;
    throw;
  }
  Items()->EndUpdate();
  reading_ = false;
}

void TFileListBox::Update() {
  ReadFileNames();
  TCustomListBox::Update();
}

void TFileListBox::SetDirectory(const String& Value) {
  const String folder = FolderOf(ExpandFileName(Value));
  if (SameText(folder, directory_)) return;
  directory_ = folder;
  ReadFileNames();
  Change();
}

void TFileListBox::SetMask(const String& Value) {
  if (mask_ == Value) return;
  mask_ = Value;
  ReadFileNames();
}

void TFileListBox::SetFileType(TFileType Value) {
  if (file_type_ == Value) return;
  file_type_ = Value;
  ReadFileNames();
}

void TFileListBox::SetShowGlyphs(bool Value) {
  if (show_glyphs_ == Value) return;
  show_glyphs_ = Value;
  Invalidate();
}

String TFileListBox::FileName() {
  const int index = ItemIndex();
  if (index < 0 || index >= Items()->Count() || !Selected(index)) return String();
  return IncludeTrailingBackslash(directory_) + Items()->Strings(index);
}

void TFileListBox::SetFileName(const String& Value) {
  const String path = ExpandFileName(Value);
  const String folder = ExtractFilePath(path);
  if (!folder.empty()) SetDirectory(folder);
  const int index = Items()->IndexOf(ExtractFileName(path));
  SetItemIndex(index);
  if (index >= 0 && MultiSelect()) SetSelected(index, true);
  Change();
}

void TFileListBox::Click() {
  TCustomListBox::Click();
  const String now = FileName();
  if (now != last_file_) Change();
}

void TFileListBox::Change() {
  last_file_ = FileName();
  if (OnChange) OnChange(this);
}

void TFileListBox::DrawItem(int Index, TRect Rect, TOwnerDrawState State) {
  if (OnDrawItem) {
    TCustomListBox::DrawItem(Index, Rect, State);
    return;
  }
  TBitmap* glyph = show_glyphs_ ? dynamic_cast<TBitmap*>(Items()->Objects(Index)) : nullptr;
  DrawEntry(Canvas(), Rect, 0, glyph, Items()->Strings(Index));
}

// --- TDirectoryListBox ---

TDirectoryListBox::TDirectoryListBox(TComponent* AOwner)
    : TCustomListBox(AOwner), directory_(FolderOf(GetCurrentDir())) {
  SetStyle(lbOwnerDrawFixed);
  SetItemHeight(16);
}

TDirectoryListBox::~TDirectoryListBox() = default;

char TDirectoryListBox::Drive() const { return directory_.empty() ? '\0' : directory_[0]; }

void TDirectoryListBox::CreateWnd() {
  TCustomListBox::CreateWnd();
  ReadDirectoryNames();
}

void TDirectoryListBox::ReadDirectoryNames() {
  // The way down: the root, then each folder of the path.
  path_.clear();
  const String drive = ExtractFileDrive(directory_);
  path_.push_back(IncludeTrailingBackslash(drive));
  String rest = directory_.substr(std::min(directory_.size(), drive.size()));
  String part;
  for (char c : rest) {
    if (c == '\\') {
      if (!part.empty()) path_.push_back(part);
      part.clear();
    } else {
      part += c;
    }
  }
  if (!part.empty()) path_.push_back(part);
  if (!HandleAllocated() || reading_) return;
  reading_ = true;
  std::vector<String> folders;
  TSearchRec found;
  if (FindFirst(IncludeTrailingBackslash(directory_) + "*.*", faDirectory, found) == 0) {
    do {
      if ((found.Attr & faDirectory) && found.Name != "." && found.Name != "..") folders.push_back(found.Name);
    } while (FindNext(found) == 0);
    FindClose(found);
  }
  std::sort(folders.begin(), folders.end(), [](const String& a, const String& b) { return CompareText(a, b) < 0; });
  Items()->BeginUpdate();
  Items()->Clear();
  for (const String& step : path_) Items()->AddObject(step, OpenFolderGlyph());
  for (const String& folder : folders) Items()->AddObject(folder, ClosedFolderGlyph());
  Items()->EndUpdate();
  SetItemIndex(OpenCount() - 1);
  reading_ = false;
}

void TDirectoryListBox::Update() {
  ReadDirectoryNames();
  TCustomListBox::Update();
}

String TDirectoryListBox::GetItemPath(int Index) const {
  if (Index < 0) return String();
  if (Index < OpenCount()) {
    String path = path_[0];
    for (int i = 1; i <= Index; ++i) path = IncludeTrailingBackslash(path) + path_[static_cast<std::size_t>(i)];
    return path;
  }
  return IncludeTrailingBackslash(directory_) + Items()->Strings(Index);
}

void TDirectoryListBox::SetDirectory(const String& Value) {
  const String folder = FolderOf(ExpandFileName(Value));
  if (SameText(folder, directory_)) return;
  directory_ = folder;
  ReadDirectoryNames();
  if (file_list_ != nullptr) file_list_->SetDirectory(folder);
  Change();
}

void TDirectoryListBox::SetFileList(TFileListBox* Value) {
  file_list_ = Value;
  if (Value != nullptr) {
    Value->FreeNotification(this);
    Value->SetDirectory(directory_);
  }
}

void TDirectoryListBox::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomListBox::Notification(AComponent, Operation);
  if (Operation == opRemove && file_list_ != nullptr && AComponent == static_cast<TComponent*>(file_list_)) {
    file_list_ = nullptr;
  }
}

void TDirectoryListBox::OpenCurrent() {
  const int index = ItemIndex();
  if (index >= 0) SetDirectory(GetItemPath(index));
}

void TDirectoryListBox::DblClick() {
  TCustomListBox::DblClick();
  OpenCurrent();
}

void TDirectoryListBox::KeyPress(char& Key) {
  TCustomListBox::KeyPress(Key);
  if (Key == '\r') {
    OpenCurrent();
    Key = 0;
  }
}

void TDirectoryListBox::Change() {
  if (OnChange) OnChange(this);
}

void TDirectoryListBox::DrawItem(int Index, TRect Rect, TOwnerDrawState State) {
  if (OnDrawItem) {
    TCustomListBox::DrawItem(Index, Rect, State);
    return;
  }
  const int level = std::min(Index, OpenCount());
  DrawEntry(Canvas(), Rect, level * 8, dynamic_cast<TBitmap*>(Items()->Objects(Index)), Items()->Strings(Index));
}

void TDirectoryListBox::Dispatch(TMessage& Message) {
  if (Message.Msg == WM_GETDLGCODE) {
    TCustomListBox::Dispatch(Message);
    Message.Result |= DLGC_WANTCHARS | DLGC_WANTALLKEYS;
    return;
  }
  TCustomListBox::Dispatch(Message);
}

namespace {

int SelectDirectoryCallback(HWND hwnd, UINT message, LPARAM, LPARAM data) {
  if (message == BFFM_INITIALIZED && data != 0) {
    SendMessage(hwnd, BFFM_SETSELECTION, TRUE, data);
  }
  return 0;
}

}  // namespace

bool SelectDirectory(const String& Caption, const String& Root, String& Directory) {
  BROWSEINFO info;
  char display[MAX_PATH] = {};
  info.pszDisplayName = display;
  info.lpszTitle = Caption.c_str();
  info.ulFlags = BIF_RETURNONLYFSDIRS;
  LPITEMIDLIST root = Root.empty() ? nullptr : ILCreateFromPath(Root.c_str());
  info.pidlRoot = root;
  const String start = Directory;
  if (!start.empty()) {
    info.lpfn = SelectDirectoryCallback;
    info.lParam = reinterpret_cast<LPARAM>(start.c_str());
  }
  LPITEMIDLIST chosen = SHBrowseForFolder(&info);
  if (root != nullptr) ILFree(root);
  if (chosen == nullptr) return false;
  char path[MAX_PATH] = {};
  const bool ok = SHGetPathFromIDList(chosen, path) != 0;
  ILFree(chosen);
  if (ok) Directory = path;
  return ok;
}
