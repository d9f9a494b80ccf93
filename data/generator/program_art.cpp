// The program folder's own data files: the six background pictures of the
// windows (JPEG, 474 x 273), the update cue "ok.wav" and the help text
// "velko.hlp"; and the pictures the windows hold from the start (resource
// bitmaps, one per window, at the size of the window's image).
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include "data/generator/artwork.h"

// jpeglib.h needs size_t and FILE declared before it.
#include <jpeglib.h>

namespace art {
namespace {

constexpr int kWidth = 474;
constexpr int kHeight = 273;

Bytes Jpeg(const Canvas& c) {
  jpeg_compress_struct info{};
  jpeg_error_mgr errors{};
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = static_cast<JDIMENSION>(c.width());
  info.image_height = static_cast<JDIMENSION>(c.height());
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 88, TRUE);
  jpeg_start_compress(&info, TRUE);
  std::vector<unsigned char> row(static_cast<std::size_t>(c.width()) * 3);
  while (info.next_scanline < info.image_height) {
    const int y = static_cast<int>(info.next_scanline);
    for (int x = 0; x < c.width(); ++x) {
      const Pixel p = c.At(x, y);
      row[x * 3] = static_cast<unsigned char>(p >> 16);
      row[x * 3 + 1] = static_cast<unsigned char>(p >> 8);
      row[x * 3 + 2] = static_cast<unsigned char>(p);
    }
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  Bytes bytes(buffer, buffer + size);
  jpeg_destroy_compress(&info);
  std::free(buffer);
  return bytes;
}

int Clamp(double v) { return v < 0 ? 0 : (v > 255 ? 255 : static_cast<int>(v)); }

// A dark picture from a colour function of (x, y) in 0..1.
template <class F>
Canvas Paint(F colour, int width = kWidth, int height = kHeight) {
  Canvas c(width, height, Rgb(0, 0, 0));
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const double u = static_cast<double>(x) / width, v = static_cast<double>(y) / height;
      c.Set(x, y, colour(u, v));
    }
  }
  return c;
}

Canvas Swirl(int width = kWidth, int height = kHeight) {
  return Paint(
      [](double u, double v) {
        const double dx = u - 0.5, dy = (v - 0.5) * 0.6;
        const double r = std::sqrt(dx * dx + dy * dy), a = std::atan2(dy, dx);
        const double s = 0.5 + 0.5 * std::sin(a * 3 + r * 40);
        return Rgb(Clamp(20 + 60 * s), Clamp(10 + 30 * s), Clamp(60 + 120 * s * (1 - r)));
      },
      width, height);
}

Canvas Fire() {
  return Paint([](double u, double v) {
    const double flame = v + 0.08 * std::sin(u * 40) * (1 - v);
    return Rgb(Clamp(200 * flame), Clamp(90 * flame * flame), Clamp(10));
  });
}

Canvas Rock() {
  return Paint([](double u, double v) {
    const double n = std::sin(u * 91) * std::cos(v * 57) + std::sin((u + v) * 37) * 0.5;
    const int g = Clamp(60 + 25 * n);
    return Rgb(g, Clamp(g - 6), Clamp(g - 14));
  });
}

Canvas Clouds() {
  return Paint([](double u, double v) {
    const double n = 0.5 + 0.25 * std::sin(u * 13 + std::sin(v * 7)) + 0.25 * std::cos(v * 11 + u * 5);
    return Rgb(Clamp(30 + 80 * n), Clamp(50 + 90 * n), Clamp(110 + 110 * n));
  });
}

Canvas Wild() {
  return Paint([](double u, double v) {
    return Rgb(Clamp(128 + 100 * std::sin(u * 17)), Clamp(60 + 60 * std::sin(v * 23 + u * 9)),
               Clamp(128 + 100 * std::cos((u - v) * 19)));
  });
}

Canvas Spike() {
  return Paint([](double u, double v) {
    const double tooth = std::fabs(std::fmod(u * 24, 2.0) - 1.0);
    const bool inside = v > tooth * 0.6 + 0.2;
    return inside ? Rgb(Clamp(30 + 40 * v), Clamp(70 + 80 * v), 40) : Rgb(10, 10, 24);
  });
}

