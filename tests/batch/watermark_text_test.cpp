// The text watermark on engine pictures: placement of the turned box, colour and alpha, the
// default font on a fresh machine, and hostile settings.
#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QPainter>
#include <QRawFont>
#include <set>

#include "FontCache.h"
#include "FontFaceMap.h"
#include "GlyphOutlineText.h"
#include "SetMgr.h"
#include "TextMarkStep.h"
#include "watermark_fixture.h"

using namespace wmtest;

namespace {

class TextMark : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(EngineBound());
    CSetMgr::Instance().ResetToDefaults();
  }
  void TearDown() override { CSetMgr::Instance().ResetToDefaults(); }
};

TEST_F(TextMark, DefaultSettingsEndTheBox15PixelsFromTheCornerAtAlpha204) {
  // Through the step with the settings as a fresh program has them.
  ImageOwner pic = MakePicture(400, 300, Qt::black);
  ImageSlot slot;
  slot.image = pic.get();
  TextMarkStep step;
  ASSERT_TRUE(step.Process(PictureItem{}, slot));
  EXPECT_EQ(slot.failure, FailureKind::None);
  EXPECT_EQ(pic->ops->GetDepth(pic.get()), 24);

  const Changed c = ChangedPixels(Pixels(pic.get()), qRgb(0, 0, 0));
  ASSERT_GT(c.count, 0);
  // The box ends at 400 - 15 and 300 - 15; its last column and row hold the glyphs' far edges.
  EXPECT_GE(c.box.right(), 400 - 15 - 2);
  EXPECT_LE(c.box.right(), 400 - 15 - 1);
  EXPECT_GE(c.box.bottom(), 300 - 15 - 2);
  EXPECT_LE(c.box.bottom(), 300 - 15 - 1);
  // Ten glyphs of 22 pixels: a box about 220 wide and a glyph high.
  EXPECT_GT(c.box.width(), 180);
  EXPECT_LT(c.box.height(), 30);
  // A pixel under a glyph stem is white at 80 % over black: 204.
  EXPECT_NEAR(c.maxRed, 204, 1);
}

TEST_F(TextMark, DefaultTextInTheDefaultFaceDrawsDistinctChineseGlyphs) {
  const QString text = QStringLiteral("请在此处输入水印文字");
  MarkFontKey key{QStringLiteral("黑体"), 22, false, false, false};
  const auto font = FontCache::Instance().Get(key);
  ASSERT_FALSE(font->family.isEmpty());
  EXPECT_TRUE(QFontDatabase::hasFamily(font->family)) << font->family.toStdString();
  const QRawFont raw = QRawFont::fromFont(font->MakeFont());
  for (QChar ch : text) EXPECT_TRUE(raw.supportsCharacter(ch)) << font->family.toStdString();

  // Each character alone: real glyphs differ from each other, empty boxes would not.
  std::set<QByteArray> renders;
  for (QChar ch : text) {
    TextMarkSettings s;
    s.text = ch;
    s.transparent = 0;
    s.layout.position = 2;
    s.layout.top = s.layout.left = 2;
    QImage img(40, 40, QImage::Format_RGB32);
    img.fill(Qt::black);
    QPainter p(&img);
    EXPECT_EQ(StampTextMark(p, QTransform(), 40, 40, s), 1);
    p.end();
    const Changed c = ChangedPixels(img, qRgb(0, 0, 0));
    EXPECT_GT(c.count, 40) << "glyph of U+" << std::hex << int(ch.unicode());
    renders.insert(Hash(img));
  }
  EXPECT_EQ(renders.size(), size_t(text.size()));

  // The whole default mark covers a good part of its box.
  MarkBox box;
  TextMarkPath(TextMarkSettings{}, &box);
  ImageOwner pic = MakePicture(300, 100, Qt::black);
  ASSERT_TRUE(StampTextMarkOnImage(pic.get(), TextMarkSettings{}));
  const Changed c = ChangedPixels(Pixels(pic.get()), qRgb(0, 0, 0));
  EXPECT_GT(c.count, box.width * box.height / 5);
}

struct LookCase {
  const char* what;
  int transparent;
  int color;  // 0x00BBGGRR
  QRgb strongest;
  bool changes;
};

