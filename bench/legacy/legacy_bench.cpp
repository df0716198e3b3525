// Decoding speed of the legacy methods (shrink, reduce 1-4, implode 4K/8K)
// on the largest fixture entries of each, in MB/s of output, against
// `7zz t` on the same entries where 7-Zip decodes the method.
//
//   legacy_bench [FIXTURE_DIR] [-n ENTRIES_PER_METHOD] [-r ROUNDS]
//
// Each entry is copied, as it stands, into a scratch archive enough times to
// make about 16 MB of output, so that 7-Zip's start-up weighs little; what
// remains of it (a `7zz t` of the scratch archive that selects no entry) is
// subtracted. Ours is one UnzipEntry call per copy: header, decoding, CRC
// and writing the file into a memory-backed folder (7-Zip writes nothing).
// Times are CPU times (user + system): the machine may be shared, and
// 7-Zip's wall time includes idle waits. The two sides take turns, and the
// best round of each counts.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "common/little_endian.h"
#include "unzip/unzip.h"
#include "unzip/zipread.h"

namespace fs = std::filesystem;

namespace {

constexpr uint64_t kTargetOutput = 16u << 20;

struct Entry {
  std::string archive;  // full path
  std::string name;
  uint16_t method, flags;
  uint32_t time, crc, packed, size, offset;
};

double ProcessCpu() {
  timespec ts;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

double ChildrenCpu() {
  rusage ru;
  getrusage(RUSAGE_CHILDREN, &ru);
  auto sec = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6;
  };
  return sec(ru.ru_utime) + sec(ru.ru_stime);
}

std::vector<Entry> ListEntries(const fs::path& dir) {
  std::vector<Entry> out;
  for (const auto& file : fs::directory_iterator(dir)) {
    if (file.path().filename() == "MANIFEST.md") continue;
    TZipSearchRec rec;
    std::memset(&rec, 0, sizeof(rec));
    for (int rc = ZipFindFirst(file.path().c_str(), rec); rc == kZipOk; rc = ZipFindNext(rec)) {
      out.push_back({file.path().string(), rec.EntryName, rec.MethodCode, rec.GpFlags, rec.FileTime,
                     rec.EntryCrc, rec.PackedSize, rec.UnpackedSize, rec.LocalHeaderPos});
    }
    ZipFindClose(rec);
  }
  return out;
}

std::string Group(const Entry& e) {
  switch (e.method) {
    case 1: return "shrink";
    case 2:
    case 3:
    case 4:
    case 5: return "reduce" + std::to_string(e.method - 1);
    case 6:
      return std::string("implode ") + ((e.flags & 2) ? "8K" : "4K") +
             ((e.flags & 4) ? "/3T" : "/2T");
    default: return "";
  }
}

// `copies` copies of the entry's local header and data, each under the
// name "e", and a central directory for them. Returns the local header
// offsets (empty when the entry cannot be read).
std::vector<uint32_t> WriteReplica(const Entry& e, uint32_t copies, const std::string& path) {
  std::ifstream in(e.archive, std::ios::binary);
  std::vector<uint8_t> header(30);
  in.seekg(e.offset);
  if (!in.read(reinterpret_cast<char*>(header.data()), 30)) return {};
  const uint32_t skip = uint32_t{q::Le16(header.data() + 26)} + q::Le16(header.data() + 28);
  std::vector<uint8_t> data(e.packed);
  in.seekg(e.offset + 30 + skip);
  if (!in.read(reinterpret_cast<char*>(data.data()), e.packed)) return {};

  std::vector<uint8_t> out, central;
  std::vector<uint32_t> offsets;
  for (uint32_t i = 0; i < copies; ++i) {
    // From "version needed" to the name length, both headers alike.
    auto common = [&e](std::vector<uint8_t>& b) {
      q::AppendLe16(b, 10);
      q::AppendLe16(b, e.flags);
      q::AppendLe16(b, e.method);
      q::AppendLe32(b, e.time);
      q::AppendLe32(b, e.crc);
      q::AppendLe32(b, e.packed);
      q::AppendLe32(b, e.size);
      q::AppendLe16(b, 1);
    };
    offsets.push_back(static_cast<uint32_t>(out.size()));
    q::AppendLe32(out, 0x04034b50);
    common(out);
    q::AppendLe16(out, 0);
    out.push_back('e');
    out.insert(out.end(), data.begin(), data.end());

    q::AppendLe32(central, 0x02014b50);
    q::AppendLe16(central, 10);  // version made by
    common(central);
    for (int k = 0; k < 4; ++k) q::AppendLe16(central, 0);  // extra, comment, disk, internal
    q::AppendLe32(central, 0);                              // external attributes
    q::AppendLe32(central, offsets.back());
    central.push_back('e');
  }
  const uint32_t dirOffset = static_cast<uint32_t>(out.size());
  out.insert(out.end(), central.begin(), central.end());
  q::AppendLe32(out, 0x06054b50);
  q::AppendLe32(out, 0);
  q::AppendLe16(out, copies);
  q::AppendLe16(out, copies);
  q::AppendLe32(out, static_cast<uint32_t>(central.size()));
  q::AppendLe32(out, dirOffset);
  q::AppendLe16(out, 0);
  std::ofstream o(path, std::ios::binary | std::ios::trunc);
  o.write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
  return o ? offsets : std::vector<uint32_t>{};
}

bool SevenZipTest(const std::string& archive, const char* selection) {
  const std::string cmd = "7zz t -bd -- '" + archive + "' " + selection + " >/dev/null 2>&1";
  const int rc = std::system(cmd.c_str());
  return rc != -1 && WIFEXITED(rc) && WEXITSTATUS(rc) == 0;
}

double Mbps(uint64_t bytes, double seconds) {
  return seconds > 0 ? static_cast<double>(bytes) / seconds / 1e6 : 0;
}

void Row(const std::string& group, const std::string& label, uint64_t size,
         const std::string& packed, double ours, double theirs) {
  std::printf("%-13s %-28s %10llu %10s %10.1f", group.c_str(), label.c_str(),
              static_cast<unsigned long long>(size), packed.c_str(), Mbps(size, ours));
  if (theirs > 0) {
    std::printf(" %10.1f %6.2fx\n", Mbps(size, theirs), theirs / ours);
  } else {
    std::printf(" %10s %7s\n", "-", "-");
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::string dir = Q_FIXTURES_DIR;
  size_t perMethod = 3;
  int rounds = 5;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "-n") == 0 && i + 1 < argc) {
      perMethod = static_cast<size_t>(std::atoi(argv[++i]));
    } else if (std::strcmp(argv[i], "-r") == 0 && i + 1 < argc) {
      rounds = std::max(1, std::atoi(argv[++i]));
    } else {
      dir = argv[i];
    }
  }
  if (!fs::exists(fs::path(dir) / "MANIFEST.md")) {
    std::fprintf(stderr, "legacy_bench: no fixtures in %s\n", dir.c_str());
    return 2;
  }
  const bool haveSevenZip = std::system("7zz i >/dev/null 2>&1") == 0;
  const fs::path scratch =
      fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
  const std::string tag = std::to_string(getpid());
  const std::string replica = (scratch / ("legacy-bench-" + tag + ".zip")).string();
  const std::string out = (scratch / ("legacy-bench-" + tag + ".out")).string();

  std::map<std::string, std::vector<Entry>> groups;
  for (const Entry& e : ListEntries(dir)) {
    if (!Group(e).empty()) groups[Group(e)].push_back(e);
  }

  std::printf("%-13s %-28s %10s %10s %10s %10s %7s\n", "method", "entry", "output", "packed",
              "ours MB/s", "7zz MB/s", "7zz/ours");
  int failures = 0;
  for (auto& [group, entries] : groups) {
    std::sort(entries.begin(), entries.end(),
              [](const Entry& a, const Entry& b) { return a.size > b.size; });
    if (entries.size() > perMethod) entries.resize(perMethod);
    const bool sevenZipDecodes =
        haveSevenZip && (group == "shrink" || group.rfind("implode", 0) == 0);
    uint64_t groupBytes = 0;
    double groupOurs = 0, groupTheirs = 0;
    for (const Entry& e : entries) {
      std::string label = fs::path(e.archive).filename().string() + ":" + e.name;
      if (label.size() > 28) label = label.substr(0, 28);
      const uint32_t copies = static_cast<uint32_t>(
          std::clamp<uint64_t>(kTargetOutput / std::max<uint32_t>(e.size, 1), 1, 4000));
      const std::vector<uint32_t> offsets = WriteReplica(e, copies, replica);
      if (offsets.empty()) {
        std::printf("%-13s %-28s  cannot copy the entry\n", group.c_str(), label.c_str());
        ++failures;
        continue;
      }
      double ours = 1e30, full = 1e30, none = 1e30;
      bool ok = true;
      for (int r = 0; r < rounds && ok; ++r) {
        double t0 = ProcessCpu();
        for (uint32_t off : offsets)
          ok = ok && UnzipEntry(replica.c_str(), out.c_str(), 0, off, 0, 0) == urOk;
        ours = std::min(ours, ProcessCpu() - t0);
        if (!sevenZipDecodes) continue;
        t0 = ChildrenCpu();
        ok = ok && SevenZipTest(replica, "");
        full = std::min(full, ChildrenCpu() - t0);
        t0 = ChildrenCpu();
        SevenZipTest(replica, "'no such entry'");
        none = std::min(none, ChildrenCpu() - t0);
      }
      if (!ok) {
        std::printf("%-13s %-28s  failed to decode\n", group.c_str(), label.c_str());
        ++failures;
        continue;
      }
      const uint64_t bytes = uint64_t{e.size} * copies;
      const double theirs = sevenZipDecodes ? std::max(full - none, 1e-6) : 0;
      Row(group, label, bytes, std::to_string(uint64_t{e.packed} * copies), ours, theirs);
      groupBytes += bytes;
      groupOurs += ours;
      groupTheirs += theirs;
    }
    if (entries.size() > 1)
      Row(group, "= all of the above", groupBytes, "", groupOurs, groupTheirs);
  }
  std::error_code ec;
  fs::remove(replica, ec);
  fs::remove(out, ec);
  if (!haveSevenZip) std::printf("(7zz not found: no 7-Zip figures)\n");
  std::printf("(7-Zip does not decode the reduce methods: no figures for them)\n");
  return failures == 0 ? 0 : 1;
}
