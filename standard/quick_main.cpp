// The standard recovery window: its layout, actions, opening and closing.
#include "standard/quick_main.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QScreen>
#include <QSplitter>
#include <QStackedWidget>
#include <QStyle>
#include <QTabBar>
#include <QTableView>
#include <QThread>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "controls/clipped_text_tips.h"
#include "controls/close_guard.h"
#include "controls/event_log_view.h"
#include "controls/file_list_model.h"
#include "controls/help_opener.h"
#include "controls/hex_page.h"
#include "controls/picture_set.h"
#include "controls/preview_page.h"
#include "controls/properties_page.h"
#include "controls/qt_message_pump.h"
#include "controls/read_error_display.h"
#include "controls/search_panel.h"
#include "controls/status_bar_ex.h"
#include "controls/ui_fonts.h"
#include "controls/window_icons.h"
#include "engine/undelete.h"
#include "platform/program_paths.h"
#include "platform/text_codec.h"
#include "controls/seldir.h"

namespace tarnwell::standard {
namespace {

const QColor kWindowColour(216, 228, 248);
const QColor kCoolBarColour(236, 233, 216);

QLabel* CaptionBar(QWidget* parent, bool redBold) {
  auto* bar = new QLabel(parent);
  bar->setFixedHeight(20);
  bar->setAutoFillBackground(true);
  if (redBold) {
    bar->setFont(controls::BoldUiFont());
    QPalette p = bar->palette();
    p.setColor(QPalette::WindowText, Qt::red);
    bar->setPalette(p);
  }
  return bar;
}

QStringList PropertyCaptions() {
  return {QStringLiteral("常规"), QStringLiteral("文件名"), QStringLiteral("类型"),
          QStringLiteral("大小"), QStringLiteral("分配空间"), QStringLiteral("创建日期"),
          QStringLiteral("修改日期"), QStringLiteral("访问日期"), QStringLiteral("数据状态"),
          QStringLiteral("属性"), QStringLiteral("只读"), QStringLiteral("系统"),
          QStringLiteral("存档"), QStringLiteral("隐藏"), QStringLiteral("压缩")};
}

}  // namespace

controls::SortState& TfrmQuickMain::SortState() {
  // Kept while the program runs, across openings of the window.
  static controls::SortState state;
  return state;
}

TfrmQuickMain::TfrmQuickMain(QuickMainServices services, QWidget* parent)
    : QDialog(parent), services_(std::move(services)) {
  if (!services_.selectDestination) services_.selectDestination = controls::SelectDestinationFolder;
  if (!services_.typeNames) services_.typeNames = controls::DefaultTypeNames();
  if (!services_.wait) services_.wait = [](int ms) { QThread::msleep(static_cast<unsigned>(ms)); };
  if (services_.settingsPath.empty())
    services_.settingsPath = platform::SettingsFilePath(kQuickSettingsFileName);
  setWindowTitle(QStringLiteral("Tarnwell - 标准恢复"));
  setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);
  setFont(controls::UiFont());
  resize(798, 568);
  QPalette p = palette();
  p.setColor(QPalette::Window, kWindowColour);
  setPalette(p);
  setAutoFillBackground(true);
  boxes_ = std::make_unique<controls::QtMessageBoxes>(this, services_.showBox);
  pump_ = std::make_unique<controls::QtMessagePump>();
  BuildActions();
  BuildLayout();
  ConnectHandlers();
}

TfrmQuickMain::~TfrmQuickMain() {
  // The rows and nodes point into the engine: drop them first.
  if (ListModel) ListModel->Clear();
}

