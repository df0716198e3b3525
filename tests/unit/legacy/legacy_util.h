// Shared by the legacy-method tests: one entry through UnzipEntry, test
// inputs, and 7-Zip as an independent decoder where it is installed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/files.h"
#include "unzip/unzip.h"

namespace legacy {

using qtest::Bytes;

struct EntryOptions {
  // Sizes in a data descriptor only (bit 3, zeros in the local header).
  bool descriptor = false;
  // The archive file ends this many bytes into the compressed data.
  bool truncate = false;
  size_t truncateAt = 0;
  // Sizes written into the local header instead of the real ones.
  bool overridePacked = false;
  uint32_t packedSize = 0;
  bool overrideUnpacked = false;
  uint32_t unpackedSize = 0;
  // Hold the abort key down from the first progress step on.
  bool abort = false;
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

EntryOptions Truncated(size_t at);
EntryOptions DeclaredPacked(uint32_t size);
EntryOptions DeclaredUnpacked(uint32_t size);
EntryOptions SizesInDescriptor();
EntryOptions HoldingAbortKey();

// A way for an entry to fail, and the result it must give; a failed entry
// leaves no output file.
struct FailureCase {
  const char* name;
  EntryOptions options;
  TUnzipResult expected;
};
void ExpectFailures(uint16_t method, uint16_t flags, const Bytes& packed, const Bytes& data,
                    const std::vector<FailureCase>& cases);

// Deterministic test inputs.
Bytes Text(size_t size, uint32_t seed = 1);    // word-like text
Bytes Noise(size_t size, uint32_t seed = 1);   // incompressible bytes
Bytes Runs(size_t size, uint32_t seed = 1);    // long runs and repeats
Bytes Records(size_t size, uint32_t seed = 1);  // binary records, many 0 and 144
Bytes Repeat(uint8_t byte, size_t count);

// 7-Zip (`7zz`) on the PATH, natively; never under Wine.
bool SevenZipAvailable();
// Entry `name` of `archive` as 7-Zip decodes it; throws when 7-Zip fails.
Bytes SevenZipEntry(const std::string& archive, const std::string& name);
// Every file 7-Zip can extract from `archive` (whatever it makes of the
// names).
std::vector<Bytes> SevenZipFiles(const std::string& archive);
// A one-entry archive as RunEntry makes it, decoded by 7-Zip.
Bytes SevenZipDecode(uint16_t method, uint16_t flags, const Bytes& packed, const Bytes& data);
// The same, failing the test (and answering nothing) when 7-Zip fails.
Bytes SevenZipDecodeOrEmpty(uint16_t method, uint16_t flags, const Bytes& packed, const Bytes& data);

}  // namespace legacy
