#include "UBL_OvMessageDlg.h"

#include "UBL_BaseUtility.h"
#include "UDC_HestrelConst.h"
#include "platform/env.h"
#include "platform/files.h"
#include "platform/ini.h"
#include "platform/text.h"

namespace hestrel {

namespace {

// A plain pointer: nothing is destroyed behind the library's own end.
TOvMessageDlg* g_messageDlg = nullptr;

const char* const kDlgTypes[] = {"mtWarning", "mtError", "mtInformation", "mtConfirmation", "mtCustom"};
const char* const kButtons[] = {"mbYes",   "mbNo",  "mbOK",      "mbCancel",   "mbAbort", "mbRetry",
                                "mbIgnore", "mbAll", "mbNoToAll", "mbYesToAll", "mbHelp"};

template <std::size_t N>
std::string Known(std::string_view word, const char* const (&names)[N]) {
  std::string w = OvTrim(word);
  for (const char* name : names) {
    if (platform::EqualsNoCaseAscii(w, name)) return name;
  }
  return {};
}

}  // namespace

TOvMessageDefinition OvParseMessageDefinition(std::string_view definition) {
  TOvMessageDefinition result;
  std::vector<std::string> pieces;
  std::string piece;
  bool quoted = false;
  std::size_t i = 0;
  for (; i < definition.size(); i = platform::NextChar(definition, i)) {
    char c = definition[i];
    if (c == '\'') {
      quoted = !quoted;
      continue;
    }
    if (quoted) {
      piece.append(definition.substr(i, platform::CharLength(definition, i)));
      continue;
    }
    if (c == ',') break;
    if (c != ' ' && !piece.empty()) pieces.push_back(std::move(piece)), piece.clear();
  }
  if (!piece.empty()) pieces.push_back(std::move(piece));
  for (std::size_t p = 0; p < pieces.size(); ++p) result.Text += (p ? "\r\n" : "") + pieces[p];

  // The fields after the text: type, button set (possibly bracketed, holding commas), default button.
  std::string_view rest = i < definition.size() ? definition.substr(i + 1) : std::string_view();
  auto field = [&rest]() {
    std::size_t start = rest.find_first_not_of(' '), from = 0;
    if (start != std::string_view::npos && rest[start] == '[') {
      std::size_t close = rest.find(']', start);
      from = close == std::string_view::npos ? rest.size() : close;
    }
    std::size_t comma = rest.find(',', from);
    std::string f(rest.substr(0, comma));
    rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
    return f;
  };
  result.DlgType = Known(field(), kDlgTypes);
  if (result.DlgType.empty()) result.DlgType = "mtInformation";
  std::string buttons = OvTrim(field());
  if (!buttons.empty() && buttons.front() == '[') buttons.erase(0, 1);
  if (!buttons.empty() && buttons.back() == ']') buttons.pop_back();
  std::string_view list = buttons;
  while (!list.empty()) {
    std::size_t comma = list.find(',');
    std::string name = Known(list.substr(0, comma), kButtons);
    if (!name.empty()) result.Buttons.push_back(name);
    list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
  }
  result.DefaultButton = Known(field(), kButtons);
  return result;
}

void TOvMessageDlg::SettleMessageFolder() {
  if (platform::IsFolder(MessageFolder)) return;
  std::string app, folder;
  bool read = OvReadApplicationPath(app) && !app.empty();
  if (read) folder = OvAddPathDelimiter(app) + OvAddPathDelimiter(kBinFolder) + OvAddPathDelimiter(kMsgFolder);
  if (!read || !platform::IsFolder(folder)) {
    folder = OvAddPathDelimiter(platform::CurrentEnvironment().HostProgramFolder()) + OvAddPathDelimiter(kMsgFolder);
  }
  MessageFolder = folder;
}

std::string TOvMessageDlg::GetMessageID(std::string_view errorId) {
  if (errorId.empty()) return {};
  SettleMessageFolder();
  std::string id = platform::IniGetString(kErrorIdSection, errorId, "", MessageFolder + kErrorIdFile);
  return id.empty() ? std::string(errorId) : id;
}

std::string TOvMessageDlg::GetMessageText(std::string_view messageId, TOvArgs args) {
  if (messageId.empty()) return {};
  SettleMessageFolder();
  std::string definition = platform::IniGetString(kMessageIdSection, messageId, "", MessageFolder + kMessageFile);
  if (definition.empty()) return {};
  TOvMessageDefinition parsed = OvParseMessageDefinition(definition);
  std::string text;
  // The definitions come from the installation: one that does not fit its arguments stays unformatted.
  if (!OvFormat(parsed.Text, args, text)) text = parsed.Text;
  return text;
}

TOvMessageDlg* GetOvMessageDlg() { return g_messageDlg; }

void SetOvMessageDlg(std::unique_ptr<TOvMessageDlg> instance) {
  delete g_messageDlg;
  g_messageDlg = instance.release();
}

}  // namespace hestrel
