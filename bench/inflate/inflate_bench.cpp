// Inflate and CRC-32 throughput of the engine against zlib and libdeflate,
// in one process, on the same deflate streams: every deflated entry of the
// benchmark archives.
//
//   inflate_bench [ARCHIVE_DIR] [--runs N]
//
// ARCHIVE_DIR (default /tmp/qbench/archives) holds the archives that
// make-archives builds: deflate6.zip, deflate9.zip, 7z-mx9.zip and
// bsdtar-dd.zip. For each archive, each decoder runs over all its deflated
// entries N times (default 5), the three interleaved, and the best run
// counts; MB/s are of output (10^6 bytes per second of this thread's CPU
// time, user and system, so that other work on the machine does not count).
//
//   engine      InflateEntry as the driver runs it: compressed input taken
//               2,048 bytes per refill (with the progress update), from the
//               archive in memory; whole-window flushes to a memory sink;
//               CRC-32 of the output.
//   zlib        inflate() on a raw stream in memory, into one output buffer
//               of the entry's size (its fastest use), no CRC.
//   libdeflate  libdeflate_deflate_decompress(), memory to memory, no CRC.
//
// Every decoder's output is checked against the entry's CRC-32 first.
#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "common/little_endian.h"
#include "unzip/crc32.h"
#include "unzip/decoders.h"
#include "unzip/engine.h"
#include "unzip/zipread.h"

namespace {

struct Entry {
  uint64_t dataOffset;  // of the compressed data in the archive
  uint32_t packed;
  uint32_t unpacked;
  uint32_t crc;
};

struct Archive {
  std::string path;
  std::vector<uint8_t> bytes;
  std::vector<Entry> entries;
  uint64_t unpacked = 0;
};

using q::Le16;

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return false;
  uint8_t buffer[1 << 16];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof(buffer), f)) > 0)
    bytes.insert(bytes.end(), buffer, buffer + n);
  const bool ok = std::ferror(f) == 0;
  std::fclose(f);
  return ok;
}

bool LoadArchive(const std::string& path, Archive& a) {
  a.path = path;
  if (!ReadWholeFile(path, a.bytes)) return false;
  TZipSearchRec rec;
  std::memset(&rec, 0, sizeof(rec));
  for (int rc = ZipFindFirst(path.c_str(), rec); rc == kZipOk; rc = ZipFindNext(rec)) {
    if (rec.MethodCode != 8) continue;
    const uint8_t* h = a.bytes.data() + rec.LocalHeaderPos;
    const uint64_t data = uint64_t{rec.LocalHeaderPos} + 30 + Le16(h + 26) + Le16(h + 28);
    a.entries.push_back({data, rec.PackedSize, rec.UnpackedSize, rec.EntryCrc});
    a.unpacked += rec.UnpackedSize;
  }
  ZipFindClose(rec);
  return !a.entries.empty();
}

// --- the three decoders over all entries of an archive ------------------------

// The engine as the driver sets it up for one entry, minus the local header
// and the files: window zero-filled, input state reset; compressed input
// from the archive in memory (still 2,048 bytes per refill, with the
// progress update), flushed windows to a sink that drops them.
class EngineRunner {
 public:
  explicit EngineRunner(const Archive& a) : archive_(a) {
    engine_ = std::make_unique<unzip::Engine>();
    window_.reset(static_cast<uint8_t*>(std::calloc(unzip::kWindowSize, 1)));
    engine_->OutputWindow = window_.get();
    engine_->Memory.sink = [](void*, const uint8_t*, uint32_t) {};
  }
  ~EngineRunner() { engine_->OutputWindow = nullptr; }
  // False when an entry did not decode to its CRC.
  bool Run() {
    unzip::Engine& e = *engine_;
    for (const Entry& entry : archive_.entries) {
      std::memset(window_.get(), 0, unzip::kWindowSize);
      e.Memory.input = archive_.bytes.data() + entry.dataOffset;
      e.Memory.inputSize = archive_.bytes.size() - entry.dataOffset;
      e.Memory.inputPos = 0;
      e.ResetInput();
      e.WindowPos = 0;
      e.BytesRead = 0;
      e.CompressedSize = entry.packed;
      e.UncompressedSize = entry.unpacked;
      e.InputExhausted = false;
      e.AbortRequested = false;
      e.RunningCrc = 0xFFFFFFFFu;
      if (unzip::InflateEntry(e) != urOk || ~e.RunningCrc != entry.crc) return false;
    }
    return true;
  }

