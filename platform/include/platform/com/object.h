// The object helper: reference counting and QueryInterface for a class that implements several interfaces.
//
//   class Sink final : public ComObject<Sink, IDispatch> { ...the interface's members... };
//   ComPtr<Sink> sink = MakeObject<Sink>(constructor arguments);
//
// Each of Bases is an interface or a mixin that implements one (DispatchImpl, EventSource): QueryInterface
// answers Base::kIid with the Base::Interface of that base, IUnknown with the first base, and anything else
// through QueryOtherInterface, which a class may override (for a second id of an interface it has).
// The object is deleted by the Release that takes its count to 0.
#pragma once

#include <atomic>
#include <cstdint>
#include <utility>

#include "platform/com/com_ptr.h"
#include "platform/com/unknown.h"

namespace platform::com {

template <class T, class First, class... Rest>
class ComObject : public First, public Rest... {
 public:
  HRESULT QueryInterface(const IID& iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    void* found = nullptr;
    if (iid == IUnknown::kIid) {
      found = static_cast<IUnknown*>(static_cast<First*>(this));
    } else {
      Find<First, Rest...>(iid, found);
    }
    if (!found) {
      HRESULT hr = QueryOtherInterface(iid, &found);
      if (Failed(hr) || !found) return Failed(hr) ? hr : E_NOINTERFACE;
      *out = found;  // counted by the override
      return S_OK;
    }
    AddRef();
    *out = found;
    return S_OK;
  }

  std::uint32_t AddRef() override { return ++refs_; }

  std::uint32_t Release() override {
    std::uint32_t n = --refs_;
    if (n == 0) {
      // A reference taken and given back while the object is destroyed must not destroy it again.
      refs_ = 1;
      delete this;
    }
    return n;
  }

 protected:
  ComObject() = default;
  ~ComObject() override = default;
  ComObject(const ComObject&) = delete;
  ComObject& operator=(const ComObject&) = delete;

  // Further interface ids: set *out to a counted interface pointer, or give E_NOINTERFACE.
  virtual HRESULT QueryOtherInterface(const IID& /*iid*/, void** /*out*/) { return E_NOINTERFACE; }

 private:
  template <class B, class... More>
  void Find(const IID& iid, void*& found) {
    if (iid == B::kIid) {
      found = static_cast<typename B::Interface*>(static_cast<B*>(this));
      return;
    }
    if constexpr (sizeof...(More) > 0) Find<More...>(iid, found);
  }

  std::atomic<std::uint32_t> refs_{0};
};

// Creates an object and gives the first reference.
template <class T, class... Args>
ComPtr<T> MakeObject(Args&&... args) {
  return ComPtr<T>(new T(std::forward<Args>(args)...));
}

}  // namespace platform::com
