// The resources QuorvantisSetup.exe carries, read back the way the program
// reads them: the payload archive (resource "ZIP" 1) byte for byte, its
// entries, the manifest, the version block and the icon; and the payload
// programs' own resources.
#include <windows.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "payload/file_list.h"
#include "product/texts.h"
#include "support/files.h"
#include "unzip/crc32.h"
#include "unzip/zipread.h"

namespace {

std::string ResourceText(HMODULE module, LPCSTR type, LPCSTR name) {
  HRSRC info = FindResourceA(module, name, type);
  if (!info) return {};
  HGLOBAL data = LoadResource(module, info);
  const char* bytes = static_cast<const char*>(LockResource(data));
  return bytes ? std::string(bytes, SizeofResource(module, info)) : std::string();
}

std::string VersionString(const std::string& file, const char* name) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(file.c_str(), &ignored);
  if (size == 0) return {};
  std::vector<char> block(size);
  if (!GetFileVersionInfoA(file.c_str(), 0, size, block.data())) return {};
  char* value = nullptr;
  UINT length = 0;
  const std::string query = std::string("\\StringFileInfo\\040904B0\\") + name;
  if (!VerQueryValueA(block.data(), query.c_str(), reinterpret_cast<void**>(&value), &length) ||
      length == 0) {
    return {};
  }
  return std::string(value, length - 1);
}

std::string OwnPath() {
  char path[MAX_PATH];
  const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  return std::string(path, n);
}

uint32_t Crc(const qtest::Bytes& bytes) {
  return ~unzip::Crc32Update(0xFFFFFFFFu, bytes.data(), bytes.size());
}

TEST(InstallerResources, ArchiveResourceIsThePayloadByteForByte) {
  HRSRC info = FindResourceA(nullptr, MAKEINTRESOURCEA(texts::kArchiveResourceId),
                             texts::kArchiveResourceType);
  ASSERT_NE(info, nullptr);
  const DWORD size = SizeofResource(nullptr, info);
  const auto* bytes = static_cast<const uint8_t*>(LockResource(LoadResource(nullptr, info)));
  ASSERT_NE(bytes, nullptr);
  const qtest::Bytes payload = qtest::ReadFileBytes(qtest::HostPath(Q_PAYLOAD_ZIP));
  ASSERT_EQ(size, payload.size());
  EXPECT_TRUE(std::equal(payload.begin(), payload.end(), bytes));
}

TEST(InstallerResources, PayloadHoldsTheProgramsAndDataFilesDeflated) {
  if (Q_PAYLOAD_CUSTOM) GTEST_SKIP() << "built with a packager's payload folder";
  TZipSearchRec rec{};
  std::vector<std::string> names;
  const std::string archive = qtest::HostPath(Q_PAYLOAD_ZIP);
  for (int rc = ZipFindFirst(archive.c_str(), rec); rc == kZipOk; rc = ZipFindNext(rec)) {
    names.push_back(rec.EntryName);
    EXPECT_EQ(rec.MethodCode, 8) << rec.EntryName;
    const std::string data = qtest::HostPath(std::string(Q_PAYLOAD_DATA_DIR) + "/" + rec.EntryName);
    if (GetFileAttributesA(data.c_str()) != INVALID_FILE_ATTRIBUTES) {
      const qtest::Bytes source = qtest::ReadFileBytes(data);
      EXPECT_EQ(rec.UnpackedSize, source.size()) << rec.EntryName;
      EXPECT_EQ(rec.EntryCrc, Crc(source)) << rec.EntryName;
    }
  }
  ZipFindClose(rec);
  EXPECT_EQ(names, (std::vector<std::string>{
                       "ChangeLog.txt", "Quorvantis.exe", "Quorvantis.hlp", "Quorvantis.lang.es",
                       "Quorvantis.lang.it", "Quorvantis.lang.pt-br", "Quorvantis.lang.ru",
                       "Quorvantis.lang.template", "SQLRef.hlp", "UninstallQuorvantis.exe"}));
}

