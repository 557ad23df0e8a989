// The advanced window's construction, start-up, settings and closing.
#include "advanced/adv_main.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSplitter>
#include <QStackedWidget>
#include <QTabBar>
#include <QTimer>
#include <QToolBar>
#include <QTreeView>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "advanced/adv_main_parts.h"
#include "advanced/disk_tree.h"
#include "advanced/folder_tree_model.h"
#include "advanced/raw_file_list.h"
#include "advanced/selected_node_delegate.h"
#include "advanced/tree_pictures.h"
#include "controls/close_guard.h"
#include "controls/clipped_text_tips.h"
#include "controls/event_log_view.h"
#include "controls/help_opener.h"
#include "controls/hex_page.h"
#include "controls/painted_pictures.h"
#include "controls/picture_set.h"
#include "controls/preview_page.h"
#include "controls/properties_page.h"
#include "controls/read_error_display.h"
#include "controls/search_panel.h"
#include "controls/type_names.h"
#include "controls/ui_fonts.h"
#include "controls/window_icons.h"
#include "physical/physical_drive_list.h"
#include "platform/text_codec.h"
#include "controls/scan_config.h"
#include "controls/scanmode.h"
#include "controls/seldir.h"

namespace tarnwell::advanced {
namespace {

const QColor kWindowColour(216, 228, 248);

// The picture set is the standard window's too.
QAction* NewAction(QObject* parent, const QString& caption, controls::Picture picture, const QString& hint = {}) {
  auto* action = new QAction(controls::PictureIcon(picture), caption, parent);
  action->setToolTip(hint.isEmpty() ? caption : hint);
  action->setStatusTip(hint);
  return action;
}

QTreeView* NewTreeView(QWidget* parent) {
  auto* view = new QTreeView(parent);
  view->setHeaderHidden(true);
  view->setIndentation(19);
  view->setUniformRowHeights(true);
  view->setEditTriggers(QAbstractItemView::NoEditTriggers);
  view->setItemDelegate(new SelectedNodeDelegate(view));
  return view;
}

// The default dialogs of the window; tests replace them.
TfrmAdvMain::Choosers DefaultChoosers() {
  TfrmAdvMain::Choosers c;
  c.scanMode = [](QWidget* parent) {
    controls::TfrmScanMode dialog(parent);
    return dialog.exec();
  };
  c.scanRange = [](QWidget* parent, uint64_t total, int64_t* start, int64_t* count) {
    controls::TfrmScanConfig dialog(parent);
    dialog.Prepare(total);
    if (dialog.exec() != QDialog::Accepted) return false;
    *start = dialog.StartSector();
    *count = dialog.SectorCount();
    return true;
  };
  c.destination = [](QWidget* parent, std::string* folder) {
    return controls::SelectDestinationFolder(parent, folder);
  };
  return c;
}

}  // namespace

TfrmAdvMain::TfrmAdvMain(QWidget* parent)
    : QDialog(parent),
      pump_(std::make_unique<controls::QtMessagePump>()),
      // The engine keeps this object for the window's life; it shows its
      // boxes through whatever shower the window has at the time.
      boxes_(std::make_unique<controls::QtMessageBoxes>(
          this, [this](QWidget* parent, controls::BoxKind kind, const QString& text) { showBox_(parent, kind, text); })),
      typeNames_(controls::DefaultTypeNames()),
      opener_(controls::DefaultDesktopOpener()),
      choosers_(DefaultChoosers()) {
  setWindowTitle(QStringLiteral("Tarnwell - 高级恢复"));
  setWindowFlags(Qt::Window | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
  setFont(controls::UiFont());
  QPalette p = palette();
  p.setColor(QPalette::Window, kWindowColour);
  setPalette(p);
  setAutoFillBackground(true);
  resize(798, 568);
  const QScreen* screen = QGuiApplication::primaryScreen();
  screenWidth_ = screen ? screen->geometry().width() : 1024;
  settingsPath_ = OpenAdvSettingsFile().Path();
  BuildActions();
  BuildLayout();
  ConnectSignals();
}

TfrmAdvMain::~TfrmAdvMain() = default;

void TfrmAdvMain::SetBoxShower(controls::BoxShower shower) {
  showBox_ = shower;
  SearchPage->SetBoxShower(std::move(shower));
}

void TfrmAdvMain::SetTypeNames(std::unique_ptr<controls::TypeNameProvider> names) {
  typeNames_ = std::move(names);
}

void TfrmAdvMain::SetSettingsFile(const std::string& path, int screenWidth) {
  settingsPath_ = path;
  screenWidth_ = screenWidth;
}

void TfrmAdvMain::ShowBox(controls::BoxKind kind, const QString& text) { showBox_(this, kind, text); }

void TfrmAdvMain::BuildActions() {
  Scan = NewAction(this, QStringLiteral("扫描"), controls::Picture::kScan,
                   QStringLiteral("扫描驱动器以找回丢失的文件"));
  PartiScan = NewAction(this, QStringLiteral("智能扫描"), controls::Picture::kSmartScan,
                        QStringLiteral("扫描物理驱动器以找回丢失的分区"));
  Stop = NewAction(this, QStringLiteral("停止"), controls::Picture::kStop,
                   QStringLiteral("停止当前扫描"));
  Recover = NewAction(this, QStringLiteral("恢复"), controls::Picture::kRecover,
                      QStringLiteral("恢复选择的文件"));
  Backward = NewAction(this, QStringLiteral("后退"), controls::Picture::kBack);
  Forward = NewAction(this, QStringLiteral("前进"), controls::Picture::kForward);
  SaveImage = new QAction(QStringLiteral("保存磁盘映像..."), this);
  OpenImage = new QAction(QStringLiteral("打开磁盘映像..."), this);
  OpenImage->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
  OpenImage->setToolTip(QStringLiteral("把一个磁盘或分区的映像文件作为磁盘打开"));
  addAction(OpenImage);
  RecentImages = new QMenu(QStringLiteral("最近的映像"), this);
  acToParent = new QAction(QStringLiteral("打开父目录"), this);
  Showntfolder = new QAction(QStringLiteral("显示 NTFS 文件夹"), this);
  Showntfolder->setCheckable(true);
  Showntfolder->setChecked(true);
  FindByType = new QAction(QStringLiteral("同时按文件类型查找"), this);
  FindByType->setCheckable(true);
  FindByType->setToolTip(QStringLiteral("扫描时在同一遍读取中按文件的结构查找图片、文档、音频和视频等文件，"
                                        "连目录条目都已不在的文件也能找到"));
  OpenDir = new QAction(QStringLiteral("恢复后打开目标目录"), this);
  OpenDir->setCheckable(true);
  acHelp = new QAction(QStringLiteral("目录"), this);
  acHelp->setShortcut(QKeySequence(Qt::Key_F1));
  acClose = new QAction(QStringLiteral("关闭"), this);
  acClose->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_X));
  addAction(acHelp);
  addAction(acClose);
}

