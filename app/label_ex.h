#pragma once
// A label that changes colour while the mouse is over it, used for links.
#include <QColor>
#include <QLabel>
#include <functional>

namespace tarnwell::app {

class TLabelEx : public QLabel {
  Q_OBJECT

 public:
  explicit TLabelEx(const QString& text = {}, QWidget* parent = nullptr);

  // Remembers the current text colour as the one to return to when the
  // mouse leaves; call once the label is set up.
  void Loaded();

  QColor ActiveColor = Qt::blue;
  std::function<void()> OnMouseEnter;
  std::function<void()> OnMouseLeave;
  std::function<void()> OnClick;

  QColor RestColor() const { return restColor_; }
  QColor CurrentColor() const { return palette().color(QPalette::WindowText); }

  // What entering and leaving do, callable without a real pointer.
  void MouseEnter();
  void MouseLeave();

 protected:
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void SetTextColor(const QColor& color);
  QColor restColor_;
};

}  // namespace tarnwell::app
