#include "classlib/Components.h"

#include <algorithm>
#include <map>
#include <mutex>

#include "classlib/Exceptions.h"
#include "classlib/FormatRoutines.h"
#include "classlib/StringRoutines.h"

// --- TPersistent ---

void TPersistent::Assign(TPersistent* Source) {
  if (Source != nullptr) {
    Source->AssignTo(this);
  } else {
    AssignError(nullptr);
  }
}

void TPersistent::AssignTo(TPersistent* Dest) { Dest->AssignError(this); }

void TPersistent::AssignError(TPersistent* Source) {
  const String source_name = Source != nullptr ? Source->ClassName() : String("nil");
  throw EConvertError(Format(SysConst::SAssignError, source_name, ClassName()));
}

// --- TComponent ---

bool IsValidIdent(const String& name) {
  if (name.empty()) return false;
  const auto alpha = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; };
  if (!alpha(name[0])) return false;
  return std::all_of(name.begin() + 1, name.end(), [&](char c) { return alpha(c) || (c >= '0' && c <= '9'); });
}

TComponent::TComponent(TComponent* AOwner) {
  if (AOwner != nullptr) AOwner->InsertComponent(this);
}

void* TComponent::operator new(std::size_t size) { return ::operator new(size); }

void TComponent::operator delete(void* memory) { ::operator delete(memory); }

// Defined out of line on purpose: inlined into a class that has TComponent
// as a later base, the compiler would see the offset pointer and warn.
void TComponent::operator delete(TComponent* component, std::destroying_delete_t) {
  component->Destroying();
  component->BeforeDestruction();
  void* whole = dynamic_cast<void*>(component);
  component->~TComponent();
  ::operator delete(whole);
}

TComponent::~TComponent() {
  Destroying();
  // Tell everyone who asked. Each one's Notification takes itself out of
  // this list (RemoveFreeNotification), so walk it from the end.
  while (!free_notifies_.empty()) {
    TComponent* other = free_notifies_.back();
    other->Notification(this, opRemove);
    // A Notification override that did not call the inherited version
    // leaves the entry; drop it so the loop ends.
    if (!free_notifies_.empty() && free_notifies_.back() == other) {
      free_notifies_.pop_back();
      other->RemoveNotification(this);
    }
  }
  DestroyComponents();
  if (owner_ != nullptr) owner_->RemoveComponent(this);
}

TComponent* TComponent::Components(int Index) const {
  if (Index < 0 || Index >= ComponentCount()) throw EListError(Format(SysConst::SListIndexError, Index));
  return components_[static_cast<std::size_t>(Index)];
}

int TComponent::ComponentIndex() const {
  if (owner_ == nullptr) return -1;
  const auto& list = owner_->components_;
  const auto it = std::find(list.begin(), list.end(), this);
  return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

void TComponent::SetComponentIndex(int Value) {
  if (owner_ == nullptr) return;
  auto& list = owner_->components_;
  const int current = ComponentIndex();
  if (current < 0) return;
  Value = std::clamp(Value, 0, static_cast<int>(list.size()) - 1);
  if (Value == current) return;
  list.erase(list.begin() + current);
  list.insert(list.begin() + Value, this);
}

TComponent* TComponent::FindComponent(const String& AName) const {
  if (AName.empty()) return nullptr;
  for (TComponent* c : components_) {
    if (SameText(c->name_, AName)) return c;
  }
  return nullptr;
}

void TComponent::ValidateRename(TComponent* AComponent, const String& /*CurName*/, const String& NewName) {
  if (AComponent != nullptr && !NewName.empty()) {
    TComponent* existing = FindComponent(NewName);
    if (existing != nullptr && existing != AComponent) {
      throw EComponentError(Format(SysConst::SDuplicateName, NewName));
    }
  }
}

void TComponent::SetName(const String& NewName) {
  if (name_ == NewName) return;
  if (!NewName.empty() && !IsValidIdent(NewName)) {
    throw EComponentError(Format(SysConst::SInvalidName, NewName));
  }
  if (owner_ != nullptr) {
    owner_->ValidateRename(this, name_, NewName);
  } else {
    ValidateRename(nullptr, name_, NewName);
  }
  name_ = NewName;
}

void TComponent::FreeNotification(TComponent* AComponent) {
  if (AComponent == nullptr) return;
  if (owner_ == nullptr || AComponent->owner_ != owner_) {
    if (std::find(free_notifies_.begin(), free_notifies_.end(), AComponent) == free_notifies_.end()) {
      free_notifies_.push_back(AComponent);
      AComponent->FreeNotification(this);
    }
  }
  state_.Include(csFreeNotification);
}

void TComponent::RemoveNotification(TComponent* AComponent) {
  const auto it = std::find(free_notifies_.begin(), free_notifies_.end(), AComponent);
  if (it != free_notifies_.end()) free_notifies_.erase(it);
}

void TComponent::RemoveFreeNotification(TComponent* AComponent) {
  if (AComponent == nullptr) return;
  RemoveNotification(AComponent);
  AComponent->RemoveNotification(this);
}

void TComponent::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == opRemove && AComponent != nullptr) RemoveFreeNotification(AComponent);
  // Pass it on to everything owned; a handler may remove components, so
  // re-check the index each time.
  for (int i = ComponentCount() - 1; i >= 0; --i) {
    if (i < ComponentCount()) components_[static_cast<std::size_t>(i)]->Notification(AComponent, Operation);
  }
}

