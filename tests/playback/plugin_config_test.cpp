// The plug-in dialog: the plug-in files it lists, the grid of loaded
// plug-ins, its load, unload, about and configure buttons, and the check box
// that sets the player's plug-in-first choice.
#include "playback/PluginConfig.h"
#include "playback/PluginCtrl.h"
#include "platform/user/message_queue.h"
#include "tests/playback/player_fixture.h"

namespace playback_test {
namespace {

class PluginDialog : public PlaybackTest {
 protected:
  void SetUp() override {
    PlaybackTest::SetUp();
    platform::ResetInput();
    Folder({.plugins = {{"in_tone.dll", ""}, {"in_tonewav.dll", ""}, {"in_noentry.dll", ""}}});
    // Files the dialog must leave out.
    folder_->WriteFile("Plugins/readme.txt", "text");
    folder_->WriteFile("Plugins/out_wave.dll", "not an input plug-in");
    TBASSPlayer& player = MakePlayer();
    form_ = player.ConfigForm();
  }
  void TearDown() override {
    platform::ResetInput();
    PlaybackTest::TearDown();
  }
  // Opens the dialog; `act` runs once it is active, then the Close button
  // is clicked.
  void Show(const std::function<void(TPluginConfigForm&)>& act = {}) {
    bool acted = false;
    form_->OnActivate = [&](TObject*) {
      if (acted) return;
      acted = true;
      EXPECT_TRUE(form_->Visible());
      if (act) act(*form_);
      QueueClick(form_->btnClose);
    };
    player_->ShowPluginConfig();
    form_->OnActivate = nullptr;
    EXPECT_TRUE(acted) << "the dialog was shown";
  }
  // Clicks the middle of a rectangle of a control; the click waits in the
  // input queue until the dialog's loop takes it.
  static void QueueClick(TControl* control, const TRect& r) {
    const TPoint p = control->ClientToScreen(Point((r.left + r.right) / 2, (r.top + r.bottom) / 2));
    platform::InjectClick(p.x, p.y);
  }
  static void QueueClick(TControl* control) { QueueClick(control, control->ClientRect()); }
  std::vector<std::string> Rows() const {
    std::vector<std::string> rows;
    for (int row = 1; row < kPluginGridRows; ++row) rows.push_back(form_->PluginGrid->Cells(0, row));
    return rows;
  }
  int ListIndex(const std::string& name) const { return form_->PluginList->Items()->IndexOf(name); }
  void SelectFile(const std::string& name) const { form_->PluginList->SetItemIndex(ListIndex(name)); }
  std::vector<std::string> BoxTexts() {
    std::vector<std::string> texts;
    for (const ShownBox& box : TakeBoxes()) {
      EXPECT_EQ(box.caption, "Confirm") << box.text;
      texts.push_back(box.text);
    }
    return texts;
  }
  TPluginConfigForm* form_ = nullptr;
};

TEST_F(PluginDialog, IsADialogOfTheGivenSizeCentredOnTheDesktop) {
  Show([&](TPluginConfigForm& form) {
    EXPECT_EQ(form.Caption(), "Plug-in Configuration");
    EXPECT_EQ(form.ClientWidth(), kPluginConfigClientWidth);
    EXPECT_EQ(form.ClientHeight(), kPluginConfigClientHeight);
    EXPECT_EQ(form.BorderStyle(), bsDialog);
    const TRect work = Screen->WorkAreaRect();
    EXPECT_NEAR(form.Left() + form.Width() / 2, (work.left + work.right) / 2, 1);
    EXPECT_NEAR(form.Top() + form.Height() / 2, (work.top + work.bottom) / 2, 1);
    // Every control lies inside the client area.
    for (int i = 0; i < form.ControlCount(); ++i) {
      TControl* control = form.Controls(i);
      EXPECT_GE(control->Left(), 0) << control->Name();
      EXPECT_GE(control->Top(), 0) << control->Name();
      EXPECT_LE(control->Left() + control->Width(), kPluginConfigClientWidth) << control->Name();
      EXPECT_LE(control->Top() + control->Height(), kPluginConfigClientHeight) << control->Name();
    }
    // Every row of a plug-in fits: the grid never has to scroll.
    EXPECT_EQ(form.PluginGrid->VisibleRowCount(), 8);
  });
  EXPECT_FALSE(form_->Visible()) << "Close closed it";
}

TEST_F(PluginDialog, LoadsAPluginPickedAndClickedWithTheMouse) {
  Show([&](TPluginConfigForm& form) {
    QueueClick(form.PluginList, form.PluginList->ItemRect(ListIndex("in_tone.dll")));
    QueueClick(form.btnLoad);
    QueueClick(form.PluginFirst);
  });
  EXPECT_TRUE(BoxTexts().empty());
  EXPECT_EQ(form_->LoadedCount(), 1);
  EXPECT_EQ(form_->PluginGrid->Cells(0, 1), "in_tone.dll");
  EXPECT_EQ(FindPluginByName("in_tone.dll"), 0);
  EXPECT_TRUE(form_->PluginFirst->Checked());
  ProcessPendingMessages();
  EXPECT_TRUE(player_->PluginFirst) << "the click told the player";
}

TEST_F(PluginDialog, ListsThePluginFilesAndTheLoadedPlugins) {
  ASSERT_EQ(LoadWinampPlugin("in_tonewav.dll"), PLUGIN_LOADED);
  Show();
  EXPECT_FALSE(form_->Visible()) << "closed again";
  EXPECT_EQ(form_->PluginList->Items()->Count(), 3);
  EXPECT_GE(ListIndex("in_tone.dll"), 0);
  EXPECT_GE(ListIndex("in_tonewav.dll"), 0);
  EXPECT_GE(ListIndex("in_noentry.dll"), 0);
  EXPECT_EQ(form_->PluginGrid->Cells(0, 0), "Name");
  EXPECT_EQ(form_->PluginGrid->Cells(1, 0), "Decsription");
  EXPECT_EQ(form_->PluginGrid->Cells(2, 0), "Playable File Types");
  EXPECT_EQ(form_->LoadedCount(), 1);
  EXPECT_EQ(form_->PluginGrid->Cells(0, 1), "in_tonewav.dll");
  EXPECT_EQ(form_->PluginGrid->Cells(1, 1), "Velko test tone and WAV player 1.0");
  EXPECT_EQ(form_->PluginGrid->Cells(2, 1), "TON;WAV");
  EXPECT_EQ(form_->PluginGrid->Cells(0, 2), "");
}

TEST_F(PluginDialog, LoadButton) {
  Show([&](TPluginConfigForm& form) {
    form.btnLoadClick(&form);
    SelectFile("in_tone.dll");
    form.btnLoadClick(&form);
    form.btnLoadClick(&form);
    SelectFile("in_noentry.dll");
    form.btnLoadClick(&form);
  });
  EXPECT_EQ(BoxTexts(), (std::vector<std::string>{"Select plug-in to load first", "Load denied : Already loaded before",
                                                  "Load denied : Not valid Winamp 2 input plug-in"}));
  EXPECT_EQ(form_->LoadedCount(), 1);
  EXPECT_EQ(form_->PluginGrid->Cells(0, 1), "in_tone.dll");
  EXPECT_EQ(form_->PluginGrid->Cells(2, 1), "TON;TONE");
  EXPECT_EQ(FindPluginByName("in_tone.dll"), 0);
}

TEST_F(PluginDialog, NothingToLoad) {
  std::filesystem::remove_all(folder_->plugins());
  std::filesystem::create_directories(folder_->plugins());
  Show([&](TPluginConfigForm& form) { form.btnLoadClick(&form); });
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{"No plug-in to load"});
}

TEST_F(PluginDialog, LoadRefusedWhenTheFolderHoldsNoLibraryOrTheOutputIsDown) {
  folder_->WriteFile("Plugins/in_fake.dll", "not a library");
  Show([&](TPluginConfigForm& form) {
    SelectFile("in_fake.dll");
    form.btnLoadClick(&form);
    QuitPluginCtrl();
    SelectFile("in_tone.dll");
    form.btnLoadClick(&form);
    InitPluginCtrl();
  });
  EXPECT_EQ(BoxTexts(), (std::vector<std::string>{"Load denied : Unknown Error",
                                                  "Load denied : Output plug-in is not ready"}));
}

TEST_F(PluginDialog, UnloadButtonLeavesNoGap) {
  folder_->AddPlugin("in_tone.dll", "in_copy.dll");
  for (const char* name : {"in_tone.dll", "in_tonewav.dll", "in_copy.dll"}) ASSERT_EQ(LoadWinampPlugin(name), 0);
  Show([&](TPluginConfigForm& form) {
    // The last filled row: only it is emptied.
    form.PluginGrid->SetRow(3);
    form.btnUnloadClick(&form);
    EXPECT_EQ(form.LoadedCount(), 2);
    EXPECT_EQ(Rows()[0], "in_tone.dll");
    EXPECT_EQ(Rows()[1], "in_tonewav.dll");
    EXPECT_EQ(Rows()[2], "");
    // A row above it: the grid is filled again without a gap.
    form.PluginGrid->SetRow(1);
    form.btnUnloadClick(&form);
    EXPECT_EQ(form.LoadedCount(), 1);
    EXPECT_EQ(Rows()[0], "in_tonewav.dll");
    EXPECT_EQ(Rows()[1], "");
    EXPECT_EQ(form.PluginGrid->Cells(2, 1), "TON;WAV");
  });
  EXPECT_TRUE(BoxTexts().empty());
  EXPECT_EQ(FindPluginByName("in_tone.dll"), -1);
  EXPECT_EQ(FindPluginByName("in_copy.dll"), -1);
}

TEST_F(PluginDialog, UnloadRefusals) {
  Show([&](TPluginConfigForm& form) { form.btnUnloadClick(&form); });
  ASSERT_EQ(LoadWinampPlugin("in_tone.dll"), 0);
  ASSERT_EQ(LoadWinampPlugin("in_tonewav.dll"), 0);
  Show([&](TPluginConfigForm& form) {
    form.PluginGrid->SetRow(5);  // an empty row
    form.btnUnloadClick(&form);
    form.PluginGrid->SetRow(2);
    form.PluginGrid->SetCells(0, 2, "in_other.dll");
    form.btnUnloadClick(&form);
    // The plug-in of the last plug-in song.
    SetCurrentPlugin(0);
    form.PluginGrid->SetRow(1);
    form.btnUnloadClick(&form);
  });
  EXPECT_EQ(BoxTexts(), (std::vector<std::string>{"No plug-ins are loaded", "Select plug-in to unload first",
                                                  "Cannot unload : Plug-in is not loaded",
                                                  "Cannot unload : Plug-in is in use"}));
  EXPECT_EQ(FindPluginByName("in_tone.dll"), 0);
  // The results the buttons cannot be made to meet here; success says nothing.
  EXPECT_EQ(LoadResultText(PLUGIN_NO_FREE_SLOT), "Load denied : No space to load");
  EXPECT_EQ(UnloadResultText(PLUGIN_CANNOT_FREE), "Cannot unload : Unknown Error");
  EXPECT_EQ(LoadResultText(PLUGIN_LOADED) + UnloadResultText(PLUGIN_UNLOADED), "");
}

TEST_F(PluginDialog, AboutAndConfigureAskThePlugin) {
  Show([&](TPluginConfigForm& form) {
    form.btnAboutClick(&form);
    form.btnConfigureClick(&form);
  });
  EXPECT_EQ(BoxTexts(), (std::vector<std::string>{"No plug-ins to query are loaded",
                                                  "No plug-ins to configure are loaded"}));
  ASSERT_EQ(LoadWinampPlugin("in_tonewav.dll"), 0);
  Show([&](TPluginConfigForm& form) {
    form.PluginGrid->SetRow(4);
    form.btnAboutClick(&form);
    form.btnConfigureClick(&form);
    form.PluginGrid->SetRow(1);
    form.btnAboutClick(&form);
    form.btnConfigureClick(&form);
  });
  std::vector<ShownBox> boxes = TakeBoxes();
  ASSERT_EQ(boxes.size(), 4u);
  EXPECT_EQ(boxes[0].text, "Select plug-in to query first");
  EXPECT_EQ(boxes[1].text, "Select plug-in to configure first");
  EXPECT_EQ(boxes[2].text, "Velko test tone and WAV player 1.0") << "the plug-in's own about box";
  EXPECT_EQ(boxes[2].caption, "About");
  EXPECT_EQ(boxes[3].text, "Nothing to configure.");
}

TEST_F(PluginDialog, CheckBoxSetsPluginFirstThroughThePlayersWindow) {
  // Before the first opening no player window is stored: nothing is posted.
  form_->PluginFirst->SetChecked(true);
  ProcessPendingMessages();
  EXPECT_FALSE(player_->PluginFirst);

  Show([&](TPluginConfigForm& form) {
    EXPECT_FALSE(form.PluginFirst->Checked()) << "the box shows the player's choice";
    form.PluginFirst->SetChecked(true);
  });
  ProcessPendingMessages();
  EXPECT_TRUE(player_->PluginFirst);

  Show([&](TPluginConfigForm& form) {
    EXPECT_TRUE(form.PluginFirst->Checked());
    form.PluginFirst->SetChecked(false);
  });
  ProcessPendingMessages();
  EXPECT_FALSE(player_->PluginFirst);

  PostMessage(player_->PlayerWindow(), WM_PLAYER_PLUGIN_FIRST, 0, 1);
  ProcessPendingMessages();
  EXPECT_TRUE(player_->PluginFirst);
}

TEST_F(PluginDialog, OpeningTicksTheBoxAndTellsThePlayerWindowStoredBefore) {
  Show();
  // The player's choice changed behind the dialog: opening it again ticks
  // the box, and that click is posted to the window stored at the first
  // opening, with the value the player already has.
  player_->PluginFirst = true;
  Show([&](TPluginConfigForm& form) {
    EXPECT_TRUE(form.PluginFirst->Checked());
    MSG msg;
    ASSERT_TRUE(PeekMessage(&msg, player_->PlayerWindow(), WM_PLAYER_PLUGIN_FIRST, WM_PLAYER_PLUGIN_FIRST, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 0u);
    EXPECT_EQ(msg.lParam, 1);
  });
}

}  // namespace
}  // namespace playback_test
