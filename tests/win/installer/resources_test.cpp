// What the shell sees of QuorvantisSetup.exe and of the payload programs
// before starting them: manifest, version block, icon, and the
// uninstaller's list. (The payload archive it carries is installed and
// compared entry by entry in install_test.)
#include <windows.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "payload/file_list.h"
#include "product/texts.h"
#include "support/files.h"
#include "unzip/zipread.h"

namespace {

std::string ResourceText(HMODULE module, LPCSTR type, LPCSTR name) {
  HRSRC info = FindResourceA(module, name, type);
  const char* bytes =
      info ? static_cast<const char*>(LockResource(LoadResource(module, info))) : nullptr;
  return bytes ? std::string(bytes, SizeofResource(module, info)) : std::string();
}

std::string VersionString(const std::string& file, const char* name) {
  DWORD ignored = 0;
  std::vector<char> block(GetFileVersionInfoSizeA(file.c_str(), &ignored));
  char* value = nullptr;
  UINT length = 0;
  const std::string query = std::string("\\StringFileInfo\\040904B0\\") + name;
  if (block.empty() ||
      !GetFileVersionInfoA(file.c_str(), 0, static_cast<DWORD>(block.size()), block.data()) ||
      !VerQueryValueA(block.data(), query.c_str(), reinterpret_cast<void**>(&value), &length) ||
      length == 0) {
    return {};
  }
  return std::string(value, length - 1);
}

// The installer and the uninstaller ask for elevation (they write to
// Program Files and HKLM), the product does not; each carries its icon and
// the maker's version block; the uninstaller's list names exactly the
// archive's entries, whatever the payload.
TEST(InstallerResources, ThePayloadProgramsAsTheShellSeesThem) {
  std::string names;
  TZipSearchRec rec{};
  const std::string archive = qtest::HostPath(Q_PAYLOAD_ZIP);
  for (int rc = ZipFindFirst(archive.c_str(), rec); rc == kZipOk; rc = ZipFindNext(rec)) {
    std::string name = rec.EntryName;
    std::replace(name.begin(), name.end(), '\\', '/');
    names += name + "\n";
  }
  ZipFindClose(rec);
  char buffer[MAX_PATH];
  const std::string self(buffer, GetModuleFileNameA(nullptr, buffer, MAX_PATH));
  const std::string bin = self.substr(0, self.rfind('\\') + 1);  // the payload programs too
  for (const auto& [file, level] : {std::pair{"QuorvantisSetup.exe", "requireAdministrator"},
                                    {"Quorvantis.exe", "asInvoker"},
                                    {"UninstallQuorvantis.exe", "requireAdministrator"}}) {
    SCOPED_TRACE(file);
    const std::string path = file == std::string("QuorvantisSetup.exe") ? self : bin + file;
    HMODULE module = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr);
    EXPECT_NE(ResourceText(module, MAKEINTRESOURCEA(24), MAKEINTRESOURCEA(1))
                  .find("level=\"" + std::string(level) + "\""),
              std::string::npos);
    EXPECT_NE(FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(14)), nullptr);
    if (file == std::string("UninstallQuorvantis.exe")) {
      EXPECT_EQ(ResourceText(module, RT_RCDATA, MAKEINTRESOURCEA(Q_FILE_LIST_RESOURCE_ID)), names);
    }
    FreeLibrary(module);
    EXPECT_EQ(VersionString(path, "OriginalFilename"), file);
    EXPECT_EQ(VersionString(path, "CompanyName"), texts::kMakerName);
  }
  // The installer's own: themed controls, its version, an icon in the shell's sizes.
  EXPECT_NE(ResourceText(nullptr, MAKEINTRESOURCEA(24), MAKEINTRESOURCEA(1))
                .find("Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""),
            std::string::npos);
  EXPECT_EQ(VersionString(self, "ProductVersion"), texts::kVersion);
  for (int size : {16, 32}) {
    HICON icon = static_cast<HICON>(
        LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(1), IMAGE_ICON, size, size, 0));
    ICONINFO info{};
    BITMAP bm{};
    ASSERT_TRUE(icon && GetIconInfo(icon, &info) && GetObjectA(info.hbmColor, sizeof bm, &bm));
    EXPECT_EQ(bm.bmWidth, size);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    DestroyIcon(icon);
  }
}

}  // namespace