void TfrmAdvMain::BuildLayout() {
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->setSpacing(0);
  outer->addWidget(BuildCoolBar());

  Splitter1 = new QSplitter(Qt::Horizontal, this);
  outer->addWidget(Splitter1, 1);
  BuildLeftColumn();
  // Right side: the file list over the pages.
  Splitter3 = new QSplitter(Qt::Vertical, Splitter1);
  BuildFileList();
  BuildPagesPanel();
  Splitter1->setStretchFactor(1, 1);
  Splitter2->setStretchFactor(0, 1);
  Splitter3->setStretchFactor(0, 1);
  outer->addWidget(BuildStatusBar());

  Timer1 = new QTimer(this);
  Timer1->setInterval(300);
  Timer1->setSingleShot(true);
}

// The cool bar: the text menus, then the tool bar.
QWidget* TfrmAdvMain::BuildCoolBar() {
  auto* coolBar = new QWidget(this);
  coolBar->setAutoFillBackground(true);
  QPalette cp = coolBar->palette();
  cp.setColor(QPalette::Window, QColor(236, 233, 216));
  coolBar->setPalette(cp);
  auto* coolLayout = new QVBoxLayout(coolBar);
  coolLayout->setContentsMargins(2, 0, 2, 0);
  coolLayout->setSpacing(0);
  auto* menus = new QMenuBar(coolBar);
  QMenu* file = menus->addMenu(QStringLiteral("文件"));
  file->addAction(OpenImage);
  file->addMenu(RecentImages);
  file->addSeparator();
  file->addAction(Scan);
  file->addAction(Stop);
  file->addSeparator();
  file->addAction(Recover);
  file->addSeparator();
  file->addAction(SaveImage);
  file->addSeparator();
  file->addAction(acClose);
  file->setToolTipsVisible(true);  // why "保存磁盘映像..." is off
  QMenu* options = menus->addMenu(QStringLiteral("选项"));
  options->setToolTipsVisible(true);
  options->addAction(FindByType);
  options->addAction(Showntfolder);
  options->addAction(OpenDir);
  QMenu* help = menus->addMenu(QStringLiteral("帮助"));
  help->addAction(acHelp);
  coolLayout->addWidget(menus);
  auto* tools = new QToolBar(coolBar);
  tools->setIconSize(QSize(24, 24));
  tools->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  tools->addAction(Scan);
  tools->addAction(PartiScan);
  tools->addAction(Stop);
  tools->addAction(Recover);
  tools->addSeparator();
  tools->addAction(Backward);
  tools->addAction(Forward);
  coolLayout->addWidget(tools);
  return coolBar;
}

