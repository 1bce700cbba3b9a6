// The frame manager: which kind an extension opens, and the factory for each kind.
#include "FrameManager.h"

#include <memory>
#include <new>
#include <string_view>

#include "FrameTemplate.h"
#include "MultiFrameFile.h"
#include "SkinFrame.h"

namespace zelvo {
namespace {

struct ExtensionKind {
  std::u16string_view extension;
  uint32_t type;
};

// Checked in this order; the picture formats come last.
constexpr ExtensionKind kExtensionKinds[] = {
    {u"zof", ZV_TEMPLATE_ZOF},       {u"quiframe", ZV_TEMPLATE_QUIFRAME},
    {u"qlc", ZV_TEMPLATE_COLLAGE},   {u"qlf", ZV_TEMPLATE_QLF},
    {u"qlf2", ZV_TEMPLATE_QLF2},     {u"qlf3", ZV_TEMPLATE_MULTI},
    {u"zlve", ZV_TEMPLATE_MULTI},    {u"dct", ZV_TEMPLATE_DECORATION},
    {u"ini", ZV_TEMPLATE_SKIN},      {u"gif", ZV_TEMPLATE_GIF},
    {u"ipet", ZV_TEMPLATE_PLUGIN},
};

// First three letters of the extensions the picture-format table knows.
constexpr std::u16string_view kPicturePrefixes[] = {
    u"bmp", u"jpg", u"jpe", u"jfi", u"gif", u"png", u"ico", u"cur", u"tif", u"tga", u"pcx",
    u"wbm", u"wmf", u"emf", u"jp2", u"j2k", u"jpc", u"j2c", u"pgx", u"ras", u"pnm", u"pgm",
    u"ppm", u"mng", u"jng", u"ska", u"nef", u"crw", u"cr2", u"dng", u"arw", u"erf", u"3fr",
    u"dcr", u"raw", u"x3f", u"mef", u"raf", u"mrw", u"pef", u"sr2", u"orf", u"psd", u"pdd",
    u"ljy",
};

char16_t lower(char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c - u'A' + u'a') : c; }

bool equalNoCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (lower(a[i]) != lower(b[i])) return false;
  return true;
}

// Kinds whose file formats this build does not read: Load fails with "cannot open".
constexpr uint32_t kOtherKinds[] = {
    ZV_TEMPLATE_GIF,        ZV_TEMPLATE_QLF,        ZV_TEMPLATE_QLF2, ZV_TEMPLATE_QUIFRAME,
    ZV_TEMPLATE_COLLAGE,    ZV_TEMPLATE_PICTURE,    ZV_TEMPLATE_DECORATION,
    ZV_TEMPLATE_ZOF,        ZV_TEMPLATE_PLUGIN,
};

std::unique_ptr<FrameTemplate> makeTemplate(uint32_t type) {
  switch (type) {
    case ZV_TEMPLATE_MULTI: return std::make_unique<MultiFrameFile>();
    case ZV_TEMPLATE_SKIN:
    case ZV_TEMPLATE_SKIN_KEYS: return std::make_unique<SkinFrame>(type);
    default: break;
  }
  for (uint32_t other : kOtherKinds)
    if (other == type) return std::make_unique<FrameTemplate>(type);
  return nullptr;
}

}  // namespace

uint32_t templateTypeFromExtension(const char16_t* extension) {
  if (!extension || !*extension) return 0;
  std::u16string_view ext(extension);
  for (const auto& k : kExtensionKinds)
    if (equalNoCase(ext, k.extension)) return k.type;
  if (ext.size() >= 3) {
    for (auto prefix : kPicturePrefixes)
      if (equalNoCase(ext.substr(0, 3), prefix)) return ZV_TEMPLATE_PICTURE;
  }
  return 0;
}

ZvFrameTemplate* createTemplate(uint32_t type) {
  try {
    return makeTemplate(type).release();
  } catch (...) {
    return nullptr;
  }
}

ZvFrameTemplate* frameManager() {
  static FrameTemplate manager(0);
  return &manager;
}

}  // namespace zelvo
