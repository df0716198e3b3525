// payloadcheck: the payload check as a command, for the payload packer.
//
//   payloadcheck [--dir FOLDER] [--file NAME[=PATH]]... [--fallback NAME[=PATH]]...
//                [--install-dir FOLDER]
//
// --dir takes every file below FOLDER (links followed), --file adds one
// file, --fallback adds one when the payload holds no file of that name.
// On success prints NAME, NUL, PATH, NUL for every file, sorted by name,
// and exits 0. Otherwise prints each refused file and the reason on
// standard error and exits 1 (2: wrong arguments). Notes (empty folders)
// go to standard error either way.
#include <cstdio>
#include <string>

#include "payload_check.h"

namespace {

int Usage() {
  std::fputs(
      "usage: payloadcheck [--dir FOLDER] [--file NAME[=PATH]]... "
      "[--fallback NAME[=PATH]]... [--install-dir FOLDER]\n",
      stderr);
  return 2;
}

payload::PayloadFile Named(const std::string& arg) {
  const size_t eq = arg.find('=');
  if (eq == std::string::npos) return {arg, ""};
  return {arg.substr(0, eq), arg.substr(eq + 1)};
}

}  // namespace

int main(int argc, char** argv) {
  payload::CheckRequest request;
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    if (i + 1 >= argc) return Usage();
    const std::string value = argv[++i];
    if (option == "--dir" && request.folder.empty()) {
      request.folder = value;
    } else if (option == "--file") {
      request.files.push_back(Named(value));
    } else if (option == "--fallback") {
      request.fallbacks.push_back(Named(value));
    } else if (option == "--install-dir") {
      request.installFolder = value;
    } else {
      return Usage();
    }
  }
  const payload::CheckResult result = payload::CheckPayload(request);
  for (const std::string& note : result.notes) std::fprintf(stderr, "note: %s\n", note.c_str());
  if (!result.Accepted()) {
    for (const std::string& r : result.refusals) std::fprintf(stderr, "refused: %s\n", r.c_str());
    std::fprintf(stderr, "%zu refused; Setup would not install this payload as it is.\n",
                 result.refusals.size());
    return 1;
  }
  for (const payload::PayloadFile& f : result.files) {
    std::fwrite(f.name.c_str(), 1, f.name.size() + 1, stdout);
    std::fwrite(f.path.c_str(), 1, f.path.size() + 1, stdout);
  }
  return std::fflush(stdout) == 0 ? 0 : 1;
}
