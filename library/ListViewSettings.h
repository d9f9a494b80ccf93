// The settings objects every TAdvListView holds (where column widths are
// kept, the page layout of a printout, the layout of an HTML export) and
// its rows through the clipboard as tab-separated text.
#pragma once

#include <functional>
#include <memory>

#include "classlib/Canvas.h"
#include "classlib/Components.h"
#include "classlib/Fonts.h"
#include "classlib/Pens.h"

enum TSizeStorage { stInifile, stRegistry };
enum TPrintPosition { ppNone, ppTopLeft, ppTopRight, ppTopCenter, ppBottomLeft, ppBottomRight, ppBottomCenter };
// Scoped: the progress bar already has pbVertical and pbHorizontal.
enum class TPrintBorders { pbNoborder, pbSingle, pbDouble, pbVertical, pbHorizontal };
enum TFitToPage { fpNever, fpGrow, fpShrink, fpAlways, fpCustom };
enum TPrinterOrientation { poPortrait, poLandscape };

// Where the column widths are kept when the control goes (with Save).
class TColumnSize : public TPersistent {
 public:
  explicit TColumnSize(TComponent* AOwner) : owner_(AOwner) {}
  TComponent* Owner() const { return owner_; }
  bool Save = false;
  String Key;  // the ini file name, or the registry key
  String Section;
  bool Stretch = false;
  TSizeStorage Storage = stInifile;

 private:
  TComponent* owner_;
};

// Page layout for printing the list; held for the program, which prints
// nothing itself.
class TPrintsettings : public TPersistent {
 public:
  TPrintsettings();
  ~TPrintsettings() override;
  int FooterSize = 0;
  int HeaderSize = 0;
  TPrintPosition Time = ppNone, Date = ppNone, PageNr = ppNone, Title = ppNone;
  String DateFormat = "dd/mm/yyyy";
  String TitleText;
  TFont* Font() const { return font_.get(); }
  void SetFont(TFont* Value) { font_->Assign(Value); }
  TFont* HeaderFont() const { return header_font_.get(); }
  void SetHeaderFont(TFont* Value) { header_font_->Assign(Value); }
  TFont* FooterFont() const { return footer_font_.get(); }
  void SetFooterFont(TFont* Value) { footer_font_->Assign(Value); }
  TPrintBorders Borders = TPrintBorders::pbNoborder;
  TPenStyle BorderStyle = psSolid;
  bool Centered = false;
  bool RepeatHeaders = false;
  int LeftSize = 0, RightSize = 0, ColumnSpacing = 0, RowSpacing = 0;
  TPrinterOrientation Orientation = poPortrait;
  String PagePrefix, PageSuffix;
  int FixedWidth = 0, FixedHeight = 0;
  bool UseFixedHeight = false, UseFixedWidth = false;
  TFitToPage FitToPage = fpNever;
  String JobName;
  String PageNumSep = "/";

 private:
  std::unique_ptr<TFont> font_, header_font_, footer_font_;
};

// Layout of an HTML export of the list; held only.
class THTMLSettings : public TPersistent {
 public:
  int BorderSize = 1;
  int CellSpacing = 0;
  bool SaveColor = true;
  bool SaveFonts = true;
  String FooterFile, HeaderFile, TableStyle, PrefixTag, SuffixTag;
  int Width = 100;
};

using TPrintPageEvent = std::function<void(TObject* Sender, TCanvas* Canvas, int pagenr, int pagexsize, int pageysize)>;
using TFitToPageEvent = std::function<void(TObject* Sender, double& scalefactor, bool& allow)>;
using TPrintColumnWidthEvent = std::function<void(TObject* Sender, int aCol, int& width)>;
using TPrintNewPageEvent = std::function<void(TObject* Sender, int aRow, bool& newpage)>;
