// TPageControl and TTabSheet over the platform's "SysTabControl32" class:
// pages (TTabSheet, each a windowed container) of which one shows at a
// time, chosen by its tab. A page joins a page control by SetPageControl
// (or by being given it as parent) and fills the page control's display
// area. Choosing a tab asks OnChanging and then raises OnChange; setting
// ActivePage in code raises neither.
#pragma once

#include <functional>
#include <vector>

#include "classlib/WinControl.h"

enum TTabStyle { tsTabs, tsButtons, tsFlatButtons };
enum TTabPosition { tpTop, tpBottom, tpLeft, tpRight };

using TTabChangingEvent = std::function<void(TObject* Sender, bool& AllowChange)>;

class TPageControl;

class TTabSheet : public TWinControl {
 public:
  explicit TTabSheet(TComponent* AOwner);
  ~TTabSheet() override;

  TPageControl* PageControl() const { return page_control_; }
  void SetPageControl(TPageControl* Value);
  void SetParent(TWinControl* AParent) override;
  // The page's place among the page control's pages.
  int PageIndex() const;
  void SetPageIndex(int Value);
  // The index of its tab among the shown tabs (-1 when its tab is hidden).
  int TabIndex() const;
  bool TabVisible() const { return tab_visible_; }
  void SetTabVisible(bool Value);
  int ImageIndex() const { return image_index_; }
  void SetImageIndex(int Value);

  TNotifyEvent OnShow;
  TNotifyEvent OnHide;

  void Dispatch(TMessage& Message) override;

 private:
  friend class TPageControl;
  TPageControl* page_control_ = nullptr;
  bool tab_visible_ = true;
  int image_index_ = -1;
};

class TPageControl : public TWinControl {
 public:
  explicit TPageControl(TComponent* AOwner);
  ~TPageControl() override;

  int PageCount() const { return static_cast<int>(pages_.size()); }
  TTabSheet* Pages(int Index) const { return pages_.at(static_cast<std::size_t>(Index)); }
  TTabSheet* ActivePage() const { return active_page_; }
  void SetActivePage(TTabSheet* Page);
  int ActivePageIndex() const;
  void SetActivePageIndex(int Value);
  // The selected tab (-1: none).
  int TabIndex();
  TTabStyle Style() const { return style_; }
  void SetStyle(TTabStyle Value);
  bool MultiLine() const { return multi_line_; }
  void SetMultiLine(bool Value);
  TTabPosition TabPosition() const { return tab_position_; }
  void SetTabPosition(TTabPosition Value);
  bool HotTrack() const { return hot_track_; }
  void SetHotTrack(bool Value);
  // The area the pages fill, in client coordinates.
  TRect DisplayRect();
  // The page after (or before) CurPage, round the end; with CheckTabVisible
  // only pages whose tab shows.
  TTabSheet* FindNextPage(TTabSheet* CurPage, bool GoForward, bool CheckTabVisible);
  void SelectNextPage(bool GoForward);

  TNotifyEvent OnChange;
  TTabChangingEvent OnChanging;

  void AdjustClientRect(TRect& Rect) override;
  void Dispatch(TMessage& Message) override;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  // Asks OnChanging whether another tab may be chosen.
  virtual bool CanChange();
  // The tab chosen by the user: its page shows, then OnChange.
  virtual void Change();

 private:
  friend class TTabSheet;
  void InsertPage(TTabSheet* Page);
  void RemovePage(TTabSheet* Page);
  // Makes the tabs match the pages again.
  void UpdateTabs();
  TTabSheet* PageForTab(int TabIndex) const;

  std::vector<TTabSheet*> pages_;
  TTabSheet* active_page_ = nullptr;
  TTabStyle style_ = tsTabs;
  bool multi_line_ = false;
  TTabPosition tab_position_ = tpTop;
  bool hot_track_ = false;
};
