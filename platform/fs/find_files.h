// Finding files beyond FindFirstFile and FindNextFile (declared in files.h):
// a folder's listing that tells each entry's kind from the directory itself
// and looks up the rest of an entry (size, times, read-only) only when asked,
// for walkers that report few of the entries they pass.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/fs/file_info.h"
#include "platform/fs/files.h"

namespace platform::fs {

class FolderListing {
 public:
  FolderListing() = default;
  ~FolderListing();
  FolderListing(FolderListing&& other) noexcept;
  FolderListing& operator=(FolderListing&& other) noexcept;
  FolderListing(const FolderListing&) = delete;
  FolderListing& operator=(const FolderListing&) = delete;

  // Lists a folder given by its platform path (a trailing backslash is
  // allowed) with the entries, order and errors of FindFirstFile(folder +
  // "\*.*") and FindNextFile, but without "." and "..". False with the last
  // error set when the folder cannot be listed; an empty folder is no failure.
  bool List(const std::string& folder);
  // The same for a folder given by its Linux path, such as NativePath gives
  // for a folder of an earlier listing.
  bool ListNative(const std::string& native_folder);

  std::size_t Count() const { return entries_.size(); }
  const std::string& Name(std::size_t i) const { return entries_[i].name; }
  // The Linux path of entry `i`.
  std::string NativePath(std::size_t i) const;

  // Attributes known without looking the entry up: folder, ordinary file or
  // other (system), hidden by name, reparse point for a symbolic link (whose
  // other attributes are those of its target). FILE_ATTRIBUTE_READONLY is
  // among them only once the entry has been looked up (see `Described`).
  DWORD KnownAttributes(std::size_t i) const { return entries_[i].attributes; }
  bool Described(std::size_t i) const { return entries_[i].described; }
  // Entry `i`'s find record, as FindNextFile would fill it: false when the
  // entry can no longer be looked up (it went away meanwhile).
  bool Describe(std::size_t i, WIN32_FIND_DATA* data);

 private:
  struct Entry {
    std::string name;
    DWORD attributes = 0;
    bool link = false;
    bool described = false;
    std::unique_ptr<FileFacts> facts;  // once described
  };
  bool Fill(int dir_fd, std::string native_folder);
  void Close();

  int dir_fd_ = -1;
  std::string native_;
  std::vector<Entry> entries_;
};

// Test seam: while on, folder listings act as on a file system whose
// directory entries carry no type, so that every entry has to be looked up
// on its own.
void ListWithoutEntryTypes(bool on);

}  // namespace platform::fs
