// The shell's icons: one icon file per drive type and per kind of file
// (folder, document, audio, movie, program), each holding a 32 x 32 and a
// 16 x 16 image. The platform's shell reads them as "SHELL_DRIVE_<type>.ico"
// and "SHELL_<kind>.ico" from the program's Resources folder.
#include <string>

#include "data/generator/artwork.h"

namespace art {
namespace {

using namespace vga;

// Coordinates are given on a 32-pixel grid and scaled to the icon's size.
struct Scaled {
  Canvas& c;
  double k;
  int P(double v) const { return static_cast<int>(v * k + 0.5); }
  void Fill(double l, double t, double r, double b, Pixel p) const { c.FillRect(P(l), P(t), P(r), P(b), p); }
  void Frame(double l, double t, double r, double b, Pixel p) const { c.FrameRect(P(l), P(t), P(r), P(b), p); }
  void Disc(double cx, double cy, double r, Pixel p) const { c.FillEllipse(cx * k, cy * k, r * k, r * k, p); }
};

// A drive box seen from the front, with its lamp.
void DriveBox(const Scaled& s, Pixel body) {
  s.Fill(2, 12, 30, 24, body);
  s.c.Frame3D(s.P(2), s.P(12), s.P(30), s.P(24), White, Black);
  s.Fill(6, 17, 20, 19, Grey);
  s.Fill(24, 19, 27, 21, Lime);
}

Canvas Removable(int size) {
  Canvas c(size, size, kClear);
  Scaled s{c, size / 32.0};
  DriveBox(s, Silver);
  s.Fill(6, 15, 22, 17, Black);  // the floppy slot
  return c;
}

Canvas Fixed(int size) {
  Canvas c(size, size, kClear);
  Scaled s{c, size / 32.0};
  DriveBox(s, Silver);
  return c;
}

Canvas Remote(int size) {
  Canvas c(size, size, kClear);
  Scaled s{c, size / 32.0};
  s.Fill(2, 6, 30, 18, Silver);
  s.c.Frame3D(s.P(2), s.P(6), s.P(30), s.P(18), White, Black);
  s.Fill(24, 13, 27, 15, Lime);
  s.Fill(15, 18, 17, 26, Black);  // the cable
  s.Fill(4, 26, 28, 28, Black);
  return c;
}

Canvas Cdrom(int size) {
  Canvas c(size, size, kClear);
  Scaled s{c, size / 32.0};
  DriveBox(s, Silver);
  s.Disc(16, 10, 9, Grey);
  s.Disc(16, 10, 8, Aqua);
  s.Disc(16, 10, 3, Silver);
  s.Disc(16, 10, 1.5, kClear);
  return c;
}

Canvas Ramdisk(int size) {
  Canvas c(size, size, kClear);
  Scaled s{c, size / 32.0};
  s.Fill(2, 10, 30, 22, Green);
  s.Frame(2, 10, 30, 22, Black);
  for (int x = 5; x < 28; x += 8) s.Fill(x, 13, x + 6, 19, Black);
  for (int x = 4; x < 29; x += 3) s.Fill(x, 22, x + 1, 25, Yellow);
  return c;
}

Canvas Unknown(int size) {
  Canvas c(size, size, kClear);
  Scaled s{c, size / 32.0};
  DriveBox(s, Grey);
  s.Fill(14, 2, 18, 4, Navy);  // a question mark over the box
  s.Fill(18, 4, 20, 7, Navy);
  s.Fill(15, 7, 18, 9, Navy);
  return c;
}

// A sheet of paper with a folded corner.
void Sheet(const Scaled& s) {
  s.Fill(7, 3, 25, 29, White);
  s.Frame(7, 3, 25, 29, Black);
  s.Fill(20, 3, 25, 8, Silver);
  s.Frame(20, 3, 25, 8, Black);
}

Canvas Folder(int size) {
  Canvas c(size, size, kClear);
  Scaled s{c, size / 32.0};
  s.Fill(2, 7, 13, 10, Olive);  // the tab
  s.Fill(2, 10, 30, 27, Yellow);
  s.Frame(2, 10, 30, 27, Olive);
  return c;
}

Canvas Document(int size) {
  Canvas c(size, size, kClear);
  Scaled s{c, size / 32.0};
  Sheet(s);
  for (int y = 12; y < 26; y += 4) s.Fill(10, y, 22, y + 1, Grey);
  return c;
}

Canvas Audio(int size) {
  Canvas c(size, size, kClear);
  Scaled s{c, size / 32.0};
  Sheet(s);
  s.Fill(17, 10, 19, 22, Navy);  // a note
  s.Fill(17, 10, 22, 12, Navy);
  s.Disc(15, 22, 3, Navy);
  return c;
}

Canvas Movie(int size) {
  Canvas c(size, size, kClear);
  Scaled s{c, size / 32.0};
  s.Fill(3, 8, 29, 24, Black);  // a film strip
  for (int x = 5; x < 28; x += 5) {
    s.Fill(x, 9, x + 2, 11, White);
    s.Fill(x, 21, x + 2, 23, White);
  }
  s.Fill(7, 12, 25, 20, Teal);
  return c;
}

Canvas Program(int size) {
  Canvas c(size, size, kClear);
  Scaled s{c, size / 32.0};
  s.Fill(3, 5, 29, 27, Silver);  // a window
  s.c.Frame3D(s.P(3), s.P(5), s.P(29), s.P(27), White, Black);
  s.Fill(5, 7, 27, 11, Navy);
  s.Fill(5, 13, 27, 25, White);
  return c;
}

void AddIcon(std::vector<ArtFile>& files, const std::string& name, Canvas (*draw)(int)) {
  files.push_back({name, [draw] {
    const Canvas big = draw(32);
    const Canvas small = draw(16);
    return IconFile({{&big}, {&small}}, false);
  }});
}

void AddDrive(std::vector<ArtFile>& files, const std::string& type, Canvas (*draw)(int)) {
  files.push_back({"SHELL_DRIVE_" + type + ".ico", [draw] {
    const Canvas big = draw(32);
    const Canvas small = draw(16);
    return IconFile({{&big}, {&small}}, false);
  }});
}

}  // namespace

void AddShellArtwork(std::vector<ArtFile>& files) {
  AddDrive(files, "REMOVABLE", Removable);
  AddDrive(files, "FIXED", Fixed);
  AddDrive(files, "REMOTE", Remote);
  AddDrive(files, "CDROM", Cdrom);
  AddDrive(files, "RAMDISK", Ramdisk);
  AddDrive(files, "UNKNOWN", Unknown);
  AddIcon(files, "SHELL_FOLDER.ico", Folder);
  AddIcon(files, "SHELL_DOCUMENT.ico", Document);
  AddIcon(files, "SHELL_AUDIO.ico", Audio);
  AddIcon(files, "SHELL_MOVIE.ico", Movie);
  AddIcon(files, "SHELL_PROGRAM.ico", Program);
}

}  // namespace art
