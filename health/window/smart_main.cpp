#include "health/window/smart_main.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <utility>

#include "controls/help_opener.h"
#include "controls/row_colours.h"
#include "controls/status_bar_ex.h"
#include "controls/ui_fonts.h"
#include "health/attribute_names.h"
#include "health/drive_identity_text.h"
#include "health/smart_list.h"
#include "health/smart_verdict.h"
#include "health/window/smart_pictures.h"
#include "platform/text_codec.h"

namespace tarnwell::health::window {
namespace {

const QColor kWindowColour(236, 233, 216);

// Text from the drive, for a label: system code page to Qt, with no
// control character of the drive's left in it.
QString DriveText(const std::string& system) {
  return QString::fromStdString(PrintableDriveText(platform::SystemToUtf8(system)));
}

// A refresh may wait on slow drives; the pointer shows it and is put back
// on every way out.
class WaitCursor {
 public:
  WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};

struct Column {
  const char* caption;
  int width;
};
constexpr Column kColumns[] = {{"属性名称", 240}, {"ID", 35},        {"最差", 60}, {"值", 60},
                               {"阈值", 70},     {"原始数据", 120}, {"平均", 90}, {"状态", 100}};
constexpr int kThresholdColumn = 4;

// Keeps the error boxes of an attribute read until the window shows the
// drive they are about: raised in the middle of the read, a box would
// stand over the previous drive's rows and labels.
class HeldBoxes final : public engine::MessageBoxes {
 public:
  void Error(const std::string& text) override { held.push_back({controls::BoxKind::kError, text}); }
  void Warning(const std::string& text) override { held.push_back({controls::BoxKind::kWarning, text}); }
  void Information(const std::string& text) override {
    held.push_back({controls::BoxKind::kInformation, text});
  }
  std::vector<std::pair<controls::BoxKind, std::string>> held;
};

}  // namespace

QString NoDriveText(const platform::SmartDriveTable::ProbeSummary& probe) {
  if (probe.denied > 0)
    return QStringLiteral(" 未找到 IDE 硬盘驱动器：没有访问硬盘的权限 (需要 root 权限)。");
  if (probe.probed && probe.candidates == 0)
    return QStringLiteral(" 未找到 IDE 硬盘驱动器：本机没有 ATA 硬盘。");
  if (probe.probed) return QStringLiteral(" 未找到 IDE 硬盘驱动器：没有硬盘回应 ATA 识别命令。");
  return QStringLiteral(" 未找到 IDE 硬盘驱动器。");
}

TfrmSmart::TfrmSmart(QWidget* parent, controls::DesktopOpener opener, controls::BoxShower showBox)
    : QDialog(parent), opener_(std::move(opener)), showBox_(std::move(showBox)) {
  setWindowTitle(QStringLiteral("Tarnwell - IDE 硬盘健康诊断"));
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
  setFont(controls::UiFont());
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, kWindowColour);
  setPalette(pal);
  resize(800, 600);
  setWindowState(Qt::WindowMaximized);

  auto* root = new QVBoxLayout(this);
  root->setContentsMargins(0, 0, 0, 0);
  root->setSpacing(0);
  BuildMenus();
  root->setMenuBar(MainMenu1);

  auto* body = new QVBoxLayout();
  body->setContentsMargins(8, 6, 8, 4);
  body->setSpacing(6);
  auto* top = new QHBoxLayout();
  top->setSpacing(16);
  top->addWidget(BuildDriveBox());
  top->addWidget(BuildDetailPane(), 1);
  body->addLayout(top);

