#include "platform/com/hresult.h"

#include <cstdio>

namespace platform::com {

namespace {

const char* NameOf(HRESULT hr) {
  switch (hr) {
    case S_OK: return "S_OK";
    case S_FALSE: return "S_FALSE";
    case E_NOTIMPL: return "E_NOTIMPL";
    case E_NOINTERFACE: return "E_NOINTERFACE";
    case E_POINTER: return "E_POINTER";
    case E_FAIL: return "E_FAIL";
    case E_OUTOFMEMORY: return "E_OUTOFMEMORY";
    case E_INVALIDARG: return "E_INVALIDARG";
    case CLASS_E_NOAGGREGATION: return "CLASS_E_NOAGGREGATION";
    case CLASS_E_CLASSNOTAVAILABLE: return "CLASS_E_CLASSNOTAVAILABLE";
    case REGDB_E_CLASSNOTREG: return "REGDB_E_CLASSNOTREG";
    case CO_E_CLASSSTRING: return "CO_E_CLASSSTRING";
    case CO_E_ERRORINDLL: return "CO_E_ERRORINDLL";
    case CO_E_DLLNOTFOUND: return "CO_E_DLLNOTFOUND";
    case DISP_E_MEMBERNOTFOUND: return "DISP_E_MEMBERNOTFOUND";
    case DISP_E_TYPEMISMATCH: return "DISP_E_TYPEMISMATCH";
    case DISP_E_UNKNOWNNAME: return "DISP_E_UNKNOWNNAME";
    case DISP_E_EXCEPTION: return "DISP_E_EXCEPTION";
    case DISP_E_OVERFLOW: return "DISP_E_OVERFLOW";
    case DISP_E_BADPARAMCOUNT: return "DISP_E_BADPARAMCOUNT";
    case TYPE_E_LIBNOTREGISTERED: return "TYPE_E_LIBNOTREGISTERED";
    case SELFREG_E_TYPELIB: return "SELFREG_E_TYPELIB or CONNECT_E_NOCONNECTION";
    case SELFREG_E_CLASS: return "SELFREG_E_CLASS";
    case CONNECT_E_CANNOTCONNECT: return "CONNECT_E_CANNOTCONNECT";
    default: return nullptr;
  }
}

}  // namespace

std::string FormatHResult(HRESULT hr) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%08X", static_cast<unsigned>(hr));
  const char* name = NameOf(hr);
  return name ? std::string(buf) + " (" + name + ")" : std::string(buf);
}

}  // namespace platform::com
