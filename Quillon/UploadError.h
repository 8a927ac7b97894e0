// How building an upload ends, and the message it leaves for the dialog.
#pragma once

#include <string>

namespace quillon {

// "ファイルの読み込みに失敗しました[%s][%d]。（SE0012)": the path and the cause number.
inline constexpr int kMessageFileReadFailed = 1012;
// "メモリー不足です。処理を続行できません。\nシステム管理者にお問い合わせください。(SE0002)": no arguments.
inline constexpr int kMessageOutOfMemory = 1002;

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
