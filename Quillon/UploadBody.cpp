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
void WriteSessionParts(std::string& body, std::string_view boundary, const UploadInputs& inputs) {
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
BuildResult FinishBody(std::string& body, const UploadInputs& inputs, std::string_view boundary,
                       UploadCounters& counters, const UploadPump& pump, std::string& postData,
                       UploadError& error) {
  WriteSessionParts(body, boundary, inputs);
  BuildResult r = WriteFilePart(body, boundary, UploadRecordName(inputs.sesId), UploadRecordPath(inputs), counters,
                                pump, error);
  if (r != BuildResult::Built) return r;
  WriteClosingLine(body, boundary);
  postData = std::move(body);
  return BuildResult::Built;
}

BuildResult Step1(const UploadInputs& inputs, const UploadSet& set, std::string_view boundary,
                  UploadCounters& counters, const UploadPump& pump, std::string& postData, UploadError& error) {
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
  std::string body;
  return FinishBody(body, inputs, boundary, counters, pump, postData, error);
}

BuildResult Step2(const UploadInputs& inputs, const UploadSet& set, std::string_view boundary,
                  UploadCounters& counters, const UploadPump& pump, std::string& postData, UploadError& error) {
  if (!CheckSessionId(inputs, error)) return BuildResult::Failed;
  std::string body;
  // The body holds every file: room for all of them at once saves copying it while it grows.
  if (counters.total < body.max_size()) body.reserve(counters.total);
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
                           UploadCounters& counters, UploadPump pump, std::string& postData, UploadError& error) {
  return OutOfMemoryAsMessage(error, [&] { return Step1(inputs, set, boundary, counters, pump, postData, error); });
}

BuildResult BuildStep2Body(const UploadInputs& inputs, const UploadSet& set, std::string_view boundary,
                           UploadCounters& counters, UploadPump pump, std::string& postData, UploadError& error) {
  return OutOfMemoryAsMessage(error, [&] { return Step2(inputs, set, boundary, counters, pump, postData, error); });
}

}  // namespace quillon
