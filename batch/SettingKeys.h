// Setting one setting by its file key from text, through the settings manager's own setters
// (the validated ones for keys with a range), as gallivo-batch's --set does.
#pragma once

#include <QString>

class CSetMgr;

enum class SetResult { Stored, UnknownKey, NotANumber, OutOfRange };

// Sets `key` to `value`. OutOfRange leaves the held value and puts the setting's own
// message into *message; the other failures put a short explanation there.
SetResult SetByKey(CSetMgr& settings, const QString& key, const QString& value, QString* message);
