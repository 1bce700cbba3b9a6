// Skin frames: ini loading with its path rules, and the tiled render.
#include <gtest/gtest.h>

#include "frames_support.h"

using namespace frames_test;

namespace {

constexpr Rgb kUL{10, 20, 30}, kUR{40, 50, 60}, kBL{70, 80, 90}, kBR{100, 110, 120}, kPhoto{255, 0, 0};

// 60 x 60 skin: 20 x 20 corners, 10-wide top and bottom tiles whose columns are numbered in
// red (top) or green (bottom), 10-high side tiles whose rows are numbered in green or blue.
ImagePtr skinPicture() {
  return picture(60, 60, [](int32_t x, int32_t y) -> Rgb {
    if (x < 20 && y < 20) return kUL;
    if (x >= 40 && y < 20) return kUR;
    if (x < 20 && y >= 40) return kBL;
    if (x >= 40 && y >= 40) return kBR;
    if (y < 20 && x < 30) return {uint8_t(100 + x - 20), 1, 1};
    if (y >= 40 && x < 30) return {4, uint8_t(50 + x - 20), 4};
    if (x < 20 && y < 30) return {2, uint8_t(150 + y - 20), 2};
    if (x >= 40 && y < 30) return {3, 3, uint8_t(200 + y - 20)};
    return {0, 0, 0};
  });
}

const char* kPieces =
    "upleft=20 20\nupmid=10 20\nupright=20 20\nctleft=20 10\nctright=20 10\n"
    "btleft=20 20\nbtmid=10 20\nbtright=20 20\n[make]\npic_drawpt=20 20\nextraspace=40 40\n";

struct Skin {
  std::filesystem::path dir;
  TemplatePtr t;
  bool ok;
  int32_t error;
};

Skin loadSkin(const std::string& fileLine, const std::string& rest = kPieces) {
  Skin s{gallivo::test::freshDir("skin"), makeTemplate(257), false, 0};
  writeFile(s.dir / "skin.bmp", bmpBytes(*skinPicture()));
  std::filesystem::create_directories(s.dir / "sub");
  writeFile(s.dir / "sub" / "skin.bmp", bmpBytes(*skinPicture()));
  writeText(s.dir / "notapicture.bmp", "this is text, not a picture");
  writeText(s.dir / "frame.ini", "[skin]\n" + fileLine + "\n" + rest);
  s.ok = s.t->ops->Load(s.t.get(), u16(s.dir / "frame.ini").c_str());
  s.error = s.t->ops->GetLastError(s.t.get());
  return s;
}

ImagePtr renderPhoto(ZvFrameTemplate* t, Image& photo, ZvRect crop = {0, 0, 0, 0}) {
  const ZvPhotoEntry e{&photo, crop};
  t->ops->AddPhoto(t, &e);
  ImagePtr out = Image::make();
  return t->ops->Render(t, out.get()) ? std::move(out) : nullptr;
}

TEST(SkinFrameLoad, FileKeyAndPathRules) {
  struct Case {
    const char* what;
    std::string line;
    bool ok;
    int32_t error;
  };
  const Case cases[] = {
      {"plain name", "file=skin.bmp", true, 0},
      {"leading backslash skipped", "file=\\skin.bmp", true, 0},
      {"leading slash skipped", "file=/skin.bmp", true, 0},
      {"backslash separator", "file=sub\\skin.bmp", true, 0},
      {"slash separator", "file=sub/skin.bmp", true, 0},
      {"no file key", "title=nothing", false, 2},
      {"empty file key", "file=", false, 2},
      {"names a folder", "file=sub", false, 14},
      {"names a folder with separator", "file=sub\\", false, 14},
      {"missing picture", "file=gone.bmp", false, 14},
      {"climbs out of the folder", "file=..\\skin\\skin.bmp", false, 14},
      {"climbs out mid-path", "file=sub/../../x.bmp", false, 14},
      {"not a picture", "file=notapicture.bmp", false, 2},
      {"path too long", "file=" + std::string(300, 'a') + ".bmp", false, 14},
  };
  for (const auto& c : cases) {
    Skin s = loadSkin(c.line);
    EXPECT_EQ(s.ok, c.ok) << c.what;
    EXPECT_EQ(s.error, c.error) << c.what;
  }
  // Kind 272 shares only the renderer: its own key set is not read.
  Skin ok = loadSkin("file=skin.bmp");
  TemplatePtr keys = makeTemplate(272);
  EXPECT_FALSE(keys->ops->Load(keys.get(), u16(ok.dir / "frame.ini").c_str()));
  EXPECT_EQ(keys->ops->GetLastError(keys.get()), 10);
  // A missing ini file has no file key.
  TemplatePtr t = makeTemplate(257);
  EXPECT_FALSE(t->ops->Load(t.get(), u"/nonexistent/frame.ini"));
  EXPECT_EQ(t->ops->GetLastError(t.get()), 2);
}

TEST(SkinFrameRender, TilesEdgesAndCornersAroundThePhoto) {
  Skin s = loadSkin("file=skin.bmp");
  ASSERT_TRUE(s.ok) << s.error;
  auto* ops = s.t->ops;
  ZvRect w{1, 1, 1, 1};
  EXPECT_EQ(ops->Width(s.t.get()), 0);
  ASSERT_TRUE(ops->WindowRect(s.t.get(), 0, &w));
  EXPECT_EQ(w.right, 0);  // empty before the first render

  ImagePtr photo = solid(300, 200, kPhoto);
  photo->setType(ZV_TYPE_PNG);
  ImagePtr out = renderPhoto(s.t.get(), *photo);
  ASSERT_NE(out, nullptr);
  ASSERT_EQ(out->width(), 340);
  ASSERT_EQ(out->height(), 240);
  EXPECT_EQ(out->info.type, uint32_t(ZV_TYPE_PNG));
  EXPECT_EQ(out->alpha, nullptr);
  EXPECT_EQ(ops->Width(s.t.get()), 340);
  EXPECT_EQ(ops->Height(s.t.get()), 240);
  ASSERT_TRUE(ops->WindowRect(s.t.get(), 0, &w));
  EXPECT_EQ(w.right, 340);
  EXPECT_EQ(w.bottom, 240);

  // Top and bottom tiles at x = 20, 30, ..., 310; the corners cover 320..339.
  for (int32_t x = 20; x < 320; ++x) {
    ASSERT_EQ(at(*out, x, 5), (Rgb{uint8_t(100 + (x - 20) % 10), 1, 1})) << x;
    ASSERT_EQ(at(*out, x, 235), (Rgb{4, uint8_t(50 + (x - 20) % 10), 4})) << x;
  }
  for (int32_t y = 20; y < 220; ++y) {
    ASSERT_EQ(at(*out, 5, y), (Rgb{2, uint8_t(150 + (y - 20) % 10), 2})) << y;
    ASSERT_EQ(at(*out, 335, y), (Rgb{3, 3, uint8_t(200 + (y - 20) % 10)})) << y;
  }
  EXPECT_EQ(at(*out, 0, 0), kUL);
  EXPECT_EQ(at(*out, 19, 19), kUL);
  EXPECT_EQ(at(*out, 320, 0), kUR);
  EXPECT_EQ(at(*out, 339, 19), kUR);
  EXPECT_EQ(at(*out, 0, 220), kBL);
  EXPECT_EQ(at(*out, 339, 239), kBR);
  // The photo covers (20, 20) to (320, 220).
  EXPECT_EQ(at(*out, 20, 20), kPhoto);
  EXPECT_EQ(at(*out, 319, 219), kPhoto);
  EXPECT_NE(at(*out, 320, 100), kPhoto);
  EXPECT_NE(at(*out, 100, 220), kPhoto);
}

TEST(SkinFrameRender, FittedCropSetsTheOutputSize) {
  Skin s = loadSkin("file=skin.bmp");
  ImagePtr photo = picture(300, 200, [](int32_t x, int32_t) { return x < 100 ? Rgb{0, 255, 0} : kPhoto; });
  ImagePtr out = renderPhoto(s.t.get(), *photo, {100, 50, 200, 150});
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(out->width(), 140);
  EXPECT_EQ(out->height(), 140);
  EXPECT_EQ(at(*out, 20, 20), kPhoto);
}

TEST(SkinFrameRender, NeedsLoadAndPhoto) {
  TemplatePtr t = makeTemplate(272);
  ImagePtr out = Image::make();
  EXPECT_FALSE(t->ops->Render(t.get(), out.get()));
  EXPECT_EQ(t->ops->GetLastError(t.get()), 9);
  Skin s = loadSkin("file=skin.bmp");
  EXPECT_FALSE(s.t->ops->Render(s.t.get(), out.get()));
  EXPECT_EQ(s.t->ops->GetLastError(s.t.get()), 4);
}

TEST(SkinFrameRender, HandEditedPiecesNeverBreakTheRender) {
  struct Case {
    const char* what;
    std::string pieces;
    bool ok;
  };
  const Case cases[] = {
      {"no pieces: photo only", "", true},
      {"pieces larger than the skin", "upleft=1000 1000\nupmid=5000 3\nctleft=3 4000\nbtright=70 70\n", true},
      {"negative pieces", "upleft=-2000000000 -5\nupmid=7 7\nupright=-7 -7\nctleft=5 5\n", true},
      {"garbage values", "upleft=abc\nupmid=12\nbtmid=  9   x\n", true},
      {"one-pixel tiles", "upmid=1 1\nbtmid=1 1\nctleft=1 1\nctright=1 1\n", true},
      {"extra space eats the photo", "[make]\nextraspace=-300 -200\n", false},
      {"absurd extra space", "[make]\nextraspace=2000000000 2000000000\n", false},
      {"photo point far outside", "[make]\npic_drawpt=-2147483648 2147483647\n", true},
  };
  ImagePtr photo = solid(300, 200, kPhoto);
  for (const auto& c : cases) {
    Skin s = loadSkin("file=skin.bmp", c.pieces);
    ASSERT_TRUE(s.ok) << c.what;
    ImagePtr out = renderPhoto(s.t.get(), *photo);
    EXPECT_EQ(out != nullptr, c.ok) << c.what;
    if (!c.ok) { EXPECT_EQ(s.t->ops->GetLastError(s.t.get()), 7) << c.what; }
  }
}

TEST(SkinFrame, ResetForgetsEverything) {
  Skin s = loadSkin("file=skin.bmp");
  ImagePtr photo = solid(30, 20, kPhoto);
  ASSERT_NE(renderPhoto(s.t.get(), *photo), nullptr);
  s.t->ops->Reset(s.t.get());
  EXPECT_FALSE(s.t->ops->IsReady(s.t.get()));
  EXPECT_EQ(s.t->ops->Width(s.t.get()), 0);
  EXPECT_EQ(s.t->ops->PhotoCount(s.t.get()), 0);
  EXPECT_FALSE(Image::from(s.t->ops->FramePicture(s.t.get()))->valid());
}

}  // namespace
