#include "MainWindow.h"

#include <QCheckBox>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QUrl>

#include "AboutBox.h"
#include "Artwork.h"
#include "ControlNames.h"
#include "GenerateCommand.h"
#include "JobContext.h"
#include "MakerSite.h"
#include "PictureSource.h"
#include "ProgramPaths.h"
#include "ProgressWindow.h"
#include "SetMgr.h"
#include "Shell.h"
#include "UpdatePrompt.h"
#include "UserDialogs.h"

namespace {

namespace Id = MainWindowId;

// Colours of the painted decoration.
const QColor kFramePen(0xD5, 0xE0, 0xE5);  // 0x00E5E0D5 as 0x00BBGGRR
const QColor kHintGrey(0x80, 0x80, 0x80);
constexpr int kFrameRadius = 10;
constexpr int kPanelWidth = 385;
constexpr int kHeaderPictureSize = 20;

struct Link {
  int id;
  const char* caption;
  const char* page;  // on the maker's site; null for the home page
};
const Link kLinks[] = {
    {Id::kLinkGuide, "使用教程", "vd-guide.html"},
    {Id::kLinkFaq, "常见问题", "vd-faq.html"},
    {Id::kLinkTips, "开店技巧", "vd-tips.html"},
    {Id::kLinkHome, "泽沃官网", nullptr},
};

QLabel* MakeLink(QWidget* parent, const QString& objectName, const QString& caption,
                 const QString& target) {
  auto* label = new QLabel(parent);
  label->setObjectName(objectName);
  label->setText(QStringLiteral("<a href=\"%1\" style=\"color:#1a5fb4;\">%2</a>")
                     .arg(target.toHtmlEscaped(), caption.toHtmlEscaped()));
  label->setTextFormat(Qt::RichText);
  label->setCursor(Qt::PointingHandCursor);
  label->setToolTip(target);
  return label;
}

bool RunProgressWindow(QWidget* parent, PictureSource& source) {
  ProgressWindow window(source, parent);
  return window.exec() == QDialog::Accepted;
}

}  // namespace

MainWindow::MainWindow(QWidget* parent) : MainWindow(MainWindowOptions{}, parent) {}

MainWindow::MainWindow(MainWindowOptions options, QWidget* parent)
    : QDialog(parent), runExport_(std::move(options.runExport)) {
  setObjectName(QStringLiteral("102"));
  setWindowTitle(QStringLiteral("Gallivo"));
  setWindowIcon(QIcon(QPixmap::fromImage(DrawAppIcon(64))));
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
  setAutoFillBackground(true);
  QPalette white = palette();
  white.setColor(QPalette::Window, Qt::white);
  setPalette(white);
  setAcceptDrops(true);
  if (!runExport_) runExport_ = RunProgressWindow;

  list_ = options.list ? std::move(options.list) : MakeDefaultListPane(this);
  list_->Widget()->setParent(this);
  settings_ = options.settings ? std::move(options.settings)
                               : MakeDefaultSettingsPane(list_->Supply(), this);
  settings_->Widget()->setParent(this);

  addPictures_ = MakeIdButton(this, Id::kAddPictures, QStringLiteral("添加图片..."));
  addFolder_ = MakeIdButton(this, Id::kAddFolder, QStringLiteral("添加文件夹..."));
  clearList_ = MakeIdButton(this, Id::kClearList, QStringLiteral("清空列表"));
  generate_ = MakeIdButton(this, Id::kGenerate, QStringLiteral("生成图片 ..."));
  QFont bold = generate_->font();
  bold.setBold(true);
  generate_->setFont(bold);
  pkvToJpg_ = new QCheckBox(QStringLiteral("将pkv格式转换成jpg格式"), this);
  pkvToJpg_->setObjectName(idName(Id::kPkvToJpg));
  pkvToJpg_->setChecked(CSetMgr::Instance().bPkvToJpg() != 0);
  pkvToJpg_->hide();
  for (const Link& link : kLinks) {
    const QString target = link.page ? MakerSite::Page(link.page) : MakerSite::Home();
    links_.push_back(MakeLink(this, idName(link.id), QString::fromUtf8(link.caption), target));
  }
  about_ = MakeLink(this, QStringLiteral("about"), QStringLiteral("关于"), QStringLiteral("about:"));
  for (QLabel* link : links_)
    connect(link, &QLabel::linkActivated, this, [](const QString& target) { OpenWithShell(target); });
  connect(about_, &QLabel::linkActivated, this, &MainWindow::ShowAbout);

  connect(addPictures_, &QPushButton::clicked, this, [this] { list_->AddPictures(); });
  connect(addFolder_, &QPushButton::clicked, this, [this] { list_->AddFolder(); });
  connect(clearList_, &QPushButton::clicked, this, &MainWindow::ClearList);
  connect(generate_, &QPushButton::clicked, this, &MainWindow::Generate);
  connect(pkvToJpg_, &QCheckBox::clicked, this,
          [](bool checked) { CSetMgr::Instance().set_bPkvToJpg(checked ? 1 : 0); });
  list_->Notify(this, [this](int count) { OnCountChanged(count); }, [this] { pkvToJpg_->show(); });
  OnCountChanged(list_->Count());

  setMinimumSize(kInitialWidth, kInitialHeight);
  resize(kInitialWidth, kInitialHeight);
  PlaceControls();

  if (options.checkForUpdates) {
    const QString library = options.updaterLibrary.isEmpty()
                                ? ProgramFolder() + QStringLiteral("libZlvUp.so")
                                : options.updaterLibrary;
    auto prompt = std::make_unique<UpdatePrompt>(this, library);
    if (prompt->Started()) updates_ = std::move(prompt);
  }
}

MainWindow::~MainWindow() = default;

