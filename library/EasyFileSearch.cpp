#include "library/EasyFileSearch.h"

TEasyFileSearch::TEasyFileSearch(TComponent* AOwner)
    : TComponent(AOwner),
      DateFilterFirstDate(Date()),
      DateFilterSecondDate(Date()),
      engine_(std::make_unique<TFileSearch>()),
      excluded_files_(std::make_unique<TStringList>()),
      file_names_(std::make_unique<TStringList>()) {
  file_names_->Add("*.*");
  // The engine's hooks call the component's events when they are assigned.
  engine_->OnFileFound = [this](const TFileInformations& info) {
    if (OnFileFound) OnFileFound(info);
  };
  engine_->OnAcceptFile = [this](const TFileInformations& info) { return OnAcceptFile ? OnAcceptFile(info) : true; };
  engine_->OnChangeFolder = [this](const String& path) {
    if (OnChangeFolder) OnChangeFolder(path);
  };
  engine_->OnStatistics = [this](const TStatistics& stats) {
    if (OnStatistics) OnStatistics(stats);
  };
}

TEasyFileSearch::~TEasyFileSearch() = default;

bool TEasyFileSearch::Execute() {
  TFileSearch& e = *engine_;
  e.IncludeSubfolder = SearchOptions.Contains(okIncludeSubfolder);
  e.LookForReadOnlyFile = SearchOptions.Contains(okLookForReadOnlyFile);
  e.LookForHiddenFile = SearchOptions.Contains(okLookForHiddenFile);
  e.LookForSystemFile = SearchOptions.Contains(okLookForSystemFile);
  e.LookForDirectory = SearchOptions.Contains(okLookForDirectory);
  e.LookForArchiveFile = SearchOptions.Contains(okLookForArchiveFile);
  e.LookForAnyFile = SearchOptions.Contains(okLookForAnyFile);
  e.FilterOnDate = FilterKind.Contains(fkFilterOnDate);
  e.DateAccess = DateFilterFileAccess;
  e.DateKind = DateFilterKind;
  e.FirstDate = DateFilterFirstDate;
  e.SecondDate = DateFilterSecondDate;
  e.FilterOnSize = FilterKind.Contains(fkFilterOnSize);
  e.SizeKind = SizeFilterKind;
  e.SizeBound = SizeFilterSize;
  e.FileNames->Assign(file_names_.get());
  e.ExcludedFiles->Assign(excluded_files_.get());
  return e.Search();
}
