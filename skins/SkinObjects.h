// One element of a skin and its tree: layout of the children by alignment,
// drawing from image or colour and text, the window region of the tree and
// the visibility decision from the skinned window's state.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "classlib/Bitmaps.h"
#include "classlib/Components.h"
#include "classlib/Fonts.h"
#include "classlib/Strings.h"
#include "skins/QzDevBmp.h"

class TscSkinSource;
class TscSkinEngine;

// Align codes.
enum : uint8_t {
  saNone, saLeft, saMostLeft, saTop, saMostTop, saRight, saMostRight, saBottom, saMostBottom,
  saClient, saTopLeft, saTopRight, saBottomLeft, saBottomRight, saCenter, saText
};

// Kind codes.
enum : uint8_t {
  skNone, skForm, skCaption, skTitle, skTop, skLeft, skRight, skBottom, skTopLeft, skTopRight,
  skBottomLeft, skBottomRight, skMenuBar, skMenuBarItem, skPopupMenu, skPopupMenuItem,
  skPopupMenuClient, skSysButton, skClient, skButton, skButtonGlyph, skButtonText,
  skProgressBar, skProgressBarBack, skProgressBarFore, skPanel, skPanelText, skCheckBox,
  skCheckBoxGlyph, skCheckBoxText, skRadioButton, skRadioButtonGlyph, skRadioButtonText,
  skPageControl, skPageControlTab, skPageControlClient
};

// TileStyle codes.
enum : uint8_t { stTile, stStretch, stStretchLinear, stCenter };

// Mask kinds.
enum : uint8_t { mkNone, mkColor, mkImage };

// Visibility terms (bit numbers of Visible).
enum TscVisibleTerm {
  svAlways, svActive, svInactive, svMaximized, svNoMaximized, svRollup, svNoRollup, svStayOnTop,
  svNoStayOnTop, svMenuBar, svNoMenuBar, svHelp, svNoHelp, svMax, svNoMax, svMin, svNoMin,
  svMinMax, svNoMinMax, svSizeable, svNoSizeable, svSysMenu, svNoSysMenu, svClose, svNoClose,
  svFocused, svNoFocused, svDefault, svDisabled, svClicked, svChecked, svNoChecked, svGrayed,
  svNever, svTabActive, svTabNoActive
};
using TscVisible = Set<TscVisibleTerm>;

enum TscBorderIcon { sbSystemMenu, sbMinimize, sbMaximize, sbHelp, sbRollup, sbClose };
using TscBorderIcons = Set<TscBorderIcon>;

enum TscWindowStateItem { swMaximized, swRollup, swStayOnTop, swSizeable };
using TscWindowState = Set<TscWindowStateItem>;

class TscSkinObject : public TPersistent {
 public:
  TscSkinObject();
  ~TscSkinObject() override;

  void Assign(TPersistent* ASource) override;

  virtual void Realign();
  virtual void Draw(TCanvas* Canvas);

  int ChildCount() const { return static_cast<int>(Children.size()); }
  TscSkinObject* Child(int Index) const { return Children[Index]; }
  void AddChild(TscSkinObject* Obj);
  void RemoveChild(TscSkinObject* Obj);
  TscSkinObject* FindChild(uint8_t AKind);
  void ForEach(const std::function<void(TscSkinObject*)>& Proc);

  RECT GetBoundsRect() const { return RECT{Left, Top, Left + Width, Top + Height}; }
  void SetBoundsRect(const RECT& R);
  void SetWidth(int Value);
  void SetHeight(int Value);
  void SetText(const String& Value);
  void SetShown(bool Value);
  void SetMaskColor(TColor Value);
  void SetMaskImage(TqzBmp* Value);
  void SetEngine(TscSkinEngine* Value);
  void SetSource(TscSkinSource* Value);
  void SetWnd(HWND Value);

  TscSkinObject* ObjectAtPoint(POINT P);
  // The caller deletes the region.
  HRGN GetRegion();
  bool IsVisible(bool Active, TscBorderIcons BorderIcons, TscSkinEngine* AEngine,
                 TscWindowState WindowState);
  String EllipsisText(TCanvas* Canvas, const String& AText, int MaxWidth);

