// Decoding speed of the legacy methods (shrink, reduce 1-4, implode 4K/8K)
// on the largest fixture entries of each, in MB/s of output, against
// `7zz t` on the same entries where 7-Zip decodes the method.
//
//   legacy_bench [FIXTURE_DIR] [-n ENTRIES_PER_METHOD]
//
// Times are CPU times (user + system), the best of several runs: the
// machine is shared, and 7-Zip's wall time includes idle waits. Our figure
// is one UnzipEntry call (header, decoding, CRC, writing the file to a
// memory-backed folder). 7-Zip's is one `7zz t` process less the same
// process testing no entry of the archive (start-up and reading the
// directory).
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "unzip/unzip.h"
#include "unzip/zipread.h"

namespace fs = std::filesystem;

namespace {

struct Entry {
  std::string archive;  // full path
  std::string name;
  uint16_t method;
  uint16_t flags;
  uint32_t packed, size, offset;
};

struct Timing {
  double cpu = 1e30;   // best CPU seconds
  double wall = 1e30;  // best wall seconds
};

double ProcessCpu() {
  timespec ts;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

double ChildrenCpu() {
  rusage ru;
  getrusage(RUSAGE_CHILDREN, &ru);
  auto sec = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6; };
  return sec(ru.ru_utime) + sec(ru.ru_stime);
}

double Wall() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// Runs `fn` until it has taken at least `budget` CPU seconds and `minReps`
// runs (at most 200), keeping the best run.
template <typename Fn, typename Clock>
Timing Measure(Fn fn, Clock cpuClock, double budget = 0.6, int minReps = 5) {
  Timing best;
  double spent = 0;
  for (int rep = 0; rep < 200 && (rep < minReps || spent < budget); ++rep) {
    const double c0 = cpuClock(), w0 = Wall();
    if (!fn()) return Timing{};
    const double c = cpuClock() - c0, w = Wall() - w0;
    best.cpu = std::min(best.cpu, c);
    best.wall = std::min(best.wall, w);
    spent += c;
  }
  return best;
}

std::vector<Entry> ListEntries(const fs::path& dir) {
  std::vector<Entry> out;
  for (const auto& file : fs::directory_iterator(dir)) {
    if (file.path().filename() == "MANIFEST.md") continue;
    TZipSearchRec rec;
    std::memset(&rec, 0, sizeof(rec));
    for (int rc = ZipFindFirst(file.path().c_str(), rec); rc == kZipOk; rc = ZipFindNext(rec)) {
      out.push_back({file.path().string(), rec.EntryName, rec.MethodCode, rec.GpFlags, rec.PackedSize,
                     rec.UnpackedSize, rec.LocalHeaderPos});
    }
    ZipFindClose(rec);
  }
  return out;
}

std::string Group(const Entry& e) {
  switch (e.method) {
    case 1: return "shrink";
    case 2: case 3: case 4: case 5: return "reduce" + std::to_string(e.method - 1);
    case 6:
      return std::string("implode ") + ((e.flags & 2) ? "8K" : "4K") + ((e.flags & 4) ? "/3T" : "/2T");
    default: return "";
  }
}

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

bool SevenZipTest(const std::string& archive, const std::string& name) {
  const std::string cmd = "7zz t -bd -- " + Quote(archive) + " " + Quote(name) + " >/dev/null 2>&1";
  const int rc = std::system(cmd.c_str());
  return rc != -1 && WIFEXITED(rc) && WEXITSTATUS(rc) == 0;
}

double Mbps(uint64_t bytes, double seconds) { return seconds > 0 ? static_cast<double>(bytes) / seconds / 1e6 : 0; }

}  // namespace

int main(int argc, char** argv) {
  std::string dir = Q_FIXTURES_DIR;
  size_t perMethod = 3;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "-n") == 0 && i + 1 < argc) {
      perMethod = static_cast<size_t>(std::atoi(argv[++i]));
    } else {
      dir = argv[i];
    }
  }
  if (!fs::exists(fs::path(dir) / "MANIFEST.md")) {
    std::fprintf(stderr, "legacy_bench: no fixtures in %s\n", dir.c_str());
    return 2;
  }
  const bool haveSevenZip = std::system("7zz i >/dev/null 2>&1") == 0;
  const fs::path scratch = fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
  const std::string out = (scratch / ("legacy-bench-" + std::to_string(getpid()) + ".out")).string();

  std::map<std::string, std::vector<Entry>> groups;
  for (const Entry& e : ListEntries(dir)) {
    if (!Group(e).empty() && e.method != 7) groups[Group(e)].push_back(e);
  }

  std::printf("%-12s %-28s %10s %10s %11s %11s %7s\n", "method", "entry", "size", "packed", "ours MB/s",
              "7zz MB/s", "ratio");
  for (auto& [group, entries] : groups) {
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.size > b.size; });
    if (entries.size() > perMethod) entries.resize(perMethod);
    uint64_t bytes = 0;
    double ours = 0, theirs = 0;
    bool allTheirs = haveSevenZip;
    for (const Entry& e : entries) {
      const Timing t = Measure(
          [&] { return UnzipEntry(e.archive.c_str(), out.c_str(), 0, e.offset, 0, 0) == urOk; }, ProcessCpu);
      std::string label = fs::path(e.archive).filename().string() + ":" + e.name;
      if (label.size() > 28) label = label.substr(0, 28);
      if (t.cpu >= 1e30) {
        std::printf("%-12s %-28s  failed to decode\n", group.c_str(), label.c_str());
        allTheirs = false;
        continue;
      }
      double sevenZip = 0;
      if (haveSevenZip) {
        const Timing full = Measure([&] { return SevenZipTest(e.archive, e.name); }, ChildrenCpu, 0.6, 5);
        const Timing none = Measure([&] { SevenZipTest(e.archive, "no such entry"); return true; }, ChildrenCpu,
                                    0.2, 5);
        if (full.cpu < 1e30) sevenZip = std::max(full.cpu - none.cpu, 1e-6);
      }
      bytes += e.size;
      ours += t.cpu;
      if (sevenZip > 0) {
        theirs += sevenZip;
        std::printf("%-12s %-28s %10u %10u %11.1f %11.1f %6.2fx\n", group.c_str(), label.c_str(), e.size,
                    e.packed, Mbps(e.size, t.cpu), Mbps(e.size, sevenZip), sevenZip / t.cpu);
      } else {
        allTheirs = false;
        std::printf("%-12s %-28s %10u %10u %11.1f %11s %7s\n", group.c_str(), label.c_str(), e.size, e.packed,
                    Mbps(e.size, t.cpu), "-", "-");
      }
    }
    if (allTheirs && theirs > 0) {
      std::printf("%-12s %-28s %10llu %10s %11.1f %11.1f %6.2fx\n", group.c_str(), "= all of the above",
                  static_cast<unsigned long long>(bytes), "", Mbps(bytes, ours), Mbps(bytes, theirs),
                  theirs / ours);
    } else if (ours > 0) {
      std::printf("%-12s %-28s %10llu %10s %11.1f %11s %7s\n", group.c_str(), "= all of the above",
                  static_cast<unsigned long long>(bytes), "", Mbps(bytes, ours), "-", "-");
    }
  }
  std::error_code ec;
  fs::remove(out, ec);
  if (!haveSevenZip) std::printf("(7zz not found: no 7-Zip figures)\n");
  std::printf("(7-Zip does not decode the reduce methods: no figures for them)\n");
  return 0;
}
