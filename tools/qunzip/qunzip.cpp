// qunzip: a command-line front end over the decompression engine, for tests,
// fuzz reproduction and benchmarks.
//   qunzip l ARCHIVE        one line per entry: method, packed size,
//                           unpacked size, CRC-32 (8 hex digits), name
//   qunzip x ARCHIVE DEST   extract every entry; one line per entry: result
//                           code, its name, entry name
//   qunzip t ARCHIVE        as x, into a temporary folder removed afterwards
// Exit status: 0 every entry urOk, 1 some entry failed, 2 the archive cannot
// be read, is damaged or holds no entries, or the arguments are wrong.
// Control characters in entry names are printed as \xNN, so that a name
// can neither forge a line of output nor drive the terminal.
// Names and paths are UTF-8 throughout, on Windows too: the arguments come
// from the wide command line and the console shows the output as UTF-8.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#include <shellapi.h>

#include "common/wide.h"
#endif
#include "platform/file.h"
#include "unzip/extract.h"
#include "unzip/zipread.h"

namespace fs = std::filesystem;

namespace {

// Paths between UTF-8 text and the library's path type, whatever the
// system's narrow code page.
fs::path PathOf(const std::string& utf8) {
  return fs::path(std::u8string(utf8.begin(), utf8.end()));
}
std::string TextOf(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

int Usage() {
  std::fprintf(stderr,
               "usage: qunzip l ARCHIVE\n"
               "       qunzip x ARCHIVE DEST\n"
               "       qunzip t ARCHIVE\n");
  return 2;
}

// The name as printable text: control characters (and the escape's own
// backslash, where it is not the path separator) as \xNN.
std::string Printable(const std::string& name) {
  std::string out;
  for (const char c : name) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F || (c == '\\' && platform::kPathSeparator != '\\')) {
      char hex[5];
      std::snprintf(hex, sizeof(hex), "\\x%02X", u);
      out += hex;
    } else {
      out += c;
    }
  }
  return out;
}

int List(const char* archive) {
  TZipSearchRec rec;
  std::memset(&rec, 0, sizeof(rec));
  int rc = ZipFindFirst(archive, rec);
  if (rc == kZipFailed) {
    std::fprintf(stderr, "qunzip: cannot read %s as a ZIP archive\n", archive);
    return 2;
  }
  while (rc == kZipOk) {
    std::printf("%u %u %u %08x %s\n", rec.MethodCode, rec.PackedSize, rec.UnpackedSize,
                rec.EntryCrc, Printable(rec.EntryName).c_str());
    rc = ZipFindNext(rec);
  }
  ZipFindClose(rec);
  std::fflush(stdout);
  if (rc == kZipDamaged) {
    std::fprintf(stderr, "qunzip: %s: the archive is damaged\n", archive);
    return 2;
  }
  return 0;
}

// The engine changes the current folder as it makes folders, so both paths
// it gets must be absolute.
std::string Absolute(const char* path) {
  std::error_code ec;
  fs::path p = fs::absolute(PathOf(path), ec);
  return ec ? std::string(path) : TextOf(p.lexically_normal());
}

int Extract(const char* archive, const std::string& dest) {
  std::string folder = Absolute(dest.c_str());
  if (folder.empty() || folder.back() != platform::kPathSeparator)
    folder += platform::kPathSeparator;
  const ExtractOutcome outcome = ExtractAllFiles(Absolute(archive), folder);
  for (const EntryOutcome& e : outcome.entries) {
    std::printf("%d %s %s%s\n", static_cast<int>(e.result), UnzipResultName(e.result),
                Printable(e.name).c_str(), e.refused ? " (refused: unsafe name)" : "");
  }
  std::fflush(stdout);
  switch (outcome.status) {
    case ExtractStatus::kOk: return 0;
    case ExtractStatus::kEntriesFailed: return 1;
    default:
      std::fprintf(stderr, "qunzip: %s: %s\n", archive, outcome.Describe().c_str());
      return 2;
  }
}

int Test(const char* archive) {
  std::error_code ec;
  fs::path base = fs::temp_directory_path(ec);
  if (ec) return 2;
  fs::path dir;
  for (unsigned n = 0; n < 1000; ++n) {
    dir = base / ("qunzip-" + std::to_string(platform::TickCount()) + "-" + std::to_string(n));
    if (fs::create_directory(dir, ec) && !ec) break;
    dir.clear();
  }
  if (dir.empty()) {
    std::fprintf(stderr, "qunzip: cannot make a temporary folder\n");
    return 2;
  }
  const std::string abs = Absolute(archive);
  const int rc = Extract(abs.c_str(), TextOf(dir));
  fs::current_path(base, ec);  // leave the folder before removing it
  fs::remove_all(dir, ec);
  return rc;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv, argv + argc);
#if defined(_WIN32)
  // The narrow arguments went through the ANSI code page: take the wide ones.
  args.clear();
  wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
  for (int i = 0; wide != nullptr && i < argc; ++i) args.push_back(q::Narrow(wide[i]));
  ::LocalFree(wide);
  ::SetConsoleOutputCP(CP_UTF8);
#endif
  if (args.size() < 3) return Usage();
  const std::string& cmd = args[1];
  if (cmd == "l" && args.size() == 3) return List(args[2].c_str());
  if (cmd == "x" && args.size() == 4) return Extract(args[2].c_str(), args[3]);
  if (cmd == "t" && args.size() == 3) return Test(args[2].c_str());
  return Usage();
}
