// The shared-file index that answers queries (TGnutellaSharedFiles).
//
// Every file added gets the next file index (never reused). A file is
// searched and announced by its name only: a query matches the file's
// name, never its folder, and a hit carries the name without the folder;
// the index still leads to the full path for uploads (GetFileName).
#pragma once

#include <array>
#include <memory>
#include <vector>

#include "classlib/Components.h"
#include "platform/core/types.h"

// The most results one query hit carries (the count is one byte).
constexpr int kMaxHitResults = 255;
// The longest result block that keeps a query-hit payload within the
// largest payload a peer accepts (fields before and the servent GUID after).
constexpr std::size_t kMaxHitResultBlock = 65536 - 11 - 16;

struct TGnutellaSharedFile {
  DWORD FileIndex = 0;
  String FileName;  // as added (the full path)
  String Extra;     // at most 255 characters
  DWORD FileSize = 0;
};

struct TGnutellaSearchStats {
  int Count = 0;   // results in the block
  int Length = 0;  // bytes of the block
};

class TGnutellaSharedFiles : public TComponent {
 public:
  explicit TGnutellaSharedFiles(TComponent* AOwner) : TComponent(AOwner) {}

  // True when the file exists and was added.
  bool AddFile(const String& FileName, const String& Extra);
  // True when an entry with exactly that name was found and removed.
  bool RemoveFile(const String& FileName);
  // The full name of the entry with that file index, or "".
  String GetFileName(DWORD Index) const;
  // The entries whose names contain the text (ignoring ASCII case) as a
  // query-hit result block: index, size, name, NUL, extra, NUL for each.
  // False (and nothing in Buffer) when none matches. At most 255 results,
  // and never more than fit into one query hit.
  bool Search(const String& Text, std::vector<BYTE>& Buffer, TGnutellaSearchStats& Stats);

  int Count() const { return count_; }
  // Bytes of every file ever added (removing one does not lower it), as a
  // 32-bit number, and the same in kilobytes for pongs.
  DWORD TotalSize() const { return static_cast<DWORD>(total_size_); }
  DWORD TotalKilobytes() const;

  // The index; a removed entry leaves an empty slot.
  std::vector<std::unique_ptr<TGnutellaSharedFile>> Entries;
  DWORD NextIndex = 0;
  // Copies of the entries that matched the last search.
  std::array<TGnutellaSharedFile, kMaxHitResults> Results;

 private:
  int count_ = 0;
  std::uint64_t total_size_ = 0;
};

// The name a file is searched and announced by: the last part of its path,
// at most 255 characters.
String SharedName(const String& FileName);