void MainWindow::OnCountChanged(int count) { clearList_->setEnabled(count > 0); }

void MainWindow::PlaceControls() {
  const int w = width(), h = height();
  // The list: the client area less 30 left, 105 top, 445 right, 60 bottom.
  list_->Widget()->setGeometry(30, 105, w - 30 - 445, h - 105 - 60);
  // The panel: 385 wide, 20 from the right, from 70 below the top to 55 above the bottom.
  settings_->Widget()->setGeometry(w - 20 - kPanelWidth, 70, kPanelWidth, h - 70 - 55);

  const int row = 66, buttonHeight = 30;
  addPictures_->setGeometry(30, row, 100, buttonHeight);
  addFolder_->setGeometry(138, row, 110, buttonHeight);
  const int listRight = w - 445;
  clearList_->setGeometry(listRight - 90, row, 90, buttonHeight);
  const QSize box = pkvToJpg_->sizeHint();
  pkvToJpg_->setGeometry(258, row + (buttonHeight - box.height()) / 2,
                         qMax(0, listRight - 90 - 8 - 258), box.height());
  generate_->setGeometry(w - 20 - 160, h - 47, 160, 38);

  // Links along the top right, right-aligned.
  int x = w - 18;
  std::vector<QLabel*> row0(links_);
  row0.push_back(about_);
  for (auto it = row0.rbegin(); it != row0.rend(); ++it) {
    const QSize size = (*it)->sizeHint();
    x -= size.width();
    (*it)->setGeometry(x, 12, size.width(), size.height());
    x -= 16;
  }
}

void MainWindow::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  PlaceControls();
}

void MainWindow::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const int w = width(), h = height();
  p.fillRect(rect(), Qt::white);
  p.setPen(QPen(kFramePen, 1));
  p.setBrush(Qt::NoBrush);
  // Around the list area and around the panel area.
  p.drawRoundedRect(QRectF(15.5, 35.5, w - 445 - 15 + 14, h - 35 - 52), kFrameRadius, kFrameRadius);
  p.drawRoundedRect(QRectF(w - 20 - kPanelWidth - 10.5, 35.5, kPanelWidth + 20, h - 35 - 52),
                    kFrameRadius, kFrameRadius);
  p.drawImage(QPoint(25, 40), DrawHeaderPicture(HeaderPicture::AddPictures, kHeaderPictureSize));
  p.drawImage(QPoint(w - 395, 40), DrawHeaderPicture(HeaderPicture::Settings, kHeaderPictureSize));

  p.setPen(Qt::black);
  QFont headline = font();
  headline.setPointSize(14);
  headline.setBold(true);
  p.setFont(headline);
  p.drawText(QRect(10, 6, w - 20, 28), Qt::AlignLeft | Qt::AlignVCenter,
             QStringLiteral("简单2步，批量制作精美Vendaro图片！"));

  QFont caption = font();
  caption.setBold(true);
  p.setFont(caption);
  p.drawText(QRect(50, 40, 200, 22), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("添加图片"));
  p.drawText(QRect(w - 370, 40, 200, 22), Qt::AlignLeft | Qt::AlignVCenter,
             QStringLiteral("图片生成设置"));

  QFont hint = font();
  hint.setPixelSize(12);
  p.setFont(hint);
  p.setPen(kHintGrey);
  p.drawText(QRect(30, h - 42, w - 30 - 200, 26), Qt::AlignLeft | Qt::AlignVCenter,
             QStringLiteral("提示：双击图片可启用泽沃图片编辑器编辑图片。"));
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
  // The main window is closed with its close button, not with Escape.
  if (event->key() == Qt::Key_Escape) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

void MainWindow::contextMenuEvent(QContextMenuEvent* event) {
  QMenu menu(this);
  menu.addAction(QStringLiteral("关于 Gallivo(&A)..."), this, &MainWindow::ShowAbout);
  menu.exec(event->globalPos());
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
  for (const QUrl& url : event->mimeData()->urls())
    if (url.isLocalFile()) list_->AddPath(url.toLocalFile());
  event->acceptProposedAction();
}

void MainWindow::ShowAbout() {
  AboutBox box(this);
  box.exec();
}

void MainWindow::done(int result) {
  settings_->PanelToSettings();
  QDialog::done(result);
}

void MainWindow::ClearList() {
  if (list_->IsScanning()) {
    UserDialogs::Current().Inform(this, GenerateText::kScanning);
    return;
  }
  list_->RemoveAll();
}

void MainWindow::Generate() {
  settings_->PanelToSettings();
  JobContext::Instance().source = &list_->Source();
  const int count = list_->Count();
  if (auto refusal = MainWindowRefusal(count, CSetMgr::Instance(), list_->IsScanning())) {
    UserDialogs::Current().Inform(this, *refusal);
    return;
  }
  if (!ChooseDestination()) return;
  if (runExport_(this, list_->Source())) ClearList();
}

bool MainWindow::ChooseDestination() {
  CSetMgr& settings = CSetMgr::Instance();
  UserDialogs& dialogs = UserDialogs::Current();
  if (settings.bPhotoGIF()) {
    const QString chosen =
        dialogs.SaveFile(this, QStringLiteral("保存动态展示图片"), GenerateText::kGifFilter);
    if (chosen.isEmpty()) return false;
    const QString gif = WithGifExtension(chosen);
    settings.set_strExportDir(AsExportFolder(QFileInfo(gif).absolutePath()));
    settings.set_strGIFPath(gif);
    return true;
  }
  const QString folder = dialogs.ChooseFolder(this, GenerateText::kFolderTitle);
  if (folder.isEmpty()) return false;
  settings.set_strExportDir(AsExportFolder(folder));
  return true;
}