// Left column: found folders over the disk tree.
void TfrmAdvMain::BuildLeftColumn() {
  Splitter2 = new QSplitter(Qt::Vertical, Splitter1);
  TreeView1 = NewTreeView(Splitter2);
  folderModel_ = new FolderTreeModel(
      {TreePicture(kImageScanResults), TreePicture(kImageSearchResults), FolderNodePicture()}, this);
  TreeView1->setModel(folderModel_);
  auto* panel8 = new QWidget(Splitter2);
  auto* panel8Layout = new QVBoxLayout(panel8);
  panel8Layout->setContentsMargins(0, 0, 0, 0);
  panel8Layout->setSpacing(0);
  Panel9 = new QLabel(panel8);
  Panel9->setFixedHeight(20);
  Panel9->setFont(controls::BoldUiFont());
  Panel9->setStyleSheet(QStringLiteral("color: red;"));
  panel8Layout->addWidget(Panel9);
  TreeView2 = new QTreeWidget(panel8);
  TreeView2->setHeaderHidden(true);
  TreeView2->setRootIsDecorated(false);
  TreeView2->setIndentation(19);
  TreeView2->setItemDelegate(new SelectedNodeDelegate(TreeView2));
  // A drive's caption is cut at the pane's width; hovering shows all of it.
  controls::ShowClippedTextOnHover(TreeView2);
  TreeView2->setContextMenuPolicy(Qt::ActionsContextMenu);
  TreeView2->addAction(Scan);
  TreeView2->addAction(Stop);
  TreeView2->addAction(FindByType);
  auto* separator = new QAction(TreeView2);
  separator->setSeparator(true);
  TreeView2->addAction(separator);
  TreeView2->addAction(PartiScan);
  auto* imageSeparator = new QAction(TreeView2);
  imageSeparator->setSeparator(true);
  TreeView2->addAction(imageSeparator);
  TreeView2->addAction(SaveImage);
  panel8Layout->addWidget(TreeView2, 1);
}

