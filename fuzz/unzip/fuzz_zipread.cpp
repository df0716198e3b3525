// The directory reader on arbitrary files: recognition, end-record search,
// the walk in both modes. Nothing may crash, leak or read out of bounds.
#include <cstring>

#include "fuzz_common.h"
#include "unzip/zipread.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = qfuzz::WriteInput(data, size, "input.zip");
  (void)IsZipArchive(path.c_str());
  TZipSearchRec rec;
  std::memset(&rec, 0, sizeof(rec));
  int entries = 0;
  for (int rc = ZipFindFirst(path.c_str(), rec); rc == kZipOk; rc = ZipFindNext(rec)) {
    if (std::strlen(rec.EntryName) >= sizeof(rec.EntryName)) std::abort();
    if (++entries > 100000) std::abort();  // a walk always ends
  }
  ZipFindClose(rec);
  if (rec.Window != nullptr) std::abort();
  return 0;
}
