// Format dispatch: Load/Save/Decode/Encode and their variants, messages, detection,
// the extension lookup, and what a failure leaves behind.
#include <algorithm>
#include <cstring>

#include "dispatch_support.h"
#include "formats/Codec.h"

namespace zelvo {
namespace {

using namespace zelvo::test;
using gallivo::test::freshDir;

TEST(Dispatch, ExtensionLookupUsesThreeCharactersIgnoringCase) {
  struct Case {
    const char16_t* ext;
    uint32_t type;
  };
  const Case cases[] = {
      {u"bmp", 1},  {u"JPEG", 3}, {u"jfif", 3}, {u"Jpg", 3},  {u"gif", 2},  {u"png", 4},
      {u"cur", 5},  {u"tiff", 6}, {u"tga", 7},  {u"pcx", 8},  {u"wbmp", 9}, {u"emf", 10},
      {u"j2k", 11}, {u"j2c", 12}, {u"pgx", 13}, {u"ppm", 14}, {u"ras", 15}, {u"jng", 17},
      {u"ska", 18}, {u"CR2", 19}, {u"3fr", 19}, {u"orf", 19}, {u"pdd", 20}, {u"ljy", 21},
      {u".png", 4}, {u"jp", 0},   {u"", 0},     {u"xyz", 0},  {u"jbg", 0},
  };
  ImagePtr img = Image::make();
  for (const Case& c : cases)
    EXPECT_EQ(img->ops->GetTypeIdFromName(img.get(), c.ext), c.type)
        << zlv::toUtf8(c.ext);
  EXPECT_EQ(img->ops->GetTypeIdFromName(img.get(), nullptr), 0u);
  EXPECT_EQ(img->ops->GetNumTypes(img.get()), 22u);
}

TEST(Dispatch, NullStreamsEmptyImagesAndUnknownTypesGiveTheirMessages) {
  ImagePtr img = Image::make();
  EXPECT_FALSE(img->ops->Decode(img.get(), nullptr, 0));
  EXPECT_STREQ(img->lastError(), "null file handler");
  EXPECT_FALSE(img->ops->DecodeFile(img.get(), nullptr, 3));
  EXPECT_STREQ(img->lastError(), "null file handler");

  StreamPtr counter(createStreamByName(u"dummy"));
  EXPECT_FALSE(img->ops->Encode(img.get(), counter.get(), ZV_TYPE_JPG));
  EXPECT_STREQ(img->lastError(), "null image!!!");

  ImagePtr pic = gradient(8, 8);
  EXPECT_FALSE(pic->ops->Encode(pic.get(), nullptr, ZV_TYPE_JPG));
  EXPECT_STREQ(pic->lastError(), "null file handler");

  struct Case {
    uint32_t type;
    const char* message;
  };
  const Case encodeCases[] = {
      {ZV_TYPE_WMF, "Save WMF not supported"}, {ZV_TYPE_RAW, "Save RAW not supported"},
      {ZV_TYPE_JBG, "Encode: Unknown format"}, {ZV_TYPE_LJY, "Encode: Unknown format"},
      {ZV_TYPE_UNKNOWN, "Encode: Unknown format"}, {99, "Encode: Unknown format"},
  };
  for (const Case& c : encodeCases) {
    EXPECT_FALSE(zelvo::encode(*pic, counter.get(), c.type)) << c.type;
    EXPECT_STREQ(pic->lastError(), c.message) << c.type;
  }
  EXPECT_FALSE(zelvo::encode(*pic, counter.get(), ZV_TYPE_PSD));  // read only

  const Bytes jpeg = encodeToBytes(*pic, ZV_TYPE_JPG);
  for (uint32_t type : {uint32_t(ZV_TYPE_JBG), uint32_t(ZV_TYPE_LJY), 22u, 0xFFFFFFFFu}) {
    EXPECT_FALSE(zelvo::decodeMemory(*img, jpeg.data(), uint32_t(jpeg.size()), type)) << type;
    EXPECT_STREQ(img->lastError(), "Decode: Unknown or wrong format") << type;
  }
}

TEST(Dispatch, SaveRefusalKeepsAnExistingFile) {
  auto dir = freshDir("save-refused");
  const auto file = dir / "keep.raw";
  writeFile(file, Bytes{'o', 'l', 'd'});
  ImagePtr pic = gradient(8, 8);
  EXPECT_FALSE(zelvo::save(*pic, u16(file).c_str(), ZV_TYPE_RAW));
  EXPECT_STREQ(pic->lastError(), "Save RAW not supported");
  EXPECT_EQ(readFile(file), (Bytes{'o', 'l', 'd'}));
  // An image without pixels neither.
  ImagePtr empty = Image::make();
  EXPECT_FALSE(zelvo::save(*empty, u16(file).c_str(), ZV_TYPE_JPG));
  EXPECT_EQ(readFile(file), (Bytes{'o', 'l', 'd'}));
  // No stray temporary files are left in the folder.
  size_t entries = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir)) (void)e, ++entries;
  EXPECT_EQ(entries, 1u);
  // A folder that does not exist: false, nothing created.
  EXPECT_FALSE(zelvo::save(*pic, u16(dir / "no" / "x.jpg").c_str(), ZV_TYPE_JPG));
}

