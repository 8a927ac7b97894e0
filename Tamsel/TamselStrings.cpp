// The selection control's string table: type names, the property page caption, the messages it shows and the
// box title.
#include "TamselStrings.h"

namespace tamsel {

const std::vector<controls::StringEntry>& StringTable() {
  static const std::vector<controls::StringEntry> table = {
    {1, "Tamsel"},
    {2, "Tamsel Property Page"},
    {200, "全般"},
    {1001, "登録の前処理を行うためのシステムフォルダが作成できませんでした[%s]。(SE0001)"},
    {1002, "メモリー不足です。処理を続行できません。\nシステム管理者にお問い合わせください。(SE0002)"},
    {1003, "選択されたファイルのパスの長さが規定の範囲を超えています[%s]。 \nこのファイルを除き、処理を続行します。(SE0003)"},
    {1007, "OS情報の取得に失敗しました。\n次のフォルダへシステムフォルダを作成します。[%s](SE0007)"},
    {1016, "ゼントロソフト連携用DLLが見つかりませんでした。\nシステム管理者にお問い合わせください。（SE00１6)"},
    {1017, "見積ファイルの解凍に失敗しました。（SE00１7)"},
    {1018, "選択されたファイルのパスの長さが規定の範囲を超えています[%s]。 \n連携を行わず、処理を続行します。(SE0018)"},
    {2024, "保存されているゼントロ見積ファイルの数が多すぎます。\nこのまま実行すると、パソコンの動作に影響が出る恐れが\nありますので、参照先フォルダの整理をお勧めします。\n\nこのまま表示しますか？"},
    {57344, "ヴィストレル"},
  };
  return table;
}

}  // namespace tamsel
