// fuzz-libs: dorvik_core
// The parse of an estimate file's head as the reads and the whole-file way do it, with the round trip
// that must hold for every image that parses: serialising gives back the very bytes parsed.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "Dorvik.h"
#include "ZkVekBufferAccess.h"

namespace {

using Model = CZkVekBufferAccess;

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

void Head(const std::uint8_t* data, int size) {
  Model model;
  char code[10] = {};
  int head = size < Model::kHistoryInfoOffset ? size : Model::kHistoryInfoOffset;
  if (!model.SettingBuffer(data, head, code, Model::kSectionHeaderData, Model::kSectionHistoryData)) return;
  HeaderData hd;
  HeaderInfo hi;
  HistoryData hs;
  Check(model.ReadHeaderData(&hd, code) == 1);
  Check(model.ReadHeaderInfo(&hi, code) == 1);
  Check(model.ReadHistoryData(&hs, code) == 1);
  if (!model.SettingBuffer(data + head, size - head, code, Model::kSectionHistoryInfo,
                           Model::kSectionEstimateData32)) {
    return;
  }
  int count = 0;
  Check(model.ReadHistoryInfo(nullptr, &count, code) == 1);
  Check(count == hs.HistoryInfoCount);
  std::vector<HistoryInfo> entries(static_cast<std::size_t>(count) + 1);
  Check(model.ReadHistoryInfo(entries.data(), &count, code) == 1);
  int bytes = 0;
  Check(model.ReadBuffer(nullptr, &bytes, code, Model::kSectionEstimateData32) == 1);
  Check(bytes <= size);
  std::vector<std::uint8_t> out(static_cast<std::size_t>(bytes));
  Check(model.ReadBuffer(out.data(), &bytes, code, Model::kSectionEstimateData32) == 1);
  Check(std::memcmp(out.data(), data, out.size()) == 0);
  // Records taken out and put back serialise to the same bytes.
  Check(model.ReplaceHeaderInfo(&hi, code) == 1);
  Check(model.ReplaceHistoryInfo(entries.data(), count, code) == 1);
  Check(model.ReadBuffer(out.data(), &bytes, code, Model::kSectionEstimateData32) == 1);
  Check(std::memcmp(out.data(), data, out.size()) == 0);
  model.CheckBufferInterrelation(code);
}

void Whole(const std::uint8_t* data, int size) {
  Model model;
  char code[10] = {};
  if (!model.SettingBufferOld(data, size, code)) return;
  int bytes = 0;
  Check(model.ReadBufferAllOld(nullptr, &bytes, code) == 1);
  Check(bytes == size);
  std::vector<std::uint8_t> out(static_cast<std::size_t>(bytes));
  Check(model.ReadBufferAllOld(out.data(), &bytes, code) == 1);
  Check(std::memcmp(out.data(), data, out.size()) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > (1u << 20)) return 0;
  Head(data, static_cast<int>(size));
  Whole(data, static_cast<int>(size));
  return 0;
}
