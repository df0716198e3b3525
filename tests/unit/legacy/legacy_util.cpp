#include "legacy_util.h"

#include <cstdio>
#include <filesystem>
#include <random>
#include <stdexcept>

#include <gtest/gtest.h>

namespace legacy {
namespace {

constexpr int16_t kAbortKey = 27;

bool KeyAlwaysDown(int) { return true; }

// Restores the engine's UI hooks however the test ends.
class UiOverride {
 public:
  explicit UiOverride(bool abort) : saved_(GetEngineUi()) {
    if (abort) {
      platform::EngineUi ui = saved_;
      ui.keyDown = KeyAlwaysDown;
      SetEngineUi(ui);
    }
  }
  ~UiOverride() { SetEngineUi(saved_); }
  UiOverride(const UiOverride&) = delete;
  UiOverride& operator=(const UiOverride&) = delete;

 private:
  platform::EngineUi saved_;
};

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

}  // namespace

namespace {

qtest::ZipEntrySpec Spec(uint16_t method, uint16_t flags, const Bytes& packed, const Bytes& data) {
  qtest::ZipEntrySpec spec;
  spec.name = "entry.bin";
  spec.data = data;
  spec.method = method;
  spec.packed = packed;
  spec.flags = flags;
  return spec;
}

}  // namespace

EntryRun RunEntry(uint16_t method, uint16_t flags, const Bytes& packed, const Bytes& data,
                  const EntryOptions& o) {
  qtest::ZipEntrySpec spec = Spec(method, flags, packed, data);
  if (o.descriptor) {
    spec.flags = static_cast<uint16_t>(spec.flags | 8);
    spec.zeroSizesInLocal = true;
  }
  if (o.overridePacked || o.overrideUnpacked) {
    spec.overrideLocalSizes = true;
    spec.localPacked = o.overridePacked ? o.packedSize : static_cast<uint32_t>(packed.size());
    spec.localUnpacked = o.overrideUnpacked ? o.unpackedSize : static_cast<uint32_t>(data.size());
  }
  Bytes zip = qtest::BuildZip({spec});
  if (o.truncate) zip.resize(30 + spec.name.size() + o.truncateAt);

  qtest::TempDir dir;
  const std::string archive = dir / "a.zip";
  const std::string out = dir / "out.bin";
  qtest::WriteFileBytes(archive, zip);
  EntryRun run;
  {
    UiOverride ui(o.abort);
    run.result = UnzipEntry(archive.c_str(), out.c_str(), 0, 0, 0, o.abort ? kAbortKey : 0);
  }
  run.written = std::filesystem::exists(out);
  if (run.written) run.output = qtest::ReadFileBytes(out);
  return run;
}

std::vector<Bytes> SevenZipFiles(const std::string& archive) {
  qtest::TempDir dir;
  const std::string cmd = "7zz x -y -o" + Quote(dir.Path()) + " -- " + Quote(archive) + " >/dev/null 2>&1";
  // 7-Zip ends with an error on entries it cannot decode (reduced ones);
  // the files it could decode are there all the same.
  (void)std::system(cmd.c_str());
  std::vector<Bytes> files;
  for (const auto& e : std::filesystem::recursive_directory_iterator(dir.Path())) {
    if (e.is_regular_file()) files.push_back(qtest::ReadFileBytes(e.path().string()));
  }
  return files;
}

Bytes SevenZipDecode(uint16_t method, uint16_t flags, const Bytes& packed, const Bytes& data) {
  qtest::TempDir dir;
  qtest::WriteFileBytes(dir / "a.zip", qtest::BuildZip({Spec(method, flags, packed, data)}));
  return SevenZipEntry(dir / "a.zip", "entry.bin");
}

Bytes SevenZipDecodeOrEmpty(uint16_t method, uint16_t flags, const Bytes& packed, const Bytes& data) {
  try {
    return SevenZipDecode(method, flags, packed, data);
  } catch (const std::exception& e) {
    ADD_FAILURE() << e.what();
    return {};
  }
}

EntryOptions Truncated(size_t at) {
  EntryOptions o;
  o.truncate = true;
  o.truncateAt = at;
  return o;
}

EntryOptions DeclaredPacked(uint32_t size) {
  EntryOptions o;
  o.overridePacked = true;
  o.packedSize = size;
  return o;
}

EntryOptions DeclaredUnpacked(uint32_t size) {
  EntryOptions o;
  o.overrideUnpacked = true;
  o.unpackedSize = size;
  return o;
}

EntryOptions SizesInDescriptor() {
  EntryOptions o;
  o.descriptor = true;
  return o;
}

EntryOptions HoldingAbortKey() {
  EntryOptions o;
  o.abort = true;
  return o;
}

void ExpectFailures(uint16_t method, uint16_t flags, const Bytes& packed, const Bytes& data,
                    const std::vector<FailureCase>& cases) {
  for (const FailureCase& c : cases) {
    SCOPED_TRACE(c.name);
    const EntryRun run = RunEntry(method, flags, packed, data, c.options);
    EXPECT_EQ(run.result, c.expected);
    EXPECT_FALSE(run.written);
  }
}

Bytes Text(size_t size, uint32_t seed) {
  static const char* const kWords[] = {
      "the",   "of",     "and",    "archive", "entry", "window", "code",  "table", "byte",
      "shrink", "reduce", "implode", "follower", "set",  "tree",   "length", "distance", "data",
      "a",     "to",     "in",     "is",      "that",  "for",    "with",  "PKZIP",  "\r\n"};
  std::mt19937 rng(seed);
  std::uniform_int_distribution<size_t> pick(0, std::size(kWords) - 1);
  Bytes out;
  while (out.size() < size) {
    const std::string w = kWords[pick(rng)];
    out.insert(out.end(), w.begin(), w.end());
    out.push_back(' ');
  }
  out.resize(size);
  return out;
}

Bytes Noise(size_t size, uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes out(size);
  for (auto& b : out) b = static_cast<uint8_t>(rng());
  return out;
}

Bytes Runs(size_t size, uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes out;
  while (out.size() < size) {
    const uint32_t kind = rng() % 3;
    if (kind == 0) {
      out.insert(out.end(), 1 + rng() % 700, static_cast<uint8_t>(rng()));
    } else if (kind == 1 && !out.empty()) {
      const size_t back = 1 + rng() % std::min<size_t>(out.size(), 9000);
      const size_t len = 1 + rng() % 400;
      for (size_t k = 0; k < len; ++k) out.push_back(out[out.size() - back]);
    } else {
      for (uint32_t k = rng() % 20; k > 0; --k) out.push_back(static_cast<uint8_t>(rng()));
    }
  }
  out.resize(size);
  return out;
}

Bytes Records(size_t size, uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes out;
  uint32_t counter = 0;
  while (out.size() < size) {
    const uint8_t rec[12] = {0x90, 0, static_cast<uint8_t>(counter), static_cast<uint8_t>(counter >> 8),
                             0, 0, 0x90, static_cast<uint8_t>(rng() % 4), 0xFF, 0xFE,
                             static_cast<uint8_t>(rng()), 0x90};
    out.insert(out.end(), rec, rec + 12);
    counter += 1 + rng() % 3;
  }
  out.resize(size);
  return out;
}

Bytes Repeat(uint8_t byte, size_t count) { return Bytes(count, byte); }

bool SevenZipAvailable() {
#if defined(_WIN32)
  return false;
#else
  static const bool present = std::system("7zz i >/dev/null 2>&1") == 0;
  return present;
#endif
}

Bytes SevenZipEntry(const std::string& archive, const std::string& name) {
#if defined(_WIN32)
  (void)archive;
  (void)name;
  throw std::runtime_error("7-Zip runs natively only");
#else
  const std::string cmd = "7zz x -so -- " + Quote(archive) + " " + Quote(name) + " 2>/dev/null";
  FILE* pipe = popen(cmd.c_str(), "r");
  if (pipe == nullptr) throw std::runtime_error("cannot run 7zz");
  Bytes out;
  uint8_t buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof(buf), pipe)) > 0) out.insert(out.end(), buf, buf + n);
  if (pclose(pipe) != 0) throw std::runtime_error("7zz failed on " + archive + " " + name);
  return out;
#endif
}

}  // namespace legacy