  ListView1 = new QTreeWidget(this);
  ListView1->setRootIsDecorated(false);
  ListView1->setItemsExpandable(false);
  ListView1->setUniformRowHeights(true);
  ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
  ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
  ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  ListView1->setIconSize(QSize(kRowImageSize, kRowImageSize));
  ListView1->setItemDelegate(new controls::TRowColourDelegate(ListView1));
  QStringList captions;
  for (const Column& column : kColumns) captions << QString::fromUtf8(column.caption);
  ListView1->setHeaderLabels(captions);
  ListView1->header()->setStretchLastSection(false);
  ListView1->header()->setSectionsMovable(false);
  for (int i = 0; i < ListView1->columnCount(); ++i) ListView1->setColumnWidth(i, kColumns[i].width);
  connect(ListView1, &QTreeWidget::itemSelectionChanged, this, &TfrmSmart::ListView1SelectItem);
  body->addWidget(ListView1, 1);
  body->addWidget(BuildLegend());
  root->addLayout(body, 1);

  StatusBar1 = new controls::TStatusBarEx(this);
  StatusBar1->SetPanelWidths({200});  // one panel over the whole bar
  root->addWidget(StatusBar1);
}

void TfrmSmart::BuildMenus() {
  MainMenu1 = new QMenuBar(this);
  QMenu* drives = MainMenu1->addMenu(QStringLiteral("驱动器"));
  RefreshAction = drives->addAction(QStringLiteral("刷新驱动器列表"));
  ImageAction = drives->addAction(QStringLiteral("创建磁盘映像..."));
  // The reason the command is off is its tooltip.
  drives->setToolTipsVisible(true);
  drives->addSeparator();
  CloseAction = drives->addAction(QStringLiteral("关闭"));
  CloseAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_X));
  QMenu* help = MainMenu1->addMenu(QStringLiteral("帮助"));
  HelpAction = help->addAction(QStringLiteral("目录"));
  HelpAction->setShortcut(QKeySequence(Qt::Key_F1));
  // The shortcuts work while the menu bar is closed.
  addAction(CloseAction);
  addAction(HelpAction);
  connect(RefreshAction, &QAction::triggered, this, &TfrmSmart::RefreshDriveList);
  connect(CloseAction, &QAction::triggered, this, &TfrmSmart::CloseExecute);
  connect(HelpAction, &QAction::triggered, this, &TfrmSmart::HelpExecute);
  connect(ImageAction, &QAction::triggered, this, &TfrmSmart::ImageExecute);
  UpdateImageAction(-1);

}

QGroupBox* TfrmSmart::BuildDriveBox() {
  const QString title = QStringLiteral(" 检测到的硬盘驱动器:");
  // The blanks after the caption keep the frame's top edge clear where the
  // drop-down lies over it.
  GroupBox1 = new QGroupBox(title + QString(80, QLatin1Char(' ')), this);
  GroupBox1->setFixedSize(440, 132);
  ComboBox1 = new QComboBox(GroupBox1);
  ComboBox1->setEditable(false);
  const int comboLeft = GroupBox1->fontMetrics().horizontalAdvance(title) + 18;
  ComboBox1->setGeometry(comboLeft, 0, 430 - comboLeft, 22);
  connect(ComboBox1, &QComboBox::activated, this, &TfrmSmart::ComboBox1Change);

  const char* captions[] = {"容量", "固件版本", "序列号", "S.M.A.R.T."};
  QLabel** values[] = {&Label5, &Label6, &Label7, &Label8};
  for (int i = 0; i < 4; ++i) {
    auto* caption = new QLabel(QString::fromUtf8(captions[i]), GroupBox1);
    caption->setGeometry(16, 32 + 24 * i, 90, 18);
    auto* value = new QLabel(GroupBox1);
    value->setGeometry(110, 32 + 24 * i, 316, 18);
    value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    *values[i] = value;
  }
  return GroupBox1;
}

