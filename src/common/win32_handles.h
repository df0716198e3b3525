// Owners of the Windows handles the project uses, all through UniqueHandle.
// Windows-only.
#pragma once

#include <windows.h>

#include <atomic>

#include "common/unique_handle.h"

namespace q {

// Any GDI object released with DeleteObject (regions, bitmaps, fonts, pens,
// brushes); T is the concrete handle type. The objects of each type that
// wrappers hold are counted, so that an owner's tests can show it leaks none
// (a handle given away with Release, to SetWindowRgn say, leaves the count).
template <typename T>
struct GdiObjectTraits {
  using Handle = T;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { ::DeleteObject(h); }
  static void Adopted(Handle) { live.fetch_add(1, std::memory_order_relaxed); }
  static void Disowned(Handle) { live.fetch_sub(1, std::memory_order_relaxed); }
  static inline std::atomic<long> live{0};
};
// GDI objects of type T held by wrappers now.
template <typename T>
long LiveGdiObjects() {
  return GdiObjectTraits<T>::live.load(std::memory_order_relaxed);
}
using RegionHandle = UniqueHandle<GdiObjectTraits<HRGN>>;
using BitmapHandle = UniqueHandle<GdiObjectTraits<HBITMAP>>;
using FontHandle = UniqueHandle<GdiObjectTraits<HFONT>>;
using PenHandle = UniqueHandle<GdiObjectTraits<HPEN>>;
using BrushHandle = UniqueHandle<GdiObjectTraits<HBRUSH>>;

// A memory device context from CreateCompatibleDC.
struct MemoryDcTraits {
  using Handle = HDC;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { ::DeleteDC(h); }
};
using MemoryDcHandle = UniqueHandle<MemoryDcTraits>;

// A window's device context from GetDC: released to the window it came from.
struct WindowDcTraits {
  using Handle = HDC;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { ::ReleaseDC(::WindowFromDC(h), h); }
};
using WindowDcHandle = UniqueHandle<WindowDcTraits>;

// Kernel objects closed with CloseHandle whose invalid value is null
// (threads, events, mutexes).
struct KernelTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { ::CloseHandle(h); }
};
using KernelHandle = UniqueHandle<KernelTraits>;

// File handles, whose invalid value is INVALID_HANDLE_VALUE.
struct FileTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Handle h) { ::CloseHandle(h); }
};
using FileHandle = UniqueHandle<FileTraits>;

// A folder listing from FindFirstFile, ended with FindClose.
struct FindTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Handle h) { ::FindClose(h); }
};
using FindHandle = UniqueHandle<FindTraits>;

struct RegistryKeyTraits {
  using Handle = HKEY;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { ::RegCloseKey(h); }
};
using RegistryKeyHandle = UniqueHandle<RegistryKeyTraits>;

struct WindowTraits {
  using Handle = HWND;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { ::DestroyWindow(h); }
};
using WindowHandle = UniqueHandle<WindowTraits>;

// A COM interface pointer; I is the interface type (IShellLinkA...). The
// owner holds one reference and gives it back with Release.
template <typename I>
struct ComTraits {
  using Handle = I*;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { h->Release(); }
};
template <typename I>
using ComPtr = UniqueHandle<ComTraits<I>>;

}  // namespace q
