#include "GifSpeed.h"

#include <cmath>
#include <limits>

namespace gifSpeed {
namespace {

struct PresetRow {
  const char16_t* text;
  int32_t speed;
};
const PresetRow kPresets[] = {{u"高速", 500}, {u"中速", 1000}, {u"低速", 1500}};

bool inList(int preset) { return preset >= 0 && preset < int(std::size(kPresets)); }

}  // namespace

QString PresetText(int preset) {
  return inList(preset) ? QString::fromUtf16(kPresets[preset].text) : QString();
}

int32_t PresetSpeed(int preset) { return inList(preset) ? kPresets[preset].speed : 1000; }

int PresetOfSpeed(int32_t speedMs) {
  if (speedMs <= 500) return Fast;
  if (speedMs >= 1500) return Slow;
  return Medium;
}

QString SecondsText(int32_t speedMs) {
  return QString::asprintf("%.2f", double(speedMs) * 0.001);
}

int32_t SecondsTextToMs(const QString& text) {
  qsizetype i = 0;
  while (i < text.size() && text[i].isSpace()) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
  const qsizetype numberStart = i;
  auto digit = [&](qsizetype k) { return k < text.size() && text[k] >= u'0' && text[k] <= u'9'; };
  // Whole seconds, saturated well above any valid speed.
  int64_t ms = 0;
  for (; digit(i); ++i) ms = std::min<int64_t>(ms * 10 + (text[i].unicode() - u'0'), int64_t(1) << 40);
  ms *= 1000;
  if (i < text.size() && text[i] == u'.') {
    ++i;
    int64_t scale = 100;
    for (; digit(i); ++i, scale /= 10)
      if (scale > 0) ms += (text[i].unicode() - u'0') * scale;
  }
  if (i == numberStart || (i == numberStart + 1 && text[numberStart] == u'.')) return 0;
  // An exponent ("1e1") is rare in typed seconds; the C library reads it, so do we.
  if (i < text.size() && (text[i] == u'e' || text[i] == u'E')) {
    bool ok = false;
    QString number = text.mid(numberStart);
    qsizetype end = i + 1 - numberStart;
    if (end < number.size() && (number[end] == u'+' || number[end] == u'-')) ++end;
    while (end < number.size() && number[end].isDigit()) ++end;
    double seconds = number.left(end).toDouble(&ok);
    if (ok && std::isfinite(seconds)) ms = int64_t(std::min(std::floor(seconds * 1000.0 + 1e-6), 1e12));
  }
  ms = std::min<int64_t>(ms, std::numeric_limits<int32_t>::max());
  return int32_t(negative ? -ms : ms);
}

}  // namespace gifSpeed
