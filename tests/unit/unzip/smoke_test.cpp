#include <gtest/gtest.h>

#include "support/files.h"
#include "unzip/extract.h"

TEST(Smoke, StoredArchiveExtracts) {
  qtest::TempDir dir;
  qtest::WriteFileBytes(dir / "a.zip", qtest::BuildZip({qtest::Stored("x/hello.txt", "hello")}));
  const ExtractOutcome outcome = ExtractAllFiles(dir / "a.zip", dir / "out/");
  ASSERT_TRUE(outcome.Ok()) << outcome.Describe();
}
