// Extract-all and the entry driver on arbitrary archive files, every method:
// the reader, the local header, folder making, the decoders, descriptors.
// Checks that nothing lands outside the destination folder.
#include <unistd.h>

#include <cstring>
#include <filesystem>

#include "fuzz_common.h"
#include "unzip/extract.h"
#include "unzip/unzip.h"

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const fs::path root = qfuzz::Scratch() / "run";
  const fs::path dest = root / "dest";
  std::error_code ec;
  fs::remove_all(root, ec);
  fs::create_directories(dest, ec);
  const std::string archive = qfuzz::WriteInput(data, size, "input.zip");
  const fs::path cwd = fs::current_path(ec);

  const ExtractOutcome out = ExtractAllFiles(archive, dest.string() + "/");
  (void)out.Describe();
  // The raw driver at the start of the file, where a local header may be.
  (void)UnzipEntry(archive.c_str(), (root / "raw.out").c_str(), 0, 0, 0, 0);

  fs::current_path(cwd, ec);
  for (const auto& e : fs::directory_iterator(root, ec)) {
    const std::string name = e.path().filename().string();
    if (name != "dest" && name != "raw.out") std::abort();  // something escaped
  }
  return 0;
}
