#include "payload_check.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <utility>

#include "common/utf.h"
#include "platform/file.h"
#include "product/texts.h"
#include "unzip/extract.h"
#include "unzip/zipread.h"

namespace payload {

namespace fs = std::filesystem;

namespace {

// The longest name the directory reader delivers whole, in characters, and
// the longest whole path the engine writes, in bytes of UTF-8.
constexpr size_t kMaxName = unzip::kMaxEntryNameChars;
constexpr size_t kMaxPath = platform::kMaxPathBytes;

// The largest entry a ZIP without ZIP64 records describes.
constexpr uint64_t kMaxEntrySize = 0xFFFFFFFFu;

std::string Lower(std::string s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return s;
}

std::string ByteText(unsigned char c) {
  const char* hex = "0123456789ABCDEF";
  return std::string("0x") + hex[c >> 4] + hex[c & 15];
}

// Walks `dir` (the folder at `rel`, "" for the root), following links,
// into `out`; refuses what cannot be carried as a plain file.
class Walker {
 public:
  explicit Walker(CheckResult& result) : result_(result) {}

  void Walk(const fs::path& dir, const std::string& rel) {
    std::error_code ec;
    const fs::path real = fs::canonical(dir, ec);
    if (ec) return Refuse(rel, "cannot be read: " + ec.message());
    if (!open_.insert(real).second) {
      return Refuse(rel, "is a link back to a folder that holds it");
    }
    std::vector<std::pair<std::string, fs::path>> entries;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
      entries.emplace_back(it->path().filename().string(), it->path());
    }
    if (ec) {
      Refuse(rel, "cannot be read: " + ec.message());
    } else if (entries.empty() && !rel.empty()) {
      result_.notes.push_back(rel +
                              "/: an empty folder is not carried (the archive holds "
                              "files; Setup makes the folders they lie in)");
    }
    std::sort(entries.begin(), entries.end());
    for (const auto& [name, path] : entries) {
      const std::string child = rel.empty() ? name : rel + "/" + name;
      const fs::file_status status = fs::status(path, ec);  // through links
      if (ec || !fs::exists(status)) {
        Refuse(child, fs::is_symlink(fs::symlink_status(path, ec)) ? "is a link to nothing"
                                                                   : "cannot be read");
      } else if (fs::is_directory(status)) {
        Walk(path, child);
      } else if (!fs::is_regular_file(status)) {
        Refuse(child, "is not a regular file (a device, pipe or socket)");
      } else {
        const uint64_t size = fs::file_size(path, ec);
        if (ec) {
          Refuse(child, "cannot be read: " + ec.message());
          continue;
        }
        sizes_[child] = size;
        result_.files.push_back({child, path.string()});
      }
    }
    open_.erase(real);
  }

  uint64_t SizeOf(const std::string& name) const {
    const auto it = sizes_.find(name);
    return it == sizes_.end() ? 0 : it->second;
  }

 private:
  void Refuse(const std::string& name, const std::string& why) {
    result_.refusals.push_back((name.empty() ? "." : name) + ": " + why);
  }

  CheckResult& result_;
  std::set<fs::path> open_;  // the folders being walked, to find loops
  std::map<std::string, uint64_t> sizes_;
};

bool HasRootFile(const std::vector<PayloadFile>& files, const std::string& name) {
  return std::any_of(files.begin(), files.end(),
                     [&](const PayloadFile& f) { return Lower(f.name) == Lower(name); });
}

}  // namespace

std::string LongestInstallFolder() {
  return std::string("C:\\Program Files (x86)\\") + texts::kProductName + "\\";
}

