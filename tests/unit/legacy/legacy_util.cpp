#include "legacy_util.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace legacy {
namespace {

bool KeyAlwaysDown(int) { return true; }

qtest::ZipEntryPlan Planned(uint16_t method, uint16_t flags, const Bytes& packed,
                            const Bytes& data) {
  return {.name = "entry.bin", .data = data, .method = method, .packed = packed, .flags = flags};
}

}  // namespace

EntryRun RunEntry(uint16_t method, uint16_t flags, const Bytes& packed, const Bytes& data,
                  const EntryOptions& o) {
  qtest::ZipEntryPlan entry = Planned(method, flags, packed, data);
  if (o.descriptor) {
    entry.flags = static_cast<uint16_t>(entry.flags | 8);
    entry.zeroSizesInLocal = true;
  }
  if (o.packedSize >= 0 || o.unpackedSize >= 0) {
    entry.overrideLocalSizes = true;
    entry.localPacked =
        static_cast<uint32_t>(o.packedSize >= 0 ? o.packedSize : int64_t(packed.size()));
    entry.localUnpacked =
        static_cast<uint32_t>(o.unpackedSize >= 0 ? o.unpackedSize : int64_t(data.size()));
  }
  Bytes zip = qtest::BuildZip({entry});
  if (o.truncateAt != SIZE_MAX) zip.resize(30 + entry.name.size() + o.truncateAt);

  qtest::TempDir dir;
  const std::string archive = dir / "a.zip", out = dir / "out.bin";
  qtest::WriteFileBytes(archive, zip);
  const platform::EngineUi saved = GetEngineUi();
  if (o.abort) {
    platform::EngineUi ui = saved;
    ui.keyDown = KeyAlwaysDown;
    SetEngineUi(ui);
  }
  EntryRun run;
  run.result = UnzipEntry(archive.c_str(), out.c_str(), 0, 0, 0, o.abort ? 27 : 0);
  SetEngineUi(saved);
  run.written = std::filesystem::exists(out);
  if (run.written) run.output = qtest::ReadFileBytes(out);
  return run;
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

bool SevenZipAvailable() {
#if defined(_WIN32)
  return false;
#else
  static const bool present = std::system("7zz i >/dev/null 2>&1") == 0;
  return present;
#endif
}

Bytes SevenZipDecode(uint16_t method, uint16_t flags, const Bytes& packed, const Bytes& data) {
  qtest::TempDir dir;
  qtest::WriteFileBytes(dir / "a.zip", qtest::BuildZip({Planned(method, flags, packed, data)}));
  // Paths are the test's own temporary names: no quoting beyond this needed.
  const std::string cmd =
      "7zz x -y '-o" + dir / "out" + "' -- '" + dir / "a.zip" + "' >/dev/null 2>&1";
  (void)std::system(cmd.c_str());
  const std::string out = dir / "out/entry.bin";
  if (!std::filesystem::exists(out)) {
    ADD_FAILURE() << "7-Zip gave no file";
    return {};
  }
  return qtest::ReadFileBytes(out);
}

}  // namespace legacy
