// The test skin: a form with a caption (corners cut by mask pixels, a
// title, a close button with hover, leave and click scripts), edges, a menu
// bar with its item template and a client; a popup menu; a page control.
// Images: "corners" (24-bit, mask pixels in the outer corners), "caption"
// (8-bit palette, 7 wide), "close" (24-bit, 15 wide per state, mask pixels
// in its corners). Sound: "click" (a short 8-bit WAV).
//
// Folders: TestSkin (the skin), TwoConfigs (a.qze "First" and b.qze
// "Second"), ButtonOnly, Unsizeable, BadNumber, MissingImage, ChildCycle,
// LongChild (a "Child" list over 256 characters ending in the client).
// Packages: TestSkin.qzp, BadHeader.qzp, CutBmp.qzp, NegativeLength.qzp,
// HugeWave.qzp.
#include "data/generator/test_skin.h"

#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "data/generator/canvas.h"
#include "data/generator/file_formats.h"

namespace art {
namespace {

namespace fs = std::filesystem;

constexpr Pixel kMask = Rgb(255, 0, 255);
constexpr Pixel kFrame = Rgb(0, 0, 128);

void WriteBytes(const fs::path& path, const Bytes& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!f) throw std::runtime_error("cannot write " + path.string());
}

void WriteText(const fs::path& path, const std::string& text) {
  WriteBytes(path, Bytes(text.begin(), text.end()));
}

Canvas Corners() {
  Canvas c(8, 20, kFrame);
  for (auto [x, y] : {std::pair{0, 0}, {1, 0}, {0, 1}, {7, 0}, {6, 0}, {7, 1}}) c.Set(x, y, kMask);
  return c;
}

Canvas Caption() {
  Canvas c(7, 20);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 7; ++x) c.Set(x, y, Rgb(0, 0, 96 + y * 6 + (x == 3 ? 8 : 0)));
  return c;
}

Canvas Close() {
  Canvas c(30, 20, kFrame);
  for (int state = 0; state < 2; ++state) {
    const int x0 = state * 15;
    c.FillRect(x0 + 1, 3, x0 + 14, 17, state ? Rgb(255, 64, 64) : Rgb(160, 0, 0));
    c.Line(x0 + 4, 6, x0 + 10, 12, Rgb(255, 255, 255));
    c.Line(x0 + 10, 6, x0 + 4, 12, Rgb(255, 255, 255));
    for (auto [x, y] : {std::pair{0, 0}, {14, 0}, {0, 19}, {14, 19}}) c.Set(x0 + x, y, kMask);
  }
  return c;
}

Bytes ClickWave() {
  const int samples = 80;
  Bytes b;
  auto put32 = [&b](std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  };
  auto put16 = [&b](unsigned v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
  };
  b.insert(b.end(), {'R', 'I', 'F', 'F'});
  put32(36 + samples);
  b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  put32(16);
  put16(1);
  put16(1);
  put32(8000);
  put32(8000);
  put16(1);
  put16(8);
  b.insert(b.end(), {'d', 'a', 't', 'a'});
  put32(samples);
  for (int i = 0; i < samples; ++i) b.push_back((i / 8) % 2 ? 200 : 56);
  return b;
}

struct Options {
  std::string name = "Test Skin";
  bool sizeable = true;
  std::string fontSize = "8";
  bool missingImage = false;
  bool cycle = false;
  bool longChild = false;
};

