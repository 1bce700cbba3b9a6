// The showcase speed as the settings panel shows it: three presets and seconds.
#pragma once

#include <QString>
#include <cstdint>

namespace gifSpeed {

// The speed list of the panel, in its order.
enum Preset : int { Fast = 0, Medium = 1, Slow = 2 };

QString PresetText(int preset);      // "高速", "中速", "低速"; empty outside the list
int32_t PresetSpeed(int preset);     // 500, 1000, 1500; 1000 outside the list
int PresetOfSpeed(int32_t speedMs);  // <= 500 Fast, >= 1500 Slow, else Medium

// "%.2f" of the speed in seconds.
QString SecondsText(int32_t speedMs);
// Typed seconds to milliseconds, truncated: leading white space, sign, digits and one
// decimal point as the C library reads them; no number gives 0. The digits are taken as
// written, so "0.29" gives 290 (binary floating point would give 289).
int32_t SecondsTextToMs(const QString& text);

}  // namespace gifSpeed
