// The one RAII wrapper for system handles. A Traits type names the handle
// type, its invalid value and how to release it, e.g.
//   struct RegionTraits {
//     using Handle = HRGN;
//     static Handle Invalid() { return nullptr; }
//     static void Close(Handle h) { DeleteObject(h); }
//   };
//   using Region = q::UniqueHandle<RegionTraits>;
// The Windows traits live in common/win32_handles.h.
//
// Traits may also keep count of the handles in their wrappers' care:
// Adopted(h) runs when a wrapper takes a valid handle, Disowned(h) when it
// closes or releases one (a move keeps the count).
#pragma once

#include <utility>

namespace q {

template <typename Traits>
concept CountingHandleTraits = requires(typename Traits::Handle h) {
  Traits::Adopted(h);
  Traits::Disowned(h);
};

template <typename Traits>
class UniqueHandle {
 public:
  using Handle = typename Traits::Handle;

  UniqueHandle() = default;
  explicit UniqueHandle(Handle h) : h_(h) { Adopt(h_); }
  ~UniqueHandle() { Reset(); }
  UniqueHandle(UniqueHandle&& o) noexcept : h_(std::exchange(o.h_, Traits::Invalid())) {}
  UniqueHandle& operator=(UniqueHandle&& o) noexcept {
    if (this != &o) {
      Reset();
      h_ = std::exchange(o.h_, Traits::Invalid());
    }
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;

  Handle Get() const { return h_; }
  bool Valid() const { return h_ != Traits::Invalid(); }
  explicit operator bool() const { return Valid(); }

  // Gives up ownership (e.g. a region handed to SetWindowRgn).
  Handle Release() {
    Disown(h_);
    return std::exchange(h_, Traits::Invalid());
  }
  void Reset(Handle h = Traits::Invalid()) {
    if (h_ == h) return;
    if (h_ != Traits::Invalid()) {
      Disown(h_);
      Traits::Close(h_);
    }
    h_ = h;
    Adopt(h_);
  }

 private:
  static void Adopt(Handle h) {
    if constexpr (CountingHandleTraits<Traits>) {
      if (h != Traits::Invalid()) Traits::Adopted(h);
    }
  }
  static void Disown(Handle h) {
    if constexpr (CountingHandleTraits<Traits>) {
      if (h != Traits::Invalid()) Traits::Disowned(h);
    }
  }

  Handle h_ = Traits::Invalid();
};

}  // namespace q
