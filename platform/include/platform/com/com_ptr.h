// ComPtr: holds one reference to an interface and releases it when it goes.
#pragma once

#include <cstddef>
#include <type_traits>
#include <utility>

#include "platform/com/unknown.h"

namespace platform::com {

template <class I>
class ComPtr {
 public:
  ComPtr() noexcept = default;
  ComPtr(std::nullptr_t) noexcept {}
  // Takes a reference of its own (AddRef); see Attach for taking over the caller's.
  ComPtr(I* p) noexcept : p_(p) {
    if (p_) p_->AddRef();
  }
  ComPtr(const ComPtr& other) noexcept : ComPtr(other.p_) {}
  ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  template <class J, class = std::enable_if_t<std::is_convertible_v<J*, I*>>>
  ComPtr(const ComPtr<J>& other) noexcept : ComPtr(static_cast<I*>(other.Get())) {}
  ~ComPtr() { Reset(); }

  ComPtr& operator=(ComPtr other) noexcept {
    std::swap(p_, other.p_);
    return *this;
  }

  I* Get() const noexcept { return p_; }
  I* operator->() const noexcept { return p_; }
  I& operator*() const noexcept { return *p_; }
  explicit operator bool() const noexcept { return p_ != nullptr; }

  void Reset() noexcept {
    if (I* p = std::exchange(p_, nullptr)) p->Release();
  }
  // Takes over a reference the caller holds (no AddRef).
  void Attach(I* p) noexcept {
    Reset();
    p_ = p;
  }
  // Gives the reference to the caller.
  I* Detach() noexcept { return std::exchange(p_, nullptr); }

  // For out parameters: releases what it holds and gives the place to fill, as I** or as void** (QueryInterface).
  I** Put() noexcept {
    Reset();
    return &p_;
  }
  void** PutVoid() noexcept {
    Reset();
    return reinterpret_cast<void**>(&p_);
  }

  // QueryInterface for J (J::kIid); E_POINTER when empty.
  template <class J>
  HRESULT As(ComPtr<J>& out) const {
    if (!p_) {
      out.Reset();
      return E_POINTER;
    }
    return p_->QueryInterface(J::kIid, out.PutVoid());
  }

  // A counted copy for an out parameter.
  HRESULT CopyTo(I** out) const noexcept {
    if (!out) return E_POINTER;
    *out = p_;
    if (p_) p_->AddRef();
    return S_OK;
  }

  friend bool operator==(const ComPtr& a, const ComPtr& b) noexcept { return a.p_ == b.p_; }
  friend bool operator==(const ComPtr& a, std::nullptr_t) noexcept { return a.p_ == nullptr; }

 private:
  I* p_ = nullptr;
};

// A ComPtr that takes over the caller's reference.
template <class I>
ComPtr<I> Adopt(I* p) {
  ComPtr<I> c;
  c.Attach(p);
  return c;
}

}  // namespace platform::com
