// The watermark page's font list: Chinese or Latin families, no "@" variants, no name an
// earlier entry already begins with (case ignored), mapped Windows names first.
#include <QComboBox>
#include <QLineEdit>

#include "FontFaceMap.h"
#include "FontList.h"
#include "SettingsDialog.h"
#include "SettingsIds.h"
#include "settings_fixture.h"

using namespace settingsTest;

namespace {

TEST(FontListRule, FiltersAndKeepsTheFirstOfEachBeginning) {
  const std::vector<FontFamily> families = {
      {"Arial Black", true}, {"Arial", true},         {"arial black", true}, {"@SimSun", true},
      {"Noto Sans Thai", false}, {"DejaVu Sans", true}, {"DejaVu Sans Mono", true}, {"dejavu", true},
      {"", true},           {"黑体", true},          {"WenQuanYi Zen Hei", true}};
  // "Arial" is covered by "Arial Black" before it; sorted families list "Arial" first.
  EXPECT_EQ(FontListOf({"黑体", "宋体"}, families),
            (QStringList{"黑体", "宋体", "Arial Black", "DejaVu Sans", "DejaVu Sans Mono", "WenQuanYi Zen Hei"}));
  EXPECT_EQ(FontListOf({}, {{"Arial", true}, {"Arial Black", true}}), (QStringList{"Arial", "Arial Black"}));
  EXPECT_EQ(FontListOf({}, {}), QStringList{});
}

class FontPageTest : public SettingsViewTest {};

TEST_F(FontPageTest, MappedWindowsNamesAreOfferedByTheirChineseNames) {
  const QStringList fonts = FontList();
  EXPECT_FALSE(fonts.isEmpty());
  for (const QString& name : fonts) EXPECT_FALSE(name.startsWith(u'@')) << name.toStdString();
  // The default face is drawn with a stand-in when the CJK fonts are installed.
  if (!InstalledFamilyFor(QStringLiteral("黑体")).isEmpty()) {
    EXPECT_EQ(fonts.value(0), "黑体");
  } else {
    ADD_FAILURE() << "no CJK font installed (fonts-wqy-zenhei)";
  }
  Pictures none;
  SettingsDialog dialog(&none, 1, nullptr);
  auto* combo = find<QComboBox>(find<QWidget>(&dialog, markPageId::kPage), markPageId::kFont);
  EXPECT_EQ(combo->count(), fonts.size());
  EXPECT_EQ(combo->currentText(), "黑体");
  // A font change resets the margins.
  auto* page = find<QWidget>(&dialog, markPageId::kPage);
  auto* margin = find<QLineEdit>(page, markPageId::kFirstMargin);
  margin->setText("99");
  combo->setCurrentIndex(combo->count() - 1);
  emit combo->activated(combo->count() - 1);
  EXPECT_EQ(margin->text(), "15");
  dialog.accept();
  EXPECT_EQ(CSetMgr::Instance().strMarkFont(), fonts.last());
}

}  // namespace
