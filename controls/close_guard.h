#pragma once
// What both recovery windows do before they close. A raw scan of a real
// disk can take hours, and its results and the user's ticks live only in
// the window: Esc never closes a tool window, and closing one that holds
// results or ticked rows asks once.
#include <QString>

#include "controls/message_boxes.h"

class QKeyEvent;

namespace tarnwell::controls {

// The question asked before such a window closes.
QString CloseQuestion(bool scanResults, int tickedRows);

// True when the window may close: nothing would be lost, or the user said
// yes to the one question.
bool MayCloseWindow(const QuestionAsker& ask, QWidget* window, bool scanResults, int tickedRows);

// Esc, which a dialog would otherwise take as "close".
bool IsCloseByEscape(const QKeyEvent* event);

}  // namespace tarnwell::controls
