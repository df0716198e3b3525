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

namespace qfuzz {

inline const std::filesystem::path& Scratch() {
  static const std::filesystem::path dir = [] {
    const char* base = std::filesystem::exists("/dev/shm") ? "/dev/shm" : "/tmp";
    std::error_code ec;
    const std::string self =
        std::filesystem::read_symlink("/proc/self/exe", ec).filename().string();
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

}  // namespace qfuzz