TEST_F(TextMark, TransparencyAndColourReachThePixels) {
  const LookCase cases[] = {
      {"transparency 100 draws nothing", 100, 0xFFFFFF, 0, false},
      {"transparency 0 is opaque", 0, 0xFFFFFF, qRgb(255, 255, 255), true},
      {"colour bytes are blue, green, red from the top", 0, 0x00336699, qRgb(0x99, 0x66, 0x33), true},
      {"half", 50, 0x0000FF, qRgb(127, 0, 0), true},  // alpha (100 - 50) * 255 / 100 = 127
  };
  for (const LookCase& c : cases) {
    TextMarkSettings s;
    s.transparent = c.transparent;
    s.color = c.color;
    ImageOwner pic = MakePicture(300, 100, Qt::black);
    const QByteArray before = Hash(Pixels(pic.get()));
    ASSERT_TRUE(StampTextMarkOnImage(pic.get(), s)) << c.what;
    const QImage after = Pixels(pic.get());
    if (!c.changes) {
      EXPECT_EQ(Hash(after), before) << c.what;
      continue;
    }
    // The brightest pixel is one fully under a glyph.
    QRgb best = 0;
    for (int y = 0; y < after.height(); ++y)
      for (int x = 0; x < after.width(); ++x) {
        const QRgb p = after.pixel(x, y);
        if (qRed(p) + qGreen(p) + qBlue(p) > qRed(best) + qGreen(best) + qBlue(best)) best = p;
      }
    EXPECT_NEAR(qRed(best), qRed(c.strongest), 1) << c.what;
    EXPECT_NEAR(qGreen(best), qGreen(c.strongest), 1) << c.what;
    EXPECT_NEAR(qBlue(best), qBlue(c.strongest), 1) << c.what;
  }
  EXPECT_EQ(MarkColor(0xFFFFFF, 20).alpha(), 204);
  EXPECT_EQ(MarkColor(0xFFFFFF, 100).alpha(), 0);
  EXPECT_EQ(MarkColor(0xFFFFFF, 0).alpha(), 255);
}

TEST_F(TextMark, TurnedBoxesAndEdgeCentredMargins) {
  TextMarkSettings flat;
  MarkBox flatBox;
  TextMarkPath(flat, &flatBox);
  ASSERT_FALSE(flatBox.IsEmpty());

  // 90 degrees: the box is as wide as the flat text was high, and the margins hold for it.
  TextMarkSettings turned;
  turned.rotate = 90;
  turned.transparent = 0;
  MarkBox turnedBox;
  TextMarkPath(turned, &turnedBox);
  EXPECT_EQ(turnedBox.width, flatBox.height);
  EXPECT_EQ(turnedBox.height, flatBox.width);
  ImageOwner pic = MakePicture(300, 400, Qt::black);
  ASSERT_TRUE(StampTextMarkOnImage(pic.get(), turned));
  Changed c = ChangedPixels(Pixels(pic.get()), qRgb(0, 0, 0));
  EXPECT_NEAR(c.box.width(), turnedBox.width, 2);
  EXPECT_NEAR(c.box.height(), turnedBox.height, 2);
  EXPECT_NEAR(c.box.right(), 300 - 15 - 1, 1);
  EXPECT_NEAR(c.box.bottom(), 400 - 15 - 1, 1);

  // Counter-clockwise: the start of the text goes to the bottom. Sparse strokes first, dense
  // glyphs last: turned, the dense half is on top.
  TextMarkSettings ccw = turned;
  ccw.text = QStringLiteral("一一一國國國");
  ccw.layout.position = 8;
  ImageOwner a = MakePicture(100, 300, Qt::black);
  ASSERT_TRUE(StampTextMarkOnImage(a.get(), ccw));
  const QImage turnedPixels = Pixels(a.get());
  const Changed whole = ChangedPixels(turnedPixels, qRgb(0, 0, 0));
  const int middle = whole.box.center().y();
  const Changed top = ChangedPixels(turnedPixels.copy(0, 0, 100, middle), qRgb(0, 0, 0));
  const Changed under = ChangedPixels(turnedPixels.copy(0, middle, 100, 300 - middle), qRgb(0, 0, 0));
  EXPECT_GT(top.count, 2 * under.count);

  // Position 4 with 10 % on a 400-pixel-high picture: the box's bottom 40 pixels above the edge.
  TextMarkSettings bottom;
  bottom.transparent = 0;
  bottom.layout.position = 4;
  bottom.layout.top = 10;
  bottom.layout.topUnit = 0;
  ImageOwner p4 = MakePicture(300, 400, Qt::black);
  ASSERT_TRUE(StampTextMarkOnImage(p4.get(), bottom));
  c = ChangedPixels(Pixels(p4.get()), qRgb(0, 0, 0));
  EXPECT_NEAR(c.box.bottom(), 400 - 40 - 1, 1);
  EXPECT_NEAR(c.box.left() + c.box.right(), 300, 3);  // centred across
}

