#include "qt_text.h"

#include "platform/text.h"

namespace platform::ui::detail {

QString ToQt(std::string_view cp932) {
  std::string utf8;
  if (Cp932ToUtf8(cp932, utf8)) return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
  // Character by character, so that one bad byte costs one character.
  QString out;
  for (std::size_t i = 0; i < cp932.size(); i = NextChar(cp932, i)) {
    std::string_view one = cp932.substr(i, CharLength(cp932, i));
    if (Cp932ToUtf8(one, utf8)) {
      out += QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
    } else {
      out += QLatin1Char('?');
    }
  }
  return out;
}

std::string FromQt(const QString& text) {
  QByteArray utf8 = text.toUtf8();
  std::string out;
  if (Utf8ToCp932(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())), out)) return out;
  out.clear();
  std::string one;
  for (char32_t c : text.toUcs4()) {
    QByteArray u = QString::fromUcs4(&c, 1).toUtf8();
    if (Utf8ToCp932(std::string_view(u.constData(), static_cast<std::size_t>(u.size())), one)) {
      out += one;
    } else {
      out += '?';
    }
  }
  return out;
}

}  // namespace platform::ui::detail
