// Handing files, folders and web pages to the desktop.
#pragma once

#include <QString>

// Opens a file, a folder or a web address with the desktop's default application.
bool OpenWithShell(const QString& pathOrAddress);
