// The byte layout of the GIF files we write: screen, tables, loop, comment, control
// extensions, descriptors, tiles, LZW codes and packets, and the failure messages.
#include "gif_writer_support.h"

namespace zelvo {
namespace {

using namespace giftest;

ImagePtr canvasWithFrames(int n, int32_t w, int32_t h, int32_t delay) {
  ImagePtr canvas = noise(4, 3, 8, 99);
  canvas->info.loadAllFrames = true;
  for (int i = 0; i < n; ++i) {
    ImagePtr f = noise(w, h, 8, uint32_t(i + 1));
    f->info.frameDelay = delay;
    canvas->frames.push_back(std::move(f));
  }
  return canvas;
}

TEST(GifWriterLayout, ThreeFrameAnimation) {
  ImagePtr canvas = canvasWithFrames(3, 100, 80, 50);
  const Bytes b = encodeOk(*canvas);
  const auto blocks = walk(b);
  ASSERT_EQ(blocks.size(), 1 + 1 + 3 * 2 + 1u);
  const Block& s = blocks[0];
  EXPECT_EQ(le16(&s.fields[0]), 100);
  EXPECT_EQ(le16(&s.fields[2]), 80);
  EXPECT_EQ(s.label, 0xE7);
  EXPECT_EQ(s.fields[5], 0);  // background
  EXPECT_EQ(s.fields[6], 0);  // aspect
  EXPECT_EQ(s.table, rgbTable(*canvas->frames[0]));
  ASSERT_EQ(blocks[1].kind, '!');
  EXPECT_EQ(blocks[1].label, 0xFF);
  EXPECT_EQ(std::string(blocks[1].fields.begin(), blocks[1].fields.end()), "NETSCAPE2.0");
  EXPECT_EQ(blocks[1].data, (Bytes{'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 1, 0, 0}));
  for (int f = 0; f < 3; ++f) {
    const Block& gce = blocks[2 + 2 * f];
    const Block& img = blocks[3 + 2 * f];
    ASSERT_EQ(gce.kind, '!');
    EXPECT_EQ(gce.label, 0xF9);
    EXPECT_EQ(gce.data, (Bytes{0x00, 50, 0, 0xFF}));
    ASSERT_EQ(img.kind, ',');
    EXPECT_EQ(img.fields, (Bytes{0, 0, 0, 0, 100, 0, 80, 0, 0x00}));
    EXPECT_EQ(img.minCodeSize, 8);
  }
  EXPECT_EQ(blocks.back().kind, ';');
}

TEST(GifWriterLayout, ScreenPackedByteAndCodeSizeFollowDepth) {
  const struct {
    uint32_t depth;
    uint8_t packed;
    uint8_t minCode;
  } cases[] = {{8, 0xE7, 8}, {4, 0xE3, 4}, {1, 0x80, 2}};
  for (auto c : cases) {
    ImagePtr img = noise(9, 7, c.depth, 5);
    const auto blocks = walk(encodeOk(*img));
    ASSERT_EQ(blocks.size(), 4u) << c.depth;  // screen, control, image, trailer
    EXPECT_EQ(blocks[0].label, c.packed) << c.depth;
    EXPECT_EQ(blocks[0].table.size(), 3u << c.depth) << c.depth;
    EXPECT_EQ(blocks[2].minCodeSize, c.minCode) << c.depth;
    EXPECT_EQ(blocks[2].label, 0x00) << c.depth;
  }
}

TEST(GifWriterLayout, LoopExtensionRule) {
  const struct {
    int32_t loops;
    int value;  // -1: no extension
  } cases[] = {{0, 0}, {1, -1}, {2, 1}, {5, 4}, {-3, 0}, {70000, 65535}};
  for (auto c : cases) {
    ImagePtr canvas = canvasWithFrames(2, 5, 5, 10);
    canvas->info.loops = c.loops;
    const auto blocks = walk(encodeOk(*canvas));
    ASSERT_EQ(countKind(blocks, '!', 0xFF), c.value < 0 ? 0u : 1u) << c.loops;
    if (c.value >= 0) { EXPECT_EQ(le16(&blocks[1].data[12]), c.value) << c.loops; }
  }
}

TEST(GifWriterLayout, CommentFollowsTheFirstControlExtension) {
  ImagePtr canvas = canvasWithFrames(2, 5, 5, 10);
  std::memset(canvas->info.comment, 'c', 255);
  canvas->info.comment[255] = '\0';
  auto blocks = walk(encodeOk(*canvas));
  ASSERT_GE(blocks.size(), 5u);
  EXPECT_EQ(blocks[2].label, 0xF9);
  ASSERT_EQ(blocks[3].label, 0xFE);
  EXPECT_EQ(blocks[3].data, Bytes(255, 'c'));
  EXPECT_EQ(countKind(blocks, '!', 0xFE), 1u);

  std::strcpy(canvas->info.comment, "");
  blocks = walk(encodeOk(*canvas));
  EXPECT_EQ(countKind(blocks, '!', 0xFE), 0u);
}

TEST(GifWriterLayout, ControlExtensionAndDescriptorFields) {
  ImagePtr img = noise(6, 4, 8, 1);
  img->info.disposal = 2;
  img->info.transIndex = 7;
  img->info.frameDelay = 300;
  img->info.xOffset = 3;
  img->info.yOffset = 258;
  const auto blocks = walk(encodeOk(*img));
  ASSERT_EQ(blocks.size(), 4u);
  EXPECT_EQ(blocks[1].data, (Bytes{0x09, 0x2C, 0x01, 7}));
  EXPECT_EQ(blocks[2].fields, (Bytes{3, 0, 2, 1, 6, 0, 4, 0, 0x00}));
  // The animation takes the canvas' disposal for every frame and each frame's own delay.
  ImagePtr canvas = canvasWithFrames(2, 5, 5, 10);
  canvas->info.disposal = 1;
  canvas->frames[1]->info.frameDelay = 77;
  canvas->frames[1]->info.transIndex = 3;
  canvas->frames[1]->info.disposal = 3;
  const auto anim = walk(encodeOk(*canvas));
  EXPECT_EQ(anim[2].data, (Bytes{0x04, 10, 0, 0xFF}));
  EXPECT_EQ(anim[4].data, (Bytes{0x05, 77, 0, 3}));
}

TEST(GifWriterLayout, LzwCodesOfATinyPicture) {
  // Codes clear 4, 0, 6, 0 at three bits, then the end code 5 at four bits.
  ImagePtr lzw = indexed(2, 2, 1, [](int32_t, int32_t) { return uint8_t(0); });
  auto blocks = walk(encodeOk(*lzw));
  EXPECT_EQ(blocks[2].minCodeSize, 2);
  EXPECT_EQ(blocks[2].data, (Bytes{0x84, 0x51}));
  // One literal per pixel: clear, 0, 0, 0 at three bits, 0 and end at four.
  lzw->info.codecOptions[ZV_TYPE_GIF] = 1;
  blocks = walk(encodeOk(*lzw));
  EXPECT_EQ(blocks[2].data, (Bytes{0x04, 0x00, 0x05}));
}

TEST(GifWriterLayout, DataPacketsHold254Bytes) {
  ImagePtr img = noise(120, 100, 8, 17);
  for (uint32_t option : {0u, 1u, 2u}) {
    img->info.codecOptions[ZV_TYPE_GIF] = option;
    const auto blocks = walk(encodeOk(*img));
    const auto& packets = blocks[2].packets;
    ASSERT_GT(packets.size(), 10u);
    for (size_t i = 0; i + 1 < packets.size(); ++i) ASSERT_EQ(packets[i], 254u) << option;
    EXPECT_LE(packets.back(), 254u);
  }
}

TEST(GifWriterLayout, WhichPicturesAreWritten) {
  // One frame in the array: the canvas itself is written.
  ImagePtr one = canvasWithFrames(1, 50, 40, 10);
  auto blocks = walk(encodeOk(*one));
  EXPECT_EQ(le16(&blocks[0].fields[0]), 4);
  EXPECT_EQ(countKind(blocks, ','), 1u);
  EXPECT_EQ(countKind(blocks, '!', 0xFF), 0u);
  // A 24-bit canvas is written alone, tiled, whatever its frames.
  ImagePtr rgb = Image::make();
  ASSERT_TRUE(rgb->create(35, 16, 24, 0));
  std::mt19937 rng(1);
  for (int32_t y = 0; y < 16; ++y)
    for (int32_t x = 0; x < 35; ++x)
      rgb->setPixelColor(x, y, {uint8_t(rng()), uint8_t(rng()), uint8_t(rng()), 0}, false);
  for (int i = 0; i < 3; ++i) rgb->frames.push_back(noise(10, 10, 8, 3));
  blocks = walk(encodeOk(*rgb));
  EXPECT_EQ(blocks[0].label, 0x11);
  EXPECT_TRUE(blocks[0].table.empty());
  EXPECT_EQ(le16(&blocks[0].fields[0]), 35);
  const std::vector<std::array<int, 4>> tiles = {{0, 0, 17, 15},  {17, 0, 17, 15}, {34, 0, 1, 15},
                                                 {0, 15, 17, 1},  {17, 15, 17, 1}, {34, 15, 1, 1}};
  std::vector<std::array<int, 4>> got;
  for (const Block& b : blocks) {
    if (b.kind != ',') continue;
    got.push_back({le16(&b.fields[0]), le16(&b.fields[2]), le16(&b.fields[4]), le16(&b.fields[6])});
    EXPECT_EQ(b.label, 0x87);
    EXPECT_EQ(b.minCodeSize, 8);
  }
  EXPECT_EQ(got, tiles);
}

TEST(GifWriterLayout, TileTablesListEveryPixelAndReserveTheTransparentEntry) {
  ImagePtr rgb = Image::make();
  ASSERT_TRUE(rgb->create(2, 2, 24, 0));
  // Stored rows are bottom-up: the tile lists the top row first.
  rgb->setPixelColor(0, 1, {1, 2, 3, 0}, false);
  rgb->setPixelColor(1, 1, {4, 5, 6, 0}, false);
  rgb->setPixelColor(0, 0, {9, 9, 9, 0}, false);
  rgb->setPixelColor(1, 0, {7, 8, 10, 0}, false);
  auto blocks = walk(encodeOk(*rgb));
  ASSERT_EQ(countKind(blocks, ','), 1u);
  Bytes head(blocks[2].table.begin(), blocks[2].table.begin() + 12);
  EXPECT_EQ(head, (Bytes{3, 2, 1, 6, 5, 4, 9, 9, 9, 10, 8, 7}));
  EXPECT_EQ(blocks[1].data[0] & 1, 0);

  rgb->info.transIndex = 0;
  rgb->info.transColor = {9, 9, 9, 0};
  blocks = walk(encodeOk(*rgb));
  head.assign(blocks[2].table.begin(), blocks[2].table.begin() + 12);
  EXPECT_EQ(head, (Bytes{9, 9, 9, 3, 2, 1, 6, 5, 4, 10, 8, 7}));
  EXPECT_EQ(blocks[1].data[0] & 1, 1);
  EXPECT_EQ(blocks[1].data[3], 0);
}

TEST(GifWriterLayout, FrameColourTables) {
  ImagePtr canvas = canvasWithFrames(3, 6, 6, 10);
  // Option bit 0 gives every frame its own table.
  for (uint32_t option : {1u, 3u}) {
    canvas->info.codecOptions[ZV_TYPE_GIF] = option;
    const auto blocks = walk(encodeOk(*canvas));
    for (const Block& b : blocks)
      if (b.kind == ',') { EXPECT_EQ(b.label, 0x87) << option; }
  }
  // Without it, only a frame whose colours differ from frame 0 carries its own.
  canvas->info.codecOptions[ZV_TYPE_GIF] = 0;
  canvas->frames[2]->palette()[5] = {1, 2, 3, 0};
  canvas->frames[2]->info.cacheValid = false;
  const auto blocks = walk(encodeOk(*canvas));
  std::vector<uint8_t> packed;
  for (const Block& b : blocks)
    if (b.kind == ',') packed.push_back(b.label);
  EXPECT_EQ(packed, (std::vector<uint8_t>{0x00, 0x00, 0x87}));
  EXPECT_EQ(blocks.back().kind, ';');
}

TEST(GifWriterLayout, FailuresLeaveTheirMessageAndWriteNothing) {
  const std::string trueColour =
      "ZvImageGIF::Encode cannot create animated GIFs with a true color frame. Use DecreaseBpp before";
  struct Case {
    const char* what;
    std::function<void(std::vector<ImagePtr>&, std::vector<Image*>&)> build;
    std::string message;
  };
  const Case cases[] = {
      {"no images", [](auto&, auto&) {}, "multipage GIF, no images!"},
      {"first entry null", [](auto&, auto& list) { list.push_back(nullptr); }, "multipage GIF, no images!"},
      {"later entry null",
       [](auto& own, auto& list) {
         own.push_back(noise(4, 4, 8, 1));
         list = {own[0].get(), nullptr};
       },
       "Bad image pointer"},
      {"empty frame",
       [](auto& own, auto& list) {
         own.push_back(noise(4, 4, 8, 1));
         own.push_back(Image::make());
         list = {own[0].get(), own[1].get()};
       },
       "Empty image"},
      {"true-colour frame",
       [](auto& own, auto& list) {
         own.push_back(noise(4, 4, 8, 1));
         own.push_back(Image::make());
         own[1]->create(4, 4, 24, 0);
         list = {own[0].get(), own[1].get()};
       },
       trueColour},
  };
  for (const Case& c : cases) {
    std::vector<ImagePtr> own;
    std::vector<Image*> list;
    c.build(own, list);
    ImagePtr enc = Image::make();
    StreamPtr s = makeMemoryWriter();
    EXPECT_FALSE(encodeFramesGIF(list, StreamRef(s.get()), *enc)) << c.what;
    EXPECT_EQ(enc->lastError(), c.message) << c.what;
    EXPECT_EQ(s->ops->Size(s.get()), 0) << c.what;
  }
  std::vector<Image*> none;
  ImagePtr enc = Image::make();
  EXPECT_FALSE(encodeFramesGIF(none, StreamRef(nullptr), *enc));
  EXPECT_STREQ(enc->lastError(), "invalid file pointer");

  // The frame-array path of Save: an unfilled frame fails the whole file.
  ImagePtr canvas = canvasWithFrames(3, 5, 5, 10);
  canvas->frames[1] = Image::make();
  Bytes b;
  EXPECT_FALSE(encodeToBytes(*canvas, &b));
  EXPECT_STREQ(canvas->lastError(), "Empty image");
  EXPECT_TRUE(b.empty());

  ImagePtr empty = Image::make();
  EXPECT_FALSE(encodeToBytes(*empty, &b));
  EXPECT_STREQ(empty->lastError(), "null image!!!");
  EXPECT_FALSE(encodeGIF(*canvas, StreamRef(nullptr), ZV_TYPE_GIF));
  EXPECT_STREQ(canvas->lastError(), "null file handler");
}

TEST(GifWriterLayout, StreamWriteFailureIsReported) {
  // A memory stream over a fixed buffer refuses every write.
  uint8_t fixed[16] = {};
  ImagePtr img = noise(30, 30, 8, 2);
  StreamPtr s = makeMemoryReader(fixed, sizeof fixed);
  EXPECT_FALSE(encodeGIF(*img, StreamRef(s.get()), ZV_TYPE_GIF));
  EXPECT_STREQ(img->lastError(), "Write Error in GIF file");
}

TEST(GifWriterLayout, PicturesBeyondTheSixteenBitFieldsAreRefused) {
  ImagePtr wide = Image::make();
  ASSERT_TRUE(wide->create(70000, 1, 8, 0));
  Bytes b;
  EXPECT_FALSE(encodeToBytes(*wide, &b));
  EXPECT_TRUE(b.empty());
  EXPECT_NE(std::string(wide->lastError()).find("65535"), std::string::npos);
}

TEST(GifWriterLayout, ReachedThroughTheOperationTable) {
  ImagePtr canvas = canvasWithFrames(2, 8, 8, 10);
  StreamPtr s = makeMemoryWriter();
  ASSERT_TRUE(canvas->ops->Encode(canvas.get(), s.get(), ZV_TYPE_GIF)) << canvas->lastError();
  EXPECT_EQ(countKind(walk(streamBytes(s.get())), ','), 2u);

  ZvImage* list[] = {canvas->frames[0].get(), canvas->frames[1].get(), canvas->frames[0].get()};
  s = makeMemoryWriter();
  ASSERT_TRUE(canvas->ops->EncodeFrames(canvas.get(), s.get(), list, 3, ZV_TYPE_GIF))
      << canvas->lastError();
  EXPECT_EQ(countKind(walk(streamBytes(s.get())), ','), 3u);

  canvas->ops->SetLoops(canvas.get(), 4);
  EXPECT_EQ(canvas->ops->GetLoops(canvas.get()), 4);
  canvas->ops->SetDisposalMethod(canvas.get(), 2);
  EXPECT_EQ(canvas->ops->GetDisposalMethod(canvas.get()), 2);
  const std::string longText(300, 'x');
  canvas->ops->SetComment(canvas.get(), longText.c_str());
  EXPECT_EQ(std::string(canvas->ops->GetComment(canvas.get())), std::string(255, 'x'));
  canvas->ops->SetComment(canvas.get(), nullptr);
  EXPECT_STREQ(canvas->ops->GetComment(canvas.get()), "");
}

}  // namespace
}  // namespace zelvo
