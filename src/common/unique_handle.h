// A move-only owner of one operating-system handle, closed once by its last holder.
#pragma once

#include <utility>

namespace torvelkan {

// Traits name the handle's type, the value that holds nothing, and how one is
// closed:
//   struct Traits {
//     using Handle = int;
//     static Handle None() noexcept;
//     static void Close(Handle handle) noexcept;
//   };
// A copy would close the same handle twice, so there is none; a move leaves
// its source empty.
template <typename Traits>
class UniqueHandle {
 public:
  using Handle = typename Traits::Handle;

  UniqueHandle() noexcept = default;
  explicit UniqueHandle(Handle owned) noexcept : handle(owned) {}
  UniqueHandle(UniqueHandle&& other) noexcept : handle(other.Release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) {
      Reset(other.Release());
    }
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  ~UniqueHandle() { Reset(); }

  Handle Get() const noexcept { return handle; }
  bool IsOpen() const noexcept { return handle != Traits::None(); }

  // Gives the handle up without closing it: the caller closes it now.
  Handle Release() noexcept { return std::exchange(handle, Traits::None()); }

  // Closes what is held, if anything, and holds next instead.
  void Reset(Handle next = Traits::None()) noexcept {
    const Handle old = std::exchange(handle, next);
    if (old != Traits::None()) {
      Traits::Close(old);
    }
  }

 private:
  Handle handle = Traits::None();
};

}  // namespace torvelkan
