#pragma once
// The search page of a recovery window: names, a date range on one of
// three stamps, a size range and the scope (deleted entries or all). It
// checks what the user typed and hands the criteria back; the window runs
// the search.
#include <QDate>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <optional>

#include "controls/message_boxes.h"

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace tarnwell::controls {

struct SearchRequest {
  QString names;          // trimmed; empty: no name criterion
  bool caseSensitive = false;
  bool deletedOnly = true;
  int64_t sizeMin = -1;   // bytes; both -1: no size criterion
  int64_t sizeMax = -1;
  double dateFrom = 0;    // date-time values; both 0: no date criterion
  double dateTo = 0;
  int dateKind = 0;       // 0 creation, 1 modification, 2 access
};

class SearchPanel : public QWidget {
  Q_OBJECT

 public:
  // kiloBytes: the bytes of one "KB" of the size fields.
  explicit SearchPanel(int64_t kiloBytes = 1000, QWidget* parent = nullptr);

  // Where "today" comes from (tests fix it).
  void SetToday(std::function<QDate()> today) { today_ = std::move(today); }
  void SetBoxShower(BoxShower shower) { showBox_ = std::move(shower); }

  // Where the search will look, shown under the criteria ("" hides it).
  void SetSearchPlace(const QString& place);

  // The page was chosen: type and range back to their first items.
  void Reset();
  // A preset range: the pickers follow "today"; "指定" frees them.
  void ComboBox3Change();
  // The criteria, or nothing after telling the user what is missing or
  // wrong. Bounds are formed in 64 bits, so no spin value overflows.
  std::optional<SearchRequest> Criteria();

  QCheckBox* CheckBox2 = nullptr;  // by name
  QLineEdit* Edit1 = nullptr;      // name patterns
  QCheckBox* CheckBox1 = nullptr;  // case-sensitive
  QCheckBox* CheckBox3 = nullptr;  // by date
  QComboBox* ComboBox1 = nullptr;  // which stamp
  QComboBox* ComboBox3 = nullptr;  // preset range
  QDateEdit* DateTimePicker1 = nullptr;  // first day
  QDateEdit* DateTimePicker2 = nullptr;  // last day
  QCheckBox* CheckBox4 = nullptr;  // by size
  QSpinBox* SpinEdit1 = nullptr;  // smallest size, KB
  QSpinBox* SpinEdit2 = nullptr;  // largest size, KB
  QRadioButton* DeletedOnly = nullptr;  // "已删除文件"
  QRadioButton* AllFiles = nullptr;     // "全部文件"
  QPushButton* Button1 = nullptr;       // "搜索"
  QLabel* PlaceLabel = nullptr;         // "搜索位置: ", the folder or the whole drive searched

 signals:
  void SearchClicked();

 private:
  int64_t kiloBytes_;
  std::function<QDate()> today_ = [] { return QDate::currentDate(); };
  BoxShower showBox_ = ShowBox;
};

}  // namespace tarnwell::controls
