// Modal forms, the application's message loop, activation, closing and the
// exception handler while the loop runs.
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

#include "classlib/Buttons.h"
#include "classlib/Exceptions.h"
#include "classlib/Threads.h"
#include "platform/core/clock.h"
#include "platform/core/threads.h"
#include "tests/classlib/forms/forms_test_support.h"

namespace velko_test {
namespace {

// A form with two speed buttons; each runs what the test puts in.
class TTwoButtonForm : public TForm {
 public:
  explicit TTwoButtonForm(TComponent* AOwner, const String& name = "Main") : TForm(AOwner) {
    BeginLoad();
    SetName(name);
    SetCaption(name);
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetClientSize(220, 80);
    First = MakeButton("First", 10);
    Second = MakeButton("Second", 110);
    OnActivate = [this](TObject*) {
      ++activations;
      if (WhenActivated) WhenActivated();
    };
    OnDeactivate = [this](TObject*) { ++deactivations; };
    OnDestroy = [this](TObject*) {
      if (WhenDestroyed) WhenDestroyed();
    };
    EndLoad();
  }

  TSpeedButton* MakeButton(const String& name, int left) {
    auto* button = NewControl<TSpeedButton>(this, this, name, left, 20, 90, 30);
    button->SetCaption(name);
    return button;
  }

  TSpeedButton* First;
  TSpeedButton* Second;
  int activations = 0;
  int deactivations = 0;
  std::function<void()> WhenActivated;
  std::function<void()> WhenDestroyed;
};

class TOtherForm : public TTwoButtonForm {
 public:
  explicit TOtherForm(TComponent* AOwner) : TTwoButtonForm(AOwner, "Other") {}
};

class ModalTest : public FormsTest {
 protected:
  // Clicks the middle of a control (the click waits in the input queue
  // until the loop takes it).
  static void QueueClick(TControl* control) {
    const TPoint p = control->ClientToScreen(Point(control->Width() / 2, control->Height() / 2));
    platform::InjectClick(p.x, p.y);
  }
};

TEST_F(ModalTest, AModalFormAnswersAClickClosesWithItsResultAndTheOwnerIsActivatedAgain) {
  auto* main = ShowNewForm<TTwoButtonForm>();
  EXPECT_EQ(main->activations, 1);
  EXPECT_EQ(Screen->ActiveCustomForm(), main);

  auto* dialog = new TTwoButtonForm(Application, "Dialog");
  bool main_was_disabled = false;
  dialog->First->OnClick = [&](TObject*) {
    main_was_disabled = !IsWindowEnabled(main->Handle());
    dialog->ModalResult = mrOk;
  };
  dialog->WhenActivated = [&] {
    if (dialog->activations == 1) QueueClick(dialog->First);
  };
  EXPECT_EQ(dialog->ShowModal(), mrOk);
  EXPECT_TRUE(main_was_disabled);
  EXPECT_FALSE(dialog->Visible());
  EXPECT_TRUE(IsWindowEnabled(main->Handle()));
  // Closing the modal form gave the activation back: OnActivate again.
  Pump();
  EXPECT_EQ(main->activations, 2);
  EXPECT_EQ(main->deactivations, 1);
  EXPECT_EQ(dialog->activations, 1);
  EXPECT_EQ(dialog->deactivations, 1);
  EXPECT_EQ(Screen->ActiveCustomForm(), main);
  EXPECT_EQ(GetActiveWindow(), main->Handle());
}

TEST_F(ModalTest, AnExceptionInAClickHandlerIsShownAndTheLoopGoesOn) {
  Application->SetTitle("Velko");
  auto* dialog = new TTwoButtonForm(Application, "Dialog");
  dialog->First->OnClick = [](TObject*) { throw EInOutError("Cannot open file", 2); };
  dialog->Second->OnClick = [&](TObject*) { dialog->ModalResult = mrYes; };
  dialog->WhenActivated = [&] {
    QueueClick(dialog->First);
    QueueClick(dialog->Second);
  };
  EXPECT_EQ(dialog->ShowModal(), mrYes);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "Cannot open file.");
  EXPECT_EQ(boxes[0].caption, "Velko");
}

TEST_F(ModalTest, OnExceptionReplacesTheMessageBoxAndAbortIsSilent) {
  std::vector<String> seen;
  TObject* sender_seen = nullptr;
  Application->OnException = [&](TObject* sender, Exception& e) {
    seen.push_back(e.Message);
    sender_seen = sender;
  };
  auto* dialog = new TTwoButtonForm(Application, "Dialog");
  dialog->First->OnClick = [](TObject*) { throw std::runtime_error("plain failure"); };
  dialog->Second->OnClick = [&](TObject*) {
    dialog->ModalResult = mrOk;
    Abort();
  };
  dialog->WhenActivated = [&] {
    QueueClick(dialog->First);
    QueueClick(dialog->Second);
  };
  EXPECT_EQ(dialog->ShowModal(), mrOk);
  EXPECT_TRUE(boxes.empty());
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0], "plain failure");
  // The sender is the windowed control whose message was being handled.
  EXPECT_EQ(sender_seen, dialog);
}

