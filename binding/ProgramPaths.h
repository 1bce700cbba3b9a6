// Where the program and its companions live: the program folder, the maker's editor folder
// (from the registry stand-in) and the rule that finds the engine and EXIF helper libraries.
#pragma once

#include <QString>

// Folder of the running program (or $GALLIVO_PROGRAM_DIR), ending in "/".
QString ProgramFolder();
// "Install Path" under "Software\Zelvo" of the current user, with a trailing "/"; empty when unset.
QString EditorFolder();

enum CompanionLibrary { EngineLibrary = 0, ExifHelperLibrary = 1 };
// Program folder + file name when that file exists, else editor folder + file name (unchecked;
// with no editor folder that is the bare file name, which dlopen looks up on the usual path).
QString CompanionLibraryPath(int which);
