#include "SettingsText.h"

#include <limits>

namespace settingsText {

int32_t toInt(const QString& text) {
  qsizetype i = 0;
  while (i < text.size() && text[i].isSpace()) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
  int64_t value = 0;
  const int64_t limit = negative ? -int64_t(std::numeric_limits<int32_t>::min())
                                 : std::numeric_limits<int32_t>::max();
  for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
    value = value * 10 + (text[i].unicode() - u'0');
    if (value > limit) value = limit;
  }
  return int32_t(negative ? -value : value);
}

QString xmlSafe(const QString& text) {
  QString out;
  out.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    char16_t c = text[i].unicode();
    if (QChar::isHighSurrogate(c) && i + 1 < text.size() && QChar::isLowSurrogate(text[i + 1].unicode())) {
      out += text[i];
      out += text[++i];
      continue;
    }
    bool allowed = c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c < 0xD800) ||
                   (c >= 0xE000 && c <= 0xFFFD);
    if (allowed) out += QChar(c);
  }
  return out;
}

}  // namespace settingsText
