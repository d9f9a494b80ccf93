// TAMAutoRun: keeps one value under a machine-wide "Run" key so that the
// program starts with the session, optionally bound to a check box.
#pragma once

#include "classlib/Components.h"

class TCheckBox;

enum TRunType { rtRun, rtRunOnce, rtRunOnceEx, rtRunServices, rtRunServicesOnce };

class TAMAutoRun : public TComponent {
 public:
  explicit TAMAutoRun(TComponent* AOwner) : TComponent(AOwner) {}
  ~TAMAutoRun() override;

  const String& AppItemName() const { return app_item_name_; }
  void SetAppItemName(const String& Value);
  bool AutoRegister() const { return auto_register_; }
  // Accepted only while no check box is bound.
  void SetAutoRegister(bool Value);
  TCheckBox* CheckBox() const { return check_box_; }
  // Takes over the check box's click event and clears AutoRegister.
  void SetCheckBox(TCheckBox* Value);
  TRunType RunType() const { return run_type_; }
  void SetRunType(TRunType Value);

  // True when the registry changed; a bound check box follows.
  bool AddToRun();
  bool RemoveFromRun();
  bool UpdateRunValue(bool Add);

  // The key (under HKEY_LOCAL_MACHINE) all components use, set from the
  // RunType of the one that changed or loaded last.
  static const String& RunKey();

 protected:
  void Loaded() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  void CheckBoxClick(TObject* Sender);

  String app_item_name_;
  bool auto_register_ = true;
  TCheckBox* check_box_ = nullptr;
  TRunType run_type_ = rtRun;
};