std::string Config(const Options& o) {
  std::string client = "Client";
  std::string formChildren = "Caption,BottomEdge,LeftEdge,RightEdge,MenuBar,";
  std::string padding;
  if (o.longChild) {
    for (int i = 0; i < 16; ++i) {
      std::string name = "PaddingObjectNumber" + std::to_string(10 + i);
      formChildren += name + ",";
      padding += "[" + name + "]\r\nColor=1,2,3\r\nVisible=never\r\n\r\n";
    }
  }
  formChildren += client;
  std::string t;
  t += "; Velko test skin\r\n";
  t += "[General]\r\nSkinName=" + o.name + "\r\nSkinVersion=1.0\r\nAuthor=Velko tests\r\n";
  t += "AuthorEmail=tests@velko.invalid\r\nAuthorURL=http://velko.invalid/\r\n";
  t += std::string("Sizeable=") + (o.sizeable ? "TRUE" : "false") + "\r\n\r\n";
  t += "[Sounds]\r\nclick=click.wav\r\n\r\n";
  t += "[Images]\r\ncorners=corners.bmp\r\ncaption=caption.bmp\r\nclose=close.bmp\r\n";
  if (o.missingImage) t += "ghost=ghost.bmp\r\n";
  t += "\r\n";
  t += "[Form]\r\nKind=form\r\nColor=0,0,128\r\nWidth=200\r\nHeight=150\r\nChild=" + formChildren + "\r\n\r\n";
  t += "[Caption]\r\nKind=caption\r\nAlign=mosttop\r\nImage=caption\r\nHeight=20\r\n"
       "Child=CaptionLeft,Title,CloseButton,CaptionRight" +
       std::string(o.cycle ? ",Form" : "") + "\r\n\r\n";
  t += "[CaptionLeft]\r\nKind=topleft\r\nAlign=left\r\nImage=corners,0,0,3,19\r\nMaskColor=255,0,255\r\n\r\n";
  t += "[CaptionRight]\r\nKind=topright\r\nAlign=right\r\nImage=corners,4,0,7,19\r\nMaskColor=255,0,255\r\n\r\n";
  t += "[Title]\r\nKind=title\r\nAlign=client\r\nTransparency=0\r\nTextColor=255,255,255\r\nTextAlign=left\r\n"
       "FontSize=" + o.fontSize + "\r\nFontStyle=bold\r\n\r\n";
  t += "[CloseButton]\r\nKind=sysbutton\r\nAlign=right\r\nImage=close,0,0,14,19\r\n"
       "MaskColor=255,0,255\r\nVisible=close\r\n"
       "HoverEvent=changeimage close,15,0,29,19\r\nLeaveEvent=changeimage close,0,0,14,19\r\n"
       "ClickEvent=play click;close\r\n\r\n";
  t += "[BottomEdge]\r\nKind=bottom\r\nAlign=mostbottom\r\nHeight=4\r\nColor=0,0,128\r\n"
       "Child=BottomLeftCorner,BottomRightCorner,BottomMiddle\r\n\r\n";
  t += "[BottomMiddle]\r\nKind=bottom\r\nAlign=client\r\nColor=0,0,128\r\n\r\n";
  t += "[BottomLeftCorner]\r\nKind=bottomleft\r\nAlign=left\r\nWidth=4\r\nColor=0,0,160\r\n\r\n";
  t += "[BottomRightCorner]\r\nKind=bottomright\r\nAlign=right\r\nWidth=4\r\nColor=0,0,160\r\n\r\n";
  t += "[LeftEdge]\r\nKind=left\r\nAlign=mostleft\r\nWidth=4\r\nColor=0,0,128\r\n\r\n";
  t += "[RightEdge]\r\nKind=right\r\nAlign=mostright\r\nWidth=4\r\nColor=0,0,128\r\n\r\n";
  t += "[MenuBar]\r\nKind=menubar\r\nAlign=top\r\nHeight=18\r\nColor=192,192,192\r\nVisible=menubar\r\n"
       "Child=MenuBarFill,MenuBarItem\r\n\r\n";
  t += "[MenuBarFill]\r\nAlign=client\r\nColor=192,192,192\r\n\r\n";
  t += "[MenuBarItem]\r\nKind=menubaritem\r\nAlign=left\r\nWidth=40\r\nColor=192,192,192\r\nTextColor=0,0,0\r\n"
       "HoverEvent=changecolor 0,0,128;changetextcolor 255,255,255\r\n"
       "LeaveEvent=changecolor 192,192,192;changetextcolor 0,0,0\r\n\r\n";
  t += "[Client]\r\nKind=client\r\nAlign=client\r\nColor=212,208,200\r\n\r\n";
  t += padding;
  t += "[PopupMenu]\r\nKind=popupmenu\r\nColor=255,255,255\r\n"
       "Child=PopupTop,PopupBottom,PopupLeft,PopupRight,PopupItem\r\n\r\n";
  t += "[PopupTop]\r\nAlign=mosttop\r\nHeight=2\r\nColor=0,0,128\r\n\r\n";
  t += "[PopupBottom]\r\nAlign=mostbottom\r\nHeight=2\r\nColor=0,0,128\r\n\r\n";
  t += "[PopupLeft]\r\nAlign=mostleft\r\nWidth=2\r\nColor=0,0,128\r\n\r\n";
  t += "[PopupRight]\r\nAlign=mostright\r\nWidth=2\r\nColor=0,0,128\r\n\r\n";
  t += "[PopupItem]\r\nKind=popupmenuitem\r\nAlign=top\r\nHeight=18\r\nTextAlign=left\r\n"
       "Color=255,255,255\r\nTextColor=0,0,0\r\nDisabledTextColor=128,128,128\r\n"
       "HoverEvent=changecolor 0,0,128;changetextcolor 255,255,255\r\n"
       "LeaveEvent=changecolor 255,255,255;changetextcolor 0,0,0\r\n\r\n";
  t += "[PageControl]\r\nKind=pagecontrol\r\nChild=Tab,PageClient\r\n\r\n";
  t += "[Tab]\r\nKind=pagecontroltab\r\nColor=160,160,160\r\nTextColor=0,0,0\r\n"
       "DisabledTextColor=255,255,255\r\nChild=TabMark,TabShade\r\n\r\n";
  t += "[TabMark]\r\nAlign=mosttop\r\nHeight=3\r\nVisible=tabactive\r\nColor=255,0,0\r\n\r\n";
  t += "[TabShade]\r\nAlign=mostbottom\r\nHeight=2\r\nVisible=tabnoactive\r\nColor=96,96,96\r\n\r\n";
  t += "[PageClient]\r\nKind=pagecontrolclient\r\nColor=224,224,224\r\n\r\n";
  return t;
}