TEST(Dispatch, SaveReplacesAFileAndKeepsItsMode) {
  auto dir = freshDir("save-replace");
  const auto file = dir / "p.jpg";
  writeFile(file, Bytes(100, 'x'));
  std::filesystem::permissions(file, std::filesystem::perms(0640));
  ImagePtr pic = gradient(16, 16);
  ASSERT_TRUE(zelvo::save(*pic, u16(file).c_str(), ZV_TYPE_JPG));
  const Bytes saved = readFile(file);
  ASSERT_GT(saved.size(), 2u);
  EXPECT_EQ(saved[0], 0xFF);
  EXPECT_EQ(saved[1], 0xD8);
  EXPECT_EQ(std::filesystem::status(file).permissions(), std::filesystem::perms(0640));
}

TEST(Dispatch, LoadFailuresLeaveThePictureAndOpenFailuresTheMessage) {
  auto dir = freshDir("load-fail");
  ImagePtr pic = gradient(8, 6);
  pic->setLastError("earlier");
  EXPECT_FALSE(zelvo::load(*pic, u16(dir / "missing.jpg").c_str(), ZV_TYPE_JPG));
  EXPECT_STREQ(pic->lastError(), "earlier");
  EXPECT_FALSE(zelvo::load(*pic, nullptr, 0));
  EXPECT_FALSE(zelvo::load(*pic, u"", 0));

  writeFile(dir / "junk.bin", Bytes(300, 0x5A));
  EXPECT_FALSE(zelvo::load(*pic, u16(dir / "junk.bin").c_str(), 0));
  EXPECT_STREQ(pic->lastError(), "Decode: Unknown or wrong format");
  EXPECT_TRUE(pic->valid());
  EXPECT_EQ(pic->width(), 8);
  EXPECT_EQ(pic->height(), 6);

  // With a type given, the failed first attempt's message is what the caller sees.
  EXPECT_FALSE(zelvo::load(*pic, u16(dir / "junk.bin").c_str(), ZV_TYPE_JPG));
  EXPECT_STRNE(pic->lastError(), "Decode: Unknown or wrong format");
  EXPECT_STRNE(pic->lastError(), "");
  // A folder opens but reads nothing.
  EXPECT_FALSE(zelvo::load(*pic, u16(dir).c_str(), 0));
  EXPECT_TRUE(pic->valid());
}

