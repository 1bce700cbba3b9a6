// Which files the picture list takes: the 43 supported extensions, kept as one text of
// "*.ext;" entries that is also the file dialog's pattern.
#pragma once

#include <QString>

// "*.bmp;*.gif;...;*.pkv;" (a ";" after every entry).
const QString& SupportedPattern();
// The caption of the "添加图片..." dialog's filter, followed by the patterns in the form the
// platform's file dialog reads ("(*.bmp *.gif ...)").
QString PictureFileFilter();
// True when the lower-cased extension of the file name (the part after its last ".") is one of
// the supported ones. A name without an extension never matches.
bool IsSupportedPicture(const QString& path);
// True when the extension is exactly ".pkv" (case-sensitive: the path is already lower-cased).
bool IsPkvPath(const QString& path);