void TfrmQuickMain::BuildActions() {
  auto make = [&](const QString& text, controls::Picture picture, const QString& hint) {
    auto* a = new QAction(controls::PictureIcon(picture), text, this);
    a->setToolTip(hint.isEmpty() ? text : hint);
    a->setStatusTip(hint);
    return a;
  };
  // The action's own caption is "重新扫描"; every button and item bound
  // to it shows "扫描".
  Scan = make(QStringLiteral("扫描"), controls::Picture::kScan, QStringLiteral("扫描驱动器以找回丢失的文件"));
  Scan->setIconText(QStringLiteral("扫描"));
  Scan->setObjectName(QStringLiteral("重新扫描"));
  Stop = make(QStringLiteral("停止"), controls::Picture::kStop, QStringLiteral("停止当前扫描"));
  Recover = make(QStringLiteral("恢复"), controls::Picture::kRecover, QStringLiteral("恢复选择的文件"));
  acScan32 = make(QStringLiteral("扫描 32"), controls::Picture::kScan32, QStringLiteral("扫描损坏的目录以找回文件"));
  Up = make(QStringLiteral("向上"), controls::Picture::kUp, QStringLiteral("向上"));
  Back = make(QStringLiteral("后退"), controls::Picture::kBack, QString());
  Forward = make(QStringLiteral("向前"), controls::Picture::kForward, QString());
  acClose = new QAction(QStringLiteral("关闭"), this);
  acClose->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_X));
  help = new QAction(QStringLiteral("目录"), this);
  help->setToolTip(QStringLiteral("帮助"));
  help->setShortcut(QKeySequence(Qt::Key_F1));
  N4 = new QAction(QStringLiteral("恢复后打开目标目录"), this);
  N4->setCheckable(true);
  N4->setChecked(true);
  Openparentdirectory1 = new QAction(QStringLiteral("打开父目录"), this);
  OpenImage = make(QStringLiteral("打开磁盘映像..."), controls::Picture::kFolderOpen,
                   QStringLiteral("把一个磁盘或分区的映像文件作为驱动器打开"));
  OpenImage->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
  RecentImages = new QMenu(QStringLiteral("最近的映像"), this);
  for (QAction* a : {Scan, Stop, Recover, acScan32, Up, Back, Forward, acClose, help, OpenImage})
    addAction(a);
}

QWidget* TfrmQuickMain::BuildCoolBar() {
  auto* bar = new QWidget(this);
  bar->setAutoFillBackground(true);
  QPalette p = bar->palette();
  p.setColor(QPalette::Window, kCoolBarColour);
  bar->setPalette(p);
  auto* layout = new QVBoxLayout(bar);
  layout->setContentsMargins(2, 1, 2, 1);
  layout->setSpacing(0);

  // A menu bar as in the other windows: captions alone (drop-down buttons
  // drew an arrow over each caption's last character).
  auto* menus = new QMenuBar(bar);
  auto addMenu = [&](const QString& caption, std::initializer_list<QAction*> actions) -> QMenu* {
    QMenu* menu = menus->addMenu(caption);
    for (QAction* a : actions) {
      if (a)
        menu->addAction(a);
      else
        menu->addSeparator();
    }
    return menu;
  };
  QMenu* file = addMenu(QStringLiteral("文件"), {Scan, Stop, nullptr, Recover, nullptr, acClose});
  file->insertAction(Scan, OpenImage);
  file->insertMenu(Scan, RecentImages);
  file->insertSeparator(Scan);
  addMenu(QStringLiteral("选项"), {N4});
  addMenu(QStringLiteral("帮助"), {help});
  layout->addWidget(menus);

  auto* tools = new QToolBar(bar);
  tools->setIconSize(QSize(24, 24));
  tools->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  tools->addAction(Scan);
  tools->addAction(Stop);
  tools->addAction(Recover);
  tools->addSeparator();
  tools->addAction(acScan32);
  tools->addSeparator();
  tools->addAction(Up);
  tools->addAction(Back);
  tools->addAction(Forward);
  layout->addWidget(tools);
  return bar;
}

