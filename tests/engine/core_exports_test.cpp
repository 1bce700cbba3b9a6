// The library as the program sees it: loaded by file name, the seventeen exports bound
// by name, objects driven through their tables. PIL judges the bitmap stream of export o.
#include <dlfcn.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <vector>

#include "TestEnv.h"
#include "TestFiles.h"
#include "core_support.h"

using namespace coretest;
namespace fs = std::filesystem;

namespace {

struct Engine {
  void* lib = nullptr;
  ZvExportA a = nullptr;
  ZvExportRelease b = nullptr, f = nullptr, h = nullptr, n = nullptr;
  ZvExportC c = nullptr;
  ZvExportD d = nullptr;
  ZvExportE e = nullptr;
  ZvExportG g = nullptr;
  ZvExportI i = nullptr;
  ZvExportJ j = nullptr;
  ZvExportK k = nullptr;
  ZvExportL l = nullptr;
  ZvExportM m = nullptr;
  ZvExportO o = nullptr;
  ZvExportP p = nullptr;
  ZvExportQ q = nullptr;

  Engine() {
    lib = dlopen((gallivo::test::buildDir() / "libzelvo.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!lib) return;
    auto bind = [&](auto& fn, const char* name) { fn = reinterpret_cast<std::decay_t<decltype(fn)>>(dlsym(lib, name)); };
    bind(a, "a"), bind(b, "b"), bind(c, "c"), bind(d, "d"), bind(e, "e"), bind(f, "f"), bind(g, "g");
    bind(h, "h"), bind(i, "i"), bind(j, "j"), bind(k, "k"), bind(l, "l"), bind(m, "m"), bind(n, "n");
    bind(o, "o"), bind(p, "p"), bind(q, "q");
  }
  bool complete() const {
    return lib && a && b && c && d && e && f && g && h && i && j && k && l && m && n && o && p && q;
  }
};

Engine& engine() {
  static Engine eng;  // never unloaded: the shared singletons live until exit
  return eng;
}

const ZvImageOps& T(ZvImage* img) { return *img->ops; }

}  // namespace

TEST(CoreExports, LibraryExportsExactlyTheSeventeenNames) {
  ASSERT_TRUE(gallivo::test::needTool("nm", "binutils"));
  std::string out;
  ASSERT_EQ(gallivo::test::run("nm -D --defined-only " + (gallivo::test::buildDir() / "libzelvo.so").string(), &out), 0);
  std::vector<std::string> names;
  std::istringstream lines(out);
  for (std::string line; std::getline(lines, line);) {
    std::istringstream fields(line);
    std::string addr, kind, name;
    if (fields >> addr >> kind >> name) names.push_back(name);
  }
  std::ifstream listFile(gallivo::test::sourceDir() / "engine/exports.txt");
  std::vector<std::string> expected;
  for (std::string name; listFile >> name;) expected.push_back(name);
  std::sort(names.begin(), names.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(expected.size(), 17u);
  EXPECT_EQ(names, expected);
}

TEST(CoreExports, AllBindByName) { EXPECT_TRUE(engine().complete()) << dlerror(); }

TEST(CoreExports, ImageKindsByName) {
  Engine& E = engine();
  ASSERT_TRUE(E.complete());
  struct Case {
    const char16_t* name;
    bool made;
    uint32_t type;
  };
  const Case cases[] = {{nullptr, true, 0},   {u"", true, 0},     {u"JPG", true, 3}, {u"GIF", true, 2},
                        {u"RAW", true, 19},   {u"jpg", false, 0}, {u"PNG", false, 0}, {u"JPG ", false, 0}};
  for (const Case& c : cases) {
    ZvImage* img = E.a(c.name);
    EXPECT_EQ(img != nullptr, c.made);
    if (!img) continue;
    EXPECT_EQ(T(img).GetType(img), c.type);
    EXPECT_FALSE(T(img).IsValid(img));
    EXPECT_NE(T(img).Create(img, 10, 10, 24, c.type), nullptr);
    EXPECT_TRUE(T(img).IsValid(img));
    E.b(&img);
    EXPECT_EQ(img, nullptr);
    E.b(&img);  // twice through the same pointer: harmless
    E.f(nullptr);
  }
}

TEST(CoreExports, ReleaseWorksForEveryObjectKind) {
  Engine& E = engine();
  ASSERT_TRUE(E.complete());
  void* objects[] = {E.a(nullptr), E.g(u"dummy"), E.g(u"memory"), E.g(u"stdio"), E.e(), E.m()};
  ZvExportRelease releasers[] = {E.b, E.h, E.n, E.f, E.b, E.n};
  for (size_t x = 0; x < std::size(objects); ++x) {
    ASSERT_NE(objects[x], nullptr) << x;
    releasers[x](&objects[x]);
    EXPECT_EQ(objects[x], nullptr);
  }
  EXPECT_EQ(E.g(u"file"), nullptr);
  EXPECT_EQ(E.g(u"Dummy"), nullptr);
  EXPECT_EQ(E.g(nullptr), nullptr);
}

TEST(CoreExports, DummyStreamCountsAnEncodedPicture) {
  Engine& E = engine();
  ASSERT_TRUE(E.complete());
  ZvImage* img = E.a(nullptr);
  T(img).Create(img, 16, 8, 24, 0);
  ZvStream* s = E.g(u"dummy");
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->ops->Size(s), 0);
  if (T(img).Encode(img, s, ZV_TYPE_BMP)) {
    // A 24-bit BMP: 14 + 40 header bytes and 8 rows of 48 bytes.
    EXPECT_EQ(s->ops->Size(s), 14 + 40 + 8 * 48);
  } else {
    ADD_FAILURE() << "BMP encoder unavailable: " << T(img).GetLastError(img);
  }
  E.h(&s);
  E.b(&img);
}

TEST(CoreExports, SingletonsAndVersion) {
  Engine& E = engine();
  ASSERT_TRUE(E.complete());
  ZvImage* shared = E.c();
  ASSERT_NE(shared, nullptr);
  EXPECT_EQ(E.c(), shared);
  EXPECT_EQ(T(shared).GetType(shared), 0u);
  EXPECT_FALSE(T(shared).IsValid(shared));
  ZvFrameTemplate* fm = E.d();
  ASSERT_NE(fm, nullptr);
  EXPECT_EQ(E.d(), fm);
  EXPECT_EQ(E.l(), 6);
  // Released by mistake: the pointer is cleared, the singleton lives on.
  ZvImage* alias = shared;
  E.b(&alias);
  EXPECT_EQ(alias, nullptr);
  ZvFrameTemplate* fmAlias = fm;
  E.b(&fmAlias);
  EXPECT_EQ(fmAlias, nullptr);
  EXPECT_EQ(E.c(), shared);
  EXPECT_EQ(T(shared).GetType(shared), 0u);
  EXPECT_EQ(fm->ops->GetType(fm), E.d()->ops->GetType(E.d()));
}

TEST(CoreExports, OperationStatusTruncationRule) {
  Engine& E = engine();
  ASSERT_TRUE(E.complete());
  std::u16string longText(250, u'x');
  for (size_t u = 0; u < longText.size(); ++u) longText[u] = char16_t(u'A' + u % 26);
  char16_t* buffer = E.i(longText.c_str());
  ASSERT_NE(buffer, nullptr);
  EXPECT_EQ(buffer[199], longText[199]) << "stored without a terminator";
  int32_t code = 0;
  EXPECT_EQ(E.j(&code, 42), 42);
  EXPECT_EQ(code, 42);
  char16_t out[200];
  std::fill(std::begin(out), std::end(out), u'?');
  EXPECT_EQ(E.k(out), 42);
  EXPECT_EQ(std::u16string(out), longText.substr(0, 199));
  // A short text is zero-padded.
  E.i(u"缩放处理");
  E.k(out);
  EXPECT_EQ(std::u16string(out), u"缩放处理");
  EXPECT_EQ(out[150], u'\0');
  E.i(nullptr);
  E.j(nullptr, 0);
  EXPECT_EQ(E.k(out), 0);
  EXPECT_EQ(out[0], u'\0');
}

TEST(CoreExports, ZlibOneShotResultCodes) {
  Engine& E = engine();
  ASSERT_TRUE(E.complete());
  std::vector<uint8_t> data(5000);
  for (size_t u = 0; u < data.size(); ++u) data[u] = uint8_t((u * 7) % 13);
  std::vector<uint8_t> packed(6000);
  uint32_t packedLen = uint32_t(packed.size());
  ASSERT_EQ(E.p(packed.data(), &packedLen, data.data(), uint32_t(data.size()), 9), 0);
  EXPECT_LT(packedLen, data.size());
  uint32_t tiny = 8;
  EXPECT_EQ(E.p(packed.data(), &tiny, data.data(), uint32_t(data.size()), 9), -5);
  std::vector<uint8_t> back(data.size());
  uint32_t backLen = uint32_t(back.size());
  ASSERT_EQ(E.q(back.data(), &backLen, packed.data(), packedLen), 0);
  EXPECT_EQ(backLen, data.size());
  EXPECT_EQ(back, data);
  uint32_t small = 100;
  EXPECT_EQ(E.q(back.data(), &small, packed.data(), packedLen), -5);
  uint32_t room = uint32_t(back.size());
  EXPECT_EQ(E.q(back.data(), &room, packed.data(), packedLen / 2), -3) << "data end early";
  std::vector<uint8_t> junk(64, 0xAB);
  room = uint32_t(back.size());
  EXPECT_EQ(E.q(back.data(), &room, junk.data(), uint32_t(junk.size())), -3);
  EXPECT_EQ(E.p(packed.data(), nullptr, data.data(), 10, 6), -2) << "null length refused";
}

TEST(CoreExports, BitmapStreamIsAFileOthersCanRead) {
  Engine& E = engine();
  ASSERT_TRUE(E.complete());
  const std::string py = pilPython();
  const bool pil = !py.empty();
  const fs::path dir = gallivo::test::freshDir("bmpstream");
  struct Case {
    uint32_t bpp;
    bool alpha;
    uint32_t infoSize;
  };
  for (const Case c : {Case{24, false, 40}, Case{8, false, 40}, Case{1, false, 40}, Case{24, true, 124}}) {
    SCOPED_TRACE(std::to_string(c.bpp) + (c.alpha ? " alpha" : ""));
    ZvImage* img = E.a(nullptr);
    ASSERT_NE(T(img).Create(img, 7, 3, c.bpp, 0), nullptr);
    Image* im = Image::from(img);
    if (c.bpp <= 8) im->setGrayPalette();
    for (int32_t y = 0; y < 3; ++y)
      for (int32_t x = 0; x < 7; ++x) im->setPixelColor(x, y, rgb(uint8_t(x * 40), uint8_t(y * 100), 0), false);
    if (c.alpha) {
      im->allocAlpha();
      im->alphaRow(0)[0] = 17;
    }
    ZvComStream* s = E.o(img, 0);
    ASSERT_NE(s, nullptr);
    const uint64_t size = s->ops->Size(s);
    std::vector<uint8_t> file(size + 10);
    uint32_t got = 0;
    EXPECT_EQ(s->ops->Read(s, file.data(), uint32_t(file.size()), &got), 1) << "short read is S_FALSE";
    ASSERT_EQ(got, size);
    file.resize(got);
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[1], 'M');
    uint32_t infoSize, fileSize;
    std::memcpy(&fileSize, &file[2], 4);
    std::memcpy(&infoSize, &file[14], 4);
    EXPECT_EQ(fileSize, size);
    EXPECT_EQ(infoSize, c.infoSize);
    // Reading in pieces after a seek gives the same bytes.
    uint64_t pos = 0;
    EXPECT_EQ(s->ops->Seek(s, 10, 0, &pos), 0);
    EXPECT_EQ(pos, 10u);
    std::vector<uint8_t> part(25);
    ASSERT_EQ(s->ops->Read(s, part.data(), 25, &got), 0);
    EXPECT_TRUE(std::equal(part.begin(), part.end(), file.begin() + 10));
    EXPECT_NE(s->ops->Seek(s, -100, 1, nullptr), 0);
    EXPECT_NE(s->ops->Write(s, part.data(), 1, &got), 0) << "read-only";
    EXPECT_EQ(s->ops->AddRef(s), 2u);
    EXPECT_EQ(s->ops->Release(s), 1u);
    if (pil) {
      const fs::path path = dir / ("s" + std::to_string(c.bpp) + (c.alpha ? "a" : "") + ".bmp");
      std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
      // PIL reads it and sees the pixel at top-down (6, 2): stored row 0, x = 6.
      std::string out;
      ASSERT_EQ(gallivo::test::run(py + " -c \"from PIL import Image; im=Image.open('" + path.string() +
                                       "'); print(im.size, im.convert('RGBA').getpixel((6,2)), im.convert('RGBA').getpixel((0,2)))\"",
                                   &out), 0) << out;
      const ZvRGBQuad px = im->pixelColor(6, 0, false);
      const std::string expect = "(7, 3) (" + std::to_string(px.red) + ", " + std::to_string(px.green) + ", " +
                                 std::to_string(px.blue) + ", 255) (0, 0, 0, " + (c.alpha ? "17" : "255") + ")";
      EXPECT_EQ(out.substr(0, out.find('\n')), expect);
    }
    EXPECT_EQ(s->ops->Release(s), 0u);
    E.b(&img);
  }
  EXPECT_EQ(E.o(nullptr, 0), nullptr);
  ZvImage* empty = E.a(nullptr);
  EXPECT_EQ(E.o(empty, 0), nullptr);
  E.b(&empty);
}

TEST(CoreExports, BitmapStreamStopsAtTheHeaderWhenThePictureChanges) {
  Engine& E = engine();
  ASSERT_TRUE(E.complete());
  ZvImage* img = E.a(nullptr);
  T(img).Create(img, 40, 40, 24, 0);
  ZvComStream* s = E.o(img, 0);
  T(img).Create(img, 2, 2, 24, 0);  // the old rows are gone
  std::vector<uint8_t> buf(8000);
  uint32_t got = 0;
  s->ops->Read(s, buf.data(), uint32_t(buf.size()), &got);
  EXPECT_EQ(got, 54u);
  s->ops->Release(s);
  E.b(&img);
}

TEST(CoreExports, TrackerPicksCursorsByHandle) {
  Engine& E = engine();
  ASSERT_TRUE(E.complete());
  auto* t = static_cast<ZvTracker*>(E.e());
  ASSERT_NE(t, nullptr);
  t->ops->SetRect(t, {100, 50, 10, 10});  // normalised
  const ZvRect r = t->ops->GetRect(t);
  EXPECT_EQ(r.left, 10);
  EXPECT_EQ(r.right, 100);
  struct Case {
    ZvPoint p;
    int32_t hit, cursor;
  };
  const Case cases[] = {
      {{10, 10}, 1, ZV_CURSOR_SIZENWSE}, {{55, 11}, 2, ZV_CURSOR_SIZENS},  {{99, 9}, 3, ZV_CURSOR_SIZENESW},
      {{100, 30}, 4, ZV_CURSOR_SIZEWE},  {{101, 50}, 5, ZV_CURSOR_SIZENWSE}, {{55, 50}, 6, ZV_CURSOR_SIZENS},
      {{10, 50}, 7, ZV_CURSOR_SIZENESW}, {{9, 30}, 8, ZV_CURSOR_SIZEWE},    {{40, 30}, 0, ZV_CURSOR_SIZEALL},
      {{300, 300}, -1, ZV_CURSOR_ARROW},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(t->ops->HitTest(t, c.p), c.hit) << c.p.x << "," << c.p.y;
    EXPECT_EQ(t->ops->CursorAt(t, c.p), c.cursor) << c.p.x << "," << c.p.y;
  }
  ASSERT_TRUE(t->ops->Track(t, 0, 5, -5));
  EXPECT_EQ(t->ops->GetRect(t).left, 15);
  EXPECT_EQ(t->ops->GetRect(t).top, 5);
  ASSERT_TRUE(t->ops->Track(t, 4, -200, 0));  // the right edge dragged past the left one
  EXPECT_LE(t->ops->GetRect(t).left, t->ops->GetRect(t).right);
  EXPECT_FALSE(t->ops->Track(t, 9, 1, 1));
  EXPECT_TRUE(t->ops->Track(t, 0, INT32_MAX, INT32_MAX)) << "saturates instead of wrapping";
  E.b(&t);
}

TEST(CoreExports, PluginHostRegistersListsAndApplies) {
  Engine& E = engine();
  ASSERT_TRUE(E.complete());
  auto* host = static_cast<ZvPluginHost*>(E.m());
  ASSERT_NE(host, nullptr);
  int calls = 0;
  auto invert = [](void* user, ZvImage* img) {
    ++*static_cast<int*>(user);
    Image* im = Image::from(img);
    for (int32_t y = 0; y < im->height(); ++y)
      for (uint32_t x = 0; x < im->stride(); ++x) im->row(y)[x] = uint8_t(255 - im->row(y)[x]);
    return true;
  };
  EXPECT_TRUE(host->ops->Register(host, u"invert", invert, &calls));
  EXPECT_FALSE(host->ops->Register(host, u"invert", invert, &calls)) << "names are unique";
  EXPECT_FALSE(host->ops->Register(host, u"", invert, &calls));
  EXPECT_FALSE(host->ops->Register(host, u"none", nullptr, nullptr));
  EXPECT_TRUE(host->ops->Register(host, u"noop", [](void*, ZvImage*) { return true; }, nullptr));
  EXPECT_EQ(host->ops->Count(host), 2);
  EXPECT_EQ(std::u16string(host->ops->NameAt(host, 1)), u"noop");
  EXPECT_EQ(host->ops->NameAt(host, 2), nullptr);
  ZvImage* img = E.a(nullptr);
  EXPECT_FALSE(host->ops->Apply(host, u"invert", img)) << "empty image";
  T(img).Create(img, 2, 2, 24, 0);
  T(img).FillColor(img, rgb(10, 20, 30), nullptr, false);
  EXPECT_TRUE(host->ops->Apply(host, u"invert", img));
  EXPECT_EQ(calls, 1);
  EXPECT_TRUE(same(T(img).GetPixelColor(img, 1, 1, false), rgb(245, 235, 225)));
  EXPECT_FALSE(host->ops->Apply(host, u"missing", img));
  EXPECT_TRUE(host->ops->Unregister(host, u"invert"));
  EXPECT_FALSE(host->ops->Unregister(host, u"invert"));
  EXPECT_EQ(host->ops->Count(host), 1);
  E.b(&img);
  E.n(&host);
  EXPECT_EQ(host, nullptr);
}
