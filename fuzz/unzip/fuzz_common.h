// Shared by the archive fuzzers: a scratch folder in memory-backed storage,
// named after the fuzzer's program so that every run of it reuses the same
// folder (libFuzzer may end the process without running exit handlers, so a
// per-process folder would be left behind each time).
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace qfuzz {

inline const std::filesystem::path& Scratch() {
  static const std::filesystem::path dir = [] {
    const char* base = std::filesystem::exists("/dev/shm") ? "/dev/shm" : "/tmp";
    std::error_code ec;
    const std::string self = std::filesystem::read_symlink("/proc/self/exe", ec).filename().string();
    std::filesystem::path p = std::string(base) + "/qfuzz-" + (self.empty() ? "unknown" : self);
    std::filesystem::remove_all(p, ec);
    std::filesystem::create_directories(p, ec);
    return p;
  }();
  return dir;
}

inline std::string WriteInput(const uint8_t* data, size_t size, const char* name) {
  const std::string path = (Scratch() / name).string();
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f != nullptr) {
    if (size > 0) std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  return path;
}

using Bytes = std::vector<uint8_t>;

// The whole file; empty when it cannot be read.
inline Bytes ReadAll(const std::string& path) {
  Bytes data;
  if (FILE* f = std::fopen(path.c_str(), "rb")) {
    uint8_t buf[65536];
    for (size_t n; (n = std::fread(buf, 1, sizeof(buf), f)) > 0;) data.insert(data.end(), buf, buf + n);
    std::fclose(f);
  }
  return data;
}

}  // namespace qfuzz
