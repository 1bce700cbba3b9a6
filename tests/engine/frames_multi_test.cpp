// Multi-window frame files: loading, window queries and rendering.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "frames_support.h"

using namespace frames_test;

namespace {

constexpr Rgb kRed{255, 0, 0}, kWhite{255, 255, 255}, kBlue{0, 0, 255};

struct Loaded {
  TemplatePtr t;
  bool ok;
  int32_t error;
};

Loaded loadBytes(const std::vector<uint8_t>& bytes, const char* name = "f.zlve") {
  const auto dir = gallivo::test::freshDir("multi");
  writeFile(dir / name, bytes);
  TemplatePtr t = makeTemplate(261);
  const bool ok = t->ops->Load(t.get(), u16(dir / name).c_str());
  const int32_t err = t->ops->GetLastError(t.get());
  return {std::move(t), ok, err};
}

// Renders with the given photos in places 0.. and returns the target (null on failure).
ImagePtr render(ZvFrameTemplate* t, std::initializer_list<Image*> photos) {
  for (Image* p : photos) {
    const ZvPhotoEntry e{p, {0, 0, 0, 0}};
    t->ops->AddPhoto(t, &e);
  }
  ImagePtr target = Image::make();
  if (!t->ops->Render(t, target.get())) return nullptr;
  return target;
}

TEST(MultiFrameLoad, HeaderChecks) {
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
    bool ok;
    int32_t error;
  };
  std::vector<uint8_t> shortForeign(100, 'x');  // short, first byte not 22: foreign header
  std::vector<uint8_t> shortSigned = ZlveBuilder().bytes();
  shortSigned.resize(200);  // short but signed: artwork flag reads 0, no picture follows
  const Case cases[] = {
      {"current version", ZlveBuilder().size(80, 60).count(1).bytes(), true, 0},
      {"older version", ZlveBuilder().signature("Zelvo Multi Frame|0000").bytes(), true, 0},
      {"newer version refused", ZlveBuilder().signature("Zelvo Multi Frame|0002").bytes(), false, 1},
      {"much newer version", ZlveBuilder().signature("Zelvo Multi Frame|1000").bytes(), false, 1},
      {"old signature, no version check", ZlveBuilder().signature("qUILTAMORE Multi Frame").bytes(), true, 0},
      {"foreign signature", ZlveBuilder().signature("Zelvo Multi Frame!0001").bytes(), false, 2},
      {"short foreign file", shortForeign, false, 2},
      {"empty file", {}, false, 2},
      {"short signed file: artwork missing", shortSigned, false, 11},
      {"artwork that is not a picture", ZlveBuilder().artwork({1, 2, 3, 4, 5, 6, 7, 8}).bytes(), false, 11},
  };
  for (const auto& c : cases) {
    Loaded l = loadBytes(c.bytes);
    EXPECT_EQ(l.ok, c.ok) << c.what;
    EXPECT_EQ(l.error, c.error) << c.what;
    EXPECT_EQ(l.t->ops->IsReady(l.t.get()), c.ok) << c.what;
  }
}

TEST(MultiFrameLoad, MissingFileOrFolderCannotBeOpened) {
  const auto dir = gallivo::test::freshDir("multi_missing");
  TemplatePtr t = makeTemplate(261);
  EXPECT_FALSE(t->ops->Load(t.get(), u16(dir / "none.zlve").c_str()));
  EXPECT_EQ(t->ops->GetLastError(t.get()), 10);
  EXPECT_FALSE(t->ops->Load(t.get(), u16(dir).c_str()));
  EXPECT_EQ(t->ops->GetLastError(t.get()), 10);
  EXPECT_FALSE(t->ops->Load(t.get(), nullptr));
  EXPECT_EQ(t->ops->GetLastError(t.get()), 10);
}

TEST(MultiFrameLoad, WindowCountIsClampedAndQueried) {
  ZlveBuilder b;
  b.size(400, 300).count(4000000000u).window(0, {0, 0, 200, 200}).window(1, {100, 100, 300, 250});
  Loaded l = loadBytes(b.bytes());
  ASSERT_TRUE(l.ok);
  auto* ops = l.t->ops;
  EXPECT_EQ(ops->WindowCount(l.t.get()), 100);
  ZvRect r{};
  EXPECT_EQ(ops->WindowAt(l.t.get(), 150, 150, &r), 1);  // the later window wins
  EXPECT_EQ(r.right, 300);
  EXPECT_EQ(ops->WindowAt(l.t.get(), 50, 50, &r), 0);
  EXPECT_EQ(ops->WindowAt(l.t.get(), 350, 20, &r), -1);
  EXPECT_EQ(ops->WindowAt(l.t.get(), 200, 10, &r), -1);  // right edge is exclusive
  EXPECT_TRUE(ops->WindowRect(l.t.get(), 99, &r));
  EXPECT_FALSE(ops->WindowRect(l.t.get(), 100, &r));
  EXPECT_FALSE(ops->WindowRect(l.t.get(), -1, &r));
  EXPECT_EQ(ops->Width(l.t.get()), 400);
  EXPECT_EQ(ops->Height(l.t.get()), 300);
  // 100 windows of zeros and a real photo: renders, nothing breaks.
  ImagePtr photo = solid(64, 48, kRed);
  EXPECT_NE(render(l.t.get(), {photo.get()}), nullptr);
}

