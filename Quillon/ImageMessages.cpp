#include "ImageMessages.h"

#include <utility>

namespace quillon {

namespace {

ImageMessageSink& Sink() {
  static ImageMessageSink sink;
  return sink;
}

}  // namespace

void ShowImageMessage(int id, const std::string& argument) {
  if (Sink()) Sink()(id, argument);
}

void SetImageMessageSink(ImageMessageSink sink) { Sink() = std::move(sink); }

}  // namespace quillon
