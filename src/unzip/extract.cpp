#include "unzip/extract.h"

#include <cctype>
#include <cstring>

#include "platform/file.h"
#include "unzip/zipread.h"

TExtractProgressEvent OnExtractProgress;

namespace {

constexpr size_t kMaxPath = 259;

void Report(bool start, bool finish, int32_t total, int32_t position) {
  if (OnExtractProgress.IsSet()) {
    OnExtractProgress.Method(OnExtractProgress.Object, start, finish, total, position);
  }
}

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// True when `component` (up to an extension, trailing dots and spaces
// ignored, as Windows ignores them) is a reserved device name.
bool IsDeviceName(const std::string& component) {
  std::string base = component.substr(0, component.find('.'));
  while (!base.empty() && (base.back() == ' ' || base.back() == '.')) base.pop_back();
  for (char& c : base) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL") return true;
  return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
         base[3] >= '1' && base[3] <= '9';
}

// Why an archive yielded no entries: missing, unreadable (or not recognised
// as an archive), or an archive whose directory is empty.
ExtractStatus WhyEmpty(const std::string& archive) {
  if (!platform::PathExists(archive.c_str())) return ExtractStatus::kArchiveMissing;
  TZipSearchRec rec;
  std::memset(&rec, 0, sizeof(rec));
  const int rc = ZipFindFirst(archive.c_str(), rec);
  ZipFindClose(rec);
  return rc == kZipFailed ? ExtractStatus::kNotAnArchive : ExtractStatus::kNoEntries;
}

}  // namespace

bool IsSafeEntryName(const std::string& name) {
  if (name.empty() || IsSeparator(name[0])) return false;
  if (name.find(':') != std::string::npos) return false;
  size_t begin = 0;
  while (begin <= name.size()) {
    size_t end = begin;
    while (end < name.size() && !IsSeparator(name[end])) ++end;
    const std::string component = name.substr(begin, end - begin);
    // "..", and anything Windows would read as "..": dots and spaces only.
    if (component.find_first_not_of(". ") == std::string::npos && component.find("..") != std::string::npos) {
      return false;
    }
    if (!component.empty() && IsDeviceName(component)) return false;
    begin = end + 1;
  }
  return true;
}

bool FolderExists(const std::string& Path) { return platform::FolderExists(Path.c_str()); }

void ForceFolders(const std::string& Path) {
  if (Path.empty()) return;
  const std::string rest = Path.substr(0, Path.size() - 1);
  // Three characters at least: a drive root ("C:\" less its separator)
  // ends the recursion.
  if (rest.size() < 3 || FolderExists(rest)) return;
  size_t cut = rest.find_last_of(platform::kHasDriveLetters ? "\\:" : "/");
  const std::string parent = cut == std::string::npos ? std::string() : rest.substr(0, cut + 1);
  if (parent != rest) {
    ForceFolders(parent);
    platform::MakeDir(rest.c_str());
  }
}

void ReadZipContents(const std::string& ArchiveName, TZipContens& Contents) {
  // The directory decides, not the first bytes: an archive with data in
  // front of it (a self-extractor's stub, or bytes added later) is still an
  // archive, and a file that is none has no directory to walk.
  TZipSearchRec rec;
  std::memset(&rec, 0, sizeof(rec));
  if (ZipFindFirst(ArchiveName.c_str(), rec) == kZipOk) {
    do {
      Contents.push_back(
          ZipRec{rec.EntryName, rec.LocalHeaderPos, TCentralSizes{rec.PackedSize, rec.UnpackedSize}});
    } while (ZipFindNext(rec) == kZipOk);
  }
  ZipFindClose(rec);
}

size_t ExtractOutcome::FailedCount() const {
  size_t n = 0;
  for (const EntryOutcome& e : entries) n += e.result != urOk ? 1 : 0;
  return n;
}

std::string ExtractOutcome::Describe() const {
  switch (status) {
    case ExtractStatus::kOk: return "ok";
    case ExtractStatus::kArchiveMissing: return "the archive file is missing";
    case ExtractStatus::kNotAnArchive: return "the file is not a readable ZIP archive";
    case ExtractStatus::kNoEntries: return "the archive holds no entries";
    case ExtractStatus::kEntriesFailed: break;
  }
  std::string text = std::to_string(FailedCount()) + " of " + std::to_string(entries.size()) +
                     " entries failed:";
  int shown = 0;
  for (const EntryOutcome& e : entries) {
    if (e.result == urOk) continue;
    if (++shown > 5) {
      text += " ...";
      break;
    }
    text += " " + e.name + " (" + (e.refused ? "unsafe name" : UnzipResultName(e.result)) + ")";
  }
  return text;
}

ExtractOutcome ExtractAllFiles(const std::string& ArchiveName, const std::string& DestFolder) {
  ExtractOutcome outcome;
  ForceFolders(DestFolder);
  TZipContens contents;
  ReadZipContents(ArchiveName, contents);
  if (contents.empty()) {
    outcome.status = WhyEmpty(ArchiveName);
    return outcome;
  }
  // One open archive for every entry (a failed open fails each entry as
  // opening it by name would).
  platform::File archive;
  const bool open = archive.OpenRead(ArchiveName.c_str()) == 0;
  const int32_t total = static_cast<int32_t>(contents.size());
  Report(true, false, total, 0);
  outcome.entries.reserve(contents.size());
  for (int32_t i = 0; i < total; ++i) {
    const ZipRec& entry = contents[static_cast<size_t>(i)];
    EntryOutcome result{entry.FileName, urOk, false};
    const std::string full = DestFolder + entry.FileName;
    if (!IsSafeEntryName(entry.FileName)) {
      result.result = urArchiveError;
      result.refused = true;
    } else if (full.size() > kMaxPath) {
      result.result = urWriteError;
    } else if (full.back() == platform::kPathSeparator) {
      ForceFolders(full);
      result.result = FolderExists(full) ? urOk : urWriteError;
    } else {
      result.result = open ? UnzipEntryFrom(archive, full.c_str(), 0, entry.LocalHeaderPos, 0, 0,
                                            &entry.Sizes)
                           : urReadError;
    }
    outcome.entries.push_back(std::move(result));
    Report(false, false, total, i);
  }
  Report(false, true, 0, 0);
  if (outcome.FailedCount() != 0) outcome.status = ExtractStatus::kEntriesFailed;
  return outcome;
}
