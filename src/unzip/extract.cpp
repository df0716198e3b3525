#include "unzip/extract.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "common/message.h"
#include "platform/file.h"
#include "unzip/entry_output.h"
#include "unzip/write_behind.h"
#include "unzip/zipread.h"

TExtractProgressEvent OnExtractProgress;

namespace {

void Report(bool start, bool finish, int32_t total, int32_t position) {
  if (OnExtractProgress.IsSet()) {
    OnExtractProgress.Method(OnExtractProgress.Object, start, finish, total, position);
  }
}

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// True when `text` is one of the digits Windows accepts after COM and LPT
// in a device name: 0-9, or superscript one, two or three, in UTF-8 or as
// the single bytes of the Latin code pages.
bool IsDevicePortNumber(const std::string& text) {
  const auto superscript = [](unsigned char c) { return c == 0xB9 || c == 0xB2 || c == 0xB3; };
  const auto byte = [&text](size_t i) { return static_cast<unsigned char>(text[i]); };
  if (text.size() == 1) return (text[0] >= '0' && text[0] <= '9') || superscript(byte(0));
  return text.size() == 2 && byte(0) == 0xC2 && superscript(byte(1));
}

// True when `component` (up to an extension, trailing dots and spaces
// ignored, as Windows ignores them) is a reserved device name.
bool IsDeviceName(const std::string& component) {
  std::string base = component.substr(0, component.find('.'));
  while (!base.empty() && (base.back() == ' ' || base.back() == '.')) base.pop_back();
  for (char& c : base) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL" || base == "CONIN$" ||
      base == "CONOUT$") {
    return true;
  }
  return base.size() >= 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
         IsDevicePortNumber(base.substr(3));
}

// Why an archive yielded no entries, from the directory reader's last code:
// missing, unreadable (or not recognised as an archive), or an archive whose
// directory is empty.
ExtractStatus WhyEmpty(const std::string& archive, int walk) {
  if (!platform::PathExists(archive.c_str())) return ExtractStatus::kArchiveMissing;
  return walk == kZipFailed ? ExtractStatus::kNotAnArchive : ExtractStatus::kNoEntries;
}

