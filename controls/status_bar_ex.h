#pragma once
// A status bar of fixed-width text panels that also hosts child controls:
// the recovery windows put their progress bar over one of its panels.
#include <QPointer>
#include <QProgressBar>
#include <QWidget>
#include <vector>

#include "engine/window_interfaces.h"

namespace tarnwell::controls {

class TStatusBarEx : public QWidget {
  Q_OBJECT

 public:
  explicit TStatusBarEx(QWidget* parent = nullptr);

  // Panel widths in pixels; the last panel also takes what is left.
  void SetPanelWidths(const std::vector<int>& widths);
  int PanelCount() const { return static_cast<int>(widths_.size()); }
  void SetPanelText(int index, const QString& text);
  QString PanelText(int index) const;
  // The rectangle of a panel inside the bar.
  QRect PanelRect(int index) const;

  // Makes the widget a child of the bar, laid over the given panel (inset
  // by two pixels), and keeps it there when the bar is resized.
  void AttachToPanel(QWidget* child, int index);
  // The usual arrangement: a smooth 0-100 progress bar over panel 1.
  QProgressBar* AddProgressBar(int index = 1);

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void PlaceChildren();

  std::vector<int> widths_;
  std::vector<QString> texts_;
  std::vector<std::pair<QPointer<QWidget>, int>> hosted_;
};

// The engine's status panel over one panel of the bar (texts in the system
// code page).
class StatusBarPanel final : public engine::StatusPanel {
 public:
  StatusBarPanel(TStatusBarEx* bar, int index) : bar_(bar), index_(index) {}
  void SetText(const std::string& text) override;

 private:
  TStatusBarEx* bar_;
  int index_;
};

// The engine's progress bar over a Qt progress bar.
class QtProgressBar final : public engine::ProgressBar {
 public:
  explicit QtProgressBar(QProgressBar* bar) : bar_(bar) {}
  void SetPosition(int percent) override;
  void SetVisible(bool visible) override;

 private:
  QProgressBar* bar_;
};

}  // namespace tarnwell::controls