TEST(MultiFrameRender, NoArtworkGivesHeaderSizeWithPhotosInWindows) {
  ZlveBuilder b;
  b.size(800, 600).count(1).window(0, {100, 50, 500, 350});
  ASSERT_EQ(b.bytes().size(), 105080u);
  Loaded l = loadBytes(b.bytes());
  ASSERT_TRUE(l.ok);
  ImagePtr photo = solid(1000, 750, kRed);
  photo->setType(ZV_TYPE_JPG);
  ImagePtr out = render(l.t.get(), {photo.get()});
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(out->width(), 800);
  EXPECT_EQ(out->height(), 600);
  EXPECT_EQ(out->depth(), 24);
  EXPECT_EQ(out->alpha, nullptr);
  EXPECT_EQ(out->info.type, uint32_t(ZV_TYPE_JPG));
  EXPECT_EQ(at(*out, 100, 50), kRed);
  EXPECT_EQ(at(*out, 499, 349), kRed);
  EXPECT_EQ(at(*out, 99, 50), kWhite);
  EXPECT_EQ(at(*out, 500, 200), kWhite);
  EXPECT_EQ(at(*out, 300, 350), kWhite);
}

TEST(MultiFrameRender, RenderNeedsLoadAndPhoto) {
  TemplatePtr t = makeTemplate(261);
  ImagePtr target = Image::make();
  EXPECT_FALSE(t->ops->Render(t.get(), target.get()));
  EXPECT_EQ(t->ops->GetLastError(t.get()), 9);
  Loaded l = loadBytes(ZlveBuilder().size(10, 10).count(1).window(0, {0, 0, 5, 5}).bytes());
  EXPECT_FALSE(l.t->ops->Render(l.t.get(), target.get()));
  EXPECT_EQ(l.t->ops->GetLastError(l.t.get()), 4);
}

TEST(MultiFrameRender, ArtworkIsTheCanvas) {
  // Blue artwork with a white hole; the photo goes into the hole.
  ImagePtr art = picture(120, 90, [](int32_t x, int32_t y) {
    return (x >= 20 && x < 100 && y >= 15 && y < 75) ? kWhite : kBlue;
  });
  ZlveBuilder b;
  b.count(1).window(0, {20, 15, 100, 75}).artwork(bmpBytes(*art));
  Loaded l = loadBytes(b.bytes());
  ASSERT_TRUE(l.ok) << l.error;
  EXPECT_EQ(l.t->ops->Width(l.t.get()), 120);
  ImagePtr photo = solid(40, 30, kRed);
  ImagePtr out = render(l.t.get(), {photo.get()});
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(out->width(), 120);
  EXPECT_EQ(out->height(), 90);
  EXPECT_EQ(at(*out, 5, 5), kBlue);
  EXPECT_EQ(at(*out, 60, 40), kRed);
  EXPECT_EQ(at(*out, 19, 40), kBlue);
  // The frame picture stays untouched for the next render.
  EXPECT_EQ(at(*Image::from(l.t->ops->FramePicture(l.t.get())), 60, 40), kWhite);
  l.t->ops->Reset(l.t.get());
  EXPECT_FALSE(l.t->ops->IsReady(l.t.get()));
  EXPECT_EQ(l.t->ops->PhotoCount(l.t.get()), 0);
}

TEST(MultiFrameRender, TwoWindowsOnePhoto) {
  ZlveBuilder b;
  b.size(300, 100).count(2).window(0, {0, 0, 100, 100}).window(1, {200, 0, 300, 50});
  Loaded l = loadBytes(b.bytes());
  // Left half red, right half blue: each window gets its own fitted crop.
  ImagePtr photo = picture(200, 100, [](int32_t x, int32_t) { return x < 100 ? kRed : kBlue; });
  ImagePtr out = render(l.t.get(), {photo.get()});
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(at(*out, 10, 50), kRed);    // square crop from the middle: red left part
  EXPECT_EQ(at(*out, 90, 50), kBlue);
  EXPECT_EQ(at(*out, 205, 25), kRed);   // 2:1 window takes the whole photo
  EXPECT_EQ(at(*out, 295, 25), kBlue);
  EXPECT_EQ(at(*out, 250, 75), kWhite);
  // Both windows fitted their own place's crop.
  EXPECT_NE(l.t->ops->PhotoPlace(l.t.get(), 1)->crop.right, 0);
}