// The entries whose data overlaps another entry's: several directory entries
// that read one stream (or each other's headers) would write far more than
// the archive holds. An entry's data starts at its local header and covers
// at least the header's fixed 30 bytes and its compressed size. Folder
// entries are not read.
std::vector<bool> OverlappingEntries(const TZipContens& contents) {
  std::vector<size_t> order;
  for (size_t i = 0; i < contents.size(); ++i) {
    const std::string& name = contents[i].FileName;
    if (name.empty() || name.back() != platform::kPathSeparator) order.push_back(i);
  }
  // A heap sort: n log n for any archive, and a third of the code of the
  // library's general sort; the order of equal positions does not matter.
  const auto before = [&contents](size_t a, size_t b) {
    return contents[a].LocalHeaderPos < contents[b].LocalHeaderPos;
  };
  std::make_heap(order.begin(), order.end(), before);
  std::sort_heap(order.begin(), order.end(), before);
  std::vector<bool> overlaps(contents.size(), false);
  uint64_t reach = 0;  // the furthest end of the data seen so far
  size_t reacher = 0;  // the entry it belongs to
  for (size_t k = 0; k < order.size(); ++k) {
    const ZipRec& e = contents[order[k]];
    if (k > 0 && e.LocalHeaderPos < reach) overlaps[order[k]] = overlaps[reacher] = true;
    const uint64_t end = uint64_t{e.LocalHeaderPos} + 30 + e.Central.Packed;
    if (k == 0 || end > reach) reach = end, reacher = order[k];
  }
  return overlaps;
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
    if (component.find_first_not_of(". ") == std::string::npos &&
        component.find("..") != std::string::npos) {
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

int ReadZipContents(const std::string& ArchiveName, TZipContens& Contents) {
  // The directory decides, not the first bytes: an archive with data in
  // front of it (a self-extractor's stub, or bytes added later) is still an
  // archive, and a file that is none has no directory to walk.
  TZipSearchRec rec;
  std::memset(&rec, 0, sizeof(rec));
  int rc = ZipFindFirst(ArchiveName.c_str(), rec);
  for (; rc == kZipOk; rc = ZipFindNext(rec)) {
    Contents.push_back(ZipRec{
        rec.EntryName, rec.LocalHeaderPos,
        TCentralEntry{rec.PackedSize, rec.UnpackedSize, rec.EntryCrc, rec.MethodCode, rec.GpFlags},
        rec.NameValid});
  }
  ZipFindClose(rec);
  return rc;
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
    case ExtractStatus::kDamaged: return "the archive is damaged";
    case ExtractStatus::kEntriesFailed: break;
  }
  std::string text = q::Message("%u of %u entries failed:", FailedCount(), entries.size());
  int shown = 0;
  for (const EntryOutcome& e : entries) {
    if (e.result == urOk) continue;
    if (++shown > 5) {
      text += " ...";
      break;
    }
    q::AppendMessage(text, " %s (%s)", e.name,
                     e.refused ? "unsafe name" : UnzipResultName(e.result));
  }
  return text;
}

ExtractOutcome ExtractAllFiles(const std::string& ArchiveName, const std::string& DestFolder) {
  ExtractOutcome outcome;
  ForceFolders(DestFolder);
  TZipContens contents;
  const int walk = ReadZipContents(ArchiveName, contents);
  if (walk == kZipDamaged) {
    outcome.status = ExtractStatus::kDamaged;
    return outcome;
  }
  if (contents.empty()) {
    outcome.status = WhyEmpty(ArchiveName, walk);
    return outcome;
  }
  const std::vector<bool> overlapping = OverlappingEntries(contents);
  // One open archive for every entry (a failed open fails each entry as
  // opening it by name would).
  platform::File archive;
  const bool open = archive.OpenRead(ArchiveName.c_str()) == 0;
  const int32_t total = static_cast<int32_t>(contents.size());
  Report(true, false, total, 0);
  outcome.entries.reserve(contents.size());
  // Entry i is decoded here while the file side writes the ones before; an
  // entry is reported once its result is final, in order.
  unzip::WriteBehind files(ArchiveName, contents.size());
  int32_t reported = 0;
  const auto collect = [&](bool wait) {
    TUnzipResult result;
    while (reported < total && files.Next(wait, &result)) {
      const ZipRec& entry = contents[static_cast<size_t>(reported)];
      EntryOutcome& done = outcome.entries[static_cast<size_t>(reported)];
      done.result = result;
      const std::string& name = entry.FileName;
      if (result == urOk && !name.empty() && name.back() != platform::kPathSeparator)
        done.bytes = entry.Central.Unpacked;
      Report(false, false, total, reported++);
    }
  };
  for (int32_t i = 0; i < total; ++i) {
    const ZipRec& entry = contents[static_cast<size_t>(i)];
    outcome.entries.push_back(EntryOutcome{entry.FileName, urOk, false});
    std::string full = DestFolder + entry.FileName;
    if (!entry.NameValid || !IsSafeEntryName(entry.FileName)) {
      outcome.entries.back().refused = true;
      files.Known(urArchiveError);
    } else if (overlapping[static_cast<size_t>(i)]) {
      files.Known(urArchiveError);
    } else if (full.size() > platform::kMaxPathBytes) {
      files.Known(urWriteError);
    } else if (full.back() == platform::kPathSeparator) {
      files.Folder(std::move(full));
    } else {
      files.BeginFile(std::move(full), GetEngineUi().tickCount());
      bool started = false;
      uint32_t stamp = 0;
      const TUnzipResult decoded =
          open ? unzip::DecodeEntryFrom(archive, entry.LocalHeaderPos, entry.Central, files,
                                        &started, &stamp)
               : urReadError;
      files.EndFile(decoded, started, stamp);
    }
    collect(false);
  }
  collect(true);
  Report(false, true, 0, 0);
  if (outcome.FailedCount() != 0) outcome.status = ExtractStatus::kEntriesFailed;
  return outcome;
}