// The file list with its check menu.
void TfrmAdvMain::BuildFileList() {
  ListView1 = new QTreeView(Splitter3);
  fileModel_ = new RawFileListModel(this);
  fileModel_->SetSortMarkIcons(controls::SortMarkIcons().at(0), controls::SortMarkIcons().at(1));
  ListView1->setModel(fileModel_);
  ListView1->setRootIsDecorated(false);
  ListView1->setUniformRowHeights(true);
  ListView1->setSelectionMode(QAbstractItemView::ExtendedSelection);
  ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
  ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  ListView1->setDragEnabled(true);
  ListView1->setDragDropMode(QAbstractItemView::DragOnly);
  // Selected rows on pale yellow; the others alternate (the model's colours).
  ListView1->setStyleSheet(QStringLiteral(
      "QTreeView::item:selected { background: rgb(255,255,208); color: black; }"));
  ListView1->header()->setSectionsClickable(true);
  ListView1->header()->setSortIndicatorShown(false);
  ListView1->setContextMenuPolicy(Qt::CustomContextMenu);
  PopupMenu2 = new QMenu(ListView1);
  QAction* check = PopupMenu2->addAction(QStringLiteral("选择"));
  QAction* uncheck = PopupMenu2->addAction(QStringLiteral("取消选择"));
  PopupMenu2->addSeparator();
  QAction* checkAll = PopupMenu2->addAction(QStringLiteral("全部选择"));
  QAction* uncheckAll = PopupMenu2->addAction(QStringLiteral("全部取消选择"));
  PopupMenu2->addSeparator();
  PopupMenu2->addAction(Recover);
  PopupMenu2->addAction(acToParent);
  connect(check, &QAction::triggered, this, [this] { Check1Click(true); });
  connect(uncheck, &QAction::triggered, this, [this] { Check1Click(false); });
  connect(checkAll, &QAction::triggered, this, [this] { Checkall1Click(true); });
  connect(uncheckAll, &QAction::triggered, this, [this] { Checkall1Click(false); });
}

// The pages under the file list: the header hint and the file-system
// selector, the notebook and its tabs.
void TfrmAdvMain::BuildPagesPanel() {
  auto* panel3 = new QWidget(Splitter3);
  auto* panel3Layout = new QVBoxLayout(panel3);
  panel3Layout->setContentsMargins(0, 0, 0, 0);
  panel3Layout->setSpacing(0);
  auto* captionBar = new QWidget(panel3);
  captionBar->setFixedHeight(22);
  auto* captionLayout = new QHBoxLayout(captionBar);
  captionLayout->setContentsMargins(2, 0, 2, 0);
  Panel5 = new QLabel(captionBar);
  captionLayout->addWidget(Panel5, 1);
  auto* selector = new QWidget(captionBar);
  selector->setToolTip(QStringLiteral("文件系统选择器"));
  auto* selectorLayout = new QHBoxLayout(selector);
  selectorLayout->setContentsMargins(0, 0, 0, 0);
  RadioButton1 = new QRadioButton(QStringLiteral("0 个 FAT 条目"), selector);
  RadioButton2 = new QRadioButton(QStringLiteral("0 个 NTFS 条目"), selector);
  RadioButton1->setChecked(true);
  selectorLayout->addWidget(RadioButton1);
  selectorLayout->addWidget(RadioButton2);
  captionLayout->addWidget(selector);
  panel3Layout->addWidget(captionBar);
  Notebook1 = new QStackedWidget(panel3);
  BuildPages(Notebook1);
  panel3Layout->addWidget(Notebook1, 1);
  TabSet1 = new QTabBar(panel3);
  TabSet1->setShape(QTabBar::RoundedSouth);
  for (const char* caption : {"   属性   ", "   十六进制查看   ", "    查找    ", "   校正   ", "   应用程序日志   ", "   预览   "})
    TabSet1->addTab(QString::fromUtf8(caption));
  TabSet1->setStyleSheet(QStringLiteral("QTabBar { background: rgb(216,228,248); }"
                                        "QTabBar::tab:selected { background: rgb(187,209,247); }"));
  panel3Layout->addWidget(TabSet1);
}

QWidget* TfrmAdvMain::BuildStatusBar() {
  StatusBarEx1 = new controls::TStatusBarEx(this);
  StatusBarEx1->SetPanelWidths({147, 312, 50});
  ProgressBar1 = StatusBarEx1->AddProgressBar(1);
  ProgressBar1->setFixedWidth(305);
  statusPanel_ = std::make_unique<controls::StatusBarPanel>(StatusBarEx1, 0);
  progress_ = std::make_unique<controls::QtProgressBar>(ProgressBar1);

  return StatusBarEx1;
}

