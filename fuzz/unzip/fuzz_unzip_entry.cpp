// Extract-all and the entry driver on arbitrary input, every method. An
// input that starts with "PK" is an archive file: recognition, the reader,
// the local header, folder making, the decoders, descriptors; nothing may
// land outside the destination folder, and what lands inside is what the
// central directory claims. Any other input is one entry of a method it
// chooses:
//   byte 0     the method: bit 5 deflate; otherwise bits 3-4 choose unshrink
//              (0), unreduce (1, the factor from bits 0-1) or explode (2, 3;
//              flag bits 1 and 2 from the same bits); bit 7 puts the sizes
//              in a data descriptor instead
//   bytes 1-3  the declared uncompressed size (20 bits: below 1 MiB, so
//              that an input decodes quickly)
//   the rest   the compressed data,
// turned into a one-entry archive (local header, data, a descriptor and the
// start of a next local header) that UnzipEntry extracts.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "common/little_endian.h"
#include "unzip/crc32.h"
#include "unzip/extract.h"
#include "unzip/unzip.h"
#include "unzip/zipread.h"

namespace fs = std::filesystem;

namespace {

// A scratch folder in memory-backed storage, one per process: runs of the
// same fuzzer at once (two checkouts, parallel jobs) must not clear each
// other's files. libFuzzer may end a process without running exit handlers,
// so the folders of processes that no longer run are removed here.
const fs::path& Scratch() {
  static const fs::path dir = [] {
    std::error_code ec;
    const fs::path base = fs::exists("/dev/shm") ? "/dev/shm" : "/tmp";
    const std::string prefix =
        "qfuzz-" + fs::read_symlink("/proc/self/exe", ec).filename().string() + "-";
    for (const auto& e : fs::directory_iterator(base, ec)) {
      const std::string name = e.path().filename().string();
      if (name.rfind(prefix, 0) == 0 && !fs::exists("/proc/" + name.substr(prefix.size()), ec)) {
        fs::remove_all(e.path(), ec);
      }
    }
    fs::path p = base / (prefix + std::to_string(getpid()));
    fs::remove_all(p, ec);
    fs::create_directories(p, ec);
    return p;
  }();
  return dir;
}

std::string WriteInput(const uint8_t* data, size_t size, const char* name) {
  const std::string path = (Scratch() / name).string();
  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    if (size > 0) std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  return path;
}

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

void WholeArchive(const uint8_t* data, size_t size) {
  const fs::path root = Scratch() / "run", dest = root / "dest";
  std::error_code ec;
  fs::remove_all(root, ec);
  fs::create_directories(dest, ec);
  const std::string archive = WriteInput(data, size, "input.zip");
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
}

void OneEntry(const uint8_t* data, size_t size) {
  uint16_t method = 8, flags = 0;
  if ((data[0] & 0x20) == 0) {
    switch ((data[0] >> 3) & 3) {
      case 0: method = 1; break;
      case 1: method = static_cast<uint16_t>(2 + (data[0] & 3)); break;
      default: method = 6, flags = static_cast<uint16_t>(data[0] & 6); break;
    }
  }
  const bool descriptor = (data[0] & 0x80) != 0;
  const uint32_t unpacked = data[1] | (data[2] << 8) | (static_cast<uint32_t>(data[3] & 15) << 16);
  const auto packedSize = static_cast<uint32_t>(size - 4);
  std::vector<uint8_t> zip;
  q::AppendLe32(zip, 0x04034b50);
  for (uint32_t v : {20u, descriptor ? flags | 8u : flags, uint32_t{method}, 0x6B5Au, 0x5A8Cu})
    q::AppendLe16(zip, v);  // ..., a valid DOS stamp
  q::AppendLe32(zip, 0);    // CRC: whatever the data gives fails
  q::AppendLe32(zip, descriptor ? 0 : packedSize);
  q::AppendLe32(zip, descriptor ? 0 : unpacked);
  q::AppendLe32(zip, 1);  // name length 1, no extra field
  zip.push_back('e');
  zip.insert(zip.end(), data + 4, data + size);
  for (uint32_t v : {0x08074b50u, 0u, packedSize, unpacked, 0x04034b50u}) q::AppendLe32(zip, v);
  zip.insert(zip.end(), 26, 0);
  const std::string archive = WriteInput(zip.data(), zip.size(), "entry.zip");
  const TUnzipResult r = UnzipEntry(archive.c_str(), (Scratch() / "entry.out").c_str(), 0, 0, 0, 0);
  if (r == urBusy || r == urEncrypted || (r == urNotSupported && !descriptor)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size >= 2 && data[0] == 'P' && data[1] == 'K') {
    WholeArchive(data, size);
  } else if (size >= 4) {
    OneEntry(data, size);
  }
  return 0;
}
