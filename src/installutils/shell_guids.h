// The shell's and COM's published identifiers, spelled out so that no
// import library of GUIDs is linked (its one object holds every GUID it
// knows, all of which would land in the program).
#pragma once

#include <windows.h>

namespace shell_guids {

// The interfaces COM itself publishes: xxxxxxxx-0000-0000-C000-000000000046.
constexpr GUID Com(unsigned long data1) { return {data1, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}}; }

inline constexpr GUID kIidUnknown = Com(0x00000000);
inline constexpr GUID kIidPersistFile = Com(0x0000010B);
inline constexpr GUID kIidDispatch = Com(0x00020400);
inline constexpr GUID kClsidShellLink = Com(0x00021401);
inline constexpr GUID kIidShellBrowser = Com(0x000214E2);
inline constexpr GUID kIidShellLinkW = Com(0x000214F9);

inline constexpr GUID kClsidShellWindows = {
    0x9BA05972, 0xF6A8, 0x11CF, {0xA4, 0x42, 0x00, 0xA0, 0xC9, 0x0A, 0x8F, 0x39}};
inline constexpr GUID kIidShellWindows = {
    0x85CB6900, 0x4D95, 0x11CF, {0x96, 0x0C, 0x00, 0x80, 0xC7, 0xF4, 0xEE, 0x85}};
inline constexpr GUID kIidServiceProvider = {
    0x6D5140C1, 0x7436, 0x11CE, {0x80, 0x34, 0x00, 0xAA, 0x00, 0x60, 0x09, 0xFA}};
inline constexpr GUID kSidTopLevelBrowser = {
    0x4C96BE40, 0x915C, 0x11CF, {0x99, 0xD3, 0x00, 0xAA, 0x00, 0x4A, 0xE8, 0x37}};
inline constexpr GUID kIidShellFolderViewDual = {
    0xE7A1AF80, 0x4D96, 0x11CF, {0x96, 0x0C, 0x00, 0x80, 0xC7, 0xF4, 0xEE, 0x85}};
inline constexpr GUID kIidShellDispatch2 = {
    0xA4C6892C, 0x3BA9, 0x11D2, {0x9D, 0xEA, 0x00, 0xC0, 0x4F, 0xB1, 0x61, 0x62}};

}  // namespace shell_guids
