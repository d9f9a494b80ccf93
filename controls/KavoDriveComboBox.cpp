#include "controls/KavoDriveComboBox.h"

#include <cctype>
#include <vector>

#include "classlib/Colors.h"
#include "classlib/ControlMessages.h"
#include "classlib/StringRoutines.h"
#include "controls/KavoShapeHint.h"
#include "platform/core/errors.h"
#include "platform/fs/drives.h"
#include "platform/fs/files.h"
#include "platform/gdi/system_metrics.h"
#include "platform/gdi/user_draw.h"
#include "platform/shell/shell_icons.h"
#include "platform/user/cursor.h"

namespace {

char Lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

// "[label]" in lower case; empty when the volume cannot be read.
String VolumeLabel(char letter) {
  const char root[4] = {letter, ':', '\\', '\0'};
  const UINT old_mode = SetErrorMode(SEM_FAILCRITICALERRORS);
  char label[MAX_PATH + 1] = {};
  DWORD serial = 0, length = 0, flags = 0;
  const BOOL ok = GetVolumeInformation(root, label, sizeof label, &serial, &length, &flags, nullptr, 0);
  SetErrorMode(old_mode);
  if (!ok) return String();
  return "[" + LowerCase(label) + "]";
}

// The network name of a mapped letter in lower case, read into a buffer
// that fits it; empty when there is none.
String ConnectionName(char letter) {
  const char local[3] = {static_cast<char>(std::toupper(static_cast<unsigned char>(letter))), ':', '\0'};
  std::vector<char> buffer(MAX_PATH + 1, '\0');
  DWORD length = static_cast<DWORD>(buffer.size());
  DWORD result = WNetGetConnection(local, buffer.data(), &length);
  if (result == ERROR_MORE_DATA && length > buffer.size() && length < (1u << 20)) {
    buffer.assign(length, '\0');
    result = WNetGetConnection(local, buffer.data(), &length);
  }
  if (result != 0) return String();
  return LowerCase(String(buffer.data()));
}

}  // namespace

String DriveEntryText(char Letter) {
  const char letter = Lower(Letter);
  const char root[4] = {letter, ':', '\\', '\0'};
  const String prefix = String(1, letter) + ": ";
  switch (GetDriveType(root)) {
    case DRIVE_REMOVABLE:
      return String(1, letter) + ":";
    case DRIVE_REMOTE: {
      const String name = ConnectionName(letter);
      return prefix + (name.empty() ? VolumeLabel(letter) : name);
    }
    case DRIVE_FIXED:
    case DRIVE_CDROM:
    case DRIVE_RAMDISK:
      return prefix + VolumeLabel(letter);
    default:
      return String();
  }
}

TKavoDriveComboBox::TKavoDriveComboBox(TComponent* AOwner)
    : TKavoCustomComboBox(AOwner),
      cd_bitmap_(std::make_unique<TBitmap>()),
      ram_bitmap_(std::make_unique<TBitmap>()) {
  SetStyle(csOwnerDrawFixed);
  try {
    cd_bitmap_->LoadFromResourceID(16900);
    ram_bitmap_->LoadFromResourceName("RAM");
  } catch (const Exception&) {
    // Without the pictures the entries carry empty ones.
  }
  char folder[MAX_PATH + 1] = {};
  GetCurrentDirectory(sizeof folder, folder);
  drive_ = folder[0] == '\\' ? '\0' : folder[0];
  ItemHeightFromFont();
  images_ = new TImageList(this);
}

TKavoDriveComboBox::~TKavoDriveComboBox() = default;

void TKavoDriveComboBox::ItemHeightFromFont() { SetItemHeight(GetFontHeight(Font())); }

void TKavoDriveComboBox::BuildDriveList() {
  Items()->Clear();
  const DWORD mask = GetLogicalDrives();
  for (int bit = 0; bit < 26; ++bit) {
    if ((mask & (1u << bit)) == 0) continue;
    const char letter = static_cast<char>('a' + bit);
    const String text = DriveEntryText(letter);
    if (text.empty()) continue;
    const char root[4] = {letter, ':', '\\', '\0'};
    TObject* object = GetDriveType(root) == DRIVE_CDROM ? cd_bitmap_.get() : nullptr;
    Items()->AddObject(text, object);
  }
}

void TKavoDriveComboBox::CreateWnd() {
  TKavoCustomComboBox::CreateWnd();
  BuildDriveList();
  SetDrive(drive_);
}

void TKavoDriveComboBox::SetDrive(char Value) {
  if (ItemIndex() >= 0 && Lower(Value) == Lower(drive_)) return;
  if (Value != '\0') {
    drive_ = Lower(Value);
    for (int i = 0; i < Items()->Count(); ++i) {
      const String& s = Items()->Strings(i);
      if (s.size() >= 2 && Lower(s[0]) == drive_ && s[1] == ':') {
        SetItemIndex(i);
        break;
      }
    }
  } else {
    drive_ = '\0';
    SetItemIndex(-1);
  }
  Change();
}

void TKavoDriveComboBox::Click() {
  TKavoCustomComboBox::Click();
  const int index = ItemIndex();
  if (index >= 0 && !Items()->Strings(index).empty()) SetDrive(Items()->Strings(index)[0]);
}

void TKavoDriveComboBox::DrawItem(int Index, TRect Rect, TOwnerDrawState State) {
  TCanvas* canvas = Canvas();
  canvas->FillRect(Rect);
  if (Index < 0 || Index >= Items()->Count()) return;
  const String text = Items()->Strings(Index);
  const int item_height = Rect.bottom - Rect.top;
  // Aligned from the right, the icon stands at the right and the text ends
  // just left of it.
  const bool from_right = UseRightToLeftAlignment();
  const int icon_left = from_right ? Rect.right - item_height : Rect.left;
  if (text.size() >= 2) {
    const String root = text.substr(0, 2) + "\\";
    SHFILEINFOA info{};
    const UINT size = item_height >= GetSystemMetrics(SM_CYICON) ? SHGFI_LARGEICON : SHGFI_SMALLICON;
    if (SHGetFileInfoA(root.c_str(), 0, &info, sizeof info, SHGFI_ICON | size) != 0) {
      DrawIconEx(canvas->Handle(), icon_left, Rect.top, info.hIcon, item_height, item_height, 0, nullptr, DI_NORMAL);
      DestroyIcon(info.hIcon);
    }
  }
  RECT r{Rect.left + item_height + 6, Rect.top, Rect.right, Rect.bottom};
  if (from_right) r = RECT{Rect.left, Rect.top, Rect.right - item_height - 6, Rect.bottom};
  canvas->Brush()->SetStyle(bsClear);
  canvas->RequiredState({csHandleValid, csFontValid, csBrushValid});
  SetTextColor(canvas->Handle(), static_cast<COLORREF>(ColorToRGB(canvas->Font()->Color())));
  SetBkMode(canvas->Handle(), TRANSPARENT);
  DrawText(canvas->Handle(), text.c_str(), static_cast<int>(text.size()), &r,
           DrawTextBiDiModeFlags(DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX));
  canvas->Brush()->SetStyle(bsSolid);
  (void)State;
}

void TKavoDriveComboBox::Dispatch(TMessage& Message) {
  if (Message.Msg == CM_FONTCHANGED) {
    TKavoCustomComboBox::Dispatch(Message);
    ItemHeightFromFont();
    if (HandleAllocated()) RecreateWnd();
    return;
  }
  TKavoCustomComboBox::Dispatch(Message);
}