QWidget* TfrmQuickMain::BuildLeftColumn() {
  LeftSplitter = new QSplitter(Qt::Vertical, this);
  TreeView1 = new QTreeWidget(LeftSplitter);
  TreeView1->setHeaderHidden(true);
  TreeView1->setIndentation(27);
  TreeView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  TreeView1->setStyleSheet(QStringLiteral(
      "QTreeView { background: white; }"
      "QTreeView::item:selected { background: rgb(255,255,208); color: blue; }"));
  const std::vector<QIcon> treeIcons = controls::FolderTreeIcons();
  ScanRootNode = new QTreeWidgetItem(TreeView1, QStringList{QStringLiteral("扫描结果")});
  ScanRootNode->setIcon(0, treeIcons[0]);
  SearchNode = new QTreeWidgetItem(TreeView1, QStringList{QStringLiteral("查找结果")});
  SearchNode->setIcon(0, treeIcons[1]);

  auto* panel3 = new QWidget(LeftSplitter);
  auto* l3 = new QVBoxLayout(panel3);
  l3->setContentsMargins(0, 0, 0, 0);
  l3->setSpacing(0);
  Panel4 = CaptionBar(panel3, true);
  l3->addWidget(Panel4);
  Treeview2 = new QTreeWidget(panel3);
  Treeview2->setHeaderHidden(true);
  Treeview2->setIndentation(19);
  Treeview2->setRootIsDecorated(false);
  Treeview2->setItemsExpandable(false);  // the drive tree never collapses
  // A drive's caption is cut at the pane's width; hovering shows all of it.
  controls::ShowClippedTextOnHover(Treeview2);
  Treeview2->setEditTriggers(QAbstractItemView::NoEditTriggers);
  Treeview2->setStyleSheet(QStringLiteral(
      "QTreeView::item:selected { background: rgb(255,255,208); color: blue; }"));
  Treeview2->setContextMenuPolicy(Qt::ActionsContextMenu);
  Treeview2->addAction(Scan);
  Treeview2->addAction(Stop);
  l3->addWidget(Treeview2);
  MyComputerNode = new QTreeWidgetItem(Treeview2, QStringList{QStringLiteral("我的电脑")});
  MyComputerNode->setIcon(0, controls::DriveTreeIcons()[0]);
  LeftSplitter->setStretchFactor(0, 1);
  LeftSplitter->setCollapsible(0, false);
  LeftSplitter->setCollapsible(1, false);
  return LeftSplitter;
}

QWidget* TfrmQuickMain::BuildRightSide() {
  RightSplitter = new QSplitter(Qt::Vertical, this);
  ListModel = new controls::FileListModel(
      {{QStringLiteral("文件"), controls::ColumnKind::kName},
       {QStringLiteral("类型"), controls::ColumnKind::kText1},
       {QStringLiteral("状态"), controls::ColumnKind::kText2},
       {QStringLiteral("大小"), controls::ColumnKind::kSize},
       {QStringLiteral("创建时间"), controls::ColumnKind::kDate}},
      controls::FileListIcons(), this);
  // Ticks stay with their entries while the user moves between folders,
  // searches and sorts; "恢复" takes them all.
  ListModel->KeepTicksAcrossFills(true);
  const std::vector<QIcon> marks = controls::SortMarkIcons();
  ListModel->SetSortMarkIcons(marks[0], marks[1]);
  ListView1 = new QTableView(RightSplitter);
  ListView1->setModel(ListModel);
  ListView1->setShowGrid(true);
  ListView1->setGridStyle(Qt::SolidLine);
  ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
  ListView1->setSelectionMode(QAbstractItemView::ExtendedSelection);
  ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  ListView1->setWordWrap(false);
  ListView1->verticalHeader()->hide();
  ListView1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  ListView1->verticalHeader()->setDefaultSectionSize(18);
  ListView1->horizontalHeader()->setSectionsClickable(true);
  ListView1->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  ListView1->horizontalHeader()->setHighlightSections(false);
  ListView1->setStyleSheet(QStringLiteral(
      "QTableView { gridline-color: rgb(224,224,224); background: white; }"
      "QTableView::item:selected { background: rgb(255,255,208); color: black; }"));
  ListView1->setContextMenuPolicy(Qt::CustomContextMenu);
  PopupMenu1 = new QMenu(ListView1);
  PopupMenu1->addAction(QStringLiteral("选择"), this, [this] { Check1Click(true); });
  PopupMenu1->addAction(QStringLiteral("取消选择"), this, [this] { Check1Click(false); });
  PopupMenu1->addSeparator();
  PopupMenu1->addAction(QStringLiteral("全部选择"), this, [this] { Checkall1Click(true); });
  PopupMenu1->addAction(QStringLiteral("全部取消选择"), this, [this] { Checkall1Click(false); });
  PopupMenu1->addAction(QStringLiteral("选择本目录中已删除的条目"), this, [this] { CheckDeletedInFolder(); });
  PopupMenu1->addAction(QStringLiteral("选择整个驱动器中已删除的条目"), this, [this] { CheckDeletedInVolume(); });
  PopupMenu1->addSeparator();
  PopupMenu1->addAction(Openparentdirectory1);
  PopupMenu1->addSeparator();
  PopupMenu1->addAction(Recover);

  auto* panel18 = new QWidget(RightSplitter);
  auto* l18 = new QVBoxLayout(panel18);
  l18->setContentsMargins(0, 0, 0, 0);
  l18->setSpacing(0);
  Panel19 = CaptionBar(panel18, false);
  l18->addWidget(Panel19);
  Notebook1 = new QStackedWidget(panel18);
  ListView2 = new controls::PropertiesPage({QStringLiteral("文件名"), QStringLiteral("值")},
                                           PropertyCaptions(), {0, 9}, Notebook1);
  auto* panel21 = new QWidget(Notebook1);
  Hex = std::make_unique<controls::HexPage>(panel21, Panel19);
  SearchPage = new controls::SearchPanel(1000, Notebook1);
  SearchPage->SetBoxShower(services_.showBox);
  SearchPage->SetToday(services_.today);
  ListView3 = new controls::EventLogView(controls::StandardLogIcons(), Notebook1);
  Notebook1->addWidget(ListView2);
  Notebook1->addWidget(panel21);
  Notebook1->addWidget(SearchPage);
  Notebook1->addWidget(ListView3);
  Preview = new controls::PreviewPage(Notebook1);
  Notebook1->addWidget(Preview);
  l18->addWidget(Notebook1);
  TabSet1 = new QTabBar(panel18);
  TabSet1->setShape(QTabBar::RoundedSouth);
  TabSet1->setDrawBase(false);
  TabSet1->setExpanding(false);
  for (const char* caption : {"   属性   ", "   十六进制查看   ", "    查找    ", "  应用程序日志  ", "   预览   "})
    TabSet1->addTab(QString::fromUtf8(caption));
  TabSet1->setStyleSheet(QStringLiteral(
      "QTabBar { background: rgb(216,228,248); }"
      "QTabBar::tab { background: rgb(216,228,248); border: 1px solid rgb(160,170,190);"
      " padding: 2px 4px; }"
      "QTabBar::tab:selected { background: rgb(187,209,247); }"));
  l18->addWidget(TabSet1);
  RightSplitter->setStretchFactor(0, 1);
  RightSplitter->setCollapsible(0, false);
  RightSplitter->setCollapsible(1, false);
  return RightSplitter;
}

