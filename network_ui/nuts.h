// TNutsForm: the file-sharing window. It places the servent, shows its
// peer links (Hosts), the searches and their hits (one tab per search),
// the transfers in both directions, a monitor of incoming queries, message
// counters with a traffic graph, and the files in the download folder with
// buttons that drive the main window's player.
//
// One class, its methods in one source file per concern: nuts.cpp (the
// frame: layout, picture, showing and quitting), NutsHosts, NutsSearches,
// NutsTransfers, NutsStatistics, NutsSettings and NutsIncoming; each
// concern's own types and routines are in its header.
//
// Host rows are bound to links: a row's item data is a copy of its link's
// GUID, so that several links from one address (every peer of a test is
// 127.0.0.1) each keep their own row. Transfer rows are tied to their
// transfer objects, never found by their captions.
#pragma once

#include <array>
#include <map>
#include <memory>
#include <vector>

#include "classlib/ComCtrls.h"
#include "classlib/ExtCtrls.h"
#include "classlib/FileCtrl.h"
#include "classlib/Forms.h"
#include "classlib/Menus.h"
#include "classlib/StdCtrls.h"
#include "classlib/Timers.h"
#include "controls/VrNavigator.h"
#include "desktop/PlayWav.h"
#include "desktop/zelFileOperation.h"
#include "network/Gnutella.h"
#include "network_ui/GnutellaTransfer.h"
#include "network_ui/NutsHosts.h"
#include "network_ui/NutsIncoming.h"
#include "network_ui/NutsSearches.h"
#include "network_ui/NutsSettings.h"
#include "network_ui/NutsStatistics.h"
#include "network_ui/NutsTransfers.h"

constexpr int kNutsClientWidth = 763;
constexpr int kNutsClientHeight = 488;
// The window's own picture until the settings choose another: a bitmap
// resource of the program, else this file of the program folder.
constexpr char kNutsPictureResource[] = "NUTSFORM_IMAGE2";
constexpr char kNutsPicture[] = "zig.jpg";
// A search tab's result list; the pages are sized to hold it.
constexpr int kNutsResultWidth = 750;
constexpr int kNutsResultHeight = 386;

class TForm2;

class TNutsForm : public TForm {
 public:
  explicit TNutsForm(TComponent* AOwner);
  ~TNutsForm() override;

  TGnutella* Gnutella1;
  TPageControl* Transfer;
  TTabSheet* TabSheet1;
  TPageControl* ResultPages;
  TTabSheet* TabSheet2;
  TListView* HostList;
  TTabSheet* TabSheet4;
  TListView* DownList;
  TListView* UpList;
  TTabSheet* TabSheet3;
  TListBox* ListBox1;
  TTabSheet* TabSheet5;
  TImage* Image1;
  TTabSheet* FileTab;
  TFileListBox* FileList;
  TDirectoryListBox* FolderBox;
  TEdit* Edit4;
  TImage* Image2;
  TEdit* Edit3;
  TButton* SearchButton;
  TComboBox* HostBox;
  TEdit* Edit1;
  TEdit* Edit2;
  TButton* ConnectButton;
  TButton* OptionsButton;
  TButton* HideButton;
  TButton* QuitButton;
  TVrNavigator* Navigator;
  TEdit* MusicLabel;
  TTimer* Timer1;
  TPopupMenu* DownMenu;
  TPopupMenu* UpMenu;
  TPopupMenu* FileMenu;
  TzelFileOperation* zelFiler;
  TPlayWav* PlayWav1;
  // Counter labels: [group][column] for Received, Dropped, Send, Routed,
  // Broadcasted; null where a group has no such value.
  std::array<std::array<TLabel*, 5>, 6> CounterLabels{};
  TLabel* GnutellaDownLabel;
  TLabel* GnutellaUpLabel;
  TLabel* FileDownLabel;
  TLabel* FileUpLabel;
  // The black strip above the graph that holds the four traffic labels.
  TPanel* TrafficPanel;

  TNutsPlayerCommands PlayerCommands;