std::string NameRefusal(const std::string& name, uint64_t size, const std::string& installFolder) {
  for (unsigned char c : name) {
    if (c < 0x20 || c == 0x7F) return "holds the control character " + ByteText(c);
    if (std::string_view("<>:\"|?*\\").find(static_cast<char>(c)) != std::string_view::npos) {
      return std::string("holds \"") + static_cast<char>(c) +
             "\", which Windows does not allow in names";
    }
  }
  if (!q::IsValidUtf8(name)) {
    return "is not UTF-8 text, so its characters are unknown (the archive names every file in "
           "UTF-8)";
  }
  if (!IsSafeEntryName(name)) {
    return "Setup refuses it: a device name (CON, PRN, AUX, NUL, COM1, LPT1 and the like, "
           "with any extension) or a path that leaves the installation folder";
  }
  size_t begin = 0;
  while (begin <= name.size()) {
    const size_t end = std::min(name.find('/', begin), name.size());
    const std::string_view part(name.data() + begin, end - begin);
    if (!part.empty() && (part.back() == '.' || part.back() == ' ')) {
      std::string why = "\"";
      why.append(part).append("\" ends with a dot or space, which Windows drops");
      return why;
    }
    begin = end + 1;
  }
  if (Lower(name) == Lower(texts::TempZipFileName)) {
    return "is the name of the temporary archive Setup writes into the installation folder";
  }
  size_t characters = 0;
  for (unsigned char c : name) characters += (c & 0xC0) != 0x80 ? 1 : 0;
  if (characters > kMaxName) {
    return "its " + std::to_string(characters) + " characters are more than the " +
           std::to_string(kMaxName) + " of a name Setup reads whole";
  }
  if (installFolder.size() + name.size() > kMaxPath) {
    return "installed as " + installFolder + name + " its path has " +
           std::to_string(installFolder.size() + name.size()) + " bytes, more than the " +
           std::to_string(kMaxPath) + " Setup writes";
  }
  if (size > kMaxEntrySize) {
    return std::to_string(size) + " bytes: over 4 GiB, more than an archive entry holds";
  }
  return {};
}

CheckResult CheckPayload(const CheckRequest& request) {
  CheckResult result;
  Walker walker(result);
  if (!request.folder.empty()) {
    std::error_code ec;
    if (!fs::is_directory(request.folder, ec)) {
      result.refusals.push_back(request.folder + ": is not a folder");
      return result;
    }
    walker.Walk(request.folder, "");
  }
  for (const PayloadFile& f : request.files) result.files.push_back(f);
  for (const PayloadFile& f : request.fallbacks) {
    if (!HasRootFile(result.files, f.name)) result.files.push_back(f);
  }
  std::sort(result.files.begin(), result.files.end(),
            [](const PayloadFile& a, const PayloadFile& b) { return a.name < b.name; });

  if (!HasRootFile(result.files, texts::kProgramFile)) {
    result.refusals.push_back(std::string(texts::kProgramFile) +
                              ": missing; the payload must hold the publisher's program, "
                              "which the shortcuts start");
  }
  // One name on Windows, whatever the letter case: files, and the folders
  // files lie in.
  std::map<std::string, std::string> files, folders;
  for (const PayloadFile& f : result.files) {
    const std::string why = NameRefusal(f.name, walker.SizeOf(f.name), request.installFolder);
    if (!why.empty()) result.refusals.push_back(f.name + ": " + why);
    const auto [it, added] = files.emplace(Lower(f.name), f.name);
    if (!added) {
      result.refusals.push_back(f.name + ": differs from " + it->second +
                                " only in letter case (one file on Windows)");
    }
    for (size_t slash = f.name.find('/'); slash != std::string::npos;
         slash = f.name.find('/', slash + 1)) {
      folders.emplace(Lower(f.name.substr(0, slash)), f.name.substr(0, slash));
    }
  }
  for (const auto& [lower, name] : files) {
    const auto folder = folders.find(lower);
    if (folder != folders.end()) {
      result.refusals.push_back(name + ": a file of this name and the folder " + folder->second +
                                " cannot both exist on Windows");
    }
  }
  return result;
}

}  // namespace payload
