// The commands of a page host script, one a line (UTF-8). A line whose first non-blank character is "#" is a
// comment; blank lines count for nothing. Words are separated by blanks; VALUE is the rest of the line after the
// blanks that follow the word before it; PATHs are separated by TAB characters.
//
//   click OBJECT CONTROL          text OBJECT CONTROL VALUE     check OBJECT CONTROL 0|1
//   select OBJECT CONTROL INDEX   key OBJECT VK [ctrl]          drop OBJECT PATH...
//   answer OK|Cancel|Yes|No       file PATH|cancel              wait OBJECT EVENT [VALUE]
//   invoke OBJECT NAME            shot OBJECT NAME              pause MS
//   quit
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/ui/services.h"

namespace pagehost {

enum class CommandKind { Click, Text, Check, Select, Key, Drop, Answer, File, Wait, Invoke, Shot, Pause, Quit };

struct Command {
  CommandKind kind = CommandKind::Quit;
  int line = 0;
  std::string object;  // its id (UTF-8)
  int control = 0;     // click, text, check, select
  int number = 0;      // check 0 or 1, select's index, key's virtual key, pause's milliseconds
  bool ctrl = false;   // key
  std::string text;    // text: the value (CP932); file: the path (CP932); wait: the value (UTF-8)
  bool hasText = false;  // wait with a value; file with a path (else cancel)
  std::string name;      // wait: the event; invoke: the member; shot: the picture's name
  std::vector<std::string> paths;  // drop (CP932)
  platform::ui::BoxAnswer answer = platform::ui::BoxAnswer::Ok;
};

// Reads a script; false with error ("line N: ...", UTF-8) at the first line that is no command.
bool ParseScript(std::string_view utf8, std::vector<Command>& commands, std::string& error);

// The command's word ("click", ...).
const char* CommandWord(CommandKind kind);

}  // namespace pagehost