void TfrmQuickMain::BuildLayout() {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);
  layout->addWidget(BuildCoolBar());
  MainSplitter = new QSplitter(Qt::Horizontal, this);
  MainSplitter->addWidget(BuildLeftColumn());
  MainSplitter->addWidget(BuildRightSide());
  MainSplitter->setStretchFactor(1, 1);
  MainSplitter->setCollapsible(0, false);
  MainSplitter->setCollapsible(1, false);
  layout->addWidget(MainSplitter, 1);
  StatusBar1 = new controls::TStatusBarEx(this);
  StatusBar1->SetPanelWidths({92, 280, 300, 160});
  StatusBar1->SetPanelText(0, QStringLiteral(" 目录"));
  ProgressBar1 = StatusBar1->AddProgressBar(1);
  ProgressBar1->hide();
  layout->addWidget(StatusBar1);
  status1_ = std::make_unique<controls::StatusBarPanel>(StatusBar1, 1);
  progress_ = std::make_unique<controls::QtProgressBar>(ProgressBar1);
  Timer1 = new QTimer(this);
  Timer1->setInterval(300);
  Timer1->setSingleShot(true);
}

void TfrmQuickMain::ConnectHandlers() {
  connect(Scan, &QAction::triggered, this, &TfrmQuickMain::ScanExecute);
  connect(Stop, &QAction::triggered, this, &TfrmQuickMain::StopExecute);
  connect(Recover, &QAction::triggered, this, &TfrmQuickMain::RecoverExecute);
  connect(acScan32, &QAction::triggered, this, &TfrmQuickMain::acScan32Execute);
  connect(Up, &QAction::triggered, this, &TfrmQuickMain::UpExecute);
  connect(Back, &QAction::triggered, this, &TfrmQuickMain::BackExecute);
  connect(Forward, &QAction::triggered, this, &TfrmQuickMain::ForwardExecute);
  connect(acClose, &QAction::triggered, this, [this] {
    if (!Busy()) close();
  });
  connect(help, &QAction::triggered, this, &TfrmQuickMain::helpExecute);
  connect(Openparentdirectory1, &QAction::triggered, this, &TfrmQuickMain::Openparentdirectory1Click);
  connect(OpenImage, &QAction::triggered, this, &TfrmQuickMain::OpenImageExecute);
  connect(RecentImages, &QMenu::aboutToShow, this, &TfrmQuickMain::FillRecentImagesMenu);
  connect(Timer1, &QTimer::timeout, this, [this] {
    Timer1->stop();
    FlashDriveHint(2);
  });
  connect(Treeview2, &QTreeWidget::currentItemChanged, this,
          [this](QTreeWidgetItem* now, QTreeWidgetItem* before) {
            // Refused while a scan runs, and "我的电脑" cannot be chosen.
            if (now && (Busy() || now == MyComputerNode)) {
              const QSignalBlocker block(Treeview2);
              Treeview2->setCurrentItem(before);
              return;
            }
            Treeview2Change(now, true);
          });
  connect(TreeView1, &QTreeWidget::currentItemChanged, this,
          [this](QTreeWidgetItem* now, QTreeWidgetItem* before) {
            if (!treeHandlerOn_) return;
            // A damaged folder cannot be opened; "扫描 32" repairs it first.
            if (now && now->data(0, Qt::UserRole + 3).toInt() == 6) {
              const QSignalBlocker block(TreeView1);
              TreeView1->setCurrentItem(before);
              return;
            }
            TreeView1Change(now, true);
          });
  connect(TreeView1, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* node) {
    if (node->data(0, Qt::UserRole + 3).toInt() <= 5) AddGrandchildFolders(node);
  });
  connect(ListView1->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          [this] { ListView1Click(); });
  connect(ListView1, &QTableView::clicked, this, [this] { ListView1Click(); });
  connect(ListView1, &QTableView::doubleClicked, this, [this] { ListView1DblClick(); });
  connect(ListView1->horizontalHeader(), &QHeaderView::sectionClicked, this,
          &TfrmQuickMain::ListView1ColumnClick);
  connect(ListView1, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    // "打开父目录" only for search results with a row selected.
    Openparentdirectory1->setEnabled(TreeView1->currentItem() == SearchNode &&
                                     !SelectedRows().empty());
    PopupMenu1->popup(ListView1->viewport()->mapToGlobal(at));
  });
  connect(TabSet1, &QTabBar::currentChanged, this, &TfrmQuickMain::TabSet1Click);
  connect(ListModel, &controls::FileListModel::TicksChanged, this, &TfrmQuickMain::UpdateTicksPanel);
  connect(SearchPage, &controls::SearchPanel::SearchClicked, this, &TfrmQuickMain::Button1Click);
  connect(LeftSplitter, &QSplitter::splitterMoved, this, [this] { SyncLowerPanels(LeftSplitter); });
  connect(RightSplitter, &QSplitter::splitterMoved, this, [this] { SyncLowerPanels(RightSplitter); });
  pump_->SetAfterEvents({});
}