TEST_F(TextMark, TilesRepeatTheSameMark) {
  TextMarkSettings s;
  s.text = QStringLiteral("水印");
  s.transparent = 0;
  s.layout.posStyle = 1;
  s.layout.space = 10;
  MarkBox box;
  TextMarkPath(s, &box);
  QImage img(200, 120, QImage::Format_RGB32);
  img.fill(Qt::black);
  QPainter p(&img);
  const int64_t drawn = StampTextMark(p, QTransform(), 200, 120, s);
  p.end();
  const int64_t cols = (200 + box.width + 10 - 1) / (box.width + 10);
  const int64_t rows = (120 + box.height + 10 - 1) / (box.height + 10);
  EXPECT_EQ(drawn, cols * rows);
  // The second tile of the first row is the first one moved by box width + gap.
  const int64_t dx = box.width + 10;
  for (int y = 0; y < box.height; ++y)
    for (int x = 0; x < box.width && x + dx < 200; ++x)
      ASSERT_EQ(img.pixel(x, y), img.pixel(int(x + dx), y)) << x << "," << y;
}

TEST_F(TextMark, LinesStackAndUnknownFacesFallBackToGlyphOutlines) {
  TextMarkSettings one;
  one.text = QStringLiteral("水印");
  MarkBox oneBox;
  TextMarkPath(one, &oneBox);
  for (const char16_t* breaks : {u"\n", u"\r\n", u"\r"}) {
    TextMarkSettings two = one;
    two.text = QStringLiteral("水印") + QString::fromUtf16(breaks) + QStringLiteral("水印");
    MarkBox twoBox;
    TextMarkPath(two, &twoBox);
    EXPECT_EQ(twoBox.width, oneBox.width);
    EXPECT_GT(twoBox.height, 2 * oneBox.height - 4);
    EXPECT_LT(twoBox.height, 3 * oneBox.height);
  }

  // A face nobody has: the substitute's outlines, still Chinese.
  TextMarkSettings odd = one;
  odd.face = QStringLiteral("华文彩云 不存在的字体");
  const auto font = FontCache::Instance().Get({odd.face, odd.size, false, false, false});
  EXPECT_FALSE(font->faceKnown);
  EXPECT_EQ(font->family, SubstituteFamily());
  MarkBox oddBox;
  TextMarkPath(odd, &oddBox);
  EXPECT_NEAR(oddBox.width, oneBox.width, 3);
  EXPECT_NEAR(oddBox.height, oneBox.height, 3);

  // Windows names map to installed families; the same face in any case.
  for (const char16_t* face : {u"黑体", u"SimHei", u"simhei", u"宋体", u"微软雅黑", u"楷体", u"Arial"}) {
    const QString family = InstalledFamilyFor(QString::fromUtf16(face));
    EXPECT_FALSE(family.isEmpty()) << QString::fromUtf16(face).toStdString();
    EXPECT_TRUE(QFontDatabase::hasFamily(family)) << family.toStdString();
  }
  EXPECT_TRUE(InstalledFamilyFor(QStringLiteral("不存在的字体")).isEmpty());
}

TEST_F(TextMark, BoldItalicAndUnderlineShowForMappedAndUnknownFaces) {
  // The mapped default face is laid out by Qt; an unknown face goes through the glyph outlines.
  for (const char16_t* face : {u"黑体", u"不存在的字体"}) {
    auto render = [&](bool bold, bool italic, bool underline) {
      TextMarkSettings s;
      s.face = QString::fromUtf16(face);
      s.text = QStringLiteral("水印文字");
      s.size = 30;
      s.bold = bold;
      s.italic = italic;
      s.underline = underline;
      s.transparent = 0;
      s.layout.position = 2;
      s.layout.top = s.layout.left = 5;
      QImage img(200, 60, QImage::Format_RGB32);
      img.fill(Qt::black);
      QPainter p(&img);
      StampTextMark(p, QTransform(), 200, 60, s);
      return img;
    };
    const std::string name = QString::fromUtf16(face).toStdString();
    const QImage regular = render(false, false, false);
    const Changed r = ChangedPixels(regular, qRgb(0, 0, 0));
    const Changed bold = ChangedPixels(render(true, false, false), qRgb(0, 0, 0));
    const QImage italic = render(false, true, false);
    const Changed under = ChangedPixels(render(false, false, true), qRgb(0, 0, 0));
    EXPECT_GT(bold.count, r.count * 21 / 20) << name;
    EXPECT_NE(Hash(italic), Hash(regular)) << name;
    EXPECT_GT(under.count, r.count) << name;
    EXPECT_GT(under.box.height(), r.box.height()) << name;
  }
}