  // --- frame (nuts.cpp) ---
  void FormCreate(TObject* Sender);
  void FormShow(TObject* Sender);
  void Options1Click(TObject* Sender);
  void Exit1Click(TObject* Sender);
  // The pages and page controls show the window's picture (Image2,
  // stretched over the client area) wherever they hold nothing, so the
  // picture lies behind the whole window. Both are false (null) while the
  // window has no picture.
  bool PaintBackdrop(TWinControl* Control, HDC DC);
  HBRUSH BackdropBrush(TWinControl* Control, HDC DC);

  // --- hosts (NutsHosts.cpp) ---
  void AutoConnect(TObject* Sender);
  // The host box changed: every connect host but the empty last item is
  // offered to the servent (which dials dotted addresses only).
  void DoHost(TObject* Sender);
  // The caption after a login or a disconnect.
  void UpdateCaption();
  void Gnutella1Connect(TObject* Sender, const String& IP, const GUID& ID);
  void Gnutella1IncomingConnection(TObject* Sender, const String& IP, bool& Accept);
  void Gnutella1Login(TObject* Sender, const String& IP, const GUID& ID, TGnutellaClientVersion Version,
                      const String& UserAgent, const String& Info);
  void Gnutella1Disconnect(TObject* Sender, const String& IP, const GUID& ID);
  void Gnutella1Error(TObject* Sender, const String& IP, const GUID& ID, int ErrorType, int ErrorCode,
                      const String& ErrorMsg);
  void Gnutella1DestroyClient(TObject* Sender, const String& IP, const GUID& ID);
  void Gnutella1Query(TObject* Sender, const String& IP, const GUID& ID, int MinSpeed,
                      const String& SearchText);
  // Offered and bound to nothing: dialling a ponged host.
  void Gnutella1Pong(TObject* Sender, const String& IP, const GUID& ID, const String& PongIP, int Port,
                     DWORD NumFiles, DWORD TotalSize);
  // The host row of a link: the row bound to ID, else the first unbound
  // row of IP, which is then bound. -1 when none.
  int FindHostRow(const String& IP, const GUID& ID, bool Bind);

  // --- searches (NutsSearches.cpp) ---
  void SearchClick(TObject* Sender);
  // A search tab with its result list, shown (the search's steps before
  // the query goes out).
  TListView* AddSearchTab(const String& Text);
  void Edit3KeyDown(TObject* Sender, Word& Key, TShiftState Shift);
  void FoundStuff(TObject* Sender, const String& IP, const GUID& ID, const String& FileIP, int Port,
                  DWORD Speed, const GUID& ServerntID, DWORD FileIndex, DWORD FileSize,
                  const String& Filename, const String& Data);
  int FindResultPage(const String& Filename);
  TListView* ResultList(int Tab) const;
  void ClearResults(TListView* List);

  // --- transfers (NutsTransfers.cpp) ---
  void ResultDblClick(TObject* Sender);
  void Gnutella1ReceiveFile(TObject* Sender, const String& Filename, int FileIndex,
                            const String& ServentID, TCustomWinSocket* Socket);
  void Gnutella1UploadFile(TObject* Sender, const String& Filename, int FileIndex,
                           std::int64_t StartOffset, std::int64_t StopOffset, const String& UserAgent,
                           TCustomWinSocket* Socket);
  void Gnutella1Push(TObject* Sender, const String& IP, const GUID& ID, const String& PushIP, int Port,
                     const String& Filename, DWORD FileIndex, const GUID& ServentID);
  void Abort1Click(TObject* Sender);
  void DownClear(TObject* Sender);
  void UpAbort(TObject* Sender);
  void UpClear(TObject* Sender);
  const std::vector<TGnutellaFileTransfer*>& Transfers() const { return transfers_; }
  // The row showing a transfer (null when cleared or gone).
  TListItem* TransferRow(TGnutellaFileTransfer* T) const;
  // DownloadDir: the download folder text, ending in a separator.
  String DownloadDir;
  // Uploads over pushes that may run at once; a push beyond them is
  // refused, not dialled.
  int UploadSlots = 4;