TEST(MultiFrameRender, OpacityFiftyOnOpaqueFrame) {
  ZlveBuilder b;
  b.size(60, 60).count(1).window(0, {10, 10, 50, 50}).field<int32_t>(0, 24, 50);
  Loaded l = loadBytes(b.bytes());
  ImagePtr photo = solid(40, 40, kRed);
  ImagePtr out = render(l.t.get(), {photo.get()});
  ASSERT_NE(out, nullptr);
  // Alpha 127 over white: red stays 255, green and blue (0 * 127 + 255 * 128) / 255.
  EXPECT_EQ(at(*out, 30, 30), (Rgb{255, 128, 128}));
  for (int32_t opaque : {0, 100}) {
    ZlveBuilder o;
    o.size(60, 60).count(1).window(0, {10, 10, 50, 50}).field<int32_t>(0, 24, opaque);
    Loaded lo = loadBytes(o.bytes());
    ImagePtr r = render(lo.t.get(), {photo.get()});
    EXPECT_EQ(at(*r, 30, 30), kRed) << opaque;
  }
}

TEST(MultiFrameRender, RotationByNinetyKeepsTheCentre) {
  ZlveBuilder b;
  b.size(400, 300).count(1).window(0, {100, 100, 300, 200}).field<double>(0, 16, 90.0);
  Loaded l = loadBytes(b.bytes());
  ImagePtr photo = solid(200, 100, kRed);
  ImagePtr out = render(l.t.get(), {photo.get()});
  ASSERT_NE(out, nullptr);
  // The 200 x 100 window turned stands 100 wide, 200 high about (200, 150).
  EXPECT_EQ(at(*out, 200, 55), kRed);
  EXPECT_EQ(at(*out, 200, 245), kRed);
  EXPECT_EQ(at(*out, 155, 150), kRed);
  EXPECT_EQ(at(*out, 140, 150), kWhite);
  EXPECT_EQ(at(*out, 260, 150), kWhite);
  EXPECT_EQ(at(*out, 200, 40), kWhite);
}

TEST(MultiFrameRender, HostileWindowsNeverBreakTheRender) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  struct Case {
    const char* what;
    ZvRect rect;
    double angle;
  };
  const Case cases[] = {
      {"inverted rectangle", {300, 200, 100, 100}, 0},
      {"outside the frame", {5000, 5000, 5100, 5100}, 0},
      {"partly outside", {-50, -50, 50, 50}, 30},
      {"huge rectangle", {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}, 0},
      {"NaN angle", {10, 10, 110, 110}, nan},
      {"infinite angle", {10, 10, 110, 110}, inf},
      {"huge angle", {10, 10, 110, 110}, 1e300},
      {"large but finite angle", {10, 10, 110, 110}, 3600045.0},
  };
  ImagePtr photo = solid(50, 40, kRed);
  for (const auto& c : cases) {
    ZlveBuilder b;
    b.size(200, 150).count(1).window(0, c.rect).field<double>(0, 16, c.angle).field<int32_t>(0, 28, 3);
    b.field<int32_t>(0, 36, 1).corners(1000).shadow(INT32_MAX, INT32_MIN);
    Loaded l = loadBytes(b.bytes());
    ImagePtr out = render(l.t.get(), {photo.get()});
    ASSERT_NE(out, nullptr) << c.what;
    EXPECT_EQ(out->width(), 200) << c.what;
  }
}

// Every effect code of both tables changes the photo; the codes without an effect don't.
TEST(MultiFrameRender, EffectCodes) {
  ImagePtr photo = picture(64, 48, [](int32_t x, int32_t y) {
    return Rgb{uint8_t(x * 4), uint8_t(y * 5), uint8_t((x * y) & 0xff)};
  });
  auto renderWith = [&](int32_t a, uint16_t bcode) {
    ZlveBuilder b;
    b.size(64, 48).count(1).window(0, {0, 0, 64, 48}).field<int32_t>(0, 32, a).field<uint16_t>(0, 44, bcode);
    Loaded l = loadBytes(b.bytes());
    return render(l.t.get(), {photo.get()});
  };
  auto same = [](const Image& x, const Image& y) {
    for (int32_t r = 0; r < x.height(); ++r)
      if (std::memcmp(x.row(r), y.row(r), size_t(x.width()) * 3) != 0) return false;
    return true;
  };
  ImagePtr plain = renderWith(0, 0);
  ASSERT_NE(plain, nullptr);
  EXPECT_TRUE(same(*plain, *photo));  // equal size: copied through unchanged
  for (int32_t a : {7, 11, 99, -1, 110}) EXPECT_TRUE(same(*renderWith(a, 0), *plain)) << "A " << a;
  for (uint16_t bcode : {uint16_t(7), uint16_t(21), uint16_t(100), uint16_t(65535)})
    EXPECT_TRUE(same(*renderWith(0, bcode), *plain)) << "B " << bcode;
  const int32_t codesA[] = {1, 2, 3, 4, 5, 6, 8, 9, 10, 100, 101, 102, 103, 104, 105, 106, 107, 108, 109};
  for (size_t i = 0; i < std::size(codesA); ++i) {
    ImagePtr ea = renderWith(codesA[i], 0);
    ImagePtr eb = renderWith(0, uint16_t(i < 9 ? codesA[i] : 11 + (i - 9)));
    ASSERT_NE(ea, nullptr);
    EXPECT_FALSE(same(*ea, *plain)) << "A " << codesA[i];
    EXPECT_TRUE(same(*ea, *eb)) << "A " << codesA[i] << " and its B code";
  }
}

}  // namespace