void TfrmAdvMain::BuildPages(QWidget* pages) {
  ListView2 = new controls::PropertiesPage(
      {QStringLiteral("文件名"), QStringLiteral("值")},
      {QStringLiteral("常规"), QStringLiteral("文件名"), QStringLiteral("类型"), QStringLiteral("大小"),
       QStringLiteral("分配"), QStringLiteral("创建日期"), QStringLiteral("修改日期"), QStringLiteral("访问日期"),
       QString(), QStringLiteral("属性"), QStringLiteral("只读"), QStringLiteral("系统"), QStringLiteral("存档"),
       QStringLiteral("隐藏"), QStringLiteral("压缩")},
      {0, 9}, pages);
  Notebook1->addWidget(ListView2);

  auto* panel11 = new QWidget(pages);
  auto* hexLayout = new QVBoxLayout(panel11);
  hexLayout->setContentsMargins(0, 0, 0, 0);
  hexPage_ = std::make_unique<controls::HexPage>(panel11, Panel5);
  hexLayout->addWidget(hexPage_->View());
  Notebook1->addWidget(panel11);

  SearchPage = new controls::SearchPanel(1024, pages);
  AdaptSearchPanelScope(*SearchPage);
  Notebook1->addWidget(SearchPage);

  auto* calibration = new QWidget(pages);
  calibration->setAutoFillBackground(true);
  QPalette white = calibration->palette();
  white.setColor(QPalette::Window, Qt::white);
  calibration->setPalette(white);
  auto* calibrationLayout = new QVBoxLayout(calibration);
  auto* text = new QLabel(QStringLiteral("遇到无法读取的 FAT 文件? 请从上面的文件列表中拖动 2 个文件到下面的文件框中，"
                                         "并单击“校正”按钮。然后再次尝试恢复您丢失的文件。"),
                          calibration);
  text->setWordWrap(true);
  calibrationLayout->addWidget(text);
  for (int box = 0; box < 2; ++box) {
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(box == 0 ? QStringLiteral("文件 A:") : QStringLiteral("文件 B:"), calibration));
    auto* edit = new QLineEdit(calibration);
    edit->setReadOnly(true);
    edit->setAcceptDrops(true);
    edit->installEventFilter(this);
    row->addWidget(edit, 1);
    calibrationLayout->addLayout(row);
    (box == 0 ? Edit2 : Edit3) = edit;
  }
  auto* adjust = new QPushButton(QStringLiteral("校正"), calibration);
  connect(adjust, &QPushButton::clicked, this, [this] { AdjustExecute(); });
  calibrationLayout->addWidget(adjust, 0, Qt::AlignLeft);
  calibrationLayout->addStretch(1);
  Notebook1->addWidget(calibration);
  ForgetCalibrationFiles();

  // The log brings its own pop-up menu ("清空日志").
  ListView3 = new controls::EventLogView(controls::AdvancedLogIcons(), pages);
  Notebook1->addWidget(ListView3);
  Preview = new controls::PreviewPage(pages);
  Notebook1->addWidget(Preview);
}

