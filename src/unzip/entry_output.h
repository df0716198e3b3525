// One entry's output file, and the entry's decoding apart from it: the
// driver runs both in turn for one entry; the extractor decodes entry N+1
// while a thread of its own makes and writes entry N's file.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/file.h"
#include "unzip/engine.h"
#include "unzip/unzip.h"

namespace unzip {

inline constexpr size_t kNameBufferSize = platform::kMaxPathBytes + 1;  // with the zero
// The temporary's name: the folder, "~qz", five hex digits, ".tmp", the zero.
inline constexpr size_t kTemporarySize = kNameBufferSize + 16;
static_assert(kTemporarySize >= (kNameBufferSize - 1) + 3 + 5 + 5, "room for the longest name");

// Makes the folders of `name` one level at a time, each relative to the
// current folder, and leaves the current folder in the deepest one reached.
// The last component (the file name, or the empty text behind a final
// separator) is never made a folder.
void MakeFolderChain(const char* name);

// The file an entry's data goes to. A new file is written under its own
// name: should the entry fail, there is nothing to keep but to remove it.
// An existing one is replaced only once its successor is whole, written
// under a temporary name beside it until then.
class EntryOutput final : public OutputSink {
 public:
  // Makes the file for `name` (shorter than kNameBufferSize), and its
  // missing folders. urWriteError when it cannot be made, or when `name`
  // is the archive itself (or reaches it through a link). `seed` varies
  // the temporary's name.
  TUnzipResult Create(const char* archiveName, const char* name, uint32_t seed);
  bool Write(const uint8_t* data, uint32_t count) override;
  // The entry's end with its `result` so far: a kept file gets the time
  // stamp and the attributes, is closed and replaces the old one; a failed
  // one is removed. Returns the result, urWriteError when keeping failed.
  TUnzipResult Finish(TUnzipResult result, uint32_t stamp, uint16_t attr);
  // Closes a file left open (nothing is removed).
  void Close() { file_.Close(); }

 private:
  platform::File file_;
  char name_[kNameBufferSize] = "";
  char temp_[kTemporarySize] = "";
};

// The entry at `offset` of the open `archive` decoded into `sink`, with
// UnzipEntry's checks, sizes, CRC and results but no file and no
// progress messages. `*started` tells whether it got as far as the data
// (UnzipEntry would have made the file); `*stamp` is then its time
// stamp.
TUnzipResult DecodeEntryFrom(platform::File& archive, uint32_t offset, const TCentralEntry& central,
                             OutputSink& sink, bool* started, uint32_t* stamp);

}  // namespace unzip
