// The frame manager, the photo table every kind shares, and photo fitting.
#include <gtest/gtest.h>

#include "frames_support.h"

using namespace frames_test;

namespace {

ZvFrameTemplate* manager() { return zelvo::frameManager(); }

uint32_t typeOf(const char16_t* ext) { return manager()->ops->TypeFromExtension(manager(), ext); }

TEST(FrameManager, ExtensionsMapToKinds) {
  struct Case {
    const char16_t* ext;
    uint32_t type;
  };
  const Case cases[] = {
      {u"zlve", 261},   {u"ZLVE", 261}, {u"qlf3", 261}, {u"ini", 257},     {u"INI", 257},
      {u"gif", 258},    {u"qlf", 259},  {u"qlf2", 260}, {u"quiframe", 262}, {u"qlc", 263},
      {u"dct", 265},    {u"zof", 274},  {u"ipet", 275}, {u"jpg", 264},     {u"jpeg", 264},
      {u"TIFF", 264},   {u"png", 264},  {u"nef", 264},  {u"xyz", 0},       {u"", 0},
      {u"jp", 0},       {u"qlf4", 0},   {u"zlv", 0},
  };
  for (const auto& c : cases) {
    const std::u16string e(c.ext);
    EXPECT_EQ(typeOf(c.ext), c.type) << std::string(e.begin(), e.end());
  }
  EXPECT_EQ(typeOf(nullptr), 0u);
}

TEST(FrameManager, CreatesOnlyKnownKinds) {
  for (uint32_t type : {0u, 1u, 256u, 266u, 271u, 273u, 276u, 0xffffffffu})
    EXPECT_EQ(makeTemplate(type), nullptr) << type;
  for (uint32_t type : {257u, 258u, 259u, 260u, 261u, 262u, 263u, 264u, 265u, 272u, 274u, 275u}) {
    TemplatePtr t = makeTemplate(type);
    ASSERT_NE(t, nullptr) << type;
    EXPECT_EQ(t->ops->GetType(t.get()), type);
    EXPECT_FALSE(t->ops->IsReady(t.get()));
    EXPECT_EQ(t->ops->WindowCount(t.get()), 1);
  }
  // The manager is the same object each time and is never ready.
  EXPECT_EQ(manager(), zelvo::frameManager());
  EXPECT_FALSE(manager()->ops->IsReady(manager()));
  manager()->ops->DestroyTemplate(manager(), nullptr);
}

TEST(FrameManager, KindsWithoutReaderFailCleanly) {
  const auto dir = gallivo::test::freshDir("frames_other");
  writeText(dir / "a.gif", "GIF89a");
  for (uint32_t type : {258u, 259u, 264u, 274u}) {
    TemplatePtr t = makeTemplate(type);
    EXPECT_FALSE(t->ops->Load(t.get(), u16(dir / "a.gif").c_str()));
    EXPECT_EQ(t->ops->GetLastError(t.get()), 10);
    ImagePtr target = Image::make();
    EXPECT_FALSE(t->ops->Render(t.get(), target.get()));
    EXPECT_EQ(t->ops->GetLastError(t.get()), 9);
  }
}

TEST(PhotoTable, FillsFirstFreePlaceAndRefusesWhenFull) {
  TemplatePtr t = makeTemplate(261);
  auto* ops = t->ops;
  ImagePtr photo = solid(4, 4, {1, 2, 3});
  const ZvPhotoEntry e{photo.get(), {0, 0, 0, 0}};
  for (int i = 0; i < 100; ++i) ASSERT_EQ(ops->AddPhoto(t.get(), &e), i);
  EXPECT_EQ(ops->AddPhoto(t.get(), &e), -1);
  EXPECT_EQ(ops->PhotoCount(t.get()), 100);
  EXPECT_TRUE(ops->ClearPhoto(t.get(), 37));
  EXPECT_EQ(ops->AddPhoto(t.get(), &e), 37);
  EXPECT_FALSE(ops->ClearPhoto(t.get(), 100));
  EXPECT_FALSE(ops->ClearPhoto(t.get(), -1));
  ops->ClearAllPhotos(t.get());
  EXPECT_EQ(ops->PhotoCount(t.get()), 0);
  EXPECT_EQ(ops->LastPhotoPlace(t.get()), nullptr);
}

TEST(PhotoTable, EmptyPlaceYieldsLastPhotoWithItsOwnRectangle) {
  TemplatePtr t = makeTemplate(257);
  auto* ops = t->ops;
  ImagePtr a = solid(4, 4, {1, 2, 3}), b = solid(4, 4, {4, 5, 6});
  const ZvPhotoEntry first{a.get(), {1, 2, 3, 4}};
  ops->AddPhoto(t.get(), &first);
  ZvRect* rect = nullptr;
  EXPECT_EQ(ops->GetPhoto(t.get(), 5, &rect), a.get());
  ASSERT_EQ(rect, &ops->PhotoPlace(t.get(), 5)->crop);
  EXPECT_EQ(rect->right, 0);

  const ZvPhotoEntry later{b.get(), {0, 0, 9, 9}};
  EXPECT_TRUE(ops->SetPhoto(t.get(), 7, &later));
  EXPECT_EQ(ops->GetPhoto(t.get(), 5, &rect), b.get());  // the highest place wins
  EXPECT_EQ(ops->LastPhotoPlace(t.get()), ops->PhotoPlace(t.get(), 7));
  EXPECT_FALSE(ops->SetPhoto(t.get(), 100, &later));

  rect = reinterpret_cast<ZvRect*>(1);
  EXPECT_EQ(ops->GetPhoto(t.get(), 100, &rect), nullptr);
  EXPECT_EQ(rect, nullptr);
  EXPECT_EQ(ops->PhotoPlace(t.get(), 100), nullptr);

  ops->Reset(t.get());
  EXPECT_EQ(ops->GetPhoto(t.get(), 0, &rect), nullptr);
}

TEST(FrameTemplate, DefaultWindowIsTheWholeFrame) {
  TemplatePtr t = makeTemplate(264);
  ZvRect r{9, 9, 9, 9};
  EXPECT_EQ(t->ops->WindowAt(t.get(), 0, 0, &r), -1);  // no frame picture: no window
  EXPECT_TRUE(t->ops->WindowRect(t.get(), 0, &r));
  EXPECT_EQ(r.right, 0);
  EXPECT_FALSE(t->ops->WindowRect(t.get(), 1, &r));
  t->ops->SetValue64(t.get(), 1, 2);
  EXPECT_EQ(zelvo::FrameTemplate::from(t.get())->value64(), (uint64_t(2) << 32) | 1);
  t->ops->ClearValue64(t.get());
  EXPECT_EQ(zelvo::FrameTemplate::from(t.get())->value64(), 0u);
}

struct FitCase {
  const char* what;
  ZvRect window;
  int32_t w, h;
  ZvRect expect;
};

TEST(FitPhoto, CropsToTheWindowShape) {
  const FitCase cases[] = {
      {"wide photo, square window: centred", {0, 0, 400, 400}, 800, 500, {150, 0, 650, 500}},
      {"tall photo keeps its top", {0, 0, 300, 300}, 400, 600, {0, 0, 400, 400}},
      {"slightly tall photo stays centred", {0, 0, 100, 100}, 100, 110, {0, 5, 100, 105}},
      {"same shape: whole photo", {10, 10, 210, 110}, 400, 200, {0, 0, 400, 200}},
      {"odd margin goes to the top", {0, 0, 10, 10}, 10, 11, {0, 1, 10, 11}},
      {"inverted window: whole photo", {50, 50, 10, 10}, 300, 200, {0, 0, 300, 200}},
  };
  for (const auto& c : cases) {
    ZvRect crop{0, 0, 0, 0};
    zelvo::fitPhoto(c.window, crop, nullptr, c.w, c.h, false);
    EXPECT_EQ(crop.left, c.expect.left) << c.what;
    EXPECT_EQ(crop.top, c.expect.top) << c.what;
    EXPECT_EQ(crop.right, c.expect.right) << c.what;
    EXPECT_EQ(crop.bottom, c.expect.bottom) << c.what;
  }
}

TEST(FitPhoto, FittedCropStaysUnlessAsked) {
  ZvRect crop{10, 20, 110, 220};
  zelvo::fitPhoto({0, 0, 50, 50}, crop, nullptr, 1000, 1000, false);
  EXPECT_EQ(crop.right, 110);
  EXPECT_EQ(crop.bottom, 220);
  // With the flag the crop's own size is the photo: a square inside the 100 x 200 crop.
  zelvo::fitPhoto({0, 0, 50, 50}, crop, nullptr, 1000, 1000, true);
  EXPECT_EQ(crop.right - crop.left, 100);
  EXPECT_EQ(crop.bottom - crop.top, 100);
}

TEST(FitPhoto, ReferenceCropIsFollowedAndKeptInsideThePhoto) {
  // Reference 200 x 100 at (100, 100); a square window gets a 200 x 200 crop about it.
  const ZvRect ref{100, 100, 300, 200};
  ZvRect crop{0, 0, 0, 0};
  zelvo::fitPhoto({0, 0, 50, 50}, crop, &ref, 1000, 1000, false);
  EXPECT_EQ(crop.left, 100);
  EXPECT_EQ(crop.top, 50);
  EXPECT_EQ(crop.right, 300);
  EXPECT_EQ(crop.bottom, 250);
  // Larger than the photo: scaled down to fit, never past its edges.
  ZvRect big{0, 0, 0, 0};
  zelvo::fitPhoto({0, 0, 400, 100}, big, &ref, 250, 250, false);
  EXPECT_GE(big.left, 0);
  EXPECT_LE(big.right, 250);
  EXPECT_LE(big.bottom, 250);
  EXPECT_NEAR(big.bottom - big.top, (big.right - big.left) / 4, 1);  // truncated ratio
}

}  // namespace
