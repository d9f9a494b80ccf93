#include "classlib/Components.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "classlib/Exceptions.h"
#include "tests/classlib/raised.h"

namespace {

using velko_test::RaisedMessage;

// Records what it is told and reports its own deletion.
class Recorder : public TComponent {
 public:
  Recorder(TComponent* owner, std::vector<String>* log, String label)
      : TComponent(owner), log_(log), label_(std::move(label)) {}
  ~Recorder() override {
    log_->push_back(label_ + " deleted" + (ComponentState().Contains(csDestroying) ? " (destroying)" : ""));
  }
  TComponent* watched = nullptr;
  int loaded_calls = 0;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override {
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove) {
      log_->push_back(label_ + " told " + (AComponent->Name().empty() ? String("?") : AComponent->Name()) +
                      " removed");
      if (AComponent == watched) watched = nullptr;
    } else {
      log_->push_back(label_ + " told " + AComponent->ClassName() + " inserted");
    }
  }
  void Loaded() override {
    TComponent::Loaded();
    ++loaded_calls;
    log_->push_back(label_ + " loaded");
  }

 private:
  std::vector<String>* log_;
  String label_;
};

TEST(Components, TheOwnerDeletesItsComponentsFromTheEndOfItsList) {
  std::vector<String> log;
  auto* form = new Recorder(nullptr, &log, "form");
  auto* a = new Recorder(form, &log, "a");
  auto* b = new Recorder(form, &log, "b");
  ASSERT_EQ(form->ComponentCount(), 2);
  EXPECT_EQ(form->Components(0), a);
  EXPECT_EQ(form->Components(1), b);
  EXPECT_EQ(a->Owner(), form);
  EXPECT_EQ(b->ComponentIndex(), 1);
  b->SetComponentIndex(0);
  EXPECT_EQ(form->Components(0), b);
  EXPECT_EQ(a->ComponentIndex(), 1);
  log.clear();
  delete form;
  EXPECT_EQ(log, (std::vector<String>{"form deleted (destroying)", "a deleted (destroying)",
                                      "b deleted (destroying)"}));
}

TEST(Components, DeletingAnOwnerNotifiesThoseThatAskedForFreeNotification) {
  std::vector<String> log;
  auto* form = new Recorder(nullptr, &log, "form");
  auto* button = new Recorder(form, &log, "button");
  button->SetName("Button1");
  // A component outside the tree watches the button.
  auto watcher = std::make_unique<Recorder>(nullptr, &log, "watcher");
  watcher->watched = button;
  button->FreeNotification(watcher.get());
  EXPECT_TRUE(button->ComponentState().Contains(csFreeNotification));
  log.clear();
  delete form;
  EXPECT_EQ(watcher->watched, nullptr);
  EXPECT_NE(std::find(log.begin(), log.end(), "watcher told Button1 removed"), log.end());
  // The button's own destructor ran first, then the watcher was told.
  EXPECT_LT(std::find(log.begin(), log.end(), "button deleted (destroying)"),
            std::find(log.begin(), log.end(), "watcher told Button1 removed"));
}

TEST(Components, FreeNotificationIsMutualAndCanBeWithdrawn) {
  std::vector<String> log;
  auto first = std::make_unique<Recorder>(nullptr, &log, "first");
  first->SetName("First");
  auto* second = new Recorder(nullptr, &log, "second");
  second->SetName("Second");
  first->FreeNotification(second);
  log.clear();
  delete second;  // the first one hears of it, since the link goes both ways
  EXPECT_EQ(log, (std::vector<String>{"second deleted (destroying)", "first told Second removed"}));

  auto third = std::make_unique<Recorder>(nullptr, &log, "third");
  auto* fourth = new Recorder(nullptr, &log, "fourth");
  third->FreeNotification(fourth);
  third->RemoveFreeNotification(fourth);
  log.clear();
  delete fourth;
  EXPECT_EQ(log, (std::vector<String>{"fourth deleted (destroying)"}));
}

TEST(Components, SiblingsHearOfInsertionsAndOfComponentsThatLeave) {
  std::vector<String> log;
  auto form = std::make_unique<Recorder>(nullptr, &log, "form");
  auto* a = new Recorder(form.get(), &log, "a");
  a->SetName("A");
  log.clear();
  auto* b = new Recorder(form.get(), &log, "b");
  // The owner passes the insertion to all its components; the new one is
  // then still only a TComponent under construction.
  EXPECT_NE(std::find(log.begin(), log.end(), "form told TComponent inserted"), log.end());
  EXPECT_NE(std::find(log.begin(), log.end(), "a told TComponent inserted"), log.end());
  b->SetName("B");
  log.clear();
  delete b;
  EXPECT_NE(std::find(log.begin(), log.end(), "form told B removed"), log.end());
  EXPECT_NE(std::find(log.begin(), log.end(), "a told B removed"), log.end());
  EXPECT_EQ(form->ComponentCount(), 1);
}

