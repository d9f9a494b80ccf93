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
    Folder({.plugins = {{"in_tone.dll", ""}, {"in_tonewav.dll", ""}, {"in_noentry.dll", ""}}});
    // Files the dialog must leave out.
    folder_->WriteFile("Plugins/readme.txt", "text");
    folder_->WriteFile("Plugins/out_wave.dll", "not an input plug-in");
    TBASSPlayer& player = MakePlayer();
    form_ = player.ConfigForm();
  }
  void TearDown() override {
    SetPluginConfigModalHook({});
    PlaybackTest::TearDown();
  }
  // Opens the dialog; `act` runs while it is shown.
  void Show(const std::function<void(TPluginConfigForm&)>& act = {}) {
    SetPluginConfigModalHook([&](TPluginConfigForm* form) {
      EXPECT_TRUE(form->Visible());
      if (act) act(*form);
    });
    player_->ShowPluginConfig();
  }
  std::vector<std::string> Rows() const {
    std::vector<std::string> rows;
    for (int row = 1; row < kPluginGridRows; ++row) rows.push_back(form_->PluginGrid.Cell(0, row));
    return rows;
  }
  int ListIndex(const std::string& name) const { return form_->PluginList.Items.IndexOf(name); }
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

TEST_F(PluginDialog, ListsThePluginFilesAndTheLoadedPlugins) {
  ASSERT_EQ(LoadWinampPlugin("in_tonewav.dll"), PLUGIN_LOADED);
  Show();
  EXPECT_FALSE(form_->Visible()) << "closed again";
  EXPECT_EQ(form_->PluginList.Items.Count(), 3);
  EXPECT_GE(ListIndex("in_tone.dll"), 0);
  EXPECT_GE(ListIndex("in_tonewav.dll"), 0);
  EXPECT_GE(ListIndex("in_noentry.dll"), 0);
  EXPECT_EQ(form_->PluginGrid.Cell(0, 0), "Name");
  EXPECT_EQ(form_->PluginGrid.Cell(1, 0), "Decsription");
  EXPECT_EQ(form_->PluginGrid.Cell(2, 0), "Playable File Types");
  EXPECT_EQ(form_->LoadedCount(), 1);
  EXPECT_EQ(form_->PluginGrid.Cell(0, 1), "in_tonewav.dll");
  EXPECT_EQ(form_->PluginGrid.Cell(1, 1), "Velko test tone and WAV player 1.0");
  EXPECT_EQ(form_->PluginGrid.Cell(2, 1), "TON;WAV");
  EXPECT_EQ(form_->PluginGrid.Cell(0, 2), "");
}

TEST_F(PluginDialog, LoadButton) {
  Show([&](TPluginConfigForm& form) {
    form.btnLoadClick(&form);
    form.PluginList.ItemIndex = ListIndex("in_tone.dll");
    form.btnLoadClick(&form);
    form.btnLoadClick(&form);
    form.PluginList.ItemIndex = ListIndex("in_noentry.dll");
    form.btnLoadClick(&form);
  });
  EXPECT_EQ(BoxTexts(), (std::vector<std::string>{"Select plug-in to load first", "Load denied : Already loaded before",
                                                  "Load denied : Not valid Winamp 2 input plug-in"}));
  EXPECT_EQ(form_->LoadedCount(), 1);
  EXPECT_EQ(form_->PluginGrid.Cell(0, 1), "in_tone.dll");
  EXPECT_EQ(form_->PluginGrid.Cell(2, 1), "TON;TONE");
  EXPECT_EQ(FindPluginByName("in_tone.dll"), 0);
}

TEST_F(PluginDialog, NothingToLoad) {
  std::filesystem::remove_all(folder_->plugins());
  std::filesystem::create_directories(folder_->plugins());
  Show([&](TPluginConfigForm& form) { form.btnLoadClick(&form); });
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{"No plug-in to load"});
}

