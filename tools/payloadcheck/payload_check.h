// The build-time check of a publisher's payload: every file the installer
// would refuse to install, or would install under another name, is found
// before the archive is made, with the file and the reason. Portable (the
// packer runs it on the build machine); the name rules the engine applies
// at install time are the engine's own (IsSafeEntryName), not a copy.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace payload {

// One file of the payload: its name in the archive ("/" between folders)
// and where its bytes come from (empty for a name given without a file).
struct PayloadFile {
  std::string name;
  std::string path;
};

struct CheckResult {
  std::vector<PayloadFile> files;     // sorted by name; complete only when accepted
  std::vector<std::string> refusals;  // "NAME: why"
  std::vector<std::string> notes;     // facts the publisher should know
  bool Accepted() const { return refusals.empty(); }
};

// The folder the check measures path lengths against: where a 32-bit
// installer puts the product on 64-bit Windows, the longest of the usual
// places.
std::string LongestInstallFolder();

struct CheckRequest {
  std::string folder;                  // every file below it; may be empty
  std::vector<PayloadFile> files;      // named files, added as given
  std::vector<PayloadFile> fallbacks;  // added when the folder lacks the name
  std::string installFolder = LongestInstallFolder();
};

CheckResult CheckPayload(const CheckRequest& request);

// Why Setup cannot install a file of this name (and `size` bytes) as it is;
// empty when it can. Names use "/" between folders.
std::string NameRefusal(const std::string& name, uint64_t size, const std::string& installFolder);

}  // namespace payload
