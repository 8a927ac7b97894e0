#include "platform/fault.h"

#include <array>

namespace platform {

namespace {

struct Plan {
  int calls = 0;
  int failAt = 0;      // 0: never
  bool sticky = false;  // every call from failAt on
};

std::array<Plan, static_cast<int>(FileOp::kCount)> g_plans;
bool g_failModuleLoads = false;
bool g_failWrittenCloses = false;

Plan& PlanOf(FileOp op) { return g_plans[static_cast<int>(op)]; }

}  // namespace

void FailNthCall(FileOp op, int n) {
  Plan& p = PlanOf(op);
  p.failAt = n > 0 ? p.calls + n : 0;
  p.sticky = false;
}

void FailFromCall(FileOp op, int n) {
  FailNthCall(op, n);
  PlanOf(op).sticky = n > 0;
}

void ClearFaults() {
  g_plans = {};
  g_failModuleLoads = false;
  g_failWrittenCloses = false;
}

int CallCount(FileOp op) { return PlanOf(op).calls; }

bool FaultPoint(FileOp op) {
  Plan& p = PlanOf(op);
  ++p.calls;
  if (p.failAt == 0) return false;
  return p.sticky ? p.calls >= p.failAt : p.calls == p.failAt;
}

void FailModuleLoads(bool fail) { g_failModuleLoads = fail; }

bool ModuleLoadFaultPoint() { return g_failModuleLoads; }

void FailWrittenFileCloses(bool fail) { g_failWrittenCloses = fail; }

bool WrittenCloseFaultPoint() { return g_failWrittenCloses; }

}  // namespace platform
