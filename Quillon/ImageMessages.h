// The messages of the image code (the control's string table ids), shown through one narrow seam: the image
// code names the message and its "%s" argument, and whoever is installed shows it. Until the control installs
// its message box, nothing is shown; tests install a recorder.
#pragma once

#include <functional>
#include <string>

namespace quillon {

inline constexpr int kMsgOutOfMemory = 1002;      // stop icon, no argument
inline constexpr int kMsgImageMissing = 1004;     // stop icon, the file name
inline constexpr int kMsgImageUnreadable = 1010;  // stop icon, the path
inline constexpr int kMsgImageNotSaved = 1011;    // stop icon, the path

using ImageMessageSink = std::function<void(int id, const std::string& argument)>;

// Shows message id with its text argument (CP932; empty where the message has none).
void ShowImageMessage(int id, const std::string& argument = {});
// Installs where ShowImageMessage goes; an empty sink shows nothing again.
void SetImageMessageSink(ImageMessageSink sink);

}  // namespace quillon
