// CP932 <-> Qt's UTF-16 strings, through the text layer (iconv). A character that does not convert becomes "?".
#pragma once

#include <QList>
#include <QString>

#include <string>
#include <string_view>

namespace platform::ui::detail {

QString ToQt(std::string_view cp932);
std::string FromQt(const QString& text);

}  // namespace platform::ui::detail
