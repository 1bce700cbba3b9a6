// The maker's web pages the program links to. The host is a reserved name that never
// resolves: the maker's real site is not ours to point at.
#pragma once

#include <QString>

namespace MakerSite {

inline QString Home() { return QStringLiteral("https://www.gallivo.invalid/"); }
inline QString Page(const char* name) { return Home() + QLatin1String(name); }
// Opened when the updater reports a newer version.
inline QString UpdatePage() { return Page("vd-update.html"); }

}  // namespace MakerSite
