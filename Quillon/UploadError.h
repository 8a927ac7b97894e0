// How building an upload ends, and the message it leaves for the dialog.
#pragma once

#include <string>

#include "QuillonStrings.h"

namespace quillon {

enum class BuildResult {
  Failed,     // error tells why; nothing is to be posted
  Built,      // the post data is ready
  Destroyed,  // the control went while messages were pumped; nothing was touched afterwards
};

// The dialog's error text as a message of the control's string table and its arguments.
struct UploadError {
  int messageId = 0;
  std::string path;
  int cause = 0;
};

}  // namespace quillon
