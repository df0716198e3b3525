// The one RAII wrapper for system handles. A Traits type names the handle
// type, its invalid value and how to release it, e.g.
//   struct RegionTraits {
//     using Handle = HRGN;
//     static Handle Invalid() { return nullptr; }
//     static void Close(Handle h) { DeleteObject(h); }
//   };
//   using Region = q::UniqueHandle<RegionTraits>;
// The Windows traits live in common/win32_handles.h.
#pragma once

#include <utility>

namespace q {

template <typename Traits>
class UniqueHandle {
 public:
  using Handle = typename Traits::Handle;

  UniqueHandle() = default;
  explicit UniqueHandle(Handle h) : h_(h) {}
  ~UniqueHandle() { Reset(); }
  UniqueHandle(UniqueHandle&& o) noexcept : h_(o.Release()) {}
  UniqueHandle& operator=(UniqueHandle&& o) noexcept {
    if (this != &o) Reset(o.Release());
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;

  Handle Get() const { return h_; }
  bool Valid() const { return h_ != Traits::Invalid(); }
  explicit operator bool() const { return Valid(); }

  // Gives up ownership (e.g. a region handed to SetWindowRgn).
  Handle Release() { return std::exchange(h_, Traits::Invalid()); }
  void Reset(Handle h = Traits::Invalid()) {
    if (h_ != Traits::Invalid() && h_ != h) Traits::Close(h_);
    h_ = h;
  }

 private:
  Handle h_ = Traits::Invalid();
};

}  // namespace q