void TfrmQuickMain::SyncLowerPanels(QSplitter* moved) {
  // The lower panels of both columns keep one height.
  QSplitter* other = moved == LeftSplitter ? RightSplitter : LeftSplitter;
  const QList<int> sizes = moved->sizes();
  const QList<int> otherSizes = other->sizes();
  if (sizes.size() != 2 || otherSizes.size() != 2) return;
  const int total = otherSizes[0] + otherSizes[1];
  const int lower = std::min(sizes[1], total - 40);
  const QSignalBlocker block(other);
  other->setSizes({total - lower, lower});
}

void TfrmQuickMain::ApplySettings() {
  int width = services_.screenWidth;
  if (width <= 0) width = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->size().width() : 1024;
  platform::ProfileFile file(services_.settingsPath);
  settings_ = ReadQuickSettings(file, width);
  for (int i = 0; i < 5; ++i) ListView1->setColumnWidth(i, settings_.fileListWidths[i]);
  for (int i = 0; i < 2; ++i) ListView2->setColumnWidth(i, settings_.propertyWidths[i]);
  for (int i = 0; i < 2; ++i) ListView3->setColumnWidth(i, settings_.logWidths[i]);
  const int total = std::max(MainSplitter->width(), 798);
  MainSplitter->setSizes({settings_.leftColumnWidth, total - settings_.leftColumnWidth});
  const int height = std::max(LeftSplitter->height(), 400);
  LeftSplitter->setSizes({height - settings_.lowerPanelHeight, settings_.lowerPanelHeight});
  SyncLowerPanels(LeftSplitter);
  N4->setChecked(settings_.openDestDir);
}

