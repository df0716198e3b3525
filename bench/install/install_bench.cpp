// The cost of installing through a staging folder: the same archive is
// installed over an existing installation again and again, alternately
// extracted straight into the installation folder (as an installer without
// transactions does) and staged beside it, committed by renames and the
// previous installation removed (as QuorvantisSetup does). Both copy the
// archive to a temporary file first. Prints the median of each and the
// difference.
//
//   install_bench ARCHIVE FOLDER [--runs N]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "installutils/transaction.h"
#include "installutils/transaction_win32.h"
#include "unzip/extract.h"

namespace {

constexpr char kTemp[] = "_TEMP_ZIP_.DAT";

double Now() {
  LARGE_INTEGER frequency, counter;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&counter);
  return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

bool Extract(const std::string& archive, const std::string& folder) {
  const std::string temp = folder + kTemp;
  if (!CopyFileA(archive.c_str(), temp.c_str(), FALSE)) return false;
  const bool ok = ExtractAllFiles(temp, folder).Ok();
  DeleteFileA(temp.c_str());
  return ok;
}

bool Straight(const std::string& archive, const std::string& parent, const std::string& product) {
  CreateDirectoryA(product.c_str(), nullptr);
  const bool ok = Extract(archive, product + '\\');
  SetCurrentDirectoryA(parent.c_str());
  return ok;
}

// Seconds spent in each phase of the staged installations, summed.
double g_phase[5];
constexpr const char* kPhases[] = {
    "begin (settle, in-use check, make folder)", "extract", "carry over the person's files",
    "commit (in-use check, renames)", "remove the previous installation"};

bool Staged(const std::string& archive, const std::string& parent, const std::string& product) {
  Win32FolderOps ops;
  txn::Transaction t(ops, txn::FoldersFor(product));
  double mark = Now();
  const auto phase = [&](int i) {
    const double now = Now();
    g_phase[i] += now - mark;
    mark = now;
  };
  if (q::Error e = t.Begin()) return std::fprintf(stderr, "%s\n", e.Message().c_str()), false;
  phase(0);
  const bool ok = Extract(archive, t.folders().staging + '\\');
  SetCurrentDirectoryA(parent.c_str());
  phase(1);
  bool failed = !ok || CarryOverFiles(product, t.folders().staging, kTemp);
  phase(2);
  failed = failed || t.Commit();
  phase(3);
  failed = failed || t.Finish();
  phase(4);
  if (failed) {
    static_cast<void>(t.Rollback());
    return false;
  }
  return true;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 && !(argc == 5 && std::string(argv[3]) == "--runs")) {
    std::fprintf(stderr, "usage: install_bench ARCHIVE FOLDER [--runs N]\n");
    return 2;
  }
  const std::string archive = argv[1], parent = argv[2];
  const int runs = argc == 5 ? std::max(1, std::atoi(argv[4])) : 5;
  const std::string product = parent + "\\Quorvantis";
  // The first installation makes the folder every later one replaces.
  if (!Straight(archive, parent, product))
    return std::fprintf(stderr, "cannot extract %s\n", argv[1]), 1;
  std::vector<double> straight, staged;
  for (int run = 0; run < runs; ++run) {
    // Alternating the order evens out what the system caches.
    for (int which : {run % 2, 1 - run % 2}) {
      const double start = Now();
      const bool ok =
          which == 0 ? Straight(archive, parent, product) : Staged(archive, parent, product);
      if (!ok) return std::fprintf(stderr, "installation failed\n"), 1;
      (which == 0 ? straight : staged).push_back(Now() - start);
    }
  }
  const double a = Median(straight), b = Median(staged);
  std::printf("straight extraction into the folder: %.3f s (median of %d)\n", a, runs);
  std::printf("staged beside it, renamed, old removed: %.3f s (median of %d)\n", b, runs);
  std::printf("cost of staging: %+.1f %%\n", (b - a) / a * 100.0);
  for (int i = 0; i < 5; ++i)
    std::printf("  staged, %s: %.3f s per installation\n", kPhases[i], g_phase[i] / runs);
  return 0;
}
