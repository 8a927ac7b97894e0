#include "UBL_OvException.h"

#include "UBL_OvLog.h"
#include "UBL_OvMessageDlg.h"
#include "platform/error.h"

namespace hestrel {

TOvException::TOvException(std::string_view className, std::string_view detail, TOvArgs args,
                           std::string_view errorId, std::string_view methodName)
    : std::exception(),
      UnitFile(OvSourceFileName()),
      ClassName(className),
      MethodName(methodName),
      Line(OvSourceLocation().Line),
      ErrorID(errorId),
      // Taken first: the message lookups below read files and change it.
      LastError(platform::LastError()),
      Detail(detail) {
  if (TOvMessageDlg* messages = GetOvMessageDlg()) {
    MessageID = messages->GetMessageID(ErrorID);
    Message = messages->GetMessageText(MessageID, args);
  } else {
    MessageID = ErrorID;
  }
}

}  // namespace hestrel