 private:
  struct Free {
    void operator()(uint8_t* p) const { std::free(p); }
  };
  const Archive& archive_;
  std::unique_ptr<unzip::Engine> engine_;
  std::unique_ptr<uint8_t, Free> window_;
};

class ZlibRunner {
 public:
  explicit ZlibRunner(const Archive& a) : archive_(a) {
    std::memset(&z_, 0, sizeof(z_));
    ok_ = inflateInit2(&z_, -15) == Z_OK;
    size_t largest = 0;
    for (const Entry& e : a.entries) largest = std::max<size_t>(largest, e.unpacked);
    out_.resize(largest + 1);
  }
  ~ZlibRunner() { inflateEnd(&z_); }
  bool Run(bool check) {
    if (!ok_) return false;
    for (const Entry& entry : archive_.entries) {
      inflateReset(&z_);
      z_.next_in = const_cast<Bytef*>(archive_.bytes.data() + entry.dataOffset);
      z_.avail_in = entry.packed;
      z_.next_out = out_.data();
      z_.avail_out = static_cast<uInt>(out_.size());
      if (inflate(&z_, Z_FINISH) != Z_STREAM_END || z_.total_out != entry.unpacked) return false;
      if (check && unzip::Crc32Update(0xFFFFFFFFu, out_.data(), entry.unpacked) != ~entry.crc) {
        return false;
      }
    }
    return true;
  }

 private:
  const Archive& archive_;
  z_stream z_;
  std::vector<uint8_t> out_;
  bool ok_ = false;
};

class LibdeflateRunner {
 public:
  explicit LibdeflateRunner(const Archive& a) : archive_(a), d_(libdeflate_alloc_decompressor()) {
    size_t largest = 0;
    for (const Entry& e : a.entries) largest = std::max<size_t>(largest, e.unpacked);
    out_.resize(largest + 1);
  }
  ~LibdeflateRunner() { libdeflate_free_decompressor(d_); }
  bool Run(bool check) {
    if (d_ == nullptr) return false;
    for (const Entry& entry : archive_.entries) {
      size_t got = 0;
      if (libdeflate_deflate_decompress(d_, archive_.bytes.data() + entry.dataOffset, entry.packed,
                                        out_.data(), out_.size(), &got) != LIBDEFLATE_SUCCESS ||
          got != entry.unpacked) {
        return false;
      }
      if (check && unzip::Crc32Update(0xFFFFFFFFu, out_.data(), got) != ~entry.crc) return false;
    }
    return true;
  }

 private:
  const Archive& archive_;
  libdeflate_decompressor* d_;
  std::vector<uint8_t> out_;
};

// CPU time of this thread (user and system), in seconds: the machine is
// shared, and wall time would count whatever else runs on it.
double ThreadSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

template <typename F>
double Seconds(F&& f) {
  const double t0 = ThreadSeconds();
  if (!f()) return -1;
  return ThreadSeconds() - t0;
}

template <typename F>
double BestSeconds(int runs, F&& f) {
  double best = 1e30;
  for (int i = 0; i < runs; ++i) best = std::min(best, Seconds(f));
  return best;
}

// --- CRC-32 -----------------------------------------------------------------------

uint32_t ZlibCrc(uint32_t crc, const uint8_t* p, size_t n) {
  // zlib's crc32 pre- and post-complements; undo both for a register value.
  uLong c = ~crc & 0xFFFFFFFFu;
  while (n > 0) {
    const uInt piece = static_cast<uInt>(std::min<size_t>(n, 1u << 30));
    c = crc32(c, p, piece);
    p += piece;
    n -= piece;
  }
  return ~static_cast<uint32_t>(c);
}

uint32_t LibdeflateCrc(uint32_t crc, const uint8_t* p, size_t n) {
  return ~libdeflate_crc32(~crc, p, n);
}

}  // namespace

