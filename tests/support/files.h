// File helpers for tests: a private temporary folder, whole-file reads and
// writes, the third-party fixture archives.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "support/zip_writer.h"

namespace qtest {

// A fresh folder under the system's temporary folder, removed (with the
// current folder moved out of it first) when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  // Absolute path, with a trailing separator.
  std::string Path() const;
  // Absolute path of a name inside the folder.
  std::string operator/(const std::string& name) const;

 private:
  std::filesystem::path path_;
  std::filesystem::path savedCwd_;
};

// Paths are UTF-8, as everywhere in the programs.
Bytes ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const Bytes& bytes);

// Absolute path of a third-party fixture archive (read-only, never copied).
std::string FixturePath(const std::string& name);
// True when the fixture folder is present beside the checkout.
bool FixturesPresent();

}  // namespace qtest
