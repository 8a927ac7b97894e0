// Message texts of the installation: error ids mapped to message ids (OvErrID.ini) and message definitions
// (OvMsgStr.ini) turned into text. Nothing is shown: the library runs inside other programs without a screen
// of its own, and the texts go into its logs through the exceptions that carry them.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "UBL_ComUtility.h"

namespace hestrel {

// A message definition: quoted text pieces, then the dialog type, the button set and the default button.
struct TOvMessageDefinition {
  std::string Text;              // the pieces joined with CR LF, not yet formatted
  std::string DlgType;           // one of mtWarning ... mtCustom; unknown: mtInformation
  std::vector<std::string> Buttons;
  std::string DefaultButton;
};

TOvMessageDefinition OvParseMessageDefinition(std::string_view definition);

class TOvMessageDlg {
 public:
  // "" for an empty error id; else its message id, or the error id itself when the file has none.
  std::string GetMessageID(std::string_view errorId);
  // "" for an empty or unknown message id; else the definition's text formatted with the arguments
  // (unformatted when the definition's directives do not fit the arguments).
  std::string GetMessageText(std::string_view messageId, TOvArgs args);

  std::string MessageFolder = "./Msg/";

 private:
  void SettleMessageFolder();
};

// The process-wide instance (null before the library's start and after its end).
TOvMessageDlg* GetOvMessageDlg();
void SetOvMessageDlg(std::unique_ptr<TOvMessageDlg> instance);

}  // namespace hestrel
