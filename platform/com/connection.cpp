#include "platform/com/connection.h"

#include <new>

namespace platform::com {

HRESULT ConnectionPoint::QueryInterface(const IID& iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!(iid == IUnknown::kIid) && !(iid == IConnectionPoint::kIid)) return E_NOINTERFACE;
  AddRef();
  *out = static_cast<IConnectionPoint*>(this);
  return S_OK;
}

HRESULT ConnectionPoint::GetConnectionInterface(IID* iid) {
  if (!iid) return E_POINTER;
  *iid = events_;
  return S_OK;
}

HRESULT ConnectionPoint::Advise(IUnknown* sink, std::uint32_t* cookie) {
  if (!cookie) return E_POINTER;
  *cookie = 0;
  if (!sink) return E_POINTER;
  ComPtr<IDispatch> dispatch;
  if (Failed(sink->QueryInterface(events_, dispatch.PutVoid())) &&
      Failed(sink->QueryInterface(IDispatch::kIid, dispatch.PutVoid()))) {
    return CONNECT_E_CANNOTCONNECT;
  }
  try {
    sinks_.emplace_back(nextCookie_, std::move(dispatch));
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  *cookie = nextCookie_++;
  if (nextCookie_ == 0) nextCookie_ = 1;
  return S_OK;
}

HRESULT ConnectionPoint::Unadvise(std::uint32_t cookie) {
  for (auto it = sinks_.begin(); it != sinks_.end(); ++it) {
    if (it->first == cookie) {
      // Released after it has left the list, so that its destruction finds the list whole.
      ComPtr<IDispatch> sink = std::move(it->second);
      sinks_.erase(it);
      return S_OK;
    }
  }
  return CONNECT_E_NOCONNECTION;
}

void ConnectionPoint::Fire(DISPID id, const std::vector<Variant>& args) {
  // Each sink is held while it is called, so that unadvising itself does not destroy it under its own call.
  std::vector<std::uint32_t> cookies;
  cookies.reserve(sinks_.size());
  for (const auto& s : sinks_) cookies.push_back(s.first);
  for (std::uint32_t cookie : cookies) {
    ComPtr<IDispatch> sink;
    for (const auto& s : sinks_) {
      if (s.first == cookie) sink = s.second;
    }
    if (sink) sink->Invoke(id, DISPATCH_METHOD, args, nullptr);
  }
}

HRESULT EventSink::GetIDsOfNames(std::string_view /*name*/, DISPID* id) {
  if (id) *id = DISPID_UNKNOWN;
  return DISP_E_UNKNOWNNAME;
}

HRESULT EventSink::Invoke(DISPID id, std::uint16_t flags, const std::vector<Variant>& args, Variant* result) {
  if ((flags & DISPATCH_METHOD) == 0) return DISP_E_MEMBERNOTFOUND;
  if (result) *result = Variant();
  try {
    if (handler_) handler_(id, args);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return DISP_E_EXCEPTION;
  }
  return S_OK;
}

HRESULT EventSink::QueryOtherInterface(const IID& iid, void** out) {
  if (!(iid == events_)) return E_NOINTERFACE;
  AddRef();
  *out = static_cast<IDispatch*>(this);
  return S_OK;
}

HRESULT Advise(IUnknown* object, const IID& events, IUnknown* sink, std::uint32_t* cookie) {
  if (!object || !cookie) return E_POINTER;
  *cookie = 0;
  ComPtr<IConnectionPointContainer> container;
  HRESULT hr = object->QueryInterface(IConnectionPointContainer::kIid, container.PutVoid());
  if (Failed(hr)) return hr;
  ComPtr<IConnectionPoint> point;
  if (Failed(hr = container->FindConnectionPoint(events, point.Put()))) return hr;
  return point->Advise(sink, cookie);
}

HRESULT Unadvise(IUnknown* object, const IID& events, std::uint32_t cookie) {
  if (!object) return E_POINTER;
  ComPtr<IConnectionPointContainer> container;
  HRESULT hr = object->QueryInterface(IConnectionPointContainer::kIid, container.PutVoid());
  if (Failed(hr)) return hr;
  ComPtr<IConnectionPoint> point;
  if (Failed(hr = container->FindConnectionPoint(events, point.Put()))) return hr;
  return point->Unadvise(cookie);
}

}  // namespace platform::com
