// The estimate-file selection control: its PARAM values, the 21 registration values with the estimate's path
// and the selection flag, its two child dialogs and modes, the routing of keys to them, and the registration
// string it hands to the page.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "ControlObject.h"

namespace tamsel {

class CVekSelectDialog;
class CUploadDialog;

// Where a key goes in a mode.
enum class KeyRoute { Select, Upload, Swallow, Base };
KeyRoute RouteKey(int mode, const platform::ui::KeyMessage& message);

// The text holds a TAB, CR or LF, which would break the registration string's fields or its one line.
bool BreaksRegistField(const std::string& text);
// text with each TAB, CR or LF made one space.
std::string RegistField(const std::string& text);

class CTamselCtrl final : public controls::ControlObject<CTamselCtrl> {
 public:
  static constexpr platform::com::IID kEventIid = platform::com::MakeGuid("{25D578D3-190E-4526-8328-6B760BD38C22}");
  static constexpr int kModeSelect = 3;
  static constexpr int kModeLoad = 4;
  // Files a page lists without asking when the host names no number.
  static constexpr int kDefaultMaxViewFileNum = 100;

  static const platform::com::DispatchTable<CTamselCtrl>& DispatchMap();
  // The 21 registration value names, in the order of the registration string.
  static const std::vector<std::string>& RegistNames();

  explicit CTamselCtrl(platform::com::Module& module);
  ~CTamselCtrl() override;

  // Operations the dialogs call.
  void ShowMode(int mode);
  // The value of name among the 21 (exact bytes, the first match); empty when none.
  std::string GetParamValue(const std::string& name) const;
  // Replaces the value of name; nothing when there is none.
  void SetParamValue(const std::string& name, const std::string& value);
  void SetEstimatePath(const std::string& path);  // value 22, cut to 256 bytes
  void SetSelectFlag(const std::string& flag) { m_strSelectFlag = flag; }  // value 23
  // The 21 values, value 22 and value 23 joined by TAB characters, each on one line without a TAB of its own.
  std::string MakeRegist() const;
  // Fires OnCallRegist with a TAB as delimiter and the registration string.
  void BuildRegist();

  // Getters (copies). The mode is the start mode from the window's creation on, so the child dialogs made then
  // already know it.
  int GetMode() const { return m_nMode; }
  int GetStartMode() const { return m_nStartMode; }
  std::string GetVek2Folder() const { return m_strVek2Folder; }
  std::string GetSystemFolder() const { return m_strSystemFolder; }
  std::string GetTorvaneFileName() const { return m_strTorvaneFileName; }
  int GetMaxViewFileNum() const { return m_nMaxViewFileNum; }
  std::string GetEstimatePath() const { return m_strEstimatePath; }
  std::string GetSelectFlag() const { return m_strSelectFlag; }

  CVekSelectDialog* SelectDialog() const { return m_pSelectDialog.get(); }
  CUploadDialog* UploadDialog() const { return m_pUploadDialog.get(); }

  bool PreTranslateMessage(const platform::ui::KeyMessage& message) override;

 protected:
  void DoPropExchange(controls::PropExchange& px) override;
  int OnCreate() override;
  void OnDestroy() override;

 private:
  void DestroyChildDialogs();

  std::unique_ptr<CVekSelectDialog> m_pSelectDialog;
  std::unique_ptr<CUploadDialog> m_pUploadDialog;
  int m_nMode = kModeSelect;
  std::vector<std::string> m_arrNames;
  std::vector<std::string> m_arrValues;
  std::string m_strEstimatePath;  // value 22
  std::string m_strSelectFlag;    // value 23
  std::string m_strFuncID;
  std::string m_strVek2Folder;
  std::string m_strSystemFolder;
  std::string m_strTorvaneFileName;
  std::string m_strMaxViewFileNum;
  int m_nStartMode = kModeSelect;
  int m_nMaxViewFileNum = kDefaultMaxViewFileNum;
};

}  // namespace tamsel
