#pragma once
// Read errors of the disk being scanned, shown by the window that is open:
// every one in its event log, and in an error box, at most one box in a
// while so that a run of bad sectors does not bury the user in boxes. The
// reporter the window replaced comes back when it closes.
#include <QElapsedTimer>

#include "controls/message_boxes.h"
#include "disk/read_error_reporter.h"

namespace tarnwell::controls {

class EventLogView;

class ReadErrorDisplay {
 public:
  ReadErrorDisplay(QWidget* window, EventLogView* log, BoxShower showBox, int boxIntervalMs = 10000);
  ~ReadErrorDisplay();
  ReadErrorDisplay(const ReadErrorDisplay&) = delete;
  ReadErrorDisplay& operator=(const ReadErrorDisplay&) = delete;

 private:
  void Show(const std::string& systemText);

  QWidget* window_;
  EventLogView* log_;
  BoxShower showBox_;
  int boxIntervalMs_;
  QElapsedTimer sinceBox_;
  disk::ReadErrorReporter previous_;
};

}  // namespace tarnwell::controls
