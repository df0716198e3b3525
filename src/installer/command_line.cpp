// The setup program's command line: see command_line.h.
#include "installer/command_line.h"

#include "installer/exit_codes.h"

namespace setup {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// `text` starts with `prefix`, ASCII letters compared without case.
bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (Lower(text[i]) != Lower(prefix[i])) return false;
  }
  return true;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && StartsWithNoCase(a, b);
}

std::string WithoutQuotes(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c != '"') out += c;
  }
  return out;
}

// One path step as a file system keeps it: none of the characters a name
// cannot hold, and no trailing dot or space (the system drops those, so
// the folder made would not be the one named).
bool ValidStep(std::string_view step) {
  if (step == "." || step == "..") return false;
  for (char c : step) {
    if (static_cast<unsigned char>(c) < 32) return false;
    if (std::string_view("<>:\"|?*").find(c) != std::string_view::npos) return false;
  }
  return step.back() != '.' && step.back() != ' ';
}

}  // namespace

const char* ExitCodeName(int code) {
  switch (code) {
    case kExitSuccess: return "success";
    case kExitBadCommandLine: return "bad-command-line";
    case kExitCancelled: return "cancelled";
    case kExitFailed: return "failed";
    case kExitAlreadyRunning: return "already-running";
    default: return "unknown";
  }
}

std::string_view ArgumentsOf(std::string_view commandLine) {
  size_t i = 0;
  if (!commandLine.empty() && commandLine[0] == '"') {
    const size_t close = commandLine.find('"', 1);
    i = close == std::string_view::npos ? commandLine.size() : close + 1;
  }
  while (i < commandLine.size() && !IsBlank(commandLine[i])) ++i;
  return commandLine.substr(i);
}

q::Error NormalizeInstallFolder(std::string_view folder, std::string& out) {
  std::string path(folder);
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  const auto fail = [&](const char* why) {
    return q::Error::Failf("the installation folder \"%s\" %s", folder, why);
  };
  std::string root;
  size_t rest = 0;
  size_t rootSteps = 0;  // the server and share of a network path
  if (path.size() >= 3 && ((path[0] | 0x20) >= 'a' && (path[0] | 0x20) <= 'z') && path[1] == ':' &&
      path[2] == '\\') {
    root = path.substr(0, 3);
    rest = 3;
  } else if (path.size() > 2 && path[0] == '\\' && path[1] == '\\') {
    root = "\\\\";
    rest = 2;
    rootSteps = 2;
  } else {
    return fail("is not a full path (a drive's folder such as C:\\Apps\\Quorvantis, or a share's)");
  }
  // The folder as it will be used: the root, then each step and a "\".
  std::string normalized = root;
  size_t steps = 0;
  const std::string_view tail = std::string_view(path).substr(rest);
  for (size_t start = 0; start <= tail.size();) {
    size_t end = tail.find('\\', start);
    if (end == std::string_view::npos) end = tail.size();
    if (end > start) {
      const std::string_view step = tail.substr(start, end - start);
      if (!ValidStep(step)) {
        return fail(
            "holds a step that no folder can be named (\".\", \"..\", a trailing dot or "
            "space, or one of < > : \" | ? * and control characters)");
      }
      normalized.append(step);
      normalized += '\\';
      ++steps;
    }
    start = end + 1;
  }
  if (steps <= rootSteps) return fail("is the root of a drive or share, not a folder in it");
  out = std::move(normalized);
  return {};
}

q::Error ParseCommandLine(std::string_view arguments, Options& out) {
  out = Options{};
  q::Error first;
  const auto complain = [&](std::string message) {
    if (!first) first = q::Error::Fail(std::move(message));
  };
  size_t i = 0;
  for (;;) {
    while (i < arguments.size() && IsBlank(arguments[i])) ++i;
    if (i == arguments.size()) break;
    const std::string_view here = arguments.substr(i);
    if (StartsWithNoCase(here, "/D=") || StartsWithNoCase(here, "\"/D=")) {
      std::string_view value = here.substr(here.find('=') + 1);
      while (!value.empty() && IsBlank(value.back())) value.remove_suffix(1);
      const std::string folder = WithoutQuotes(value);
      if (folder.empty()) {
        complain("/D= needs a folder");
      } else if (q::Error e = NormalizeInstallFolder(folder, out.installDir)) {
        complain(e.Message());
      }
      break;
    }
    // One switch: up to a blank outside quotes, the quotes dropped.
    std::string word;
    bool quoted = false;
    for (; i < arguments.size() && (quoted || !IsBlank(arguments[i])); ++i) {
      if (arguments[i] == '"') {
        quoted = !quoted;
      } else {
        word += arguments[i];
      }
    }
    if (EqualsNoCase(word, "/S")) {
      out.silent = true;
    } else if (word == "/?") {
      out.help = true;
    } else if (StartsWithNoCase(word, "/LOG=")) {
      out.logPath = word.substr(5);
      if (out.logPath.empty()) complain("/LOG= needs a file name");
    } else {
      complain(q::Message("unknown switch \"%s\"", word));
    }
  }
  if (first) return std::move(first).WithContext("wrong command line");
  return {};
}

std::string_view UsageText() {
  return "QuorvantisSetup.exe [/S] [/LOG=file] [/D=folder]\n"
         "\n"
         "/S\tInstall without any window or question; Quorvantis is not started.\n"
         "/LOG=file\tAppend one line per step to the file (tab-separated, UTC times).\n"
         "/D=folder\tInstall into this folder instead of Program Files\\Quorvantis. It comes "
         "last and may hold spaces without quotes.\n"
         "/?\tShow this text.\n"
         "\n"
         "Exit codes: 0 installed, 1602 cancelled, 1603 failed, 1618 another setup is running, "
         "87 wrong command line.";
}

}  // namespace setup
