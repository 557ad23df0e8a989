#pragma once
// The three tool windows the launcher opens. Each call creates its window,
// shows it modally and frees it when it closes, so nothing but the settings
// files carries over between two openings.
class QWidget;

namespace tarnwell::app {

void RunStandardRecoveryWindow(QWidget* parent);
void RunAdvancedRecoveryWindow(QWidget* parent);
void RunHealthWindow(QWidget* parent);

}  // namespace tarnwell::app
