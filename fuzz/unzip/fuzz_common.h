// Shared by the archive fuzzers: a private scratch folder in memory-backed
// storage, the input written there as an archive file, and clean-up that
// leaves nothing behind between runs.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace qfuzz {

inline const std::filesystem::path& Scratch() {
  static const std::filesystem::path dir = [] {
    const char* base = std::filesystem::exists("/dev/shm") ? "/dev/shm" : "/tmp";
    std::filesystem::path p = std::string(base) + "/qfuzz-" + std::to_string(getpid());
    std::filesystem::create_directories(p);
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(Scratch(), ec);
    });
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
