// Dialog templates: a dialog and its controls as plain data, in dialog units, like a resource script.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/ui/types.h"

namespace platform::ui {

enum class ControlKind {
  Static,    // a label
  Edit,
  Button,    // a push button
  CheckBox,
  ComboBox,  // a drop-down list
  ListView,  // report style
  Progress,
  Link,      // a label that reports clicks
  Picture,   // a frame the dialog paints itself; clicks in it reach the dialog
  GroupBox,
  Browser,   // the place of a browser: a hidden frame, nothing drawn
};

// Style flags of a control; the ones a kind does not know are ignored.
inline constexpr unsigned kHidden = 1u << 0;     // not visible at creation
inline constexpr unsigned kDisabled = 1u << 1;
inline constexpr unsigned kAlignCenter = 1u << 2;  // statics and edits
inline constexpr unsigned kAlignRight = 1u << 3;
inline constexpr unsigned kCenterVertical = 1u << 4;  // statics: the text centred from top to bottom
inline constexpr unsigned kNoPrefix = 1u << 5;        // statics, buttons: "&" is shown as it is, not as a mnemonic
inline constexpr unsigned kMultiLine = 1u << 6;       // edits
inline constexpr unsigned kReadOnly = 1u << 7;        // edits
inline constexpr unsigned kVScroll = 1u << 8;         // multi-line edits
inline constexpr unsigned kDefaultButton = 1u << 9;   // buttons: the one Enter presses
inline constexpr unsigned kSmooth = 1u << 10;         // progress bars
inline constexpr unsigned kSingleSelection = 1u << 11;     // list views
inline constexpr unsigned kShowSelectionAlways = 1u << 12;
inline constexpr unsigned kNoSortHeader = 1u << 13;
inline constexpr unsigned kGridLines = 1u << 14;
inline constexpr unsigned kFullRowSelect = 1u << 15;
inline constexpr unsigned kBorder = 1u << 16;  // a thin frame around statics and pictures

// Id of a control that is never reached by its id.
constexpr int kNoId = -1;

struct ControlTemplate {
  ControlTemplate() = default;
  ControlTemplate(int id, ControlKind kind, std::string caption, unsigned style, int x, int y, int cx, int cy,
                  std::vector<std::string> items = {})
      : id(id), kind(kind), caption(std::move(caption)), style(style), x(x), y(y), cx(cx), cy(cy),
        items(std::move(items)) {}

  int id = kNoId;
  ControlKind kind = ControlKind::Static;
  std::string caption;  // CP932
  unsigned style = 0;
  int x = 0, y = 0, cx = 0, cy = 0;  // dialog units
  std::vector<std::string> items;    // combo boxes: the initial entries (the dialog-initialisation data)
};

// Style flags of a dialog.
inline constexpr unsigned kChildDialog = 1u << 0;  // without caption or frame, inside its parent
inline constexpr unsigned kVisible = 1u << 1;      // shown at creation (modeless dialogs)

struct DialogTemplate {
  int id = 0;
  std::string caption;  // CP932
  unsigned style = 0;
  int x = 0, y = 0, cx = 0, cy = 0;  // dialog units
  std::string font;                  // CP932 face
  int fontSize = 9;                  // points
  std::vector<ControlTemplate> controls;
};

// Average character width and height of a face at a size in points on a screen of dpi dots per inch, the units
// a dialog of that font measures itself in: x pixels = x * width / 4, y pixels = y * height / 8.
struct BaseUnits {
  int width = 0;
  int height = 0;
};
BaseUnits DialogBaseUnits(const std::string& face, int points, int dpi);
// A rectangle in dialog units in pixels, rounded as the system rounds it.
Rect DialogUnitsToPixels(const Rect& units, BaseUnits base);

}  // namespace platform::ui