QWidget* TfrmSmart::BuildDetailPane() {
  auto* pane = new QWidget(this);
  auto* grid = new QGridLayout(pane);
  grid->setContentsMargins(0, 4, 0, 0);
  grid->setHorizontalSpacing(8);
  grid->setVerticalSpacing(4);
  const auto caption = [pane](const char* text) {
    auto* label = new QLabel(QString::fromUtf8(text), pane);
    label->setFont(controls::BoldUiFont());
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
  };
  Label10 = new QLabel(pane);
  Label12 = new QLabel(pane);
  Memo1 = new QPlainTextEdit(pane);
  Memo1->setReadOnly(true);
  Memo1->setFrameShape(QFrame::NoFrame);
  Memo1->viewport()->setAutoFillBackground(false);
  Memo1->setFixedHeight(50);
  Label15 = new QLabel(pane);
  SpeedButton1 = new QToolButton(pane);
  SpeedButton1->setAutoRaise(true);
  SpeedButton1->setIcon(QuestionMarkPicture());
  SpeedButton1->setIconSize(QSize(14, 14));
  SpeedButton1->setFixedSize(20, 20);
  connect(SpeedButton1, &QToolButton::clicked, this, &TfrmSmart::SpeedButton1Click);

  grid->addWidget(caption("属性名称:"), 0, 0);
  grid->addWidget(Label10, 0, 1, 1, 2);
  grid->addWidget(caption("属性 ID:"), 1, 0);
  grid->addWidget(Label12, 1, 1, 1, 2);
  grid->addWidget(caption("简要描述:"), 2, 0);
  grid->addWidget(Memo1, 2, 1, 1, 2);
  grid->addWidget(caption("PW 属性:"), 3, 0);
  auto* pw = new QHBoxLayout();
  pw->setSpacing(4);
  pw->addWidget(Label15);
  pw->addWidget(SpeedButton1);
  pw->addStretch(1);
  grid->addLayout(pw, 3, 1, 1, 2);
  grid->setColumnStretch(2, 1);
  grid->setRowStretch(4, 1);
  ClearDetailPane();
  return pane;
}

QWidget* TfrmSmart::BuildLegend() {
  auto* legend = new QWidget(this);
  auto* row = new QHBoxLayout(legend);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(4);
  const struct {
    int image;
    const char* text;
  } entries[] = {{kImageTick, "正常值"},
                 {kImageWarning, "警告! 备份重要数据"},
                 {kImageDanger, "危险! 更换该硬盘"}};
  for (const auto& entry : entries) {
    auto* picture = new QLabel(legend);
    picture->setPixmap(SmartRowPixmap(static_cast<size_t>(entry.image)));
    row->addWidget(picture);
    row->addWidget(new QLabel(QString::fromUtf8(entry.text), legend));
    row->addSpacing(20);
  }
  row->addStretch(1);
  return legend;
}

void TfrmSmart::paintEvent(QPaintEvent* event) {
  QDialog::paintEvent(event);
  if (listRequested_) return;
  listRequested_ = true;
  // Shown is not yet painted: under a window manager the first paint comes
  // after the window is mapped, and a box opened before it would stand over
  // an empty frame.
  QTimer::singleShot(0, this, &TfrmSmart::RefreshDriveList);
}

void TfrmSmart::RefreshDriveList() {
  driveListRead_ = true;
  DriveIdentities.clear();
  ComboBox1->clear();
  {
    // Only around the drives' answers: an error box of the attribute
    // read below must not come up under a busy pointer.
    WaitCursor wait;
    DriveIdentities = ListSmartDrives();
  }
  for (const TDriveIdentity& identity : DriveIdentities)
    ComboBox1->addItem(DriveText(ModelEntryText(identity)));
  if (DriveIdentities.empty()) {
    // Nothing listed any more: nothing of a drive that was may stay.
    ClearDriveDisplay();
    SetStatusText(NoDriveText(platform::SmartDriveTable::Instance().LastProbe()));
    return;
  }
  ComboBox1->setCurrentIndex(0);
  ComboBox1Change();
}

