#include <QtGlobal>

#include "SettingsReporter.h"

void LogReporter::ShowMessage(const QString& text) { qWarning("%s", qUtf8Printable(text)); }
