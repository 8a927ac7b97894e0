// The user-facing text of an error code, from the message file named at Initialize.
#pragma once

#include <string>

class CZkMessage {
 public:
  explicit CZkMessage(const char* pMsgFileName);
  ~CZkMessage();
  CZkMessage(const CZkMessage&) = delete;
  CZkMessage& operator=(const CZkMessage&) = delete;

  // The text of pCode into pMessage (nSize bytes, zero-filled first); 1, or 0 with the buffer untouched
  // unless the file was found and signed.
  int GetMessage(const char* pCode, char* pMessage, int nSize);

 private:
  std::string m_strMsgFileName;
  std::string m_strSignature;
};
