// Shared by the legacy-method tests: one entry through UnzipEntry, and 7-Zip
// as an independent decoder where it is installed (natively, not under Wine).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/files.h"
#include "support/samples.h"
#include "unzip/unzip.h"

namespace legacy {

using qtest::Bytes;
using qtest::Noise;

struct EntryOptions {
  bool descriptor = false;       // sizes only in a data descriptor (zeros in the local header)
  size_t truncateAt = SIZE_MAX;  // the archive file ends this many bytes into the data
  int64_t packedSize = -1;       // local header sizes instead of the real ones
  int64_t unpackedSize = -1;
  bool abort = false;  // the abort key is held from the first step on
};

struct EntryRun {
  TUnzipResult result = urOk;
  bool written = false;  // the output file exists afterwards
  Bytes output;
};

// Writes a one-entry archive (`data` gives the CRC and uncompressed size,
// `packed` the compressed bytes) and extracts the entry.
EntryRun RunEntry(uint16_t method, uint16_t flags, const Bytes& packed, const Bytes& data,
                  const EntryOptions& options = {});

// A way for an entry to fail and the result it must give; a failed entry
// leaves no output file.
struct FailureCase {
  const char* name;
  EntryOptions options;
  TUnzipResult expected;
};
void ExpectFailures(uint16_t method, uint16_t flags, const Bytes& packed, const Bytes& data,
                    const std::vector<FailureCase>& cases);

bool SevenZipAvailable();
// A one-entry archive as RunEntry writes it, decoded by 7-Zip; a failure
// fails the test.
Bytes SevenZipDecode(uint16_t method, uint16_t flags, const Bytes& packed, const Bytes& data);

}  // namespace legacy
