// The OS layer under the engine: POSIX natively, the Win32 functions in the
// same tests under Wine. (Stamps and attributes are checked through the
// driver.)
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "platform/file.h"
#include "support/files.h"
#include "support/zip_writer.h"
#include "unzip/unzip.h"

#if defined(_WIN32)
#include <windows.h>
#endif

using namespace qtest;
namespace fs = std::filesystem;

// Reads through the read-ahead block: across its end, larger than it, and
// after seeks back into it, past it and beyond the end of the file.
TEST(PlatformFile, ReadsAcrossTheReadAheadBlockMatchTheFile) {
  TempDir dir;
  constexpr uint32_t kBlock = platform::File::kReadAheadSize;
  Bytes data(3 * kBlock + 100);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 7 + (i >> 9));
  WriteFileBytes(dir / "r.bin", data);
  const struct {
    uint64_t seek;
    uint32_t count;
  } steps[] = {{0, 30},           {kBlock - 10, 30}, {5, 2048},           {kBlock + 1, kBlock + 3},
               {kBlock / 2, 100}, {3 * kBlock, 500}, {data.size() + 9, 4}};
  platform::File f;
  ASSERT_EQ(f.OpenRead((dir / "r.bin").c_str()), 0);
  for (const auto& step : steps) {
    Bytes got(step.count);
    uint32_t n = 0;
    ASSERT_TRUE(f.Seek(step.seek) && f.Read(got.data(), step.count, &n)) << step.seek;
    const size_t left = step.seek < data.size() ? data.size() - step.seek : 0;
    ASSERT_EQ(n, std::min<size_t>(step.count, left)) << step.seek;
    if (n > 0) {
      EXPECT_TRUE(std::equal(got.begin(), got.begin() + n, data.begin() + step.seek)) << step.seek;
    }
  }
}

#if defined(_WIN32)
TEST(PlatformFile, FolderChainStartsAtTheDriveRoot) {
  // Another drive than the current folder's: the engine moves to its root
  // first ("z:\"), then makes each folder below it.
  TempDir dir;
  char cwd[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, cwd);
  WriteFileBytes(dir / "a.zip", BuildZip({Stored("f", "drive")}));
  const std::string unixTmp = "z:\\tmp\\qtest-drive-" + std::to_string(GetTickCount());
  const std::string out = unixTmp + "\\one\\two\\f.txt";
  SetCurrentDirectoryA("C:\\windows");
  ASSERT_EQ(UnzipEntry((dir / "a.zip").c_str(), out.c_str(), 0, 0, 0, 0), urOk);
  EXPECT_EQ(ReadFileBytes(out), ToBytes("drive"));
  char now[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, now);
  EXPECT_STRCASEEQ(now, (unixTmp + "\\one\\two").c_str());
  SetCurrentDirectoryA(cwd);
  std::error_code ec;
  fs::remove_all(unixTmp, ec);
}
#endif
