// A fake of the outside header library (module OvSvInfo) for the controls' tests. Every call is recorded in
// calls.log (module "OvSvInfo", the function, its arguments, "=result") and answers as control.txt of
// $VEK_FAKE_OUTSIDE says (fake_state.h: "OvSvInfo.<Function>=<result>", "OvSvInfo.<Function>@N=<result>"):
//   OvFMalt      result 0 by default; on 0 it copies the estimate into the target folder under its name, with
//                the extension ".vek", and, when "OvSvInfo.LinkFile=<path>" is set, that file beside it with ".xml".
//   OvGetHeader  result 0 by default; unless -1 it writes the short header summary from the settings
//                "OvSvInfo.<field>" (AcceptNo, CustomerName, CarName, CarNoDepartment, CarNoDivision,
//                CarNoBusiness, CarNoSerial; "OvSvInfo.<file name>.<field>" for one estimate first) and
//                "OvSvInfo.LinkFileFlag=<byte>,<byte>" (default 0,0), each text cut to its field.
//   OvGetDataPath result 0 by default; on 0 it writes "OvSvInfo.DataPath" (cut to 127 bytes) and its NUL, or
//                with "OvSvInfo.DataPathFillsBuffer=1" up to all 128 bytes, a NUL only when it is shorter.
// "OvSvInfo.<Function>.Throw=1" makes a function raise an exception instead (nothing logged), as a failing
// outside library may. It never writes past the 147 or 128 bytes of the callers' buffers. Plain stdio: test code.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <strings.h>

#include "OvSvInfo.h"
#include "fake_state.h"

using fake_outside::FakeCall;

namespace {

std::string NameOf(const std::string& path) {
  std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string StemOf(const std::string& name) {
  std::size_t dot = name.find_last_of('.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

bool CopyWhole(const std::string& from, const std::string& to) {
  std::string bytes = fake_outside::ReadWhole(from);
  FILE* probe = std::fopen(from.c_str(), "rb");
  if (!probe) return false;
  std::fclose(probe);
  return fake_outside::WriteWhole(to, bytes.data(), bytes.size());
}

void ThrowWhenAsked(const FakeCall& call, const char* function) {
  if (call.IntSetting(std::string(function) + ".Throw", 0)) throw std::runtime_error(function);
}

template <std::size_t N>
void PutField(char (&field)[N], const FakeCall& call, const std::string& file, const char* key) {
  std::string value = call.Setting(file + "." + key, call.Setting(key, ""));
  std::memcpy(field, value.data(), value.size() < N ? value.size() : N);
}

}  // namespace

extern "C" {

OVSVINFO_API int16_t OvFMalt(const char* pVekFileName, const char* pTargetFolder) {
  FakeCall call("OvSvInfo", "OvFMalt");
  ThrowWhenAsked(call, "OvFMalt");
  call.ArgText(pVekFileName);
  call.ArgText(pTargetFolder);
  int result = call.Result(0);
  if (result == 0) {
    if (!pVekFileName || !pTargetFolder) {
      result = -1;
    } else {
      std::string name = NameOf(pVekFileName);
      std::string stem = StemOf(name);
      if (strcasecmp(name.c_str() + stem.size(), ".vek") != 0) name = stem + ".vek";
      std::string folder = pTargetFolder;
      if (!CopyWhole(pVekFileName, folder + "/" + name)) result = -1;
      std::string link = call.Setting("LinkFile", "");
      if (result == 0 && !link.empty() && !CopyWhole(link, folder + "/" + stem + ".xml")) result = -1;
    }
  }
  call.Log(result);
  return static_cast<int16_t>(result);
}

OVSVINFO_API int16_t OvGetHeader(int nKind, const char* pVekFileName, char* pBuffer) {
  FakeCall call("OvSvInfo", "OvGetHeader");
  ThrowWhenAsked(call, "OvGetHeader");
  call.Arg(nKind);
  call.ArgText(pVekFileName);
  call.ArgPointer(pBuffer);
  int result = call.Result(0);
  if (result != -1 && pBuffer) {
    OvHeaderSummaryShort summary;
    std::memset(&summary, 0, sizeof summary);
    std::string file = pVekFileName ? NameOf(pVekFileName) : "";
    PutField(summary.AcceptNo, call, file, "AcceptNo");
    PutField(summary.CustomerName, call, file, "CustomerName");
    PutField(summary.CarName, call, file, "CarName");
    PutField(summary.CarNoDepartment, call, file, "CarNoDepartment");
    PutField(summary.CarNoDivision, call, file, "CarNoDivision");
    PutField(summary.CarNoBusiness, call, file, "CarNoBusiness");
    PutField(summary.CarNoSerial, call, file, "CarNoSerial");
    std::string flag = call.Setting(file + ".LinkFileFlag", call.Setting("LinkFileFlag", "0,0"));
    std::size_t comma = flag.find(',');
    summary.LinkFileFlag[0] = static_cast<unsigned char>(std::atoi(flag.substr(0, comma).c_str()));
    if (comma != std::string::npos) {
      summary.LinkFileFlag[1] = static_cast<unsigned char>(std::atoi(flag.substr(comma + 1).c_str()));
    }
    std::memcpy(pBuffer, &summary, sizeof summary);
  }
  call.Log(result);
  return static_cast<int16_t>(result);
}

OVSVINFO_API int16_t OvGetDataPath(char* pBuffer) {
  FakeCall call("OvSvInfo", "OvGetDataPath");
  ThrowWhenAsked(call, "OvGetDataPath");
  call.ArgPointer(pBuffer);
  int result = call.Result(0);
  if (result == 0 && pBuffer) {
    std::string path = call.Setting("DataPath", "");
    // As an outside library may answer: all 128 bytes taken, without room for a NUL.
    const bool fills = call.IntSetting("DataPathFillsBuffer", 0) != 0;
    const std::size_t room = fills ? OVSVINFO_DATA_PATH_BUFFER_SIZE : OVSVINFO_DATA_PATH_BUFFER_SIZE - 1;
    std::size_t n = path.size() < room ? path.size() : room;
    std::memcpy(pBuffer, path.data(), n);
    if (n < OVSVINFO_DATA_PATH_BUFFER_SIZE) pBuffer[n] = '\0';
  }
  call.Log(result);
  return static_cast<int16_t>(result);
}

}  // extern "C"