TEST(Components, NamesAreIdentifiersUniqueWithinTheOwnerIgnoringCase) {
  std::vector<String> log;
  auto form = std::make_unique<Recorder>(nullptr, &log, "form");
  auto* a = new Recorder(form.get(), &log, "a");
  auto* b = new Recorder(form.get(), &log, "b");
  a->SetName("PlayButton");
  EXPECT_EQ(form->FindComponent("playbutton"), a);
  EXPECT_EQ(form->FindComponent("Other"), nullptr);
  EXPECT_EQ(form->FindComponent(""), nullptr);
  EXPECT_THROW(b->SetName("PLAYBUTTON"), EComponentError);
  EXPECT_EQ(b->Name(), "");
  EXPECT_THROW(b->SetName("2nd"), EComponentError);
  EXPECT_THROW(b->SetName("has space"), EComponentError);
  b->SetName("_Stop2");
  EXPECT_EQ(form->FindComponent("_STOP2"), b);
  a->SetName("");  // clearing is always allowed
  b->SetName("PlayButton");
  EXPECT_EQ(RaisedMessage<EComponentError>([&] { a->SetName("playButton"); }),
            "A component named playButton already exists");
  EXPECT_THROW(form->Components(5), EListError);
}

TEST(Components, LoadingCallsLoadedOnTheRootThenOnEachComponentInOrder) {
  std::vector<String> log;
  auto form = std::make_unique<Recorder>(nullptr, &log, "form");
  form->BeginLoad();
  auto* a = new Recorder(form.get(), &log, "a");
  auto* b = new Recorder(form.get(), &log, "b");
  EXPECT_TRUE(a->ComponentState().Contains(csLoading));
  EXPECT_TRUE(form->ComponentState().Contains(csReading));
  log.clear();
  form->EndLoad();
  EXPECT_EQ(log, (std::vector<String>{"form loaded", "a loaded", "b loaded"}));
  EXPECT_FALSE(a->ComponentState().Contains(csLoading));
  EXPECT_FALSE(form->ComponentState().Contains(csLoading));
  EXPECT_FALSE(form->ComponentState().Contains(csReading));
  EXPECT_FALSE(b->ComponentState().Contains(csDesigning));
  // Made after loading: not loading, and no Loaded call.
  auto* c = new Recorder(form.get(), &log, "c");
  EXPECT_FALSE(c->ComponentState().Contains(csLoading));
  EXPECT_EQ(c->loaded_calls, 0);
}

class Colour : public TPersistent {
 public:
  int value = 0;
  void Assign(TPersistent* Source) override {
    if (auto* other = dynamic_cast<Colour*>(Source)) {
      value = other->value;
      return;
    }
    TPersistent::Assign(Source);
  }
};

class Shape : public TPersistent {};

TEST(Persistent, AssignCopiesWhatItKnowsAndRaisesForTheRest) {
  Colour a, b;
  a.value = 7;
  b.Assign(&a);
  EXPECT_EQ(b.value, 7);
  Shape s;
  EXPECT_EQ(RaisedMessage<EConvertError>([&] { b.Assign(&s); }), "Cannot assign a Shape to a Colour");
  EXPECT_EQ(RaisedMessage<EConvertError>([&] { b.Assign(nullptr); }), "Cannot assign a nil to a Colour");
}

class Registered : public TComponent {
 public:
  using TComponent::TComponent;
};

TEST(Components, ClassesCanBeRegisteredAndMadeByName) {
  RegisterClass<Registered>();
  TComponentFactory make = FindClass("registered");
  ASSERT_TRUE(make);
  auto owner = std::make_unique<TComponent>(nullptr);
  TComponent* made = make(owner.get());
  EXPECT_EQ(made->ClassName(), "Registered");
  EXPECT_EQ(made->Owner(), owner.get());
  EXPECT_FALSE(GetClass("TNothing"));
  EXPECT_THROW(FindClass("TNothing"), EClassNotFound);
  UnRegisterClass("Registered");
  EXPECT_FALSE(GetClass("Registered"));
}

TEST(Sets, MembersAndOperators) {
  TComponentState s{csLoading, csReading};
  EXPECT_TRUE(s.Contains(csReading));
  s.Exclude(csReading);
  EXPECT_FALSE(s.Contains(csReading));
  EXPECT_EQ(s + TComponentState{csDestroying}, (TComponentState{csLoading, csDestroying}));
  EXPECT_TRUE(TComponentState{csLoading} <= s);
  EXPECT_TRUE((s * TComponentState{csDesigning}).Empty());
}

}  // namespace