void TComponent::Insert(TComponent* AComponent) {
  components_.push_back(AComponent);
  AComponent->owner_ = this;
}

void TComponent::Remove(TComponent* AComponent) {
  AComponent->owner_ = nullptr;
  const auto it = std::find(components_.begin(), components_.end(), AComponent);
  if (it != components_.end()) components_.erase(it);
}

void TComponent::InsertComponent(TComponent* AComponent) {
  ValidateRename(AComponent, String(), AComponent->name_);
  Insert(AComponent);
  // Components made while the root is being built are part of the load.
  if (state_.Contains(csReading)) AComponent->state_.Include(csLoading);
  Notification(AComponent, opInsert);
}

void TComponent::RemoveComponent(TComponent* AComponent) {
  Notification(AComponent, opRemove);
  Remove(AComponent);
}

void TComponent::DestroyComponents() {
  while (!components_.empty()) {
    TComponent* instance = components_.back();
    // Components that others watch leave with notifications; the rest
    // simply leave the list.
    if (instance->state_.Contains(csFreeNotification)) {
      RemoveComponent(instance);
    } else {
      Remove(instance);
    }
    delete instance;
  }
}

void TComponent::Destroying() {
  if (state_.Contains(csDestroying)) return;
  state_.Include(csDestroying);
  for (TComponent* c : components_) c->Destroying();
}

void TComponent::BeginLoad() { state_ += TComponentState{csLoading, csReading}; }

void TComponent::EndLoad() {
  state_.Exclude(csReading);
  // The root first, then its components in the order they were made.
  const std::vector<TComponent*> loading = components_;
  if (state_.Contains(csLoading)) Loaded();
  for (TComponent* c : loading) {
    // A Loaded handler may have deleted components; only visit live ones.
    if (std::find(components_.begin(), components_.end(), c) == components_.end()) continue;
    if (c->state_.Contains(csLoading)) c->Loaded();
  }
}

void TComponent::Loaded() { state_.Exclude(csLoading); }

// --- Class registry ---

namespace {

struct NoCaseLess {
  bool operator()(const String& a, const String& b) const { return CompareText(a, b) < 0; }
};

std::mutex& RegistryLock() {
  static std::mutex m;
  return m;
}

std::map<String, TComponentFactory, NoCaseLess>& Registry() {
  static std::map<String, TComponentFactory, NoCaseLess> r;
  return r;
}

}  // namespace

void RegisterComponentClass(const String& class_name, TComponentFactory make) {
  std::lock_guard<std::mutex> lock(RegistryLock());
  Registry()[class_name] = std::move(make);
}

TComponentFactory GetClass(const String& class_name) {
  std::lock_guard<std::mutex> lock(RegistryLock());
  const auto it = Registry().find(class_name);
  return it == Registry().end() ? TComponentFactory() : it->second;
}

TComponentFactory FindClass(const String& class_name) {
  TComponentFactory f = GetClass(class_name);
  if (!f) throw EClassNotFound(Format(SysConst::SClassNotFound, class_name));
  return f;
}

void UnRegisterClass(const String& class_name) {
  std::lock_guard<std::mutex> lock(RegistryLock());
  Registry().erase(class_name);
}
