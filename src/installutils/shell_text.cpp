#include "installutils/shell_text.h"

#include <utility>

namespace {

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

bool HasLinkExtension(std::string_view linkFile) {
  const size_t dot = linkFile.rfind('.');
  if (dot == std::string_view::npos) return false;
  const std::string_view extension = linkFile.substr(dot);
  if (extension.find_first_of("\\:") != std::string_view::npos) return false;
  constexpr std::string_view kLink = ".LNK";
  if (extension.size() != kLink.size()) return false;
  for (size_t i = 0; i < kLink.size(); ++i) {
    if (AsciiUpper(extension[i]) != kLink[i]) return false;
  }
  return true;
}

std::string_view FolderPart(std::string_view path) {
  const size_t last = path.find_last_of("\\:");
  return last == std::string_view::npos ? std::string_view() : path.substr(0, last + 1);
}

std::string JoinFolder(std::string_view folder, std::string_view name) {
  if (folder.empty()) return {};
  std::string out(folder);
  if (out.back() != '\\') out += '\\';
  out += name;
  return out;
}

std::string QuoteCommandPath(std::string_view path) {
  if (path.find_first_of(" \t") == std::string_view::npos || path.front() == '"') {
    return std::string(path);
  }
  std::string quoted;
  quoted.reserve(path.size() + 2);
  quoted += '"';
  quoted += path;
  quoted += '"';
  return quoted;
}

std::string UninstallKeyPath(std::string_view displayName) {
  std::string path = kUninstallKeyParent;
  path += displayName;
  return path;
}

bool IsValidUninstallKeyName(std::string_view displayName) {
  return !displayName.empty() && displayName.find('\\') == std::string_view::npos;
}

std::vector<RegistryStringValue> UninstallValues(const UninstallEntry& entry) {
  static constexpr std::pair<const char*, std::string_view UninstallEntry::*> kValues[] = {
      {"Publisher", &UninstallEntry::publisher},
      {"DisplayVersion", &UninstallEntry::displayVersion},
      {"URLInfoAbout", &UninstallEntry::urlInfoAbout},
      {"HelpTelephone", &UninstallEntry::helpTelephone},
      {"HelpLink", &UninstallEntry::helpLink},
      {"URLUpdateInfo", &UninstallEntry::urlUpdateInfo},
      {"UninstallString", &UninstallEntry::uninstallString},
      {"DisplayName", &UninstallEntry::displayName},
      {"ModifyPath", &UninstallEntry::modifyPath},
  };
  std::vector<RegistryStringValue> values;
  for (const auto& [name, field] : kValues) {
    const std::string_view text = entry.*field;
    if (text.empty()) continue;
    values.push_back({name, field == &UninstallEntry::uninstallString ? QuoteCommandPath(text)
                                                                      : std::string(text)});
  }
  return values;
}
