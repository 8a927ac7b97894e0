#include "CBrowseFolderDlg.h"

#include "platform/text.h"
#include "platform/ui/services.h"

namespace controls {

int CBrowseFolderDlg::DoModal(const std::string& title, const char* initialFolder) {
  if (initialFolder) m_strInitialFolder = initialFolder;
  platform::ui::FolderRequest request;
  request.title = title;
  request.initialFolder = m_strInitialFolder;
  std::string chosen;
  if (!platform::ui::CurrentServices().ChooseFolder(request, m_pOwner, chosen)) return 0;
  chosen.resize(platform::CutLength(chosen, kMaxPath - 1));
  m_strFolderPath = chosen;
  return 1;
}

}  // namespace controls