struct Files {
  Bytes corners = Bmp24(Corners());
  Bytes caption = Bmp8(Caption());
  Bytes close = Bmp24(Close());
  Bytes click = ClickWave();
};

void WriteFolder(const fs::path& folder, const std::string& configName, const std::string& config,
                 const Files& f) {
  WriteText(folder / configName, config);
  WriteBytes(folder / "corners.bmp", f.corners);
  WriteBytes(folder / "caption.bmp", f.caption);
  WriteBytes(folder / "close.bmp", f.close);
  WriteBytes(folder / "click.wav", f.click);
}

// The package format, written here byte by byte: a length-prefixed header
// string, the configuration as a length-prefixed string, each sound as an
// int32 size and the WAV bytes, each image as a BMP file image.
void PutInt(Bytes& b, std::int32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(static_cast<std::uint32_t>(v) >> (8 * i)));
}
void PutString(Bytes& b, const std::string& s) {
  PutInt(b, static_cast<std::int32_t>(s.size()));
  b.insert(b.end(), s.begin(), s.end());
}

Bytes Package(const std::string& header, const std::string& config, const Files& f) {
  Bytes b;
  PutString(b, header);
  PutString(b, config);
  PutInt(b, static_cast<std::int32_t>(f.click.size()));
  b.insert(b.end(), f.click.begin(), f.click.end());
  for (const Bytes* image : {&f.corners, &f.caption, &f.close}) b.insert(b.end(), image->begin(), image->end());
  return b;
}

}  // namespace

void WriteTestSkins(const fs::path& folder) {
  const Files files;
  const std::string config = Config({});
  WriteFolder(folder / "TestSkin", "testskin.qze", config, files);

  Options first;
  first.name = "First";
  Options second;
  second.name = "Second";
  WriteFolder(folder / "TwoConfigs", "b.qze", Config(second), files);
  WriteText(folder / "TwoConfigs" / "a.qze", Config(first));

  WriteText(folder / "ButtonOnly" / "button.qze",
            "[General]\r\nSkinName=Button only\r\n\r\n[Button]\r\nKind=button\r\nColor=10,20,30\r\n");
  Options unsizeable;
  unsizeable.sizeable = false;
  WriteFolder(folder / "Unsizeable", "skin.qze", Config(unsizeable), files);
  Options badNumber;
  badNumber.fontSize = "8x";
  WriteFolder(folder / "BadNumber", "skin.qze", Config(badNumber), files);
  Options missing;
  missing.missingImage = true;
  WriteFolder(folder / "MissingImage", "skin.qze", Config(missing), files);
  Options cycle;
  cycle.cycle = true;
  WriteFolder(folder / "ChildCycle", "skin.qze", Config(cycle), files);
  Options longChild;
  longChild.longChild = true;
  WriteFolder(folder / "LongChild", "skin.qze", Config(longChild), files);

  const Bytes package = Package("SkinEngine package", config, files);
  WriteBytes(folder / "TestSkin.qzp", package);
  WriteBytes(folder / "BadHeader.qzp", Package("SkinEngine pack", config, files));
  // Cut inside the second image.
  const std::size_t cut = package.size() - files.close.size() - files.caption.size() / 2;
  WriteBytes(folder / "CutBmp.qzp", Bytes(package.begin(), package.begin() + static_cast<std::ptrdiff_t>(cut)));
  Bytes negative;
  PutString(negative, "SkinEngine package");
  PutInt(negative, -5);
  negative.insert(negative.end(), config.begin(), config.end());
  WriteBytes(folder / "NegativeLength.qzp", negative);
  Bytes huge;
  PutString(huge, "SkinEngine package");
  PutString(huge, config);
  PutInt(huge, 0x7FFFFFF0);
  huge.insert(huge.end(), files.click.begin(), files.click.end());
  WriteBytes(folder / "HugeWave.qzp", huge);
}

}  // namespace art