void TfrmSmart::ComboBox1Change() {
  const int index = ComboBox1->currentIndex();
  if (index < 0 || static_cast<size_t>(index) >= DriveIdentities.size()) return;
  const TDriveIdentity& identity = DriveIdentities[static_cast<size_t>(index)];
  Label5->setText(QString::fromStdString(CapacityText(identity)));
  Label6->setText(DriveText(FirmwareText(identity)));
  Label7->setText(DriveText(SerialText(identity)));
  SetStatusText(QString());
  const int verdict = FillSmartList(identity.DriveNumber());
  UpdateImageAction(verdict);
  if (verdict < 0) {
    Label8->clear();
    if (!heldBoxes_.empty()) SetStatusText(QLatin1Char(' ') + controls::FromSystem(heldBoxes_.back().second));
  } else {
    Label8->setText(QStringLiteral("启用"));
    SetStatusText(controls::FromSystem(SmartReportText(verdict)));
  }
  // Now that the window shows this drive, the boxes of its read.
  for (const auto& [kind, text] : std::exchange(heldBoxes_, {})) showBox_(this, kind, controls::FromSystem(text));
}

int TfrmSmart::FillSmartList(uint8_t drive) {
  ListView1->setUpdatesEnabled(false);
  ClearAttributeList();
  HeldBoxes boxes;
  std::vector<TSmartRow> rows;
  const int verdict = health::FillSmartList(drive, rows, boxes);
  heldBoxes_ = std::move(boxes.held);
  QList<QTreeWidgetItem*> items;
  for (const TSmartRow& row : rows) {
    auto* item = new QTreeWidgetItem(QStringList{
        controls::FromSystem(row.caption), QString::fromStdString(row.idText),
        QString::fromStdString(row.worstText), QString::fromStdString(row.valueText),
        QString::fromStdString(row.thresholdText), QString::fromStdString(row.rawText),
        controls::FromSystem(row.average), controls::FromSystem(row.statusText)});
    item->setIcon(0, SmartRowImages()[static_cast<size_t>(row.image)]);
    items << item;
  }
  ListView1->addTopLevelItems(items);
  ListView1->setUpdatesEnabled(true);
  return verdict;
}

void TfrmSmart::ListView1SelectItem() {
  const QList<QTreeWidgetItem*> selected = ListView1->selectedItems();
  if (selected.size() != 1) return;
  const QTreeWidgetItem* item = selected.front();
  const uint8_t id = static_cast<uint8_t>(item->text(1).toUInt(nullptr, 16) & 0xFF);
  Label10->setText(controls::FromSystem(GetAttributeName(id)));
  Label12->setText(QStringLiteral("%1").arg(id, 2, 16, QLatin1Char('0')).toUpper());
  Memo1->setPlainText(controls::FromSystem(GetAttributeDescription(id)));
  Label15->setText(item->text(kThresholdColumn) == QStringLiteral("0") ? QStringLiteral("否")
                                                                       : QStringLiteral("是"));
}

void TfrmSmart::SpeedButton1Click() {
  showBox_(this, controls::BoxKind::kInformation,
           QStringLiteral("PW 属性(预失效担保属性) - 指示一个预\n"
                          "失效情形(由超过阈值引起)，预计了紧\n"
                          "急的数据丢失。"));
}

void TfrmSmart::HelpExecute() { controls::OpenHelpTopic(opener_, "Smart.htm"); }

void TfrmSmart::CloseExecute() { reject(); }

void TfrmSmart::SetStatusText(const QString& text) { StatusBar1->SetPanelText(0, text); }

void TfrmSmart::ClearDetailPane() {
  Label10->clear();
  Label12->clear();
  Memo1->clear();
  Label15->setText(QStringLiteral("无"));
}

void TfrmSmart::ClearAttributeList() {
  ListView1->clear();
  ClearDetailPane();
}

void TfrmSmart::ClearDriveDisplay() {
  for (QLabel* label : {Label5, Label6, Label7, Label8}) label->clear();
  ClearAttributeList();
  SetStatusText(QString());
  UpdateImageAction(-1);
}

}  // namespace tarnwell::health::window