void TfrmAdvMain::ConnectSignals() {
  connect(Scan, &QAction::triggered, this, [this] { ScanExecute(); });
  connect(PartiScan, &QAction::triggered, this, [this] { PartiScanExecute(); });
  connect(Stop, &QAction::triggered, this, [this] { StopExecute(); });
  connect(Recover, &QAction::triggered, this, [this] { RecoverExecute(); });
  connect(SaveImage, &QAction::triggered, this, [this] { SaveImageExecute(); });
  connect(OpenImage, &QAction::triggered, this, [this] { OpenImageExecute(); });
  connect(RecentImages, &QMenu::aboutToShow, this, [this] { FillRecentImagesMenu(); });
  connect(Backward, &QAction::triggered, this, [this] { BackwardExecute(); });
  connect(Forward, &QAction::triggered, this, [this] { ForwardExecute(); });
  connect(acToParent, &QAction::triggered, this, [this] { acToParentExecute(); });
  connect(Showntfolder, &QAction::triggered, this, [this] { ShowntfolderClick(); });
  connect(acHelp, &QAction::triggered, this, [this] { acHelpExecute(); });
  connect(acClose, &QAction::triggered, this, [this] { close(); });
  connect(RadioButton1, &QRadioButton::clicked, this, [this] { RadioButton1Click(); });
  connect(RadioButton2, &QRadioButton::clicked, this, [this] { RadioButton2Click(); });
  connect(TreeView2, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* now, QTreeWidgetItem* before) {
    TreeView2Changing(now, before);
    UpdateSaveImageAction();
  });
  connect(TreeView2, &QTreeWidget::itemCollapsed, this, [](QTreeWidgetItem* item) { item->setExpanded(true); });
  connect(TreeView1->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& now, const QModelIndex& before) { TreeView1Changing(now, before); });
  connect(ListView1->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          [this] { ListView1Change(); });
  connect(ListView1, &QTreeView::doubleClicked, this, [this] { ListView1DblClick(); });
  connect(ListView1->header(), &QHeaderView::sectionClicked, this, [this](int c) { ListView1ColumnClick(c); });
  connect(ListView1, &QTreeView::customContextMenuRequested, this, [this](const QPoint& at) {
    acToParent->setEnabled(TreeView1->currentIndex() == folderModel_->SearchIndex());
    PopupMenu2->popup(ListView1->viewport()->mapToGlobal(at));
  });
  connect(TabSet1, &QTabBar::currentChanged, this, [this](int tab) { TabSet1Click(tab); });
  connect(SearchPage, &controls::SearchPanel::SearchClicked, this, [this] { Button1Click(); });
  connect(Timer1, &QTimer::timeout, this, [this] { FlashDriveHint(2); });
  connect(Splitter2, &QSplitter::splitterMoved, this, [this] { MatchBottomPanels(Splitter2, Splitter3); });
  connect(Splitter3, &QSplitter::splitterMoved, this, [this] { MatchBottomPanels(Splitter3, Splitter2); });
}

void TfrmAdvMain::FormShow() {
  if (shown_) return;
  shown_ = true;
  ProgressBar1->setValue(0);
  readErrors_ = std::make_unique<controls::ReadErrorDisplay>(this, ListView3, showBox_);
  driveList_ = std::make_unique<physical::TPhysicalDriveList>(physical::PhysicalWindow{*ListView3, *boxes_, *pump_});
  TreeView2->clear();
  computerNode_ = AddComputerNode(TreeView2);
  selectedDrive_ = nullptr;
  for (size_t i = 0; i < driveList_->Count(); ++i) {
    selectedDrive_ = driveList_->Items[i].get();
    AddPartitionNode(computerNode_, *selectedDrive_, static_cast<int>(i), selectedDrive_->WholeDisk());
  }
  computerNode_->setExpanded(true);
  UpdateSaveImageAction();
  hexPage_->ShowBanner(QByteArray::fromStdString(platform::SystemText("感谢您使用 Tarnwell。")));
  hexPage_->View()->SetAddressColor(QColor(86, 83, 255));
  hexPage_->View()->SetHexDataColor(QColor(128, 128, 128));
  hexPage_->View()->SetAnsiCharColor(QColor(128, 128, 128));
  hexPage_->View()->SetShowAddress(true);
  history_ = controls::TRecentFiles();
  UpdateHistoryButtons();
  ListView3->Add(QStringLiteral("高级恢复已开始"), 0);
  AddLockedDiskNodes();
  platform::ProfileFile file(settingsPath_);
  ApplySettings(ReadAdvSettings(file, screenWidth_));
  Timer1->start();
}