// The uninstaller removes what its list names: the archive's entries,
// whatever the payload.
TEST(PayloadPrograms, UninstallerListsExactlyTheArchivesEntries) {
  std::string folder = OwnPath();
  folder.resize(folder.rfind('\\') + 1);
  HMODULE module = LoadLibraryExA((folder + "UninstallQuorvantis.exe").c_str(), nullptr,
                                  LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(module, nullptr);
  const std::string list =
      ResourceText(module, RT_RCDATA, MAKEINTRESOURCEA(Q_FILE_LIST_RESOURCE_ID));
  FreeLibrary(module);
  std::string names;
  TZipSearchRec rec{};
  const std::string archive = qtest::HostPath(Q_PAYLOAD_ZIP);
  for (int rc = ZipFindFirst(archive.c_str(), rec); rc == kZipOk; rc = ZipFindNext(rec)) {
    std::string name = rec.EntryName;
    std::replace(name.begin(), name.end(), '\\', '/');
    names += name + "\n";
  }
  ZipFindClose(rec);
  EXPECT_EQ(list, names);
}

TEST(InstallerResources, ManifestAsksForElevationAndThemedControls) {
  const std::string manifest =
      ResourceText(nullptr, MAKEINTRESOURCEA(24), MAKEINTRESOURCEA(1));  // RT_MANIFEST
  EXPECT_NE(manifest.find("level=\"requireAdministrator\""), std::string::npos);
  EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls"), std::string::npos);
  EXPECT_NE(manifest.find("version=\"6.0.0.0\""), std::string::npos);
}

TEST(InstallerResources, VersionBlockNamesTheMakerAndVersion) {
  const std::string self = OwnPath();
  EXPECT_EQ(VersionString(self, "CompanyName"), texts::kMakerName);
  EXPECT_EQ(VersionString(self, "ProductVersion"), texts::kVersion);
  EXPECT_EQ(VersionString(self, "OriginalFilename"), "QuorvantisSetup.exe");
}

TEST(InstallerResources, IconLoadsInTheShellsSizes) {
  for (int size : {16, 32}) {
    HANDLE icon =
        LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(1), IMAGE_ICON, size, size, 0);
    ASSERT_NE(icon, nullptr) << size;
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(static_cast<HICON>(icon), &info));
    BITMAP bm{};
    GetObjectA(info.hbmColor, sizeof bm, &bm);
    EXPECT_EQ(bm.bmWidth, size);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    DestroyIcon(static_cast<HICON>(icon));
  }
}

// The payload programs as the shell sees them before starting them: the
// uninstaller asks for elevation (it deletes from Program Files and HKLM),
// the product does not.
TEST(PayloadPrograms, CarryManifestVersionAndIcon) {
  std::string folder = OwnPath();  // the build's bin folder holds them too
  folder.resize(folder.rfind('\\') + 1);
  struct Expectation {
    const char* file;
    const char* level;
  };
  for (const Expectation& e : {Expectation{"Quorvantis.exe", "asInvoker"},
                               Expectation{"UninstallQuorvantis.exe", "requireAdministrator"}}) {
    const std::string path = folder + e.file;
    HMODULE module = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr) << path;
    const std::string manifest = ResourceText(module, MAKEINTRESOURCEA(24), MAKEINTRESOURCEA(1));
    EXPECT_NE(manifest.find(std::string("level=\"") + e.level + "\""), std::string::npos) << e.file;
    EXPECT_NE(FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(14)),
              nullptr)  // RT_GROUP_ICON
        << e.file;
    FreeLibrary(module);
    EXPECT_EQ(VersionString(path, "OriginalFilename"), e.file);
    EXPECT_EQ(VersionString(path, "CompanyName"), texts::kMakerName);
  }
}

}  // namespace
