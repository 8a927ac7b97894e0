#include "UploadBody.h"

#include <memory>
#include <new>
#include <vector>

#include "FileErrorCause.h"
#include "MultipartPart.h"
#include "UploadRecord.h"
#include "platform/files.h"
#include "platform/memory.h"

namespace quillon {

namespace {

// A body as it is built, with where each of its delimiter lines starts.
struct Framed {
  RequestBody bytes;
  std::vector<std::size_t> delimiters;
  // Where the part written next starts.
  RequestBody& Next() {
    delimiters.push_back(bytes.size());
    return bytes;
  }
};

// GRP_CD, MAP_ID, an empty BTN_ID, a part named by the BTN_ID value, SES_ID and CGI_ID.
void WriteSessionParts(Framed& body, std::string_view boundary, const UploadInputs& inputs) {
  WriteTextPart(body.Next(), boundary, "GRP_CD", inputs.grpCd);
  WriteTextPart(body.Next(), boundary, "MAP_ID", inputs.mapId);
  WriteTextPart(body.Next(), boundary, "BTN_ID", "");
  WriteTextPart(body.Next(), boundary, inputs.btnId, "");
  WriteTextPart(body.Next(), boundary, "SES_ID", inputs.sesId);
  WriteTextPart(body.Next(), boundary, "CGI_ID", inputs.cgiId);
}

bool CheckSessionId(const UploadInputs& inputs, UploadError& error) {
  if (IsSafeSessionId(inputs.sesId)) return true;
  error = {kMessageFileReadFailed, UploadRecordPath(inputs), kCauseBadPath};
  return false;
}

// The session's parts, the record's part and the closing line; then the body, its boundary settled, becomes the
// post data.
BuildResult FinishBody(Framed& body, const UploadInputs& inputs, std::string_view boundary,
                       UploadCounters& counters, const UploadPump& pump, RequestBody& postData,
                       UploadError& error, std::string* usedBoundary) {
  WriteSessionParts(body, boundary, inputs);
  BuildResult r = WriteFilePart(body.Next(), boundary, UploadRecordName(inputs.sesId), UploadRecordPath(inputs),
                                counters, pump, error);
  if (r != BuildResult::Built) return r;
  WriteClosingLine(body.Next(), boundary);
  std::string used = SettleBoundary(body.bytes, boundary, body.delimiters);
  if (usedBoundary) *usedBoundary = std::move(used);
  postData = std::move(body.bytes);
  return BuildResult::Built;
}

// Room for what frames the files of a step-2 body: the delimiters, part headers and text parts, taken large
// (EUC-JP takes at most two bytes for a byte of Shift_JIS), so that the body of files counted in the total is
// allocated once, not moved as it grows.
std::size_t FramingRoom(const UploadInputs& inputs, const UploadSet& set) {
  constexpr std::size_t kPart = 160;  // delimiter, headers and line ends of one part, besides its texts
  std::size_t room = 8 * kPart + 2 * (inputs.grpCd.size() + inputs.mapId.size() + 2 * inputs.btnId.size() +
                                      2 * inputs.sesId.size() + inputs.cgiId.size() + UploadRecordPath(inputs).size());
  for (const std::string& path : set.estimateFiles) room += kPart + 2 * path.size();
  for (const UploadPhotoRow& row : set.photos) {
    if (!row.registered) room += kPart + 2 * row.path.size();
  }
  return room;
}

BuildResult Step1(const UploadInputs& inputs, const UploadSet& set, std::string_view boundary,
                  UploadCounters& counters, const UploadPump& pump, RequestBody& postData, UploadError& error,
                  std::string* usedBoundary) {
  if (!CheckSessionId(inputs, error)) return BuildResult::Failed;
  const std::string path = UploadRecordPath(inputs);
  if (!WriteUploadRecord(path, BuildUploadRecordText(inputs, set), error)) return BuildResult::Failed;
  std::unique_ptr<platform::File> record = platform::File::Open(path, platform::OpenMode::Read);
  std::int64_t size = record ? record->Size() : -1;
  if (size < 0) {
    error = {kMessageFileReadFailed, path, FileFailureCause(path)};
    return BuildResult::Failed;
  }
  record.reset();
  counters.total += 2 * static_cast<std::uint64_t>(size);
  Framed body;
  return FinishBody(body, inputs, boundary, counters, pump, postData, error, usedBoundary);
}

BuildResult Step2(const UploadInputs& inputs, const UploadSet& set, std::string_view boundary,
                  UploadCounters& counters, const UploadPump& pump, RequestBody& postData, UploadError& error,
                  std::string* usedBoundary) {
  if (!CheckSessionId(inputs, error)) return BuildResult::Failed;
  Framed body;
  body.bytes.reserve(counters.total + FramingRoom(inputs, set));
  platform::PreferLargePages(body.bytes.data(), body.bytes.capacity());
  // Indexes, not iterators: the pump runs between files.
  for (std::size_t i = 0; i < set.estimateFiles.size(); ++i) {
    BuildResult r = WriteFilePart(body.Next(), boundary, "EstimateFile" + std::to_string(i + 1),
                                  set.estimateFiles[i], counters, pump, error);
    if (r != BuildResult::Built) return r;
  }
  for (std::size_t i = 0; i < set.photos.size(); ++i) {
    if (set.photos[i].registered) continue;
    BuildResult r = WriteFilePart(body.Next(), boundary, "ImageFile" + std::to_string(i + 1), set.photos[i].path,
                                  counters, pump, error);
    if (r != BuildResult::Built) return r;
  }
  return FinishBody(body, inputs, boundary, counters, pump, postData, error, usedBoundary);
}

// A body that does not fit in memory ends the build with message 1002.
template <typename Build>
BuildResult OutOfMemoryAsMessage(UploadError& error, Build build) {
  try {
    return build();
  } catch (const std::bad_alloc&) {
    error = {kMessageOutOfMemory, {}, 0};
    return BuildResult::Failed;
  }
}

}  // namespace

BuildResult BuildStep1Body(const UploadInputs& inputs, const UploadSet& set, std::string_view boundary,
                           UploadCounters& counters, UploadPump pump, RequestBody& postData, UploadError& error,
                           std::string* usedBoundary) {
  return OutOfMemoryAsMessage(
      error, [&] { return Step1(inputs, set, boundary, counters, pump, postData, error, usedBoundary); });
}

BuildResult BuildStep2Body(const UploadInputs& inputs, const UploadSet& set, std::string_view boundary,
                           UploadCounters& counters, UploadPump pump, RequestBody& postData, UploadError& error,
                           std::string* usedBoundary) {
  return OutOfMemoryAsMessage(
      error, [&] { return Step2(inputs, set, boundary, counters, pump, postData, error, usedBoundary); });
}

}  // namespace quillon
