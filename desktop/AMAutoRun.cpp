#include "desktop/AMAutoRun.h"

#include "classlib/Application.h"
#include "classlib/Button.h"
#include "classlib/Registry.h"
#include "platform/reg/registry.h"

namespace {

String g_run_key = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

void SelectKey(TRunType Type) {
  static const char* const kKeys[] = {
      "Software\\Microsoft\\Windows\\CurrentVersion\\Run",
      "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce",
      "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnceEx",
      "Software\\Microsoft\\Windows\\CurrentVersion\\RunServices",
      "Software\\Microsoft\\Windows\\CurrentVersion\\RunServicesOnce",
  };
  g_run_key = kKeys[Type];
}

}  // namespace

const String& TAMAutoRun::RunKey() { return g_run_key; }

TAMAutoRun::~TAMAutoRun() {
  if (auto_register_ && !ComponentState().Contains(csDesigning)) AddToRun();
}

void TAMAutoRun::SetAppItemName(const String& Value) {
  if (Value != app_item_name_) app_item_name_ = Value;
}

void TAMAutoRun::SetAutoRegister(bool Value) {
  if (check_box_ == nullptr) auto_register_ = Value;
}

void TAMAutoRun::SetCheckBox(TCheckBox* Value) {
  if (Value == check_box_) return;
  check_box_ = Value;
  if (check_box_ != nullptr) {
    check_box_->FreeNotification(this);
    check_box_->OnClick = [this](TObject* Sender) { CheckBoxClick(Sender); };
  }
  auto_register_ = false;
}

void TAMAutoRun::SetRunType(TRunType Value) {
  if (Value == run_type_) return;
  run_type_ = Value;
  SelectKey(run_type_);
}

void TAMAutoRun::CheckBoxClick(TObject*) {
  if (check_box_ == nullptr) return;
  switch (check_box_->State()) {
    case cbChecked: AddToRun(); break;
    case cbUnchecked: RemoveFromRun(); break;
    case cbGrayed: break;
  }
}

bool TAMAutoRun::AddToRun() {
  const bool changed = UpdateRunValue(true);
  if (changed && check_box_ != nullptr) check_box_->SetChecked(true);
  return changed;
}

bool TAMAutoRun::RemoveFromRun() {
  const bool changed = UpdateRunValue(false);
  if (changed && check_box_ != nullptr) check_box_->SetChecked(false);
  return changed;
}

bool TAMAutoRun::UpdateRunValue(bool Add) {
  if (app_item_name_.empty()) return false;
  TRegistry registry;
  bool result = false;
  try {
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    registry.OpenKey(g_run_key, true);
    if (Add) {
      if (!registry.ValueExists(app_item_name_)) {
        registry.WriteString(app_item_name_, Application != nullptr ? Application->ExeName() : String());
        result = true;
      }
    } else if (registry.ValueExists(app_item_name_)) {
      result = registry.DeleteValue(app_item_name_);
    }
  } catch (const Exception&) {
    result = false;
  }
  registry.CloseKey();
  return result;
}

void TAMAutoRun::Loaded() {
  TComponent::Loaded();
  SelectKey(run_type_);
  if (ComponentState().Contains(csDesigning) || check_box_ == nullptr) return;
  TRegistry registry;
  try {
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    registry.OpenKey(g_run_key, true);
    check_box_->SetChecked(registry.ValueExists(app_item_name_));
  } catch (const Exception&) {
  }
  registry.CloseKey();
}

void TAMAutoRun::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && static_cast<TComponent*>(check_box_) == AComponent) check_box_ = nullptr;
}
