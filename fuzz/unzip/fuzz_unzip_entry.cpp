// Extract-all and the entry driver on arbitrary archive files, every method:
// recognition, the reader, the local header, folder making, the decoders,
// descriptors.
// Checks that nothing lands outside the destination folder, and that what
// lands inside is what the central directory claims.
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>

#include "fuzz_common.h"
#include "unzip/crc32.h"
#include "unzip/extract.h"
#include "unzip/unzip.h"
#include "unzip/zipread.h"

namespace fs = std::filesystem;

namespace {

// Each name holds the last entry of that name that succeeded, with the size
// and CRC the directory gives it (a failed entry leaves what was there), and
// the folder holds no more than the sizes the directory declares in all.
void CheckClaims(const std::string& archive, const ExtractOutcome& out, const fs::path& dest) {
  TZipContens contents;
  if (ReadZipContents(archive, contents) != kZipEnd || contents.size() != out.entries.size())
    return;
  std::map<fs::path, TCentralEntry> last;
  uint64_t declared = 0, total = 0;
  for (size_t i = 0; i < contents.size(); ++i) {
    declared += contents[i].Central.Unpacked;
    const fs::path name = fs::path(contents[i].FileName).lexically_normal();
    if (out.entries[i].result == urOk && name.has_filename()) last[name] = contents[i].Central;
  }
  for (const auto& [name, claim] : last) {
    std::ifstream f(dest / name, std::ios::binary);
    const std::string d((std::istreambuf_iterator<char>(f)), {});
    total += d.size();
    const uint32_t crc =
        ~unzip::Crc32UpdateBytewise(~0u, reinterpret_cast<const uint8_t*>(d.data()), d.size());
    if (d.size() != claim.Unpacked || crc != claim.Crc || total > declared) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const fs::path root = qfuzz::Scratch() / "run";
  const fs::path dest = root / "dest";
  std::error_code ec;
  fs::remove_all(root, ec);
  fs::create_directories(dest, ec);
  const std::string archive = qfuzz::WriteInput(data, size, "input.zip");
  const fs::path cwd = fs::current_path(ec);

  (void)IsZipArchive(archive.c_str());
  const ExtractOutcome out = ExtractAllFiles(archive, dest.string() + "/");
  (void)out.Describe();
  fs::current_path(cwd, ec);
  CheckClaims(archive, out, dest);
  // The raw driver at the start of the file, where a local header may be.
  (void)UnzipEntry(archive.c_str(), (root / "raw.out").c_str(), 0, 0, 0, 0);

  fs::current_path(cwd, ec);
  for (const auto& e : fs::directory_iterator(root, ec)) {
    const std::string name = e.path().filename().string();
    if (name != "dest" && name != "raw.out") std::abort();  // something escaped
  }
  return 0;
}
