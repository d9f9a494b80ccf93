// The program's resources: blocks of bytes with a type and a name (or a
// number), as a resource compiler would have linked them into the
// program: bitmaps, cursors, icons, sounds and raw data that components
// load by name ("W95_HTB", "AD_HAND", resource 16900).
//
// Two sources fill the registry:
//  - RegisterResource: code that carries resources of its own (compiled-in
//    data, tests) registers them; registering again replaces them.
//  - The program folder's "Resources" folder (build/bin/Resources), read
//    at the first look-up: each file is a resource named after the file
//    without its extension, typed by the extension (.bmp BITMAP, .cur
//    CURSOR, .ico ICON, .wav WAVE, anything else RCDATA). A name of digits
//    only ("16900.bmp") is the numbered resource #16900. A registration
//    in code wins over a file of the same name and type.
//
// Names and types ignore case. Numbered resources are named "#" and the
// number ("#16900"), as the platform writes them. The bytes are what the
// file holds: a bitmap is a whole BMP file (TBitmap also takes a packed
// DIB), a cursor a .cur file, an icon a .ico file, a sound a .wav file.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "classlib/Streams.h"

namespace ResourceType {
inline constexpr const char* Bitmap = "BITMAP";
inline constexpr const char* Cursor = "CURSOR";
inline constexpr const char* Icon = "ICON";
inline constexpr const char* Wave = "WAVE";
inline constexpr const char* RCData = "RCDATA";
}  // namespace ResourceType

using TResourceData = std::shared_ptr<const std::vector<std::uint8_t>>;

// The name of numbered resource `Id` ("#16900").
String ResourceIdName(int Id);

void RegisterResource(const String& Name, const String& Type, std::vector<std::uint8_t> Data);
void RegisterResource(int Id, const String& Type, std::vector<std::uint8_t> Data);
// Removes a registered resource (not a file's); false when there was none.
bool UnregisterResource(const String& Name, const String& Type);
// The resource's bytes, or null when there is none (or its file cannot be
// read).
TResourceData FindResourceData(const String& Name, const String& Type);

// Registers every file of a folder (a Linux path) as the program folder's
// "Resources" folder is read; returns how many. The program folder's own
// folder is read by the first look-up; this adds others (tests use it).
int RegisterResourceFolder(const std::string& NativeFolder);
// Forgets every resource, registered or read, so that the next look-up
// reads the program folder again (for tests).
void ResetResources();

// A read-only stream over a resource's bytes. Raises EResNotFound
// "Resource <name> not found" when there is no such resource; writing
// raises EStreamError.
class TResourceStream : public TStream {
 public:
  TResourceStream(const String& ResName, const String& ResType);
  TResourceStream(int ResID, const String& ResType);

  int Read(void* Buffer, int Count) override;
  int Write(const void* Buffer, int Count) override;
  std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override;
  std::int64_t Size() override { return static_cast<std::int64_t>(data_->size()); }

  const void* Memory() const { return data_->data(); }

 private:
  TResourceData data_;
  std::int64_t position_ = 0;
};
