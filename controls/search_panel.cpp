#include "controls/search_panel.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <algorithm>
#include <climits>

#include "controls/display_format.h"
#include "controls/ui_fonts.h"

namespace tarnwell::controls {
namespace {

QCheckBox* BoldCheck(const QString& text, QWidget* parent) {
  auto* box = new QCheckBox(text, parent);
  box->setFont(BoldUiFont());
  return box;
}

QDateEdit* DatePicker(QWidget* parent) {
  auto* picker = new QDateEdit(parent);
  picker->setCalendarPopup(true);
  picker->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
  return picker;
}

QSpinBox* SizeSpin(QWidget* parent) {
  auto* spin = new QSpinBox(parent);
  spin->setRange(-INT_MAX, INT_MAX);
  return spin;
}

double DayValue(const QDate& d) { return DayStartValue(d.year(), d.month(), d.day()); }

}  // namespace

SearchPanel::SearchPanel(int64_t kiloBytes, QWidget* parent)
    : QWidget(parent), kiloBytes_(kiloBytes) {
  setAutoFillBackground(true);
  setStyleSheet(QStringLiteral(
      "QFrame#SearchBox { background: rgb(227,227,227); border: 1px solid rgb(162,162,162);"
      " border-radius: 8px; }"));
  QPalette pal = palette();
  pal.setColor(QPalette::Window, Qt::white);
  setPalette(pal);

  auto* outer = new QVBoxLayout(this);
  auto* box = new QFrame(this);
  box->setObjectName(QStringLiteral("SearchBox"));
  outer->addWidget(box);
  outer->addStretch();
  auto* grid = new QGridLayout(box);
  grid->setHorizontalSpacing(6);
  grid->setVerticalSpacing(4);
  int row = 0;

  CheckBox2 = BoldCheck(QStringLiteral("按文件名"), box);
  grid->addWidget(CheckBox2, row++, 0, 1, 5);
  Edit1 = new QLineEdit(box);
  Edit1->setPlaceholderText(QStringLiteral("使用 ',' 分隔文件名"));
  Edit1->setToolTip(QStringLiteral("使用 ',' 分隔文件名"));
  grid->addWidget(Edit1, row, 0, 1, 3);
  CheckBox1 = new QCheckBox(QStringLiteral("区分大小写"), box);
  grid->addWidget(CheckBox1, row++, 3, 1, 2);

  CheckBox3 = BoldCheck(QStringLiteral("按日期"), box);
  grid->addWidget(CheckBox3, row++, 0, 1, 5);
  grid->addWidget(new QLabel(QStringLiteral("类型"), box), row, 0);
  ComboBox1 = new QComboBox(box);
  ComboBox1->addItems({QStringLiteral("创建时间"), QStringLiteral("修改时间"),
                       QStringLiteral("访问时间")});
  grid->addWidget(ComboBox1, row, 1);
  grid->addWidget(new QLabel(QStringLiteral("日期"), box), row, 2);
  ComboBox3 = new QComboBox(box);
  ComboBox3->addItems({QStringLiteral("今天"), QStringLiteral("过去 7 天"),
                       QStringLiteral("过去 30 天"), QStringLiteral("过去 12 个月"),
                       QStringLiteral("指定")});
  grid->addWidget(ComboBox3, row++, 3, 1, 2);
  grid->addWidget(new QLabel(QStringLiteral("从"), box), row, 0);
  DateTimePicker1 = DatePicker(box);
  grid->addWidget(DateTimePicker1, row, 1);
  grid->addWidget(new QLabel(QStringLiteral("至"), box), row, 2);
  DateTimePicker2 = DatePicker(box);
  grid->addWidget(DateTimePicker2, row++, 3, 1, 2);

  CheckBox4 = BoldCheck(QStringLiteral("按大小"), box);
  grid->addWidget(CheckBox4, row++, 0, 1, 5);
  grid->addWidget(new QLabel(QStringLiteral("从"), box), row, 0);
  SpinEdit1 = SizeSpin(box);
  grid->addWidget(SpinEdit1, row, 1);
  grid->addWidget(new QLabel(QStringLiteral("至"), box), row, 2);
  SpinEdit2 = SizeSpin(box);
  grid->addWidget(SpinEdit2, row, 3);
  grid->addWidget(new QLabel(QStringLiteral("KB"), box), row++, 4);

  auto* scope = new QGroupBox(QStringLiteral(" 查找范围 "), box);
  auto* scopeLayout = new QHBoxLayout(scope);
  DeletedOnly = new QRadioButton(QStringLiteral("已删除文件"), scope);
  AllFiles = new QRadioButton(QStringLiteral("全部文件"), scope);
  DeletedOnly->setChecked(true);
  scopeLayout->addWidget(DeletedOnly);
  scopeLayout->addWidget(AllFiles);
  grid->addWidget(scope, row, 0, 1, 3);
  Button1 = new QPushButton(QStringLiteral("搜索"), box);
  grid->addWidget(Button1, row, 3, 1, 2, Qt::AlignBottom);
  ++row;
  PlaceLabel = new QLabel(box);
  PlaceLabel->setTextFormat(Qt::PlainText);
  PlaceLabel->hide();
  grid->addWidget(PlaceLabel, row, 0, 1, 5);
  grid->setColumnStretch(1, 1);
  grid->setColumnStretch(3, 1);

  connect(ComboBox3, &QComboBox::currentIndexChanged, this, [this] { ComboBox3Change(); });
  connect(Button1, &QPushButton::clicked, this, &SearchPanel::SearchClicked);
  ComboBox3Change();
}

void SearchPanel::SetSearchPlace(const QString& place) {
  PlaceLabel->setText(QStringLiteral("搜索位置: ") + place);
  PlaceLabel->setVisible(!place.isEmpty());
}

void SearchPanel::Reset() {
  ComboBox1->setCurrentIndex(0);
  const QSignalBlocker block(ComboBox3);
  ComboBox3->setCurrentIndex(0);
  ComboBox3Change();
}

void SearchPanel::ComboBox3Change() {
  const int index = ComboBox3->currentIndex();
  const bool specify = index == 4;
  DateTimePicker1->setEnabled(specify);
  DateTimePicker2->setEnabled(specify);
  if (specify) return;
  static constexpr int kDaysBack[] = {0, 7, 30, 365};
  const QDate today = today_();
  DateTimePicker2->setDate(today);
  DateTimePicker1->setDate(today.addDays(-kDaysBack[std::clamp(index, 0, 3)]));
}

std::optional<SearchRequest> SearchPanel::Criteria() {
  const QString names = Edit1->text().trimmed();
  const bool byName = CheckBox2->isChecked() && !names.isEmpty();
  if (!byName && !CheckBox3->isChecked() && !CheckBox4->isChecked()) {
    showBox_(window(), BoxKind::kWarning, QStringLiteral("您必须至少指定 1 项搜索条件。"));
    return std::nullopt;
  }
  if (SpinEdit1->value() < 0 || SpinEdit2->value() < 0) {
    showBox_(window(), BoxKind::kError, QStringLiteral("文件大小不能小于 0。"));
    return std::nullopt;
  }
  SearchRequest r;
  r.names = CheckBox2->isChecked() ? names : QString();
  r.caseSensitive = CheckBox1->isChecked();
  r.deletedOnly = DeletedOnly->isChecked();
  if (CheckBox4->isChecked()) {
    const int64_t a = SpinEdit1->value(), b = SpinEdit2->value();
    r.sizeMin = std::min(a, b) * kiloBytes_;
    r.sizeMax = std::max(a, b) * kiloBytes_;
  }
  if (CheckBox3->isChecked()) {
    const QDate a = DateTimePicker1->date(), b = DateTimePicker2->date();
    r.dateFrom = DayValue(std::min(a, b));
    r.dateTo = DayValue(std::max(a, b).addDays(1));
  }
  r.dateKind = ComboBox1->currentIndex();
  return r;
}

}  // namespace tarnwell::controls