  // --- statistics (NutsStatistics.cpp) ---
  void Timer1Timer(TObject* Sender);
  virtual double GetFileDownSpeed();
  virtual double GetFileUpSpeed();
  virtual double GetGnutellaDownSpeed();
  virtual double GetGnutellaUpSpeed();
  // Offered and bound to nothing: the file download speed shown in the
  // upload label.
  void Button6Click(TObject* Sender);
  std::array<std::vector<double>, 4> Rings;  // GnutellaDown, FileDown, GnutellaUp, FileUp
  int RingIndex = 0;
  double GraphMax = 1.0;

  // --- settings (NutsSettings.cpp) ---
  String SettingsFileName() const;
  void SaveSettings();
  bool LoadSettings();
  bool SettingsLoaded() const { return settings_loaded_; }

  // --- incoming files and player (NutsIncoming.cpp) ---
  void RubFile(TObject* Sender);
  void DoMove(TObject* Sender);
  void MoveStuff(TObject* Sender);
  void StuffUp(TObject* Sender, const String& S, bool& Handled);
  // Offered and bound to nothing: a copy prepared as a move, and a rename
  // prepared in the rename box (Enter or leaving it runs the move steps;
  // the typed name is not used).
  void DoCopy(TObject* Sender);
  void DoName(TObject* Sender);
  void RenameKeys(TObject* Sender, Word& Key, TShiftState Shift);
  void NameStuff(TObject* Sender);
  void Controller(TObject* Sender, TVrButtonType Button);
  String SourceName, DestFolder, SourcePath;
  bool FolderChosen = false;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  // frame
  TForm2* Options();
  void MakeTabs();
  void MakeBottomRow();
  void BindServent();
  // A page of Pages that shows the window's picture behind what it holds.
  TTabSheet* AddPictureSheet(TPageControl* Pages, const char* Name, const String& Caption);
  // Draws Image2's picture into the backdrop and repaints the window.
  void BackdropChanged();
  // Where Control's client area lies in the window's client area.
  TPoint BackdropOffset(TWinControl* Control);
  // hosts
  TListItem* AddHostRow(const String& IP, const String& Kind);
  void DeleteHostRow(int Index);
  void RemoveHandedOverRow(TCustomWinSocket* Socket);
  // transfers
  void BindDownload(TGnutellaFileTransfer* T, bool WithConnect);
  void BindUpload(TGnutellaFileTransfer* T);
  void BindEnd(TGnutellaFileTransfer* T);
  // Whether a push to PushIP for FileIndex may dial now: no other push to
  // that address for that index runs, and an upload slot is free.
  bool MayAnswerPush(const String& PushIP, DWORD FileIndex) const;
  // Unhooks every transfer from the window and forgets it; the caller
  // frees them or leaves them to their owner.
  std::vector<TGnutellaFileTransfer*> ReleaseTransfers();
  static void UnhookTransfer(TGnutellaFileTransfer* T);
  void Track(TGnutellaFileTransfer* T, TListItem* Row);
  void Forget(TGnutellaFileTransfer* T);
  void DeleteTransferRow(TListView* List);
  // Where a peer's file goes: "" when the name is refused; with
  // AvoidExisting an existing file is never replaced.
  String SaveTarget(const String& Name, bool AvoidExisting) const;
  // statistics
  void MakeStatistics();
  void DrawGraph();
  // incoming files
  // A move or a rename: the selected files listed for the shell's file
  // operation with Box shown; then, when Box is left, run into the folder
  // box's folder.
  void PrepareFileOperation(TControl* Box);
  void RunFileOperation(TControl* Box);

  std::vector<TListView*> result_lists_;
  std::vector<TGnutellaFileTransfer*> transfers_;
  std::map<TGnutellaFileTransfer*, TListItem*> rows_;
  bool settings_loaded_ = false;
  bool quitting_ = false;
  bool in_do_host_ = false;
  std::unique_ptr<TBitmap> backdrop_;
  std::unique_ptr<TBrush> backdrop_brush_;
};

extern TNutsForm* NutsForm;
