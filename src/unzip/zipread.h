// Lists the entries of a ZIP archive: finds the end-of-central-directory
// record, loads the central directory and walks it entry by entry.
#pragma once

#include <cstdint>

#include "unzip/names.h"

class ZipWalk;

// The state of one directory walk, owned by the caller, who zero-fills it
// before ZipFindFirst.
struct TZipSearchRec {
  uint8_t* Window;        // directory buffer owned by the walk; null when closed
  uint16_t WindowSize;    // bytes of the buffer in use; 64000 marks large mode
  uint16_t ReadPos;       // offset of the next central header in the buffer
  uint32_t FileTime;      // MS-DOS stamp: time low 16 bits, date high 16 bits
  uint32_t UnpackedSize;  // (ZipFindFirst keeps the file size here at first)
  uint32_t PackedSize;
  uint32_t LocalHeaderPos;  // absolute file offset of the local header
  uint32_t EntryCrc;
  // UTF-8, at most 259 characters, "/" turned into the separator.
  char EntryName[unzip::kEntryNameBufferSize];
  uint16_t MethodCode;
  uint16_t DosAttr;  // low byte of the external attributes on MS-DOS hosts, else 0
  uint16_t GpFlags;
  ZipWalk* Walk;  // what the open walk owns (buffer, archive file); null when closed
  // False when the entry claims a UTF-8 name that is not: EntryName then
  // holds a stand-in for messages, and the entry is refused.
  bool NameValid;
};

// Result codes of the walk.
inline constexpr int kZipOk = 0;        // an entry is in the record; walk open
inline constexpr int kZipEnd = 1;       // the directory ended, every entry counted; walk closed
inline constexpr int kZipFailed = -1;   // cannot open/read, or no end record
inline constexpr int kZipNotOpen = -2;  // end record too near the start / no walk open
// A central header that is damaged or runs past the directory, or fewer or
// more entries than the end record counts: the walk closed before the end.
inline constexpr int kZipDamaged = -3;

// True when the file is a ZIP archive, or an MS-DOS executable with one
// appended.
bool IsZipArchive(const char* Name);
// Opens the archive, loads its central directory and reads the first entry.
int ZipFindFirst(const char* Name, TZipSearchRec& Rec);
// Reads the next entry. Headers of every size the format allows are read
// (name, extra field and comment up to 65,535 bytes each).
int ZipFindNext(TZipSearchRec& Rec);
// Ends the walk (frees the buffer, closes a kept file); harmless on a closed walk.
void ZipFindClose(TZipSearchRec& Rec);