TEST_F(ModalTest, CloseQueryCanKeepAModalFormOpenAndCloseGivesCancel) {
  auto* dialog = new TTwoButtonForm(Application, "Dialog");
  int queries = 0;
  dialog->OnCloseQuery = [&](TObject*, bool& can_close) { can_close = ++queries > 1; };
  TCloseAction action_seen = caNone;
  dialog->OnClose = [&](TObject*, TCloseAction& action) { action_seen = action; };
  dialog->First->OnClick = [&](TObject*) { dialog->Close(); };
  dialog->WhenActivated = [&] {
    QueueClick(dialog->First);
    QueueClick(dialog->First);
  };
  // The first close is refused, the second one ends the loop.
  EXPECT_EQ(dialog->ShowModal(), mrCancel);
  EXPECT_EQ(queries, 2);
  EXPECT_EQ(action_seen, caHide);
  EXPECT_THROW(
      {
        dialog->Show();
        dialog->ShowModal();
      },
      EInvalidOperation);
}

TEST_F(ModalTest, RunShowsTheMainFormUntilItClosesThenDeletesTheForms) {
  auto* main = NewForm<TTwoButtonForm>();
  NewForm<TOtherForm>();
  EXPECT_EQ(Application->MainForm(), main);
  bool destroyed = false;
  main->WhenDestroyed = [&] { destroyed = true; };
  bool shown_while_running = false;
  main->WhenActivated = [&] {
    shown_while_running = IsWindowVisible(main->Handle()) != 0;
    QueueClick(main->First);
  };
  main->First->OnClick = [&](TObject*) { main->Close(); };
  Application->Run();
  EXPECT_TRUE(shown_while_running);
  EXPECT_TRUE(Application->Terminated());
  EXPECT_TRUE(destroyed);
  EXPECT_EQ(Application->ComponentCount(), 0);
  EXPECT_EQ(Application->MainForm(), nullptr);
}

TEST_F(ModalTest, TheFormsGoAtTheEndWithoutActivatingEachOther) {
  auto* main = NewForm<TTwoButtonForm>();
  auto* other = NewForm<TOtherForm>();
  main->WhenActivated = [&] {
    if (main->activations == 1) other->Show();
  };
  other->WhenActivated = [&] { Application->Terminate(); };
  int main_activations = -1;
  main->WhenDestroyed = [&] { main_activations = main->activations; };
  Application->Run();
  EXPECT_EQ(main_activations, 1);
}

TEST_F(ModalTest, TerminatingBeforeRunEndsItWithoutShowingTheMainForm) {
  auto* main = NewForm<TTwoButtonForm>();
  bool shown = false;
  main->OnShow = [&](TObject*) { shown = true; };
  Application->ShowMainForm = false;
  Application->Terminate();
  Application->Run();
  EXPECT_TRUE(Application->Terminated());
  EXPECT_FALSE(shown);
  EXPECT_EQ(Application->MainForm(), nullptr);
}

TEST_F(ModalTest, CaFreeDeletesANonModalFormAfterItsMessages) {
  NewForm<TTwoButtonForm>();  // the main form
  auto* tool = new TTwoButtonForm(Application, "Tool");
  bool destroyed = false;
  tool->WhenDestroyed = [&] { destroyed = true; };
  tool->OnClose = [](TObject*, TCloseAction& action) { action = caFree; };
  tool->Show();
  Pump();
  tool->Close();
  EXPECT_FALSE(destroyed);  // not inside its own handlers
  Pump();
  EXPECT_TRUE(destroyed);
  EXPECT_EQ(Application->ComponentCount(), 1);
}

// A worker that, after a while, ends the modal form through a call
// synchronised into the main thread.
class TCloser : public TThread {
 public:
  explicit TCloser(TCustomForm* form) : TThread(true), form_(form) {}

 protected:
  void Execute() override {
    Sleep(50);
    Synchronize([this] {
      on_main_thread = GetCurrentThreadId() == MainThreadID;
      form_->ModalResult = mrAbort;
    });
  }

 public:
  bool on_main_thread = false;

 private:
  TCustomForm* form_;
};

TEST_F(ModalTest, TheModalLoopWaitsForAndRunsAThreadsSynchronisedCall) {
  auto* dialog = new TTwoButtonForm(Application, "Dialog");
  auto* closer = new TCloser(dialog);
  dialog->WhenActivated = [&] { closer->Start(); };
  EXPECT_EQ(dialog->ShowModal(), mrAbort);
  EXPECT_TRUE(closer->on_main_thread);
  closer->WaitFor();
  delete closer;
}

}  // namespace
}  // namespace velko_test