TEST(Dispatch, WrongTypeFallsBackToDetectionKeepingTheFirstMessage) {
  const Codec* png = codecFor(ZV_TYPE_PNG);
  if (!png || !png->encode || !png->decode) GTEST_SKIP() << "PNG codec not built";
  auto dir = freshDir("load-retry");
  ImagePtr pic = gradient(10, 7);
  const auto file = dir / "actually-png.jpg";
  ASSERT_TRUE(zelvo::save(*pic, u16(file).c_str(), ZV_TYPE_PNG)) << pic->lastError();

  ImagePtr img = Image::make();
  ASSERT_TRUE(zelvo::load(*img, u16(file).c_str(), ZV_TYPE_JPG));
  EXPECT_EQ(img->info.type, uint32_t(ZV_TYPE_PNG));
  EXPECT_EQ(img->width(), 10);
  ImagePtr jpegOnly = Image::make();
  Bytes bytes = readFile(file);
  EXPECT_FALSE(zelvo::decodeMemory(*jpegOnly, bytes.data(), uint32_t(bytes.size()), ZV_TYPE_JPG));
  EXPECT_STREQ(img->lastError(), jpegOnly->lastError());
  EXPECT_STRNE(img->lastError(), "");
}

TEST(Dispatch, DetectionSeeksBackForEachDecoder) {
  // The picture starts in the middle of the stream: every attempt must restart there.
  ImagePtr pic = gradient(12, 9);
  const Bytes jpeg = encodeToBytes(*pic, ZV_TYPE_JPG);
  Bytes padded(5 + jpeg.size(), 0xEE);
  std::copy(jpeg.begin(), jpeg.end(), padded.begin() + 5);
  StreamPtr s = makeMemoryReader(padded.data(), padded.size());
  s->ops->Seek(s.get(), 5, SEEK_SET);
  ImagePtr img = Image::make();
  ASSERT_TRUE(zelvo::decode(*img, s.get(), 0)) << img->lastError();
  EXPECT_EQ(img->info.type, uint32_t(ZV_TYPE_JPG));
  EXPECT_EQ(img->width(), 12);
}

TEST(Dispatch, DecodeCarriesTheCallersSettingsAndReplacesFrames) {
  ImagePtr pic = gradient(40, 40);
  const Bytes jpeg = encodeToBytes(*pic, ZV_TYPE_JPG);
  ImagePtr img = Image::make();
  ASSERT_TRUE(img->createFrames(3, 10));
  img->info.jpegQuality = 33;
  ASSERT_TRUE(img->setDecodeSizeHint(20, 20));
  ASSERT_TRUE(zelvo::decodeMemory(*img, jpeg.data(), uint32_t(jpeg.size()), ZV_TYPE_JPG));
  EXPECT_EQ(img->width(), 20);  // the hint reached the decoder
  EXPECT_EQ(img->info.jpegQuality, 33.0f);
  EXPECT_TRUE(img->frames.empty());  // frames of the old picture are gone
  EXPECT_EQ(img->info.type, uint32_t(ZV_TYPE_JPG));
}

TEST(Dispatch, EncodeMemoryHandsOverABufferFreedBySlot9) {
  ImagePtr pic = gradient(16, 16);
  uint8_t dummy = 0;
  uint8_t* buffer = &dummy;
  int32_t size = 0;
  EXPECT_FALSE(pic->ops->EncodeMemory(pic.get(), &buffer, &size, ZV_TYPE_JPG));
  EXPECT_STREQ(pic->lastError(), "the buffer must be empty");
  buffer = nullptr;
  ASSERT_TRUE(pic->ops->EncodeMemory(pic.get(), &buffer, &size, ZV_TYPE_JPG));
  ASSERT_NE(buffer, nullptr);
  ImagePtr back = Image::make();
  EXPECT_TRUE(zelvo::decodeMemory(*back, buffer, uint32_t(size), 0));
  EXPECT_EQ(back->width(), 16);
  pic->ops->Free(pic.get(), buffer);
  uint8_t* none = nullptr;
  EXPECT_FALSE(pic->ops->EncodeMemory(pic.get(), &none, &size, ZV_TYPE_RAW));
  EXPECT_EQ(none, nullptr);
}

