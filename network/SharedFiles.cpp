#include "network/SharedFiles.h"

#include <algorithm>

#include "classlib/FileRoutines.h"
#include "classlib/PathRoutines.h"
#include "classlib/Streams.h"
#include "classlib/StringRoutines.h"
#include "network/GnutellaDescriptors.h"

namespace {

constexpr std::size_t kShortStringLength = 255;

String Cut(const String& text) {
  return text.substr(0, kShortStringLength);
}

}  // namespace

String SharedName(const String& FileName) {
  // The last part after any folder separator, so no folder ever shows.
  std::size_t cut = FileName.find_last_of("\\/:");
  return Cut(cut == String::npos ? FileName : FileName.substr(cut + 1));
}

bool TGnutellaSharedFiles::AddFile(const String& FileName, const String& Extra) {
  if (!FileExists(FileName)) return false;
  std::int64_t size = 0;
  {
    TFileStream file(FileName, fmOpenRead | fmShareDenyNone);
    size = file.Size();
  }
  auto entry = std::make_unique<TGnutellaSharedFile>();
  entry->FileIndex = NextIndex++;
  entry->FileName = FileName;
  entry->Extra = Cut(Extra);
  entry->FileSize = static_cast<DWORD>(std::min<std::int64_t>(size, 0xFFFFFFFF));
  total_size_ += static_cast<std::uint64_t>(size);
  Entries.push_back(std::move(entry));
  ++count_;
  return true;
}

bool TGnutellaSharedFiles::RemoveFile(const String& FileName) {
  for (auto& entry : Entries) {
    if (entry && entry->FileName == FileName) {
      entry.reset();
      --count_;
      return true;
    }
  }
  return false;
}

String TGnutellaSharedFiles::GetFileName(DWORD Index) const {
  for (const auto& entry : Entries) {
    if (entry && entry->FileIndex == Index) return entry->FileName;
  }
  return String();
}

DWORD TGnutellaSharedFiles::TotalKilobytes() const {
  return static_cast<DWORD>(std::min<std::uint64_t>(total_size_ / 1024, 0xFFFFFFFF));
}

bool TGnutellaSharedFiles::Search(const String& Text, std::vector<BYTE>& Buffer,
                                  TGnutellaSearchStats& Stats) {
  Buffer.clear();
  Stats = TGnutellaSearchStats{};
  const String wanted = LowerCase(Text);
  std::size_t length = 0;
  int found = 0;
  for (const auto& entry : Entries) {
    if (!entry) continue;
    const String name = SharedName(entry->FileName);
    if (LowerCase(name).find(wanted) == String::npos) continue;
    std::size_t size = 10 + name.size() + entry->Extra.size();
    if (length + size > kMaxHitResultBlock) break;  // the hit would grow too long
    Results[static_cast<std::size_t>(found)] = *entry;
    length += size;
    if (++found == kMaxHitResults) break;
  }
  if (found == 0) return false;
  Buffer.reserve(length);
  for (int i = 0; i < found; ++i) {
    const TGnutellaSharedFile& result = Results[static_cast<std::size_t>(i)];
    AppendQueryHitResult(Buffer, result.FileIndex, result.FileSize, SharedName(result.FileName),
                         result.Extra);
  }
  Stats.Count = found;
  Stats.Length = static_cast<int>(Buffer.size());
  return true;
}
