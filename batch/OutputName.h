// Names of the output files. All outputs go flat into the export folder, named after their
// source; a name already taken gets "[n]" before the extension. A name is reserved by
// creating the file exclusively, so two workers never choose the same name and no existing
// file is ever overwritten; the save then replaces the empty reserved file.
#pragma once

#include <QString>

// The source's file name without folder and last extension, at most 1023 characters.
QString OutputBaseName(const QString& sourcePath);
// ".jpg", or ".pkv" for a source ending exactly in ".pkv" while the conversion is off.
QString OutputExtension(const QString& sourcePath, bool pkvToJpg);

// Reserves export folder + base name + extension, or the first free "[n]" name after it,
// from the settings (strExportDir, bPkvToJpg). Returns the reserved path, or an empty
// string with the reason in *error.
QString MakeOutputName(const QString& sourcePath, QString* error = nullptr);
// Reserves the first free folder + base + "[n]" + extension for n = 1, 2, 3, ...
QString MakeUniqueName(const QString& folder, const QString& base, const QString& extension,
                       QString* error = nullptr);

// Creates `path` only when nothing exists there. Returns 0 when reserved, else the errno
// (EEXIST: taken).
int ReserveFile(const QString& path);
