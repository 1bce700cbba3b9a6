// Format identifiers by file extension, and the size check every decoder makes before
// it allocates.
#include <array>

#include "Codec.h"

namespace zelvo {
namespace {

struct ExtensionEntry {
  char16_t ext[4];
  uint32_t type;
};

// Order matters: the first entry whose three characters match wins.
constexpr std::array<ExtensionEntry, 46> kExtensions = {{
    {u"bmp", ZV_TYPE_BMP}, {u"jpg", ZV_TYPE_JPG}, {u"jpe", ZV_TYPE_JPG}, {u"jfi", ZV_TYPE_JPG},
    {u"gif", ZV_TYPE_GIF}, {u"png", ZV_TYPE_PNG}, {u"ico", ZV_TYPE_ICO}, {u"cur", ZV_TYPE_ICO},
    {u"tif", ZV_TYPE_TIF}, {u"tga", ZV_TYPE_TGA}, {u"pcx", ZV_TYPE_PCX}, {u"wbm", ZV_TYPE_WBMP},
    {u"wmf", ZV_TYPE_WMF}, {u"emf", ZV_TYPE_WMF}, {u"jp2", ZV_TYPE_JP2}, {u"j2k", ZV_TYPE_JP2},
    {u"jpc", ZV_TYPE_JPC}, {u"j2c", ZV_TYPE_JPC}, {u"pgx", ZV_TYPE_PGX}, {u"ras", ZV_TYPE_RAS},
    {u"pnm", ZV_TYPE_PNM}, {u"pgm", ZV_TYPE_PNM}, {u"ppm", ZV_TYPE_PNM}, {u"mng", ZV_TYPE_MNG},
    {u"jng", ZV_TYPE_MNG}, {u"ska", ZV_TYPE_SKA},
    {u"nef", ZV_TYPE_RAW}, {u"crw", ZV_TYPE_RAW}, {u"cr2", ZV_TYPE_RAW}, {u"dng", ZV_TYPE_RAW},
    {u"arw", ZV_TYPE_RAW}, {u"erf", ZV_TYPE_RAW}, {u"3fr", ZV_TYPE_RAW}, {u"dcr", ZV_TYPE_RAW},
    {u"raw", ZV_TYPE_RAW}, {u"x3f", ZV_TYPE_RAW}, {u"mef", ZV_TYPE_RAW}, {u"raf", ZV_TYPE_RAW},
    {u"mrw", ZV_TYPE_RAW}, {u"pef", ZV_TYPE_RAW}, {u"sr2", ZV_TYPE_RAW}, {u"orf", ZV_TYPE_RAW},
    {u"psd", ZV_TYPE_PSD}, {u"pdd", ZV_TYPE_PSD}, {u"ljy", ZV_TYPE_LJY},
}};

char16_t lowerAscii(char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c; }

}  // namespace

uint32_t typeFromExtension(std::u16string_view ext) {
  if (!ext.empty() && ext.front() == u'.') ext.remove_prefix(1);
  if (ext.size() < 3) return ZV_TYPE_UNKNOWN;
  for (const ExtensionEntry& e : kExtensions) {
    if (lowerAscii(ext[0]) == e.ext[0] && lowerAscii(ext[1]) == e.ext[1] &&
        lowerAscii(ext[2]) == e.ext[2])
      return e.type;
  }
  return ZV_TYPE_UNKNOWN;
}

bool checkDecodeSize(Image& img, int64_t w, int64_t h, const char* message) {
  if (w <= 0 || h <= 0 || w > INT32_MAX || h > INT32_MAX ||
      uint64_t(w) * uint64_t(h) > kDecodeMaxPixels) {
    img.setLastError(message);
    return false;
  }
  return true;
}

}  // namespace zelvo
