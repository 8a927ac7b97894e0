#include "TamselStrings.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/text.h"
#include "test_support.h"

namespace {

// The control's texts against the same texts written in UTF-8 and converted by iconv.
TEST(TamselStrings, TextsAreTheTableBytes) {
  struct Case {
    int id;
    const char8_t* utf8;
  } cases[] = {
      {1, u8"Tamsel"},
      {2, u8"Tamsel Property Page"},
      {200, u8"全般"},
      {1001, u8"登録の前処理を行うためのシステムフォルダが作成できませんでした[%s]。(SE0001)"},
      {1003, u8"選択されたファイルのパスの長さが規定の範囲を超えています[%s]。 \nこのファイルを除き、処理を続行します。(SE0003)"},
      {1016, u8"ゼントロソフト連携用DLLが見つかりませんでした。\nシステム管理者にお問い合わせください。（SE00１6)"},
      {1017, u8"見積ファイルの解凍に失敗しました。（SE00１7)"},
      {1018, u8"選択されたファイルのパスの長さが規定の範囲を超えています[%s]。 \n連携を行わず、処理を続行します。(SE0018)"},
      {2024, u8"保存されているゼントロ見積ファイルの数が多すぎます。\nこのまま実行すると、パソコンの動作に影響が出る恐れが\n"
             u8"ありますので、参照先フォルダの整理をお勧めします。\n\nこのまま表示しますか？"},
      {57344, u8"ヴィストレル"},
  };
  for (const Case& c : cases) {
    std::string expected;
    ASSERT_TRUE(platform::Utf8ToCp932(reinterpret_cast<const char*>(c.utf8), expected)) << c.id;
    EXPECT_EQ(testing_support::Show(tamsel::LoadString(c.id)), testing_support::Show(expected)) << c.id;
  }
  // The full-width digit one inside the codes of 1016 and 1017.
  EXPECT_NE(std::string(tamsel::LoadString(1017)).find("SE00\x82\x50" "7)"), std::string::npos);
}

TEST(TamselStrings, OnlyTheIdsItUses) {
  for (int id : {1002, 1007}) EXPECT_STRNE(tamsel::LoadString(id), "") << id;
  for (int id : {1000, 1004, 2000, 2019, 3000}) EXPECT_STREQ(tamsel::LoadString(id), "") << id;
}

}  // namespace
