// The folder picker both controls use: the window layer's folder question, started at a folder, its answer
// kept as the chosen path.
#pragma once

#include <cstddef>
#include <string>

namespace platform::ui {
class Window;
}

namespace controls {

class CBrowseFolderDlg {
 public:
  // The longest chosen path, in bytes with its terminating NUL; a longer answer is cut there.
  static constexpr std::size_t kMaxPath = 260;

  // owner: the window the question belongs to (or none); flags: how the picker browses (kept for its callers).
  CBrowseFolderDlg(platform::ui::Window* owner, unsigned flags) : m_pOwner(owner), m_nFlags(flags) {}

  // Asks for a folder under title, starting at initialFolder (none: the picker's own start). 1 with the
  // chosen path kept, 0 when the person cancelled (the kept path stays as it was).
  int DoModal(const std::string& title, const char* initialFolder = nullptr);
  const std::string& GetFolderPath() const { return m_strFolderPath; }
  unsigned Flags() const { return m_nFlags; }

 private:
  platform::ui::Window* m_pOwner;
  unsigned m_nFlags;
  std::string m_strInitialFolder;
  std::string m_strFolderPath;
};

}  // namespace controls
