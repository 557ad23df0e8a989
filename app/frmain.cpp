#include "app/frmain.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QToolButton>

#include "app/about.h"
#include "app/project_addresses.h"
#include "app/tool_windows.h"
#include "controls/painted_pictures.h"
#include "controls/ui_fonts.h"
#include "platform/program_paths.h"
#include "platform/version_info.h"

namespace tarnwell::app {

QString LauncherCaption() {
  return QStringLiteral("Tarnwell ") +
         QString::fromStdString(platform::GetVersionInfoString("productversion"));
}

TfrmFrMain::TfrmFrMain(QWidget* parent, DesktopOpener opener)
    : QWidget(parent), opener_(std::move(opener)) {
  // Fixed size: close box, system menu and minimise only.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  setFixedSize(551, 377);
  setFont(controls::UiFont());
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, Qt::white);
  setPalette(pal);

  auto* banner = new QLabel(this);
  banner->setGeometry(0, 0, 551, 74);
  banner->setPixmap(controls::BannerPicture(551, 74, QStringLiteral("Tarnwell"),
                                            QStringLiteral("数据恢复与硬盘健康诊断")));

  SpeedButton1 = AddTool(20, 100, controls::GlyphPicture(52, QColor(40, 110, 200), QStringLiteral("标准")),
                         QStringLiteral("标准恢复"),
                         {QStringLiteral("从逻辑驱动器恢复已删除的文"), QStringLiteral("件。")});
  SpeedButton2 = AddTool(20, 193, controls::GlyphPicture(52, QColor(200, 110, 30), QStringLiteral("高级")),
                         QStringLiteral("高级恢复"),
                         {QStringLiteral("从被格式化、被删除的分区中"),
                          QStringLiteral("恢复文件；恢复在标准模式中"),
                          QStringLiteral("无法找到的文件。")});
  SpeedButton3 = AddTool(20, 286, controls::GlyphPicture(52, QColor(40, 150, 90), QStringLiteral("健康")),
                         QStringLiteral("IDE 硬盘健康诊断"),
                         {QStringLiteral("通过分析 S.M.A.R.T 报告硬盘"), QStringLiteral("的健康状况。")});
  SpeedButton4 = AddTool(289, 100, controls::GlyphPicture(52, QColor(120, 80, 180), QStringLiteral("帮助")),
                         QStringLiteral("帮助与使用指南"), {QStringLiteral("Tarnwell 的帮助文件。")});
  SpeedButton6 = AddTool(289, 193, controls::GlyphPicture(52, QColor(30, 140, 170), QStringLiteral("网站")),
                         QStringLiteral("Tarnwell 网站"),
                         WebSiteAddress().empty()
                             ? QStringList{QStringLiteral("Tarnwell 的介绍、版本与"),
                                           QStringLiteral("报告问题的方法。")}
                             : QStringList{QStringLiteral("访问我们的网站，了解更多"),
                                           QStringLiteral("产品信息与最新版本。")});

  SpeedButton7 = new QToolButton(this);
  SpeedButton7->setAutoRaise(true);
  SpeedButton7->setGeometry(514, 341, 25, 25);
  SpeedButton7->setIcon(controls::GlyphPicture(21, QColor(90, 90, 90), QStringLiteral("i")));
  SpeedButton7->setIconSize(QSize(21, 21));
  SpeedButton7->setToolTip(QStringLiteral("关于 Tarnwell"));

  connect(SpeedButton1, &QToolButton::clicked, this, &TfrmFrMain::SpeedButton1Click);
  connect(SpeedButton2, &QToolButton::clicked, this, &TfrmFrMain::SpeedButton2Click);
  connect(SpeedButton3, &QToolButton::clicked, this, &TfrmFrMain::SpeedButton3Click);
  connect(SpeedButton4, &QToolButton::clicked, this, &TfrmFrMain::SpeedButton4Click);
  connect(SpeedButton6, &QToolButton::clicked, this, &TfrmFrMain::SpeedButton6Click);
  connect(SpeedButton7, &QToolButton::clicked, this, &TfrmFrMain::SpeedButton7Click);

  setWindowTitle(LauncherCaption());
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
}

QToolButton* TfrmFrMain::AddTool(int left, int top, const QPixmap& picture, const QString& title,
                                 const QStringList& lines) {
  auto* button = new QToolButton(this);
  button->setAutoRaise(true);  // flat until the pointer is over it
  button->setGeometry(left, top, 60, 60);
  button->setIcon(picture);
  button->setIconSize(QSize(52, 52));
  button->setCursor(Qt::PointingHandCursor);

  auto* titleLabel = new QLabel(title, this);
  titleLabel->setFont(controls::BoldUiFont());
  titleLabel->setGeometry(left + 70, top + 4, 190, 18);
  for (int i = 0; i < lines.size(); ++i) {
    auto* line = new QLabel(lines[i], this);
    line->setGeometry(left + 70, top + 26 + i * 17, 190, 17);
  }
  return button;
}

void TfrmFrMain::SpeedButton1Click() { RunStandardRecoveryWindow(this); }
void TfrmFrMain::SpeedButton2Click() { RunAdvancedRecoveryWindow(this); }
void TfrmFrMain::SpeedButton3Click() { RunHealthWindow(this); }

void TfrmFrMain::SpeedButton4Click() {
  // The help's default page; a missing page or browser is not reported.
  opener_(platform::HelpPagePath("index.html"));
}

void TfrmFrMain::SpeedButton6Click() { opener_(WebSiteTarget()); }

void TfrmFrMain::SpeedButton7Click() {
  TfrmAbout about(this, opener_);
  about.exec();
}

}  // namespace tarnwell::app
