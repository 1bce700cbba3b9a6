#include "AboutBox.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>

#include "Artwork.h"
#include "ControlNames.h"
#include "IconMessageLayout.h"
#include "MakerSite.h"
#include "Shell.h"

AboutBox::AboutBox(QWidget* parent) : QDialog(parent) {
  setObjectName(idName(kId));
  setWindowTitle(QStringLiteral("关于 Gallivo"));
  auto* icon = new QLabel(this);
  icon->setPixmap(QPixmap::fromImage(DrawAppIcon(64)));
  icon->setAlignment(Qt::AlignTop);
  auto* text = new QLabel(this);
  text->setObjectName(QStringLiteral("aboutText"));
  text->setTextFormat(Qt::RichText);
  text->setText(QStringLiteral("<p><b style=\"font-size:14pt;\">Gallivo</b> %1</p>"
                               "<p>为Vendaro卖家批量处理商品图片：图片瘦身、边框与圆角、"
                               "文字或图片水印、动态展示图片。</p>"
                               "<p><a href=\"%2\">%2</a></p>")
                    .arg(QStringLiteral(GALLIVO_VERSION_TEXT), MakerSite::Home()));
  text->setWordWrap(true);
  connect(text, &QLabel::linkActivated, this, [](const QString& target) { OpenWithShell(target); });
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  LayOutIconMessage(this, icon, text, buttons, 380);
}