TEST_F(PluginDialog, LoadAndUnloadTexts) {
  EXPECT_EQ(LoadResultText(PLUGIN_LOADED), "");
  EXPECT_EQ(LoadResultText(PLUGIN_OUTPUT_NOT_READY), "Load denied : Output plug-in is not ready");
  EXPECT_EQ(LoadResultText(PLUGIN_ALREADY_LOADED), "Load denied : Already loaded before");
  EXPECT_EQ(LoadResultText(PLUGIN_NO_FREE_SLOT), "Load denied : No space to load");
  EXPECT_EQ(LoadResultText(PLUGIN_CANNOT_LOAD), "Load denied : Unknown Error");
  EXPECT_EQ(LoadResultText(PLUGIN_NOT_WINAMP2), "Load denied : Not valid Winamp 2 input plug-in");
  EXPECT_EQ(UnloadResultText(PLUGIN_UNLOADED), "");
  EXPECT_EQ(UnloadResultText(PLUGIN_CANNOT_FREE), "Cannot unload : Unknown Error");
  EXPECT_EQ(UnloadResultText(PLUGIN_NOT_LOADED), "Cannot unload : Plug-in is not loaded");
  EXPECT_EQ(UnloadResultText(PLUGIN_IN_USE), "Cannot unload : Plug-in is in use");
}

TEST_F(PluginDialog, LoadRefusedWhenTheFolderHoldsNoLibraryOrTheOutputIsDown) {
  folder_->WriteFile("Plugins/in_fake.dll", "not a library");
  Show([&](TPluginConfigForm& form) {
    form.PluginList.ItemIndex = ListIndex("in_fake.dll");
    form.btnLoadClick(&form);
    QuitPluginCtrl();
    form.PluginList.ItemIndex = ListIndex("in_tone.dll");
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
    form.PluginGrid.Row = 3;
    form.btnUnloadClick(&form);
    EXPECT_EQ(form.LoadedCount(), 2);
    EXPECT_EQ(Rows()[0], "in_tone.dll");
    EXPECT_EQ(Rows()[1], "in_tonewav.dll");
    EXPECT_EQ(Rows()[2], "");
    // A row above it: the grid is filled again without a gap.
    form.PluginGrid.Row = 1;
    form.btnUnloadClick(&form);
    EXPECT_EQ(form.LoadedCount(), 1);
    EXPECT_EQ(Rows()[0], "in_tonewav.dll");
    EXPECT_EQ(Rows()[1], "");
    EXPECT_EQ(form.PluginGrid.Cell(2, 1), "TON;WAV");
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
    form.PluginGrid.Row = -1;
    form.btnUnloadClick(&form);
    form.PluginGrid.Row = 5;  // an empty row
    form.btnUnloadClick(&form);
    form.PluginGrid.Row = 2;
    form.PluginGrid.SetCell(0, 2, "in_other.dll");
    form.btnUnloadClick(&form);
    // The plug-in of the last plug-in song.
    SetCurrentPlugin(0);
    form.PluginGrid.Row = 1;
    form.btnUnloadClick(&form);
  });
  EXPECT_EQ(BoxTexts(), (std::vector<std::string>{"No plug-ins are loaded", "Select plug-in to unload first",
                                                  "Select plug-in to unload first",
                                                  "Cannot unload : Plug-in is not loaded",
                                                  "Cannot unload : Plug-in is in use"}));
  EXPECT_EQ(FindPluginByName("in_tone.dll"), 0);
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
    form.PluginGrid.Row = 4;
    form.btnAboutClick(&form);
    form.btnConfigureClick(&form);
    form.PluginGrid.Row = 1;
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
  form_->SetPluginFirstChecked(true);
  ProcessPendingMessages();
  EXPECT_FALSE(player_->PluginFirst);

  Show([&](TPluginConfigForm& form) {
    EXPECT_FALSE(form.PluginFirstChecked()) << "the box shows the player's choice";
    form.SetPluginFirstChecked(true);
  });
  ProcessPendingMessages();
  EXPECT_TRUE(player_->PluginFirst);

  // Opening the dialog ticks the box to the player's value, and that click
  // is posted too.
  Show([&](TPluginConfigForm& form) {
    EXPECT_TRUE(form.PluginFirstChecked());
    form.SetPluginFirstChecked(false);
    form.btnCloseClick(&form);
    EXPECT_FALSE(form.Visible());
  });
  ProcessPendingMessages();
  EXPECT_FALSE(player_->PluginFirst);

  PostMessage(player_->PlayerWindow(), WM_PLAYER_PLUGIN_FIRST, 0, 1);
  ProcessPendingMessages();
  EXPECT_TRUE(player_->PluginFirst);
}

}  // namespace
}  // namespace playback_test
