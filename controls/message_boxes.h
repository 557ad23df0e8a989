#pragma once
// Message boxes with an OK button only, as every box of the program is:
// none asks a question. Dialogs take a BoxShower so that tests can record
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
