// TPersistent (assignment between objects) and TComponent (the owner
// tree, names, free notification, component state and loading).
//
// The owner tree: a component made with an owner is inserted into the
// owner's list and deleted by the owner, last made first. Deleting a
// component (directly or through its owner) removes it from its owner,
// notifies (Notification with opRemove) every component that asked for it
// with FreeNotification, and the owner and its other components when the
// component leaves its owner on its own.
//
// Destruction order: deleting a component marks it and everything it owns
// csDestroying first; then its destructors run, most derived first (as the
// class library's destructors run their own part before "inherited");
// ~TComponent then tells the components that asked for free notification,
// deletes the owned components and leaves the owner. So by the time an
// owned component is deleted its owner is only a TComponent: a derived
// class whose components must see it whole while they go calls
// DestroyComponents() at the start of its own destructor.
//
// Loading: the class library reads forms from stored definitions; here a
// form's constructor builds its components in code between BeginLoad()
// and EndLoad(). While the root is loading, every component inserted into
// it starts in csLoading; EndLoad() then calls Loaded() on the root and on
// each of those components in the order they were made, and Loaded clears
// csLoading. csDesigning is never set at run time.
#pragma once

#include <cstddef>
#include <functional>
#include <new>
#include <vector>

#include "classlib/Object.h"

class TPersistent : public TObject {
 public:
  // Copies Source into this object: Source->AssignTo(this). A class that
  // can copy from another overrides Assign; one that can copy itself into
  // another overrides AssignTo. Unsupported pairs raise EConvertError
  // "Cannot assign a <source class> to a <dest class>".
  virtual void Assign(TPersistent* Source);
  virtual String GetNamePath() const { return ClassName(); }

 protected:
  virtual void AssignTo(TPersistent* Dest);
  [[noreturn]] void AssignError(TPersistent* Source);
};

enum TOperation { opInsert, opRemove };

enum TComponentStateItem {
  csLoading,
  csReading,
  csWriting,
  csDestroying,
  csDesigning,
  csAncestor,
  csUpdating,
  csFixups,
  csFreeNotification,
  csInline,
  csDesignInstance
};
using TComponentState = Set<TComponentStateItem>;

class TComponent : public TPersistent {
 public:
  // Inserts the component into AOwner (when given). The owner and its
  // components hear of it (Notification with opInsert) from here, before
  // the derived constructors have run: only the TComponent part of the new
  // component may be used in that notification.
  explicit TComponent(TComponent* AOwner);
  ~TComponent() override;

  // Components are made with new. Deleting one calls Destroying() on it
  // and its tree before any destructor runs (csDestroying is set for the
  // whole of the destruction, as the class library has it), then destroys
  // and frees it.
  static void* operator new(std::size_t size);
  static void operator delete(TComponent* component, std::destroying_delete_t);
  static void operator delete(void* memory);

  TComponent* Owner() const { return owner_; }
  const String& Name() const { return name_; }
  // Raises EComponentError for a name that is not an identifier or that
  // another component of the same owner has (names ignore case).
  virtual void SetName(const String& NewName);
  NativeInt Tag = 0;

  int ComponentCount() const { return static_cast<int>(components_.size()); }
  // Raises EListError for an index out of range.
  TComponent* Components(int Index) const;
  int ComponentIndex() const;
  void SetComponentIndex(int Value);
  // The owned component with that name (ignoring case), or null.
  TComponent* FindComponent(const String& AName) const;

  TComponentState ComponentState() const { return state_; }

  // Asks to be told (Notification with opRemove) when AComponent goes, and
  // tells AComponent when this one goes. Components of the same owner are
  // told anyway.
  void FreeNotification(TComponent* AComponent);
  void RemoveFreeNotification(TComponent* AComponent);

  void InsertComponent(TComponent* AComponent);
  void RemoveComponent(TComponent* AComponent);
  // Deletes every owned component, last made first.
  void DestroyComponents();
  // Marks this component and everything it owns as being destroyed.
  void Destroying();
  // Runs when the component is deleted, after Destroying() and before any
  // of its destructors: the object is still whole (a form raises OnDestroy
  // here). Overrides call the inherited version.
  virtual void BeforeDestruction() {}

  // Building a component tree in code (see the header comment).
  void BeginLoad();
  void EndLoad();

 protected:
  // Told about components inserted into or removed from the owner tree,
  // and about the removal of components this one asked to be told about.
  // Overrides must call the inherited version.
  virtual void Notification(TComponent* AComponent, TOperation Operation);
  // After loading: clears csLoading. Overrides call the inherited version.
  virtual void Loaded();
  virtual void ValidateRename(TComponent* AComponent, const String& CurName, const String& NewName);
  void SetComponentState(TComponentState state) { state_ = state; }

 private:
  void Insert(TComponent* AComponent);
  void Remove(TComponent* AComponent);
  void RemoveNotification(TComponent* AComponent);

  TComponent* owner_ = nullptr;
  String name_;
  std::vector<TComponent*> components_;
  std::vector<TComponent*> free_notifies_;
  TComponentState state_;
};

// True when `name` is an identifier: a letter or "_", then letters, digits
// and "_".
bool IsValidIdent(const String& name);

// The registry of component classes by name, so that stored definitions
// and packs can name classes ("registered with the class library").
using TComponentFactory = std::function<TComponent*(TComponent* AOwner)>;
void RegisterComponentClass(const String& class_name, TComponentFactory make);
template <class T>
void RegisterClass() {
  RegisterComponentClass(ClassNameOf(typeid(T)), [](TComponent* owner) { return new T(owner); });
}
// The factory registered under that name (ignoring case); empty when none.
TComponentFactory GetClass(const String& class_name);
// As GetClass, but raises EClassNotFound "Class <name> not found".
TComponentFactory FindClass(const String& class_name);
void UnRegisterClass(const String& class_name);
