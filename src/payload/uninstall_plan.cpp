#include "payload/uninstall_plan.h"

#include <algorithm>

#include "common/digits.h"
#include "installutils/shell_text.h"
#include "product/texts.h"

namespace uninstall {

namespace {

constexpr std::string_view kFinishSwitch = "/_finish";

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

bool ParseHandle(const std::string& text, uint64_t& value) {
  if (text.empty() || text.size() > 20) return false;
  value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    const uint64_t next = value * 10 + static_cast<uint64_t>(c - '0');
    if (next / 10 != value) return false;  // overflow
    value = next;
  }
  return value != 0;
}

std::string UsageText(const std::string& wrong) {
  return "Unknown argument \"" + wrong + "\".\nUsage: " + std::string(texts::kUninstallerFile) +
         " [" + texts::kQuietUninstallArgument + "] [/LOG=file]";
}

}  // namespace

q::Error ParseArguments(const std::vector<std::string>& args, Arguments& out) {
  out = Arguments{};
  const auto isLog = [](const std::string& arg) { return EqualNoCase(arg.substr(0, 5), "/LOG="); };
  for (const std::string& arg : args) {
    if (EqualNoCase(arg, texts::kQuietUninstallArgument)) out.silent = true;
    if (isLog(arg)) out.logPath = arg.substr(5);
  }
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (EqualNoCase(arg, texts::kQuietUninstallArgument)) continue;
    if (isLog(arg)) {
      if (arg.size() == 5) return q::Error::Fail("\"/LOG=\" wants a file name");
      continue;
    }
    if (arg == kFinishSwitch) {
      if (i + 2 >= args.size() || !ParseHandle(args[i + 1], out.parentProcess) ||
          args[i + 2].empty()) {
        return q::Error::Fail("\"/_finish\" wants a process handle and a folder");
      }
      out.finish = true;
      out.installDir = args[i + 2];
      if (out.installDir.back() != '\\') out.installDir += '\\';
      i += 2;
    } else {
      return q::Error::Fail(UsageText(arg));
    }
  }
  return {};
}

std::string QuoteArgument(std::string_view arg) {
  if (!arg.empty() && arg.find_first_of(" \t\"") == std::string_view::npos) {
    return std::string(arg);
  }
  std::string out = "\"";
  size_t backslashes = 0;
  for (char c : arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    // Backslashes are literal unless a quote follows them.
    out.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    out += c;
  }
  out.append(backslashes * 2, '\\');  // before the closing quote
  out += '"';
  return out;
}

std::string FinishCommandLine(const std::string& copyPath, uint64_t parentProcess,
                              const std::string& installDir, bool silent) {
  std::string line = QuoteArgument(copyPath);
  if (silent) line.append(" ").append(texts::kQuietUninstallArgument);
  line.append(" ").append(kFinishSwitch);
  line.append(" ").append(q::Decimal(parentProcess));
  line.append(" ").append(QuoteArgument(installDir));
  return line;
}

std::vector<std::string> ParseFileList(std::string_view text) {
  std::vector<std::string> names;
  while (!text.empty()) {
    const size_t end = std::min(text.find('\n'), text.size());
    std::string name(text.substr(0, end));
    text.remove_prefix(std::min(end + 1, text.size()));
    if (!name.empty() && name.back() == '\r') name.pop_back();
    if (name.empty()) continue;
    std::replace(name.begin(), name.end(), '/', '\\');
    names.push_back(std::move(name));
  }
  return names;
}

Plan MakePlan(std::string_view installDir, const std::vector<std::string>& payloadFiles,
              std::string_view programsFolder, std::string_view desktopFolder) {
  Plan plan;
  for (const std::string& name : payloadFiles) {
    const std::string path = JoinFolder(installDir, name);
    if (EqualNoCase(name, texts::kUninstallerFile)) {
      plan.uninstaller = path;
    } else {
      plan.files.push_back(path);
    }
    // Every folder on the way to the file, once.
    for (size_t slash = name.find('\\'); slash != std::string::npos;
         slash = name.find('\\', slash + 1)) {
      const std::string folder = JoinFolder(installDir, name.substr(0, slash + 1));
      const bool known = std::any_of(plan.folders.begin(), plan.folders.end(),
                                     [&](const std::string& f) { return EqualNoCase(f, folder); });
      if (!known && !installDir.empty()) plan.folders.push_back(folder);
    }
  }
  // A folder is removed after the folders inside it: longer paths first.
  std::stable_sort(plan.folders.begin(), plan.folders.end(),
                   [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
  plan.files.push_back(JoinFolder(installDir, texts::TempZipFileName));
  if (plan.uninstaller.empty()) plan.uninstaller = JoinFolder(installDir, texts::kUninstallerFile);

  const std::string link = std::string(texts::kProductName) + texts::kLinkExtension;
  if (!desktopFolder.empty()) plan.shortcuts.push_back(JoinFolder(desktopFolder, link));
  if (!programsFolder.empty()) {
    plan.programGroup = JoinFolder(programsFolder, texts::kProductName) + "\\";
    plan.shortcuts.push_back(plan.programGroup + link);
    plan.shortcuts.push_back(plan.programGroup + texts::kUninstallLinkName + texts::kLinkExtension);
  }
  return plan;
}

std::string CommandProgram(std::string_view command) {
  while (!command.empty() && (command.front() == ' ' || command.front() == '\t')) {
    command.remove_prefix(1);
  }
  if (!command.empty() && command.front() == '"') {
    command.remove_prefix(1);
    const size_t close = command.find('"');
    return std::string(close == std::string_view::npos ? command : command.substr(0, close));
  }
  while (!command.empty() && (command.back() == ' ' || command.back() == '\t')) {
    command.remove_suffix(1);
  }
  return std::string(command);
}

bool SamePath(std::string_view a, std::string_view b) { return !a.empty() && EqualNoCase(a, b); }

q::Error CheckInstallation(std::string_view ownFolder, std::string_view registeredFolder) {
  const std::string product = texts::kProductName;
  if (registeredFolder.empty()) {
    return q::Error::Fail(product + " is not registered as installed on this computer, so " +
                          "this uninstaller removes nothing. Nothing was changed.");
  }
  const std::string own = JoinFolder(ownFolder, "");
  const std::string registered = JoinFolder(registeredFolder, "");
  if (SamePath(own, registered)) return {};
  return q::Error::Fail(
      "This uninstaller lies in " + own + ", but " + product + " is installed in " + registered +
      ". It removes only the " + "installation it belongs to; nothing was changed. To remove " +
      product + ", use the list of installed programs or the uninstaller in " + registered + ".");
}

std::string ReportText(const Report& report) {
  std::string text;
  if (report.failures.empty()) {
    text = std::string(texts::kProductName) + " has been removed from your computer.";
  } else {
    text = "Some parts of " + std::string(texts::kProductName) + " could not be removed:\n";
    for (const std::string& f : report.failures) text += "\n" + f;
    text += "\n\nClose the programs that use them and run the uninstaller again.";
  }
  for (const std::string& n : report.notes) text += "\n\n" + n;
  return text;
}

}  // namespace uninstall
