#include "controls/scan_config.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSlider>

#include "controls/ui_fonts.h"

namespace tarnwell::controls {
namespace {

// One end of the range: a group box with a track bar, a field and "MB".
QGroupBox* RangeGroup(QWidget* parent, const QString& caption, int top, QSlider** slider,
                      QLineEdit** edit) {
  auto* group = new QGroupBox(caption, parent);
  group->setGeometry(16, top, 367, 72);
  *slider = new QSlider(Qt::Horizontal, group);
  (*slider)->setGeometry(10, 24, 260, 36);
  (*slider)->setTickPosition(QSlider::TicksBelow);
  (*slider)->setRange(0, 0);
  *edit = new QLineEdit(QStringLiteral("0"), group);
  (*edit)->setGeometry(280, 28, 50, 22);
  // Digits only, as a numbers-only edit field: no sign, no blanks.
  (*edit)->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), *edit));
  auto* unit = new QLabel(QStringLiteral("MB"), group);
  unit->setGeometry(336, 30, 26, 18);
  QLineEdit* target = *edit;
  QObject::connect(*slider, &QSlider::valueChanged, target,
                   [target](int value) { target->setText(QString::number(value)); });
  return group;
}

}  // namespace

TfrmScanConfig::TfrmScanConfig(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("指定扫描范围"));
  setFont(controls::UiFont());
  setFixedSize(399, 231);

  auto* scanLabel = new QLabel(QStringLiteral("扫描:"), this);
  scanLabel->setGeometry(18, 12, 40, 18);
  auto* wholeDisk = new QRadioButton(QStringLiteral("整个磁盘"), this);
  wholeDisk->setGeometry(62, 10, 120, 22);
  wholeDisk->setChecked(true);

  RangeGroup(this, QStringLiteral(" 起始 (最少 0 MB) "), 38, &TrackBar1, &Edit1);
  GroupBox2 = RangeGroup(this, QStringLiteral(" 结束 (最大 0 MB) "), 116, &TrackBar2, &Edit2);

  auto* ok = new QPushButton(QStringLiteral("确定"), this);
  ok->setGeometry(222, 197, 75, 25);
  ok->setAutoDefault(false);
  auto* cancel = new QPushButton(QStringLiteral("取消"), this);
  cancel->setGeometry(308, 197, 75, 25);
  cancel->setAutoDefault(false);
  connect(ok, &QPushButton::clicked, this, &TfrmScanConfig::Button1Click);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TfrmScanConfig::Prepare(uint64_t totalSectors) {
  total_ = totalSectors;
  ScanRangeScale scale = ScanRangeScaleFor(totalSectors);
  for (QSlider* slider : {TrackBar1, TrackBar2}) {
    slider->setMaximum(scale.sizeMb);
    slider->setTickInterval(scale.tickFrequency);
    slider->setPageStep(scale.tickFrequency);
  }
  GroupBox2->setTitle(QStringLiteral(" 结束 (最大 %1 MB) ").arg(scale.sizeMb));
  // "整个磁盘" is ticked: the range starts as the whole entry.
  TrackBar1->setValue(0);
  Edit1->setText(QStringLiteral("0"));
  TrackBar2->setValue(scale.sizeMb);
  Edit2->setText(QString::number(scale.sizeMb));
}

void TfrmScanConfig::Button1Click() {
  ScanRangeResult range =
      EvaluateScanRange(Edit1->text().toStdString(), Edit2->text().toStdString(), total_);
  switch (range.verdict) {
    case ScanRangeVerdict::kOutOfRange:
      showBox_(this, controls::BoxKind::kError, QStringLiteral("扇区范围超出限制。"));
      return;
    case ScanRangeVerdict::kEmpty:
      // Start and end on the same megabyte: say why nothing happens.
      showBox_(this, controls::BoxKind::kWarning,
               QStringLiteral("扫描范围为空：起始和结束位置相同。请指定大于起始位置的结束位置。"));
      return;
    case ScanRangeVerdict::kAccept:
      startSector_ = range.startSector;
      sectorCount_ = range.sectorCount;
      accept();
      return;
  }
}

}  // namespace tarnwell::controls