int main(int argc, char** argv) {
  std::string dir = "/tmp/qbench/archives";
  int runs = 5;
  std::string only;  // profiling: run just this decoder ("engine", "zlib", "libdeflate")
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc) {
      runs = std::max(1, std::atoi(argv[++i]));
    } else if (std::strcmp(argv[i], "--only") == 0 && i + 1 < argc) {
      only = argv[++i];
    } else {
      dir = argv[i];
    }
  }

  std::printf(
      "Inflate, MB/s of output per CPU second (best of %d runs over every deflated entry)\n", runs);
  std::printf("%-10s %7s %9s %9s %11s %12s %14s\n", "archive", "MB out", "engine", "zlib",
              "libdeflate", "engine/zlib", "engine/libdefl");
  bool allOk = true;
  for (const char* name : {"deflate6", "deflate9", "7z-mx9", "bsdtar-dd"}) {
    Archive a;
    const std::string path = dir + "/" + name + ".zip";
    if (!LoadArchive(path, a)) {
      std::fprintf(stderr, "inflate_bench: cannot read %s (run make-corpus and make-archives)\n",
                   path.c_str());
      allOk = false;
      continue;
    }
    EngineRunner engine(a);
    ZlibRunner zlib(a);
    LibdeflateRunner libdeflate(a);
    if (!engine.Run() || !zlib.Run(true) || !libdeflate.Run(true)) {
      std::fprintf(stderr, "inflate_bench: %s: a decoder's output does not match its CRC\n", name);
      allOk = false;
      continue;
    }
    // Interleaved, so that a busy moment of the machine hits all three.
    double te = 1e30, tz = 1e30, tl = 1e30;
    for (int i = 0; i < runs; ++i) {
      if (only.empty() || only == "engine")
        te = std::min(te, Seconds([&] { return engine.Run(); }));
      if (only.empty() || only == "zlib")
        tz = std::min(tz, Seconds([&] { return zlib.Run(false); }));
      if (only.empty() || only == "libdeflate") {
        tl = std::min(tl, Seconds([&] { return libdeflate.Run(false); }));
      }
    }
    const double mb = static_cast<double>(a.unpacked) / 1e6;
    std::printf("%-10s %7.1f %9.0f %9.0f %11.0f %12.2f %14.2f\n", name, mb, mb / te, mb / tz,
                mb / tl, tz / te, tl / te);
  }

  if (!only.empty()) return allOk ? 0 : 1;

  // CRC-32 over 64 MiB of pseudo-random bytes (beyond the caches, as a
  // flushed window stream would be) and over one 32 KiB window (in cache).
  std::printf("\nCRC-32, GB/s per CPU second (best of %d runs)\n", runs);
  std::printf("%-22s %12s %12s\n", "routine", "64 MiB", "32 KiB x2048");
  std::vector<uint8_t> data(64u << 20);
  uint64_t x = 0x9E3779B97F4A7C15ull;
  for (uint8_t& b : data) {
    x ^= x << 13;
    x ^= x >> 7;
    x ^= x << 17;
    b = static_cast<uint8_t>(x);
  }
  const uint32_t expected = unzip::Crc32UpdateBytewise(0xFFFFFFFFu, data.data(), data.size());
  struct Routine {
    const char* name;
    uint32_t (*fn)(uint32_t, const uint8_t*, size_t);
  };
  const Routine routines[] = {
      {"engine (Crc32Update)", unzip::Crc32Update},
      {"engine 128-bit clmul", unzip::Crc32UpdateClmul},
      {"engine slicing-by-8", unzip::Crc32UpdateSlicing},
      {"engine byte table", unzip::Crc32UpdateBytewise},
      {"zlib crc32", ZlibCrc},
      {"libdeflate crc32", LibdeflateCrc},
  };
  for (const Routine& r : routines) {
    if (r.fn(0xFFFFFFFFu, data.data(), data.size()) != expected) {
      std::fprintf(stderr, "inflate_bench: %s gives a different CRC\n", r.name);
      allOk = false;
      continue;
    }
    uint32_t sink = 0;
    const double big = BestSeconds(runs, [&] {
      sink ^= r.fn(0xFFFFFFFFu, data.data(), data.size());
      return true;
    });
    const double small = BestSeconds(runs, [&] {
      for (int i = 0; i < 2048; ++i) sink ^= r.fn(0xFFFFFFFFu, data.data(), unzip::kWindowSize);
      return true;
    });
    std::printf("%-22s %12.2f %12.2f%s\n", r.name, static_cast<double>(data.size()) / big / 1e9,
                2048.0 * unzip::kWindowSize / small / 1e9, sink == 0x12345678u ? " " : "");
  }
  std::printf("(engine Crc32Update: %s)\n",
              unzip::Crc32HasWideClmul() ? "256-bit carry-less multiplication"
              : unzip::Crc32HasClmul()   ? "128-bit carry-less multiplication"
                                         : "slicing-by-8");
  return allOk ? 0 : 1;
}
