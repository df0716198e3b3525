#include "payload/uninstall_plan.h"


#include "installutils/shell_text.h"
#include "payload/payload_files.h"
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
         " [" + texts::kQuietUninstallArgument + "]";
}

}  // namespace

q::Error ParseArguments(const std::vector<std::string>& args, Arguments& out) {
  out = Arguments{};
  for (const std::string& arg : args) {
    if (EqualNoCase(arg, texts::kQuietUninstallArgument)) out.silent = true;
  }
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (EqualNoCase(arg, texts::kQuietUninstallArgument)) continue;
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
  line.append(" ").append(std::to_string(parentProcess));
  line.append(" ").append(QuoteArgument(installDir));
  return line;
}

Plan MakePlan(std::string_view installDir, std::string_view programsFolder,
              std::string_view desktopFolder) {
  Plan plan;
  for (const char* name : payload::kPayloadFiles) {
    const std::string path = JoinFolder(installDir, name);
    if (EqualNoCase(name, texts::kUninstallerFile)) {
      plan.uninstaller = path;
    } else {
      plan.files.push_back(path);
    }
  }
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
