// Text fields over the platform's "EDIT" window class: TEdit (one line,
// sized to its font when AutoSize) and TMemo (many lines, Lines as a
// string list).
#pragma once

#include <memory>

#include "classlib/Form.h"
#include "classlib/Strings.h"
#include "classlib/WinControl.h"

enum TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };

class TCustomEdit : public TWinControl {
 public:
  explicit TCustomEdit(TComponent* AOwner);

  int MaxLength() const { return max_length_; }
  // 0: no limit.
  void SetMaxLength(int Value);
  bool ReadOnly() const { return read_only_; }
  void SetReadOnly(bool Value);
  char PasswordChar() const { return password_char_; }
  void SetPasswordChar(char Value);
  TEditCharCase CharCase() const { return char_case_; }
  void SetCharCase(TEditCharCase Value);
  bool HideSelection() const { return hide_selection_; }
  void SetHideSelection(bool Value);
  TBorderStyle BorderStyle() const { return border_style_; }
  void SetBorderStyle(TBorderStyle Value);
  // Entering the field selects all its text (one-line fields).
  bool AutoSelect = true;

  // The user changed the text since Modified was cleared.
  bool Modified();
  void SetModified(bool Value);
  // Byte positions in the text.
  int SelStart();
  void SetSelStart(int Value);
  int SelLength();
  void SetSelLength(int Value);
  String SelText();
  void SetSelText(const String& Value);
  void SelectAll();
  void Clear();
  void ClearSelection();
  void CopyToClipboard();
  void CutToClipboard();
  void PasteFromClipboard();
  bool CanUndo();
  void Undo();

  TNotifyEvent OnChange;

  void Dispatch(TMessage& Message) override;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  void Loaded() override;
  // Raises OnChange.
  virtual void Change();
  // One-line fields: the height of a line of the font and the border.
  void AdjustHeight();

 private:
  void GetSel(DWORD& Start, DWORD& End);

  int max_length_ = 0;
  bool read_only_ = false;
  char password_char_ = 0;
  TEditCharCase char_case_ = ecNormal;
  bool hide_selection_ = true;
  TBorderStyle border_style_ = bsSingle;
  bool modified_ = false;
  bool creating_ = false;
};

class TEdit : public TCustomEdit {
 public:
  explicit TEdit(TComponent* AOwner) : TCustomEdit(AOwner) {}
};

class TCustomMemo;

// A memo's lines as a string list.
class TMemoStrings : public TStrings {
 public:
  explicit TMemoStrings(TCustomMemo* Memo) : memo_(Memo) {}

  int Count() const override;
  String Get(int Index) const override;
  void Put(int Index, const String& S) override;
  void Insert(int Index, const String& S) override;
  void Delete(int Index) override;
  void Clear() override;
  void SetText(const String& Value) override;

 protected:
  void SetUpdateState(bool Updating) override;

 private:
  TCustomMemo* memo_;
};

class TCustomMemo : public TCustomEdit {
 public:
  explicit TCustomMemo(TComponent* AOwner);
  ~TCustomMemo() override;

  TStrings* Lines() const { return lines_.get(); }
  void SetLines(TStrings* Value) { lines_->Assign(Value); }
  bool WordWrap() const { return word_wrap_; }
  void SetWordWrap(bool Value);
  TScrollStyle ScrollBars() const { return scroll_bars_; }
  void SetScrollBars(TScrollStyle Value);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment Value);
  // Enter makes a new line (otherwise it goes to the form's default
  // button); Tab types a tab (otherwise it moves the focus).
  bool WantReturns = true;
  bool WantTabs = false;

  void Dispatch(TMessage& Message) override;

 protected:
  void CreateParams(TCreateParams& Params) override;
  TAlignment ControlsAlignment() const override { return alignment_; }

 private:
  std::unique_ptr<TMemoStrings> lines_;
  bool word_wrap_ = true;
  TScrollStyle scroll_bars_ = ssNone;
  TAlignment alignment_ = taLeftJustify;
};

class TMemo : public TCustomMemo {
 public:
  explicit TMemo(TComponent* AOwner) : TCustomMemo(AOwner) {}
};