  TscSkinObject* Parent = nullptr;
  TscSkinSource* Source = nullptr;
  TscSkinEngine* Engine = nullptr;
  uint8_t Align = saNone;
  TscVisible Visible{svAlways};
  bool Shown = true;
  int32_t Transparency = 100;
  uint8_t Kind = skNone;
  uint8_t TileStyle = stTile;
  std::vector<TscSkinObject*> Children;  // owned
  TqzBmp* Image = nullptr;               // one reference
  TColor Color = 0;
  String Text;
  uint8_t TextAlign = 4;
  TColor TextColor = 0;
  int32_t MenuIndex = -1;
  int32_t FontSize = 8;
  String FontName = "Arial";
  TFontStyles FontStyle;
  RECT TextInsets{0, 0, 0, 0};
  String ShortCutText;
  TColor MaskColor = 0;
  uint8_t MaskKind = mkNone;
  TqzBmp* MaskImage = nullptr;  // one reference
  bool Enabled = true;
  TColor DisabledTextColor = 0;
  std::unique_ptr<TBitmap> Glyph;
  bool InTextLayout = false;
  TStringList LeaveEvent, HoverEvent, ClickEvent, UnClickEvent, KillFocusEvent, SetFocusEvent,
      RightClickEvent, DoubleClickEvent;
  HWND Wnd = nullptr;
  String Name;
  bool Destroying = false;
  int32_t Top = 0, Left = 0, Height = 0, Width = 0;
  int32_t DesignTop = 0, DesignLeft = 0;

  // The eight event lists in the order the configuration writes them.
  std::vector<TStringList*> EventLists();

  // --- action scripts and effects ---
  // Effect kinds.
  enum : uint8_t {
    ekNone, ekChangeImage, ekChangeColor, ekChangeTextColor, ekSlideImage, ekSlideColor,
    ekSlideTextColor, ekFadeImage, ekFadeColor, ekFadeTextColor
  };
  // Runs a script (one command per line), ending a running one first.
  void RunScript(TStrings* Script);
  void DoHover(bool Recursive);
  void DoLeave(bool Recursive);
  void DoClick(bool Recursive);
  void DoDoubleClick(bool Recursive);
  void DoRightClick(bool Recursive);
  // Advances the current command by one frame.
  void Step();
  // Steps until the current command has finished. False when a command
  // of the script freed the object meanwhile (an "action" whose handler
  // loads another skin): the caller must not touch it then.
  bool WaitEffect();
  // Effects of up to 10 s; the image starters take a reference of their own.
  void FadeImage(TqzBmp* AImage, int Ms);
  void FadeColor(TColor AColor, int Ms);
  void FadeTextColor(TColor AColor, int Ms);
  void SlideImage(TqzBmp* AImage, int Ms, int ADirection);
  void SlideColor(TColor AColor, int Ms, int ADirection);
  void SlideTextColor(TColor AColor, int Ms, int ADirection);

  // Every skin object in existence, oldest first.
  static std::vector<TscSkinObject*> AllObjects();
  static bool Exists(TscSkinObject* Obj);
  // Whether the object that had this serial number still exists (another
  // object made later at the same address does not count).
  static bool Alive(TscSkinObject* Obj, uint64_t ASerial);

  // Unique to the object among all made in the run.
  const uint64_t Serial;

  TStringList Queue;
  uint8_t EffectKind = ekNone;
  bool Busy = false;
  bool EffectRunning = false;
  TqzBmp* TargetImage = nullptr;  // one reference, for the image kinds
  TColor TargetColor = 0;
  uint8_t Direction = 0;
  int64_t Time = 0;
  int64_t PrevTime = 0;
  int64_t Duration = 0;
  // An error box about this object's script is open: it is not stepped.
  bool InErrorBox = false;

 protected:
  virtual bool IsMenuItem() const { return false; }
  friend class TscSkinEngine;

 private:
  void ReplaceImage(TqzBmp*& Field, TqzBmp* Other);
  void ExecuteLine();
  void StartEffect(uint8_t Kind, TqzBmp* AImage, TColor AColor, int64_t Ms, int ADirection);
  void SetTarget(TqzBmp* AImage);
  void DrawFrame();
  void ApplyEnd();
  void RunEvent(TStringList TscSkinObject::*List, bool Recursive);
};

// A stopwatch on the performance counter.
class TqzCounter {
 public:
  TqzCounter();
  void Start();
  // The seconds since Start.
  float Stop();
  int64_t Frequency = 0;
  int64_t StartCount = 0;
  int64_t StopCount = 0;
  bool Running = false;
  float Elapsed = 0;
};
void StartCounter(TqzCounter*& C);
float StopCounter(TqzCounter*& C);

// The root of a skinned popup menu.
class TscSkinPopupMenu : public TscSkinObject {};

// Answers the "menubar" visibility term: whether the engine shows a main
// menu. The engine installs it; unset, no engine shows one.
extern bool (*TscSkinObject_MenuBarShown)(TscSkinEngine*);