TEST(Dispatch, CheckFormatAnswersWithoutTouchingThePicture) {
  ImagePtr pic = gradient(16, 16);
  const Bytes jpeg = encodeToBytes(*pic, ZV_TYPE_JPG);
  ImagePtr img = gradient(5, 5);
  EXPECT_FALSE(img->ops->CheckFormatMemory(img.get(), nullptr, 10, ZV_TYPE_JPG));
  EXPECT_STREQ(img->lastError(), "invalid or empty buffer");
  EXPECT_FALSE(img->ops->CheckFormatMemory(img.get(), jpeg.data(), 0, ZV_TYPE_JPG));
  EXPECT_TRUE(img->ops->CheckFormatMemory(img.get(), jpeg.data(), uint32_t(jpeg.size()), ZV_TYPE_JPG));
  EXPECT_FALSE(img->ops->CheckFormatMemory(img.get(), jpeg.data(), uint32_t(jpeg.size()), ZV_TYPE_PNG));
  EXPECT_FALSE(img->ops->CheckFormat(img.get(), nullptr, ZV_TYPE_JPG));
  EXPECT_TRUE(img->valid());
  EXPECT_EQ(img->width(), 5);
  EXPECT_EQ(img->info.escape, 0);
}

TEST(Dispatch, ResourcesMultiPageAndProgressSlots) {
  ImagePtr img = Image::make();
  EXPECT_FALSE(img->ops->LoadResource(img.get(), nullptr, 0, 0, nullptr));
  EXPECT_STREQ(img->lastError(), "Unable to load resource!");
  ImagePtr pic = gradient(16, 16);
  const Bytes jpeg = encodeToBytes(*pic, ZV_TYPE_JPG);
  EXPECT_TRUE(img->ops->LoadResource(img.get(), jpeg.data(), uint32_t(jpeg.size()), 0, nullptr));
  EXPECT_EQ(img->width(), 16);

  StreamPtr counter(createStreamByName(u"dummy"));
  ZvImage* list[2] = {pic.get(), pic.get()};
  EXPECT_FALSE(img->ops->EncodeFrames(img.get(), counter.get(), list, 2, ZV_TYPE_JPG));
  EXPECT_STREQ(img->lastError(), "Multipage Encode, Unsupported operation for this format");
  EXPECT_FALSE(img->ops->EncodeFrames(img.get(), nullptr, list, 2, ZV_TYPE_GIF));
  EXPECT_STREQ(img->lastError(), "null file handler");
  EXPECT_FALSE(img->ops->EncodeFrames(img.get(), counter.get(), nullptr, 2, ZV_TYPE_GIF));

  int user = 0;
  auto cb = [](void*, int32_t) -> int32_t { return 1; };
  img->ops->SetProgressCallback(img.get(), cb, &user);
  EXPECT_EQ(img->progressCallback, cb);
  EXPECT_EQ(img->progressUser, &user);
}

TEST(Dispatch, LoadInfoReadsTheHeaderOnly) {
  auto dir = freshDir("load-info");
  ImagePtr pic = gradient(33, 21);
  ASSERT_TRUE(zelvo::save(*pic, u16(dir / "a.jpg").c_str(), ZV_TYPE_JPG));
  ImagePtr img = Image::make();
  ASSERT_TRUE(img->ops->LoadInfo(img.get(), u16(dir / "a.jpg").c_str(), 0));
  EXPECT_FALSE(img->valid());
  EXPECT_EQ(img->width(), 33);
  EXPECT_EQ(img->height(), 21);
  EXPECT_EQ(img->info.type, uint32_t(ZV_TYPE_JPG));
  EXPECT_EQ(img->info.escape, -1);
}

}  // namespace
}  // namespace zelvo
