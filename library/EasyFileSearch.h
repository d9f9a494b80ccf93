// TEasyFileSearch: a non-visual component that searches a folder tree
// breadth first in the caller's thread (through its TFileSearch engine) and
// reports each accepted entry and, at the end, the statistics.
#pragma once

#include <memory>

#include "classlib/Components.h"
#include "library/FileSearch.h"

class TEasyFileSearch : public TComponent {
 public:
  explicit TEasyFileSearch(TComponent* AOwner);
  ~TEasyFileSearch() override;

  // Copies the settings into the engine and searches; false when the root
  // could not be listed.
  bool Execute();

  // "TEasyFileSearch v1.02"; writing is ignored.
  String Version() const { return "TEasyFileSearch v1.02"; }
  void SetVersion(const String&) {}

  TOptions SearchOptions = {okIncludeSubfolder,  okLookForReadOnlyFile, okLookForHiddenFile, okLookForSystemFile,
                            okLookForDirectory, okLookForArchiveFile,  okLookForAnyFile};
  TFilter FilterKind;
  TDateFilterAccessKind DateFilterFileAccess = dfakAnyFiles;
  TDateFilterKind DateFilterKind = dfkSame;
  TDateTime DateFilterFirstDate;
  TDateTime DateFilterSecondDate;
  TSizeFilterKind SizeFilterKind = sfkSmallerOrEqualTo;
  std::int64_t SizeFilterSize = 0;

  TStrings* ExcludedFiles() const { return excluded_files_.get(); }
  // The list's lines are replaced by the given lines.
  void SetExcludedFiles(TStrings* Value) { excluded_files_->Assign(Value); }
  TStrings* FileNames() const { return file_names_.get(); }
  void SetFileNames(TStrings* Value) { file_names_->Assign(Value); }
  // Kept in the engine.
  const String& RootPath() const { return engine_->RootPath; }
  void SetRootPath(const String& Value) { engine_->RootPath = Value; }

  TOnFileFound OnFileFound;
  TOnAcceptFile OnAcceptFile;
  TOnChangeFolder OnChangeFolder;
  TOnStatistics OnStatistics;

 private:
  std::unique_ptr<TFileSearch> engine_;
  std::unique_ptr<TStringList> excluded_files_;
  std::unique_ptr<TStringList> file_names_;
};
