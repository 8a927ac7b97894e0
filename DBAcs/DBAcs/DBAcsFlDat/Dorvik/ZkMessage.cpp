#include "ZkMessage.h"

#include <cstring>

#include "ZkLog.h"
#include "ZkLogFrame.h"
#include "ZkUtilities.h"
#include "platform/ini.h"

namespace {
constexpr const char kTitle[] = "メッセージ取得";
}

CZkMessage::CZkMessage(const char* pMsgFileName)
    : m_strMsgFileName(ZkText(pMsgFileName)), m_strSignature("ACSFLDLLMSGSTR") {
  ZK_LOG_PARAM("pMsgFileName->%s, pSignature->%s", m_strMsgFileName.c_str(), m_strSignature.c_str());
}

CZkMessage::~CZkMessage() = default;

int CZkMessage::GetMessage(const char* pCode, char* pMessage, int nSize) {
  CZkLogFrame frame = ZK_FRAME(kTitle, "pCode->%s, pMessage->Address:%p, nSize->%d", ZkText(pCode),
                               static_cast<void*>(pMessage), nSize);
  // A missing or empty buffer is refused before anything is touched.
  if (!pMessage || nSize <= 0) {
    ZK_LOG(0, "指定されたバッファサイズと取得バッファサイズが一致しません");
    return frame.Fail();
  }
  ZK_LOG(2, "メッセージ設定ファイルパスの判定");
  if (!CZkUtilities::IsExistFile(m_strMsgFileName)) {
    ZK_LOG(0, "指定されたメッセージ設定ファイルは存在しません");
    return frame.Fail();
  }
  ZK_LOG(2, "シグネチャの判定");
  char signature[32] = {};
  platform::IniGetString("General", "Signature", "", signature, sizeof signature, m_strMsgFileName);
  if (m_strSignature != signature) {
    ZK_LOG(0, "指定されたメッセージ設定ファイルはシグネチャが異なります");
    return frame.Fail();
  }
  ZK_LOG(2, "メッセージの取得");
  std::memset(pMessage, 0, static_cast<std::size_t>(nSize));
  std::size_t n = 0;
  if (pCode && *pCode) {
    n = platform::IniGetString("MessageID", pCode, "", pMessage, static_cast<std::size_t>(nSize), m_strMsgFileName);
  }
  if (n == 0) {
    ZK_LOG(0, "指定されたコードに該当するメッセージが存在しません");
    return frame.Fail();
  }
  return frame.Ok();
}
