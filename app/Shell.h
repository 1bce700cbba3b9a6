// Handing files, folders and web pages to the desktop, and starting the maker's picture editor.
#pragma once

#include <QString>

// Opens a file, a folder or a web address with the desktop's default application.
bool OpenWithShell(const QString& pathOrAddress);

// Starts the maker's editor ("zelvo" in the editor folder) on a picture, detached. False when
// the editor folder is not recorded or does not exist, or the program could not be started.
bool LaunchEditor(const QString& picturePath);
