// Connection points: how an object's events reach the sinks that hosts advise. An event sink is an IDispatch;
// an event is a call of the sink's Invoke with the event's DISPID, DISPATCH_METHOD and its arguments.
//
// The object side: derive from EventSource<T> (T names its event interface as static constexpr IID kEventIid)
// and call FireEvent(dispid, {args...}).
// The host side: Advise(object, eventIid, sink, &cookie) with an EventSink, Unadvise(object, eventIid, cookie).
#pragma once

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "platform/com/dispatch.h"
#include "platform/com/object.h"

namespace platform::com {

class IConnectionPoint : public IUnknown {
 public:
  static constexpr IID kIid = MakeGuid("{B196B286-BAB4-101A-B69C-00AA00341D07}");
  using Interface = IConnectionPoint;

  // The event interface of this point.
  virtual HRESULT GetConnectionInterface(IID* iid) = 0;
  // Keeps a reference to the sink (asked for the event interface, else IDispatch; CONNECT_E_CANNOTCONNECT when it
  // has neither) and gives a cookie (never 0) for Unadvise.
  virtual HRESULT Advise(IUnknown* sink, std::uint32_t* cookie) = 0;
  // Releases the sink; CONNECT_E_NOCONNECTION for a cookie that is not advised.
  virtual HRESULT Unadvise(std::uint32_t cookie) = 0;
};

class IConnectionPointContainer : public IUnknown {
 public:
  static constexpr IID kIid = MakeGuid("{B196B284-BAB4-101A-B69C-00AA00341D07}");
  using Interface = IConnectionPointContainer;

  // The connection point of an event interface (counted); CONNECT_E_NOCONNECTION when the object has none.
  virtual HRESULT FindConnectionPoint(const IID& iid, IConnectionPoint** out) = 0;
};

inline constexpr const IID& IID_IConnectionPoint = IConnectionPoint::kIid;
inline constexpr const IID& IID_IConnectionPointContainer = IConnectionPointContainer::kIid;

// A connection point that is part of its owner: it counts references on the owner, so it lives as long as the
// owner does.
class ConnectionPoint final : public IConnectionPoint {
 public:
  ConnectionPoint(IUnknown& owner, const IID& events) : owner_(owner), events_(events) {}
  ~ConnectionPoint() override = default;
  ConnectionPoint(const ConnectionPoint&) = delete;
  ConnectionPoint& operator=(const ConnectionPoint&) = delete;

  HRESULT QueryInterface(const IID& iid, void** out) override;
  std::uint32_t AddRef() override { return owner_.AddRef(); }
  std::uint32_t Release() override { return owner_.Release(); }
  HRESULT GetConnectionInterface(IID* iid) override;
  HRESULT Advise(IUnknown* sink, std::uint32_t* cookie) override;
  HRESULT Unadvise(std::uint32_t cookie) override;

  const IID& Events() const { return events_; }
  // Calls every sink advised now, in the order of their advice, and ignores what they answer. A sink may advise
  // or unadvise sinks during the call: one unadvised before its turn is not called. The caller keeps the owner
  // alive meanwhile (as the host's call into the owner does).
  void Fire(DISPID id, const std::vector<Variant>& args);
  std::size_t SinkCount() const { return sinks_.size(); }

 private:
  IUnknown& owner_;
  IID events_;
  std::uint32_t nextCookie_ = 1;
  std::vector<std::pair<std::uint32_t, ComPtr<IDispatch>>> sinks_;
};

// IConnectionPointContainer for an object with one event interface, T::kEventIid.
template <class T>
class EventSource : public IConnectionPointContainer {
 public:
  HRESULT FindConnectionPoint(const IID& iid, IConnectionPoint** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!(iid == point_.Events())) return CONNECT_E_NOCONNECTION;
    point_.AddRef();
    *out = &point_;
    return S_OK;
  }

  void FireEvent(DISPID id, const std::vector<Variant>& args) { point_.Fire(id, args); }
  ConnectionPoint& EventPoint() { return point_; }

 protected:
  EventSource() : point_(*this, T::kEventIid) {}

 private:
  ConnectionPoint point_;
};

// A sink for hosts and tests: hands each event to a function. It answers IDispatch and its event interface.
class EventSink final : public ComObject<EventSink, IDispatch> {
 public:
  using Handler = std::function<void(DISPID id, const std::vector<Variant>& args)>;
  EventSink(const IID& events, Handler handler) : events_(events), handler_(std::move(handler)) {}

  HRESULT GetIDsOfNames(std::string_view name, DISPID* id) override;
  HRESULT Invoke(DISPID id, std::uint16_t flags, const std::vector<Variant>& args, Variant* result) override;

 protected:
  HRESULT QueryOtherInterface(const IID& iid, void** out) override;

 private:
  IID events_;
  Handler handler_;
};

// Advises a sink on the object's connection point for events (FindConnectionPoint, then Advise).
HRESULT Advise(IUnknown* object, const IID& events, IUnknown* sink, std::uint32_t* cookie);
HRESULT Unadvise(IUnknown* object, const IID& events, std::uint32_t cookie);

}  // namespace platform::com
