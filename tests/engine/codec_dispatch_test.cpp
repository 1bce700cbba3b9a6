// BMP and PNG through the engine's own Load, Save and LoadInfo slots: detection, the saved
// file as PIL reads it, and the header-only size read through the table.
#include <gtest/gtest.h>

#include "codec_support.h"

namespace zelvo {
namespace {

using namespace codectest;
namespace fs = std::filesystem;

const fs::path& fixtures() {
  static const fs::path dir = gradientFixtures("dispatch_fixtures");
  return dir;
}

struct DispatchCase {
  const char* name;
  uint32_t type;
  const char* source;   // a file of fixtures()
  const char* convert;  // when set: made from p.png by ImageMagick with these arguments
};

const DispatchCase kCases[] = {
    {"bmp", ZV_TYPE_BMP, "dispatch_4bit.bmp", "-colors 16 bmp3:"},
    {"png", ZV_TYPE_PNG, "pa.png", nullptr},
};

class ThroughDispatch : public ::testing::TestWithParam<DispatchCase> {};

TEST_P(ThroughDispatch, LoadDetectsSaveWritesLoadInfoReadsTheHeader) {
  const DispatchCase& c = GetParam();
  const fs::path src = fixtures() / c.source;
  if (c.convert) {
    ASSERT_TRUE(gallivo::test::needTool("convert", "imagemagick"));
    ASSERT_EQ(gallivo::test::run("convert " + (fixtures() / "p.png").string() + " " + c.convert + src.string()), 0);
  }
  ImagePtr img = Image::make();
  ASSERT_TRUE(img->ops->Load(img.get(), u16(src).c_str(), ZV_TYPE_UNKNOWN)) << img->lastError();
  EXPECT_EQ(img->ops->GetType(img.get()), c.type);
  EXPECT_EQ(differingPixels(rgba(*img), pilRgba(src)), 0u);

  const fs::path out = gallivo::test::freshDir(std::string(c.name) + "_dispatch") / (std::string("saved.") + c.name);
  ASSERT_TRUE(img->ops->Save(img.get(), u16(out).c_str(), c.type)) << img->lastError();
  EXPECT_EQ(differingPixels(rgba(*img), pilRgba(out)), 0u);

  ImagePtr info = Image::make();
  ASSERT_TRUE(info->ops->LoadInfo(info.get(), u16(out).c_str(), ZV_TYPE_UNKNOWN)) << info->lastError();
  EXPECT_FALSE(info->ops->IsValid(info.get()));
  EXPECT_EQ(info->width(), img->width());
  EXPECT_EQ(info->height(), img->height());
  // The program reads the header-only size through the table.
  EXPECT_EQ(info->ops->GetWidth(info.get()), uint32_t(img->width()));
  EXPECT_EQ(info->ops->GetHeight(info.get()), uint32_t(img->height()));
  EXPECT_EQ(info->ops->GetType(info.get()), c.type);
}

INSTANTIATE_TEST_SUITE_P(Formats, ThroughDispatch, ::testing::ValuesIn(kCases),
                         [](const auto& i) { return std::string(i.param.name); });

}  // namespace
}  // namespace zelvo