void Put16(Bytes& b, unsigned v) {
  b.push_back(static_cast<std::uint8_t>(v));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(Bytes& b, unsigned v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

// Two rising tones, 16-bit mono, 22050 Hz.
Bytes OkWave() {
  constexpr int kRate = 22050;
  Bytes samples;
  for (double hz : {660.0, 990.0}) {
    const int n = kRate / 6;
    for (int i = 0; i < n; ++i) {
      const double fade = std::min(1.0, (n - i) / (kRate * 0.02));
      const double s = std::sin(2 * M_PI * hz * i / kRate) * 0.4 * fade;
      Put16(samples, static_cast<unsigned>(static_cast<std::int16_t>(s * 32767)) & 0xFFFF);
    }
  }
  Bytes b;
  for (char c : std::string("RIFF")) b.push_back(static_cast<std::uint8_t>(c));
  Put32(b, static_cast<unsigned>(36 + samples.size()));
  for (char c : std::string("WAVEfmt ")) b.push_back(static_cast<std::uint8_t>(c));
  Put32(b, 16);
  Put16(b, 1);
  Put16(b, 1);
  Put32(b, kRate);
  Put32(b, kRate * 2);
  Put16(b, 2);
  Put16(b, 16);
  for (char c : std::string("data")) b.push_back(static_cast<std::uint8_t>(c));
  Put32(b, static_cast<unsigned>(samples.size()));
  b.insert(b.end(), samples.begin(), samples.end());
  return b;
}

Bytes HelpText() {
  const std::string text =
      "Velko - Help\r\n"
      "\r\n"
      "Velko plays the songs it finds on drive C: (the home folder). Click a song in the list to play it.\r\n"
      "\r\n"
      "Keys\r\n"
      "  F1   About box and this help\r\n"
      "  F2   Switch between the song list and the spectrum display\r\n"
      "  F3   Open a file\r\n"
      "  F4   File sharing window, then a new hunt for music\r\n"
      "  F5   Preferences\r\n"
      "  F6   Movie player\r\n"
      "  F7   CD ripper and encoders, then a new hunt for music\r\n"
      "  F8   CD tracks\r\n"
      "  F9   Save the song list, then the tag editor\r\n"
      "  F10  A random song now\r\n"
      "  F11  The current song again\r\n"
      "  F12  Minimise\r\n"
      "  Esc  Quit\r\n"
      "  +    Next song (numeric pad)\r\n"
      "  -    Previous song (numeric pad)\r\n"
      "\r\n"
      "The song list is kept in mp3.csv beside the program. Tick Hunt to search drive C: again for\r\n"
      "*.mp3 and *.ogg files.\r\n";
  return Bytes(text.begin(), text.end());
}

}  // namespace

void AddProgramArtwork(std::vector<ArtFile>& files) {
  const std::pair<const char*, Canvas (*)()> pictures[] = {{"zig.jpg", [] { return Swirl(); }},
                                                           {"fire.jpg", Fire},
                                                           {"rock.jpg", Rock},    {"clouds.jpg", Clouds},
                                                           {"wild.jpg", Wild},    {"spike.jpg", Spike}};
  for (const auto& picture : pictures) {
    Canvas (*paint)() = picture.second;
    files.push_back({picture.first, [paint] { return Jpeg(paint()); }, true});
  }
  files.push_back({"ok.wav", OkWave, true});
  files.push_back({"velko.hlp", HelpText, true});
}

void AddWindowArtwork(std::vector<ArtFile>& files) {
  // Named after the window and its image; each at the size of the image in
  // its window, so that one drawn without stretching fills it too.
  const struct {
    const char* name;
    int width, height;
  } pictures[] = {
      {"PARABOUT_IMAGE1", 360, 270},      {"VIDEOHUNTERFORM_IMAGE1", 330, 250}, {"CDHUNTERFORM_IMAGE1", 330, 250},
      {"VIDEOFORM_IMAGE1", 488, 415},     {"SETTINGSFORM_IMAGE1", 474, 300},    {"TAGFORM_IMAGE1", 480, 300},
      {"ALBUMINFOFORM_IMAGE1", 292, 176}, {"RIPPERFORM_IMAGE1", 474, 300},      {"NUTSFORM_IMAGE2", 763, 488},
  };
  for (const auto& picture : pictures) {
    const int width = picture.width, height = picture.height;
    files.push_back({std::string(picture.name) + ".bmp", [width, height] { return Bmp24(Swirl(width, height)); }});
  }
}

}  // namespace art
