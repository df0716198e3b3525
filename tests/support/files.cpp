#include "support/files.h"

#include <atomic>
#include <chrono>
#include <fstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace qtest {

TempDir::TempDir() : savedCwd_(fs::current_path()) {
  static std::atomic<unsigned> counter{0};
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  for (;;) {
    path_ = fs::temp_directory_path() /
            ("qtest-" + std::to_string(stamp) + "-" + std::to_string(counter++));
    if (fs::create_directory(path_)) break;
  }
  path_ = fs::canonical(path_);
}

TempDir::~TempDir() {
  std::error_code ec;
  fs::current_path(savedCwd_, ec);  // the engine may have moved into the folder
  // Read-only files (the engine sets DOS attributes) must be writable again
  // before Windows lets them go.
  for (auto it = fs::recursive_directory_iterator(path_, ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    fs::permissions(it->path(), fs::perms::owner_write, fs::perm_options::add, ec);
  }
  fs::remove_all(path_, ec);
}

std::string TempDir::Path() const {
  std::string p = path_.string();
  if (p.back() != fs::path::preferred_separator)
    p += static_cast<char>(fs::path::preferred_separator);
  return p;
}

std::string TempDir::operator/(const std::string& name) const { return Path() + name; }

static fs::path U8Path(const std::string& utf8) {
  return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

Bytes ReadFileBytes(const std::string& path) {
  std::ifstream in(U8Path(path), std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::string& path, const Bytes& bytes) {
  std::ofstream out(U8Path(path), std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

std::string FixturePath(const std::string& name) {
  std::string dir = Q_FIXTURES_DIR;
#if defined(_WIN32)
  // Under Wine the Unix root is drive Z:.
  if (dir[0] == '/') dir = "Z:" + dir;
  for (char& c : dir)
    if (c == '/') c = '\\';
  return dir + "\\" + name;
#else
  return dir + "/" + name;
#endif
}

bool FixturesPresent() { return fs::exists(FixturePath("MANIFEST.md")); }

}  // namespace qtest
