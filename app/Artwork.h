// The program's pictures, drawn in code so that no binary art lives in the sources: the
// application icon and the two small header pictures of the main window.
#pragma once

#include <QImage>

// The application icon at size x size pixels (square, transparent corners).
QImage DrawAppIcon(int size);

enum class HeaderPicture { AddPictures, Settings };
// A header picture of size x size pixels.
QImage DrawHeaderPicture(HeaderPicture which, int size);
