// The validated edit of the settings views: the typed number goes through a validated setter
// with the message on; when the setter refuses it, the field gets the focus and the held value
// back, with the caret at its end.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>

class QLineEdit;

// True when the setter took the value. Reporting is on only for the setter's call.
bool ValidatedEdit(QLineEdit* edit, int32_t held, const std::function<void(int32_t)>& setter);

// A typed integer as the settings read it (leading blanks, sign, digits; else 0).
int32_t TypedNumber(const QString& text);