TEST_F(TextMark, GlyphOutlinesStopAtTheFirstCharacterTheFontLacks) {
  const QFont font = FontCache::Instance().Get({QStringLiteral("不存在的字体"), 30, false, false, false})->MakeFont();
  QPainterPath ab, cut, moved;
  GlyphOutlineText(ab, font, QStringLiteral("AB"), 0, 0);
  // U+0378 is unassigned: no font has a glyph for it.
  GlyphOutlineText(cut, font, QStringLiteral("AB") + QChar(0x0378) + QStringLiteral("CD"), 0, 0);
  ASSERT_FALSE(ab.isEmpty());
  EXPECT_EQ(ab.fillRule(), Qt::WindingFill);
  EXPECT_EQ(cut.boundingRect(), ab.boundingRect());
  // The pen starts at the top: the glyphs hang below y.
  GlyphOutlineText(moved, font, QStringLiteral("AB"), 10, 50);
  EXPECT_GE(moved.boundingRect().top(), 50);
  EXPECT_NEAR(moved.boundingRect().left(), ab.boundingRect().left() + 10, 0.01);
}

TEST_F(TextMark, HostileTextsAndSizesNeitherCrashNorHang) {
  struct Case {
    const char* what;
    QString text;
    int size;
    bool drawn;
  };
  QString longText;
  for (int i = 0; i < 10000; ++i) longText.append(QChar(u"水印文字ab"[i % 6]));
  const Case cases[] = {
      {"empty text", QString(), 22, false},
      {"blanks only", QStringLiteral("   "), 22, false},
      {"10,000 characters", longText, 22, true},
      {"10,000 characters at the largest size", longText, 3000, true},
      {"size 1", QStringLiteral("请在此处输入水印文字"), 1, true},
      {"largest size", QStringLiteral("水"), 3000, true},
      {"size 0 from a hand-edited file", QStringLiteral("水"), 0, true},
  };
  for (const Case& c : cases) {
    for (int tiles : {0, 1}) {
      TextMarkSettings s;
      s.text = c.text;
      s.size = c.size;
      s.transparent = 0;
      s.layout.posStyle = tiles;
      s.layout.space = 0;
      ImageOwner pic = MakePicture(200, 150, Qt::black);
      const QByteArray before = Hash(Pixels(pic.get()));
      ASSERT_TRUE(StampTextMarkOnImage(pic.get(), s)) << c.what;
      EXPECT_EQ(pic->ops->GetWidth(pic.get()), 200u) << c.what;
      if (!c.drawn) {
        EXPECT_EQ(Hash(Pixels(pic.get())), before) << c.what;
      }
    }
  }
  // The step itself with the largest size on a small picture.
  CSetMgr::Instance().set_nMarkFontSize(3000);
  EXPECT_EQ(CSetMgr::Instance().nMarkFontSize(), 3000);
  ImageOwner pic = MakePicture(50, 50, Qt::black);
  ImageSlot slot;
  slot.image = pic.get();
  EXPECT_TRUE(TextMarkStep().Process(PictureItem{}, slot));
  ImageSlot empty;
  EXPECT_FALSE(TextMarkStep().Process(PictureItem{}, empty));
}

TEST_F(TextMark, IndexedPicturesKeepTheirFormat) {
  ImageOwner pic = MakePicture(120, 60, Qt::black, 8);
  ASSERT_TRUE(pic);
  ASSERT_EQ(pic->ops->GetDepth(pic.get()), 8);
  TextMarkSettings s;
  s.text = QStringLiteral("水印");
  s.transparent = 0;
  s.layout.position = 2;
  ASSERT_TRUE(StampTextMarkOnImage(pic.get(), s));
  EXPECT_EQ(pic->ops->GetDepth(pic.get()), 8);
  // Grey palette: white glyphs land on index 255 somewhere near the top-left corner.
  int whites = 0;
  const int h = int(pic->ops->GetHeight(pic.get()));
  for (int y = 0; y < 40; ++y) {
    const uint8_t* row = pic->ops->GetRow(pic.get(), h - 1 - y);
    for (int x = 0; x < 60; ++x) whites += row[x] == 255;
  }
  EXPECT_GT(whites, 20);
}

}  // namespace
