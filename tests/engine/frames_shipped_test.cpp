// The frames Gallivo ships with: the catalogue is well formed and every frame loads and
// renders both a landscape and a portrait photo.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>

#include "frames_support.h"

using namespace frames_test;

namespace {

// Turned windows are resampled: a colour may move by a step or two.
bool near(Rgb a, Rgb b) { return std::abs(a.r - b.r) <= 2 && std::abs(a.g - b.g) <= 2 && std::abs(a.b - b.b) <= 2; }

std::filesystem::path framesFolder() { return gallivo::test::sourceDir() / "data" / "frames"; }

struct Entry {
  std::string name, frame, preview;
};

std::vector<Entry> catalogue() {
  std::ifstream in(framesFolder() / "frames_config.xml");
  std::stringstream ss;
  ss << in.rdbuf();
  const std::string xml = ss.str();
  std::vector<Entry> out;
  const std::regex item("<item>\\s*<frame_name>([^<]*)</frame_name>\\s*<frame_path>([^<]*)</frame_path>\\s*"
                        "<preview_path>([^<]*)</preview_path>\\s*</item>");
  for (auto it = std::sregex_iterator(xml.begin(), xml.end(), item); it != std::sregex_iterator(); ++it)
    out.push_back({(*it)[1], (*it)[2], (*it)[3]});
  return out;
}

std::u16string extensionOf(const std::string& path) {
  const std::string ext = std::filesystem::path(path).extension().string().substr(1);
  return std::u16string(ext.begin(), ext.end());
}

TEST(ShippedFrames, CatalogueListsTenFramesWithPreviews) {
  ASSERT_TRUE(gallivo::test::needTool("xmllint", "libxml2-utils"));
  EXPECT_EQ(gallivo::test::run("xmllint --noout '" + (framesFolder() / "frames_config.xml").string() + "'"), 0);
  const auto entries = catalogue();
  ASSERT_GE(entries.size(), 10u);
  int skins = 0, multis = 0;
  for (const auto& e : entries) {
    EXPECT_FALSE(e.name.empty());
    const uint32_t type = zelvo::templateTypeFromExtension(extensionOf(e.frame).c_str());
    skins += type == 257;
    multis += type == 261;
    ImagePtr preview = Image::make();
    ASSERT_TRUE(zelvo::load(*preview, u16(framesFolder() / e.preview).c_str(), 0)) << e.preview;
    EXPECT_LE(preview->height(), 76) << e.preview;  // fits the 100-pixel list item
  }
  EXPECT_GE(skins, 5);
  EXPECT_GE(multis, 5);
}

// Where the photo must show: window 0 for multi-window frames, the draw point for skins.
TEST(ShippedFrames, EveryFrameRendersLandscapeAndPortraitPhotos) {
  const char* keep = std::getenv("GALLIVO_FRAME_RENDERS");  // set to look at the renders
  const Rgb mark{250, 10, 200};
  for (const auto& e : catalogue()) {
    for (auto [pw, ph] : {std::pair{1000, 750}, std::pair{600, 900}}) {
      SCOPED_TRACE(e.frame + " " + std::to_string(pw) + "x" + std::to_string(ph));
      TemplatePtr t = makeTemplate(zelvo::templateTypeFromExtension(extensionOf(e.frame).c_str()));
      ASSERT_NE(t, nullptr);
      ASSERT_TRUE(t->ops->Load(t.get(), u16(framesFolder() / e.frame).c_str())) << t->ops->GetLastError(t.get());
      const bool skin = t->ops->GetType(t.get()) == 257;
      const int32_t fw = t->ops->Width(t.get()), fh = t->ops->Height(t.get());
      ZvRect win{};
      ASSERT_TRUE(t->ops->WindowRect(t.get(), 0, &win));
      ImagePtr photo = keep ? picture(pw, ph, [](int32_t x, int32_t y) {
        return Rgb{uint8_t(x * 255 / 1000), uint8_t(120 + y * 100 / 900), uint8_t(200 - y * 150 / 900)};
      }) : solid(pw, ph, mark);
      const ZvPhotoEntry entry{photo.get(), {0, 0, 0, 0}};
      t->ops->AddPhoto(t.get(), &entry);
      ImagePtr out = Image::make();
      ASSERT_TRUE(t->ops->Render(t.get(), out.get())) << t->ops->GetLastError(t.get());
      ASSERT_EQ(out->depth(), 24);
      EXPECT_EQ(out->alpha, nullptr);
      if (skin) {
        ZvRect drawn{};
        t->ops->WindowRect(t.get(), 0, &drawn);
        EXPECT_EQ(out->width(), drawn.right);
        EXPECT_GT(out->width(), pw);
        EXPECT_GT(out->height(), ph);
        if (!keep) { EXPECT_EQ(at(*out, out->width() / 2, out->height() / 2), mark); }
        EXPECT_NE(at(*out, 1, 1), mark);
      } else {
        EXPECT_EQ(out->width(), fw);
        EXPECT_EQ(out->height(), fh);
        if (!keep) { EXPECT_TRUE(near(at(*out, (win.left + win.right) / 2, (win.top + win.bottom) / 2), mark)); }
        EXPECT_NE(at(*out, 1, 1), mark);
      }
      if (keep) {
        const std::string name = std::filesystem::path(e.frame).parent_path().string() +
                                 std::filesystem::path(e.frame).stem().string() + "_" + std::to_string(pw) + ".png";
        zelvo::save(*out, u16(std::filesystem::path(keep) / name).c_str(), ZV_TYPE_PNG);
      }
    }
  }
}

}  // namespace
