#include "unzip/entry_output.h"

#include <algorithm>
#include <cstring>

#include "common/digits.h"

namespace unzip {
namespace {

constexpr uint16_t kReadOnlyAttr = 0x01;

// Cuts a text into separator-delimited tokens in place, like strtok but
// keeping empty tokens and holding its position in the object.
class PathTokenizer {
 public:
  explicit PathTokenizer(char* text) : pos_(text) {}
  char* Next() {
    if (pos_ == nullptr) return nullptr;
    char* token = pos_;
    char* sep = std::strchr(pos_, platform::kPathSeparator);
    if (sep != nullptr) {
      *sep = '\0';
      pos_ = sep + 1;
    } else {
      pos_ = nullptr;
    }
    return token;
  }

 private:
  char* pos_;
};

// A new file beside `name` for the data that replaces it: the replacement
// is then a rename. kFileExists never comes back unless every try met a
// taken name.
int CreateTemporary(platform::File& file, const char* name, uint32_t seed,
                    char (&temp)[kTemporarySize]) {
  const char* sep = std::strrchr(name, platform::kPathSeparator);
  const int folder = sep != nullptr ? static_cast<int>(sep - name + 1) : 0;
  int code = platform::kFileExists;
  for (uint32_t n = 0; n < 64 && code == platform::kFileExists; ++n) {
    char* end = std::copy_n(name, folder, temp);
    end = q::PutDigits(std::copy_n("~qz", 3, end), (seed * 7u + n * 0x9E37u), 5, 16);
    std::copy_n(".tmp", 5, end);
    code = file.CreateNew(temp);
  }
  return code;
}

}  // namespace

// Works on a copy: the tokenizer cuts it.
void MakeFolderChain(const char* name) {
  char buffer[kNameBufferSize];
  std::strcpy(buffer, name);
  const char* lastSep = std::strrchr(buffer, platform::kPathSeparator);
  const char* lastPart = lastSep != nullptr ? lastSep + 1 : nullptr;
  PathTokenizer tokens(buffer);
  char* token = tokens.Next();
  if (token != nullptr && platform::kHasDriveLetters && token[0] != '\0' && token[1] == ':') {
    char root[4] = {token[0], ':', platform::kPathSeparator, '\0'};
    platform::ChangeDir(root);
    token = tokens.Next();
  } else if (token != nullptr && token[0] == '\0' && token != lastPart) {
    // An absolute path without a drive: start at the root.
    char root[2] = {platform::kPathSeparator, '\0'};
    platform::ChangeDir(root);
    token = tokens.Next();
  }
  while (token != nullptr && token != lastPart) {
    int code = platform::ChangeDir(token);
    if (code != 0) {
      code = platform::MakeDir(token);
      if (code == 0) code = platform::ChangeDir(token);
    }
    if (code != 0) break;
    token = tokens.Next();
  }
}

TUnzipResult EntryOutput::Create(const char* archiveName, const char* name, uint32_t seed) {
  temp_[0] = '\0';
  name_[0] = '\0';
  if (std::strlen(name) >= kNameBufferSize) return urWriteError;
  std::strcpy(name_, name);
  int code = file_.CreateNew(name_);
  if (code == platform::kPathNotFound) {
    MakeFolderChain(name_);
    code = file_.CreateNew(name_);
  }
  if (code == platform::kFileExists) {
    // An entry named like the archive itself (or reaching it through a
    // link) would replace the file being read.
    if (platform::SameFile(archiveName, name_)) return urWriteError;
    code = CreateTemporary(file_, name_, seed, temp_);
  }
  return code == 0 ? urOk : urWriteError;
}

bool EntryOutput::Write(const uint8_t* data, uint32_t count) {
  uint32_t written = 0;
  return file_.Write(data, count, &written) && written == count;
}

TUnzipResult EntryOutput::Finish(TUnzipResult result, uint32_t stamp, uint16_t attr) {
  const char* written = temp_[0] != '\0' ? temp_ : name_;
  // The time and attributes go on the open file, not by its name: no
  // second open. A file that is not kept gets neither.
  if (result == urOk) {
    file_.SetDosTime(stamp);
    file_.SetAttributes(attr);
  }
  const bool closed = file_.Close();
  if (result == urOk && !closed) result = urWriteError;  // data may not have reached the disk
  if (result == urOk && written == temp_ && !platform::RenameOver(temp_, name_)) {
    result = urWriteError;
  }
  if (result != urOk) {
    if (attr & kReadOnlyAttr) platform::SetAttributes(written, 0);  // else it cannot be erased
    platform::EraseFile(written);
  }
  return result;
}

}  // namespace unzip
