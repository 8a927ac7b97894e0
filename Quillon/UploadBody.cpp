#include "UploadBody.h"

#include <memory>
#include <new>

#include "FileErrorCause.h"
#include "MultipartPart.h"
#include "UploadRecord.h"
#include "platform/files.h"

namespace quillon {

namespace {

// GRP_CD, MAP_ID, an empty BTN_ID, a part named by the BTN_ID value, SES_ID and CGI_ID.
void WriteSessionParts(RequestBody& body, std::string_view boundary, const UploadInputs& inputs) {
  WriteTextPart(body, boundary, "GRP_CD", inputs.grpCd);
  WriteTextPart(body, boundary, "MAP_ID", inputs.mapId);
  WriteTextPart(body, boundary, "BTN_ID", "");
  WriteTextPart(body, boundary, inputs.btnId, "");
  WriteTextPart(body, boundary, "SES_ID", inputs.sesId);
  WriteTextPart(body, boundary, "CGI_ID", inputs.cgiId);
}

bool CheckSessionId(const UploadInputs& inputs, UploadError& error) {
  if (IsSafeSessionId(inputs.sesId)) return true;
  error = {kMessageFileReadFailed, UploadRecordPath(inputs), kCauseBadPath};
  return false;
}

// The session's parts, the record's part and the closing line; then the body becomes the post data.
BuildResult FinishBody(RequestBody& body, const UploadInputs& inputs, std::string_view boundary,
                       UploadCounters& counters, const UploadPump& pump, RequestBody& postData,
                       UploadError& error) {
  WriteSessionParts(body, boundary, inputs);
  BuildResult r = WriteFilePart(body, boundary, UploadRecordName(inputs.sesId), UploadRecordPath(inputs), counters,
                                pump, error);
  if (r != BuildResult::Built) return r;
  WriteClosingLine(body, boundary);
  postData = std::move(body);
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
                  UploadCounters& counters, const UploadPump& pump, RequestBody& postData, UploadError& error) {
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
  RequestBody body;
  return FinishBody(body, inputs, boundary, counters, pump, postData, error);
}

BuildResult Step2(const UploadInputs& inputs, const UploadSet& set, std::string_view boundary,
                  UploadCounters& counters, const UploadPump& pump, RequestBody& postData, UploadError& error) {
  if (!CheckSessionId(inputs, error)) return BuildResult::Failed;
  RequestBody body;
  body.reserve(counters.total + FramingRoom(inputs, set));
  // Indexes, not iterators: the pump runs between files.
  for (std::size_t i = 0; i < set.estimateFiles.size(); ++i) {
    BuildResult r = WriteFilePart(body, boundary, "EstimateFile" + std::to_string(i + 1), set.estimateFiles[i],
                                  counters, pump, error);
    if (r != BuildResult::Built) return r;
  }
  for (std::size_t i = 0; i < set.photos.size(); ++i) {
    if (set.photos[i].registered) continue;
    BuildResult r = WriteFilePart(body, boundary, "ImageFile" + std::to_string(i + 1), set.photos[i].path, counters,
                                  pump, error);
    if (r != BuildResult::Built) return r;
  }
  return FinishBody(body, inputs, boundary, counters, pump, postData, error);
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
                           UploadCounters& counters, UploadPump pump, RequestBody& postData, UploadError& error) {
  return OutOfMemoryAsMessage(error, [&] { return Step1(inputs, set, boundary, counters, pump, postData, error); });
}

BuildResult BuildStep2Body(const UploadInputs& inputs, const UploadSet& set, std::string_view boundary,
                           UploadCounters& counters, UploadPump pump, RequestBody& postData, UploadError& error) {
  return OutOfMemoryAsMessage(error, [&] { return Step2(inputs, set, boundary, counters, pump, postData, error); });
}

}  // namespace quillon
