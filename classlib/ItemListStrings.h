// What a list box and a combo box share: their Items as a string list kept
// in the platform control itself (TItemListStrings, told apart only by the
// message numbers of each window class), and the painting of one
// owner-drawn item from the control's WM_DRAWITEM.
#pragma once

#include <functional>

#include "classlib/CustomControls.h"
#include "classlib/Strings.h"
#include "classlib/WinControl.h"

enum TOwnerDrawStateItem {
  odSelected,
  odGrayed,
  odDisabled,
  odChecked,
  odFocused,
  odDefault,
  odHotLight,
  odInactive,
  odNoAccel,
  odNoFocusRect,
  odReserved1,
  odReserved2,
  odComboBoxEdit
};
using TOwnerDrawState = Set<TOwnerDrawStateItem>;
// The state bits of a platform owner-draw record as the class library
// names them.
TOwnerDrawState OwnerDrawStateOf(UINT ItemState);

// The item messages of one window class.
struct TItemListMessages {
  UINT GetCount;
  UINT GetTextLen;
  UINT GetText;
  UINT GetItemData;
  UINT SetItemData;
  UINT AddString;
  UINT InsertString;
  UINT DeleteString;
  UINT ResetContent;
  UINT FindStringExact;
  LRESULT Error;
  // The message of the EOutOfResources raised when an item is refused.
  const char* OutOfSpace;
};

class TItemListStrings : public TStrings {
 public:
  TItemListStrings(TWinControl* Control, const TItemListMessages& Messages)
      : control_(Control), messages_(Messages) {}

  int Count() const override;
  String Get(int Index) const override;
  TObject* GetObject(int Index) const override;
  void PutObject(int Index, TObject* AObject) override;
  int Add(const String& S) override;
  void Insert(int Index, const String& S) override;
  void Delete(int Index) override;
  void Clear() override;
  // The first item of exactly this text, ignoring case; -1 when none.
  int IndexOf(const String& S) const override;

 protected:
  // Redrawing is switched off while the list is updated.
  void SetUpdateState(bool Updating) override;
  HWND Window() const { return control_->Handle(); }
  void CheckIndex(int Index, int Limit) const;

  TWinControl* control_;
  const TItemListMessages& messages_;
};

// Paints the item a WM_DRAWITEM names on Canvas (in the control's font and
// brush, highlighted when selected) through DrawItem, or just its background
// when the list is empty, then the focus frame; Message.Result is TRUE.
using TDrawListItem = std::function<void(int Index, TRect Rect, TOwnerDrawState State)>;
void DrawOwnerDrawnItem(TControlCanvas& Canvas, const TWinControl& Control, TMessage& Message,
                        const TDrawListItem& DrawItem);
