#pragma once
// A recovery window's event log: lines of text and time, an icon per
// line from the window's own icon set (the two engines number their icons
// differently), newest at the bottom. The engine writes to it through its
// event-log interface.
#include <QIcon>
#include <QTreeWidget>
#include <string>
#include <vector>

#include "engine/window_interfaces.h"

namespace tarnwell::controls {

class EventLogView : public QTreeWidget, public engine::EventLog {
  Q_OBJECT

 public:
  EventLogView(std::vector<QIcon> icons, QWidget* parent = nullptr);

  // Text in the system code page, as the engine writes it.
  void AddLine(const std::string& text, int iconIndex, const std::string& time) override;
  // Text already in Unicode, with the current time.
  void Add(const QString& text, int iconIndex);

  int LineCount() const { return topLevelItemCount(); }
  QString LineText(int line) const;
  int LineIcon(int line) const;
  QString LastText() const { return LineCount() ? LineText(LineCount() - 1) : QString(); }
  // "清空日志".
  void ClearLines() { clear(); }

 private:
  std::vector<QIcon> icons_;
};

}  // namespace tarnwell::controls
