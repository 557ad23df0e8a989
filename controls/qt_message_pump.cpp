#include "controls/qt_message_pump.h"

#include <QCoreApplication>

namespace tarnwell::controls {

void QtMessagePump::ProcessEvents() {
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  if (afterEvents_) afterEvents_();
}

}  // namespace tarnwell::controls
