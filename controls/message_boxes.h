#pragma once
// Message boxes with an OK button only, as nearly every box of the program
// is; the one question is whether to close a tool window that holds work.
// Dialogs take a BoxShower (and a QuestionAsker) so that tests can record
// what would have been shown instead of blocking on a modal box.
#include <QString>
#include <functional>
#include <string>

#include "engine/window_interfaces.h"

class QWidget;

namespace tarnwell::controls {

enum class BoxKind { kError, kWarning, kInformation };

using BoxShower = std::function<void(QWidget* parent, BoxKind kind, const QString& text)>;

// Shows a modal box with the matching icon and one OK button.
void ShowBox(QWidget* parent, BoxKind kind, const QString& text);

// A question with the buttons "是" and "否" ("否" the default, so that a
// stray Enter keeps what the user has): true when the answer is yes.
using QuestionAsker = std::function<bool(QWidget* parent, const QString& text)>;
bool AskYesNo(QWidget* parent, const QString& text);

// The engine's message boxes (texts in the system code page) as Qt boxes.
class QtMessageBoxes final : public engine::MessageBoxes {
 public:
  explicit QtMessageBoxes(QWidget* parent, BoxShower shower = ShowBox)
      : parent_(parent), shower_(std::move(shower)) {}
  void Error(const std::string& text) override;
  void Warning(const std::string& text) override;
  void Information(const std::string& text) override;

 private:
  QWidget* parent_;
  BoxShower shower_;
};

// A system code page (GB18030) string for display.
QString FromSystem(const std::string& systemText);

}  // namespace tarnwell::controls