void TfrmQuickMain::SaveSettings() {
  for (int i = 0; i < 5; ++i) settings_.fileListWidths[i] = ListView1->columnWidth(i);
  for (int i = 0; i < 2; ++i) settings_.propertyWidths[i] = ListView2->columnWidth(i);
  for (int i = 0; i < 2; ++i) settings_.logWidths[i] = ListView3->columnWidth(i);
  settings_.leftColumnWidth = MainSplitter->sizes().value(0);
  settings_.lowerPanelHeight = LeftSplitter->sizes().value(1);
  settings_.openDestDir = N4->isChecked();
  platform::ProfileFile file(services_.settingsPath);
  WriteQuickSettings(file, settings_);  // a failure is not reported
}

void TfrmQuickMain::FormShow() {
  if (shown_) return;
  shown_ = true;
  ApplySettings();
  readErrors_ = std::make_unique<controls::ReadErrorDisplay>(this, ListView3, services_.showBox);
  engine_ = std::make_unique<engine::TUndelete>(*boxes_, *pump_);
  Hex->ShowBanner(QByteArray::fromStdString(platform::SystemText("感谢您使用 Tarnwell。")));
  Log(QStringLiteral("标准恢复已开始"), engine::kLogInformation);
  FillDriveTree();
  UpdateHistoryButtons();
  UpdateTicksPanel();
  Timer1->start();
}

void TfrmQuickMain::FlashDriveHint(int rounds) {
  for (int i = 0; i < rounds; ++i) {
    QCoreApplication::processEvents();
    Panel4->setText(QStringLiteral(" 请选择一个驱动器进行扫描。"));
    Panel4->repaint();
    services_.wait(300);
    Panel4->clear();
    Panel4->repaint();
    services_.wait(300);
  }
}

bool TfrmQuickMain::Busy() const { return engine_ && engine_->Scanning; }

void TfrmQuickMain::closeEvent(QCloseEvent* event) {
  // Closing under a running scan or recovery would free what it works on.
  if (Busy()) {
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);
}

void TfrmQuickMain::keyPressEvent(QKeyEvent* event) {
  // A dialog takes Esc as "close"; here it would throw away a scan.
  if (controls::IsCloseByEscape(event)) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

void TfrmQuickMain::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  // Once the layout has settled: the right column's lower pages have the
  // larger minimum height (the search page), so the left column follows it.
  QTimer::singleShot(0, this, [this] { SyncLowerPanels(RightSplitter); });
}

void TfrmQuickMain::done(int result) {
  if (Busy()) return;  // "关闭" under a scan is refused like any close
  if (engine_ && !controls::MayCloseWindow(services_.ask, this, static_cast<bool>(NodeEntry(ScanRootNode)),
                                           TickedCount()))
    return;
  if (engine_) {
    ListModel->Clear();
    TreeView1->setCurrentItem(nullptr);
    engine_.reset();
    readErrors_.reset();
    SaveSettings();
  }
  QDialog::done(result);
}

void TfrmQuickMain::SetBusyCursor(bool busy) {
  for (QWidget* w : {static_cast<QWidget*>(TreeView1), static_cast<QWidget*>(ListView1),
                     static_cast<QWidget*>(Treeview2)}) {
    if (busy)
      w->setCursor(Qt::WaitCursor);
    else
      w->unsetCursor();
  }
}

void TfrmQuickMain::SetStatus(int panel, const QString& text) { StatusBar1->SetPanelText(panel, text); }

void TfrmQuickMain::Log(const QString& text, int icon) { ListView3->Add(text, icon); }

void TfrmQuickMain::helpExecute() {
  if (!controls::OpenHelpTopic(services_.opener, "StdRecovery.htm"))
    services_.showBox(this, controls::BoxKind::kError, controls::HelpNotOpenedText());
}

}  // namespace tarnwell::standard
