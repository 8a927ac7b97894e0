// The event-sink map of a window that hosts controls: every event of a hosted control reaches it with the
// control's id and the event's DISPID.
#pragma once

#include <vector>

#include "platform/com/dispatch.h"
#include "platform/com/variant.h"

namespace quillon {

class ControlEventSink {
 public:
  virtual ~ControlEventSink() = default;
  // args in the order of the event's parameters. The handler may destroy the control's window.
  virtual void OnControlEvent(int id, platform::com::DISPID dispid, const std::vector<platform::com::Variant>& args) = 0;
};

}  // namespace quillon
