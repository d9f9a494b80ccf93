// The shell's drive icons: one icon file per drive type, each holding a
// 32 x 32 and a 16 x 16 image. The platform's shell reads them as
// "SHELL_DRIVE_<type>.ico" from the program's Resources folder.
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

void AddDrive(std::vector<ArtFile>& files, const std::string& type, Canvas (*draw)(int)) {
  files.push_back({"SHELL_DRIVE_" + type + ".ico", [draw] {
    const Canvas big = draw(32);
    const Canvas small = draw(16);
    return IconFile({{&big}, {&small}}, false);
  }});
}

// A closed folder.
Canvas Folder(int size) {
  Canvas c(size, size, kClear);
  Scaled s{c, size / 32.0};
  s.Fill(3, 7, 13, 10, Olive);
  s.Fill(3, 10, 29, 26, Yellow);
  s.Frame(3, 10, 29, 26, Olive);
  return c;
}

// A sheet with a folded corner, and a mark for the kind of file on it.
Canvas Sheet(const Scaled& s) {
  s.Fill(7, 3, 25, 29, White);
  s.Frame(7, 3, 25, 29, Black);
  s.Fill(20, 3, 25, 8, Silver);
  return s.c;
}

Canvas Document(int size) {
  Canvas c(size, size, kClear);
  Scaled s{c, size / 32.0};
  Sheet(s);
  return c;
}

Canvas Text(int size) {
  Canvas c(size, size, kClear);
  Scaled s{c, size / 32.0};
  Sheet(s);
  for (int y = 11; y < 26; y += 4) s.Fill(10, y, 22, y + 1, Grey);
  return c;
}

Canvas Audio(int size) {
  Canvas c(size, size, kClear);
  Scaled s{c, size / 32.0};
  Sheet(s);
  s.Fill(17, 10, 19, 22, Navy);  // a note
  s.Fill(19, 10, 22, 12, Navy);
  s.Disc(15, 22, 3, Navy);
  return c;
}

Canvas Movie(int size) {
  Canvas c(size, size, kClear);
  Scaled s{c, size / 32.0};
  Sheet(s);
  s.Fill(9, 11, 23, 23, Black);  // a film strip
  for (int y = 12; y < 22; y += 3) {
    s.Fill(10, y, 11, y + 1, White);
    s.Fill(21, y, 22, y + 1, White);
  }
  s.Fill(13, 13, 19, 21, Aqua);
  return c;
}

Canvas Playlist(int size) {
  Canvas c(size, size, kClear);
  Scaled s{c, size / 32.0};
  Sheet(s);
  for (int y = 11; y < 26; y += 4) {
    s.Fill(10, y, 12, y + 2, Red);
    s.Fill(14, y, 22, y + 1, Grey);
  }
  return c;
}

Canvas Program(int size) {
  Canvas c(size, size, kClear);
  Scaled s{c, size / 32.0};
  s.Fill(3, 6, 29, 26, Silver);
  s.c.Frame3D(s.P(3), s.P(6), s.P(29), s.P(26), White, Black);
  s.Fill(4, 7, 28, 10, Navy);  // a window's title bar
  return c;
}

void AddIcon(std::vector<ArtFile>& files, const std::string& name, Canvas (*draw)(int)) {
  files.push_back({name + ".ico", [draw] {
    const Canvas big = draw(32);
    const Canvas small = draw(16);
    return IconFile({{&big}, {&small}}, false);
  }});
}

}  // namespace

void AddShellArtwork(std::vector<ArtFile>& files) {
  AddIcon(files, "SHELL_FOLDER", Folder);
  AddIcon(files, "SHELL_FILE_DOCUMENT", Document);
  AddIcon(files, "SHELL_FILE_TEXT", Text);
  AddIcon(files, "SHELL_FILE_AUDIO", Audio);
  AddIcon(files, "SHELL_FILE_MOVIE", Movie);
  AddIcon(files, "SHELL_FILE_PLAYLIST", Playlist);
  AddIcon(files, "SHELL_FILE_PROGRAM", Program);
  AddDrive(files, "REMOVABLE", Removable);
  AddDrive(files, "FIXED", Fixed);
  AddDrive(files, "REMOTE", Remote);
  AddDrive(files, "CDROM", Cdrom);
  AddDrive(files, "RAMDISK", Ramdisk);
  AddDrive(files, "UNKNOWN", Unknown);
}

}  // namespace art