void TfrmAdvMain::ApplySettings(const AdvSettings& s) {
  Splitter1->setSizes({s.leftColumnWidth, std::max(1, width() - s.leftColumnWidth)});
  const int total = std::max(Splitter2->height(), s.diskTreeHeight + 100);
  Splitter2->setSizes({total - s.diskTreeHeight, s.diskTreeHeight});
  Splitter3->setSizes({total - s.diskTreeHeight, s.diskTreeHeight});
  for (int i = 0; i < 5; ++i) ListView1->setColumnWidth(i, s.fileListWidths[static_cast<size_t>(i)]);
  ListView1->setColumnWidth(kColumnState, 60);  // not in the settings file, whose format is fixed
  ListView2->setColumnWidth(0, s.propertyWidths[0]);
  ListView2->setColumnWidth(1, s.propertyWidths[1]);
  ListView3->setColumnWidth(0, s.logWidths[0]);
  ListView3->setColumnWidth(1, s.logWidths[1]);
  Showntfolder->setChecked(s.showNtFolders);
  OpenDir->setChecked(s.openDestDir);
  FindByType->setChecked(s.carveBeside);
}

AdvSettings TfrmAdvMain::CurrentSettings() const {
  AdvSettings s;
  s.leftColumnWidth = Splitter1->sizes().value(0);
  s.diskTreeHeight = Splitter2->sizes().value(1);
  for (int i = 0; i < 5; ++i) s.fileListWidths[static_cast<size_t>(i)] = ListView1->columnWidth(i);
  s.propertyWidths = {ListView2->columnWidth(0), ListView2->columnWidth(1)};
  s.logWidths = {ListView3->columnWidth(0), ListView3->columnWidth(1)};
  s.showNtFolders = Showntfolder->isChecked();
  s.openDestDir = OpenDir->isChecked();
  s.carveBeside = FindByType->isChecked();
  return s;
}

void TfrmAdvMain::SaveSettings() {
  platform::ProfileFile file(settingsPath_);
  WriteAdvSettings(file, CurrentSettings());  // a failed write is not reported
}

void TfrmAdvMain::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  FormShow();
}

void TfrmAdvMain::closeEvent(QCloseEvent* event) {
  // Closing under a running command would free the drives it works on.
  if (Busy()) {
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);  // a visible dialog closes through reject()
}

void TfrmAdvMain::keyPressEvent(QKeyEvent* event) {
  // A dialog takes Esc as "close"; here it would throw away hours of scan.
  if (controls::IsCloseByEscape(event)) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

void TfrmAdvMain::reject() {
  if (Busy()) return;  // "关闭" or the close box during a scan, a search or a recovery
  if (shown_ && !controls::MayCloseWindow(ask_, this, HoldsScanResults(),
                                          static_cast<int>(fileModel_->CheckedRows().size())))
    return;
  if (shown_) SaveSettings();
  selectedDrive_ = nullptr;
  readErrors_.reset();
  QDialog::reject();
}

bool TfrmAdvMain::eventFilter(QObject* watched, QEvent* event) {
  const int box = watched == Edit2 ? 0 : watched == Edit3 ? 1 : -1;
  const QEvent::Type type = event->type();
  if (box < 0 || (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop))
    return QDialog::eventFilter(watched, event);
  auto* drop = static_cast<QDropEvent*>(event);
  // Only rows of this window's file list are taken: the drag carries the
  // list's item data, and its source (when the toolkit knows it) is the list.
  const bool fromList = (drop->source() == ListView1 || !drop->source()) && drop->mimeData() &&
                        drop->mimeData()->hasFormat(QStringLiteral("application/x-qabstractitemmodeldatalist"));
  if (!fromList || !CalibrationDropAccepted()) {
    drop->ignore();
    return true;
  }
  drop->acceptProposedAction();
  if (type == QEvent::Drop) CalibrationDrop(box);
  return true;
}

void TfrmAdvMain::acHelpExecute() {
  if (!controls::OpenHelpTopic(opener_, "AdvRecovery.htm"))
    ShowBox(controls::BoxKind::kError, controls::HelpNotOpenedText());
}

void TfrmAdvMain::FlashDriveHint(int times) {
  for (int i = 0; i < times; ++i) {
    pump_->Pump();
    Panel9->setText(QStringLiteral(" 请选择一个驱动器进行扫描。"));
    Panel9->repaint();
    WaitMilliseconds(300);
    Panel9->clear();
    Panel9->repaint();
    WaitMilliseconds(300);
  }
}

}  // namespace tarnwell::advanced
