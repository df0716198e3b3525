// Extract-all: every entry of an archive into a destination folder, with
// progress reported through one module-level event.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "unzip/unzip.h"

// One archive entry: its name as the directory reader delivers it (UTF-8, at
// most 259 characters, the platform separator, folder entries ending with
// one) and the file offset of its local header; what the directory says of
// its data; false in NameValid when the stored name could not be decoded.
struct ZipRec {
  std::string FileName;
  uint32_t LocalHeaderPos;
  TCentralEntry Central;
  bool NameValid = true;
};
using TZipContens = std::vector<ZipRec>;

// The progress event: an object and one of its methods. Called with
// (true, false, N, 0) before the first entry, (false, false, N, i) after
// entry i, folder entries included, and (false, true, 0, 0) after the last;
// never when the archive yields no entries.
struct TExtractProgressEvent {
  void (*Method)(void* Object, bool Start, bool Finish, int32_t Total, int32_t Position) = nullptr;
  void* Object = nullptr;
  bool IsSet() const { return Method != nullptr; }
};

// The extract-all module's event; empty at program start. Whoever sets it
// clears it again.
extern TExtractProgressEvent OnExtractProgress;

enum class ExtractStatus {
  kOk,              // every entry extracted
  kArchiveMissing,  // the archive file does not exist
  kNotAnArchive,    // not a ZIP archive, or its directory cannot be read
  kNoEntries,       // a readable archive without entries
  kDamaged,         // the directory is damaged: nothing was extracted
  kEntriesFailed,   // some entries failed (see `entries`)
};

struct EntryOutcome {
  std::string name;      // the entry's name in the archive
  TUnzipResult result;   // urOk or why it failed
  bool refused = false;  // not extracted: the name points outside the folder
                         // or could not be decoded
  uint64_t bytes = 0;    // a file extracted: its size (checked when written)
};

// What became of an extraction. Every entry is listed, in archive order.
struct ExtractOutcome {
  ExtractStatus status = ExtractStatus::kOk;
  std::vector<EntryOutcome> entries;

  bool Ok() const { return status == ExtractStatus::kOk; }
  size_t FailedCount() const;
  // A short description for a person: "ok", "the archive holds no entries",
  // "3 of 10 entries failed: Foo.exe (urCrcError), ...".
  std::string Describe() const;
};

// Extracts every entry of `ArchiveName` below `DestFolder` (which ends with
// the platform separator). Entries whose names are absolute, carry a drive
// or ":", hold a ".." component or name a reserved device are refused and
// count as failed; nothing is ever written outside `DestFolder`. Entries
// whose data overlaps another's (one stream read as many) are refused too.
// Every other entry is tried, whatever became of the ones before; none is
// tried when the directory cannot be walked to its end.
[[nodiscard]] ExtractOutcome ExtractAllFiles(const std::string& ArchiveName,
                                             const std::string& DestFolder);

// The archive's entries in directory order. Returns kZipEnd when the whole
// directory was read, else the directory reader's code for what stopped it
// (the entries before that point are delivered).
int ReadZipContents(const std::string& ArchiveName, TZipContens& Contents);

// Creates the folder `Path` (given with a trailing separator) and any
// missing parents. Failures are not reported: test with FolderExists.
void ForceFolders(const std::string& Path);

// True when `Path` names an existing folder.
bool FolderExists(const std::string& Path);

// True when an entry name can be extracted below a destination folder
// without leaving it: relative, no drive or ":", no ".." component, no
// reserved device name (CON, PRN, AUX, NUL, CONIN$, CONOUT$, COM0-9 and
// LPT0-9, the superscript digits 1-3 included, with or without an extension)
// as a component.
bool IsSafeEntryName(const std::string& name);
