// The photo registration control: its PARAM values, modes and status word, its two child dialogs, the routing
// of keys to them, and the operations and getters the dialogs call.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "ControlObject.h"
#include "UploadSet.h"

namespace quillon {

class CFormDialog;
class CUploadDialog;

// Where a key goes in a mode.
enum class KeyRoute { Form, Upload, Swallow, Base };
KeyRoute RouteKey(int mode, const platform::ui::KeyMessage& message);

class CQuillonCtrl final : public controls::ControlObject<CQuillonCtrl> {
 public:
  static constexpr platform::com::IID kEventIid = platform::com::MakeGuid("{B2613C74-0672-43A5-996F-6AD5E652F5BC}");
  static constexpr platform::com::DISPID kDispidOnClickedReturnBtn = 4;
  static constexpr platform::com::DISPID kDispidOnScrollResizeInfo = 5;
  static constexpr int kRegisteredPhotos = 9;
  static constexpr int kHistories = 5;
  static constexpr int kRegisteredFiles = 2;

  static const platform::com::DispatchTable<CQuillonCtrl>& DispatchMap();

  explicit CQuillonCtrl(platform::com::Module& module);
  ~CQuillonCtrl() override;

  // Operations the dialogs call.
  void ShowMode(int mode);
  void NotifyReturnButton(const std::string& btnId);
  void FireOnScrollResizeInfo();
  void SetFuncID(int value) { m_nFuncID = value; }
  void ShowFatalError(const std::string& text);
  // Tells the upload dialog to start the registration (its first step); the form calls it after ShowMode(2).
  void StartRegistration();
  void SetImageFolder(const std::string& path);
  void SetEstimateFileEntry(const std::string& name, const std::string& time, int slot);
  void SetDBComment(const std::string& text) { m_strDBComment = text; }
  void SetAddList(const std::string& text) { m_strAddList = text; }
  void SetDeleteList(const std::string& text) { m_strDeleteList = text; }
  void SetCGIID(const std::string& text) { m_strCGI_ID = text; }

  // Getters (copies).
  int GetMode() const { return m_nMode; }
  std::string GetImageFolder() const { return m_strImageFolder; }
  std::string GetFirstImageFolder() const { return m_strFirstImageFolder; }
  std::string GetServerURL() const { return m_strServerURL; }
  std::string GetSystemFolder() const { return m_strSystemFolder; }
  std::string GetNewItem() const { return m_strNewItem; }
  std::string GetTorvaneFileName() const { return m_strTorvaneFileName; }
  std::string GetTorvaneFileName2() const { return m_strTorvaneFileName2; }
  std::string GetImageServerURL() const { return m_strImageServerURL; }
  std::string GetDBComment() const { return m_strDBComment; }
  std::string GetBtnName() const { return m_strBtnName; }
  std::string GetGRP_CD() const { return m_strGRP_CD; }
  std::string GetMAP_ID() const { return m_strMAP_ID; }
  std::string GetBTN_ID() const { return m_strBTN_ID; }
  std::string GetBTN_ID2() const { return m_strBTN_ID2; }
  std::string GetSES_ID() const { return m_strSES_ID; }
  std::string GetCGI_ID() const { return m_strCGI_ID; }
  std::string GetUPLOAD_CHECK() const { return m_strUploadCheckParam; }
  std::string GetAddList() const { return m_strAddList; }
  std::string GetDeleteList() const { return m_strDeleteList; }
  std::string GetMaxResolution() const { return m_strMaxResolutionParam; }
  int GetFuncID() const { return m_nFuncID; }
  int GetMaxByte() const { return m_nMaxByte; }
  int GetAutoResizeWidth() const { return m_nAutoResizeWidth; }
  int GetAutoResizeHeight() const { return m_nAutoResizeHeight; }
  int GetMaxCommentByte() const { return m_nMaxCommentByte; }
  int GetMaxViewFileNum() const { return m_nMaxViewFileNum; }
  int GetUploadColorChangeTime() const { return m_nUploadColorChangeTime; }
  // One entry of the per-file PARAM arrays (kind 0-8); empty for an unknown kind or an index outside the array.
  std::string GetParamString(int kind, int index) const;
  // "FILE": the size of registered file index (0 or 1); "IMAGE": of registered photo index (0-8); else 0.
  int GetFileSize(const std::string& kind, int index) const;

  // The upload: what the form's pre-registration check hands over, and the start of its first step.
  void SetUploadSet(const UploadSet& set) { m_uploadSet = set; }
  const UploadSet& GetUploadSet() const { return m_uploadSet; }

  CFormDialog* FormDialog() const { return m_pFormDialog.get(); }
  CUploadDialog* UploadDialog() const { return m_pUploadDialog.get(); }

  bool PreTranslateMessage(const platform::ui::KeyMessage& message) override;

 protected:
  void DoPropExchange(controls::PropExchange& px) override;
  int OnCreate() override;
  void OnDestroy() override;

 private:
  void DestroyChildDialogs();

  std::unique_ptr<CFormDialog> m_pFormDialog;
  std::unique_ptr<CUploadDialog> m_pUploadDialog;
  int m_nMode = 0;
  std::string m_strImageFolder;
  std::string m_strFirstImageFolder;
  std::string m_strServerURL;
  std::string m_strSystemFolder;
  std::string m_strNewItem;
  std::string m_strTorvaneFileName;
  std::string m_strTorvaneFileName2;
  std::string m_strImageServerURL;
  std::array<std::string, kRegisteredPhotos> m_strDBImageFilePrtNM;
  std::array<std::string, kRegisteredPhotos> m_strDBImageFileNM;
  std::array<std::string, kRegisteredPhotos> m_strDBImageFileTime;
  std::array<std::string, kRegisteredPhotos> m_strDBImageEntryTime;
  std::array<std::string, kRegisteredPhotos> m_strDBImageFileSize;
  std::array<std::string, kHistories> m_strImageHistory;
  std::array<std::string, kRegisteredFiles> m_strDBEstimateFilePrtName;
  std::array<std::string, kRegisteredFiles> m_strDBEstimateFileName;
  std::array<std::string, kRegisteredFiles> m_strDBEstimateFileTime;
  std::array<std::string, kRegisteredFiles> m_strDBEstimateEntryTime;
  std::array<std::string, kRegisteredFiles> m_strDBEstimateFileSize;
  std::string m_strDBComment;
  std::string m_strBtnName;
  std::string m_strGRP_CD;
  std::string m_strMAP_ID;
  std::string m_strBTN_ID;
  std::string m_strBTN_ID2;
  std::string m_strSES_ID;
  std::string m_strCGI_ID;
  std::string m_strAddList;
  std::string m_strDeleteList;
  int m_nFuncID = 0;
  int m_nMaxByte = 0;
  int m_nAutoResizeWidth = 0;
  int m_nAutoResizeHeight = 0;
  int m_nMaxCommentByte = 0;
  std::array<int, kRegisteredPhotos> m_nImageFileSize{};
  std::array<int, kRegisteredFiles> m_nEstimateFileSize{};
  int m_nMaxViewFileNum = 0;
  int m_nUploadColorChangeTime = 0;
  std::string m_strFuncIDParam;
  std::string m_strMaxByteParam;
  std::string m_strAutoResizeWidthParam;
  std::string m_strAutoResizeHeightParam;
  std::string m_strMaxViewFileNumParam;
  std::string m_strMaxResolutionParam;
  std::string m_strMaxCommentByteParam;
  std::string m_strUploadCheckParam;
  std::string m_strUploadColorChangeTimeParam;
  UploadSet m_uploadSet;
};

}  // namespace quillon
