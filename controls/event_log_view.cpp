#include "controls/event_log_view.h"

#include <QAction>
#include <QTime>

#include "controls/clipped_text_tips.h"
#include "controls/message_boxes.h"
#include "platform/text_codec.h"

namespace tarnwell::controls {
namespace {
constexpr int kIconRole = Qt::UserRole + 1;
}

EventLogView::EventLogView(std::vector<QIcon> icons, QWidget* parent)
    : QTreeWidget(parent), icons_(std::move(icons)) {
  setColumnCount(2);
  setHeaderLabels({QStringLiteral("事件"), QStringLiteral("时间")});
  setRootIsDecorated(false);
  setUniformRowHeights(true);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setContextMenuPolicy(Qt::ActionsContextMenu);
  auto* clearAction = new QAction(QStringLiteral("清空日志"), this);
  connect(clearAction, &QAction::triggered, this, [this] { ClearLines(); });
  addAction(clearAction);
  // A long line is cut at the column's width; hovering shows all of it.
  ShowClippedTextOnHover(this);
}

void EventLogView::AddLine(const std::string& text, int iconIndex, const std::string& time) {
  auto* item = new QTreeWidgetItem(this, QStringList{FromSystem(text), QString::fromStdString(time)});
  item->setData(0, kIconRole, iconIndex);
  if (iconIndex >= 0 && static_cast<size_t>(iconIndex) < icons_.size())
    item->setIcon(0, icons_[static_cast<size_t>(iconIndex)]);
  scrollToItem(item);
}

void EventLogView::Add(const QString& text, int iconIndex) {
  const std::string time = QTime::currentTime().toString(QStringLiteral("hh:mm:ss")).toStdString();
  AddLine(platform::Utf8ToSystem(text.toStdString()), iconIndex, time);
}

QString EventLogView::LineText(int line) const {
  const QTreeWidgetItem* item = topLevelItem(line);
  return item ? item->text(0) : QString();
}

int EventLogView::LineIcon(int line) const {
  const QTreeWidgetItem* item = topLevelItem(line);
  return item ? item->data(0, kIconRole).toInt() : -1;
}

}  // namespace tarnwell::controls
