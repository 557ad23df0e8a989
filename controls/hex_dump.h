#pragma once
// A hex dump that paints itself: a header of byte positions, then per line
// the offset, the bytes in hex and the same bytes as characters of the
// system code page. It shows the caller's bytes without copying them.
#include <QAbstractScrollArea>
#include <QColor>
#include <cstdint>

#include "controls/hex_dump_layout.h"

namespace tarnwell::controls {

class THexDump : public QAbstractScrollArea {
  Q_OBJECT

 public:
  enum ColorIndex { kAddressColor = 0, kHexDataColor = 1, kAnsiCharColor = 2 };

  explicit THexDump(QWidget* parent = nullptr);

  // The caller keeps the bytes alive while they are shown and calls
  // viewport()->update() after changing them.
  void SetData(const uint8_t* data);
  void SetDataLength(int length);
  void SetTopLine(int line);
  void SetCurrentLine(int line);
  void EnsureCurrentVisible();
  // What a thumb-position message with position 0 did: back to line 0.
  void ScrollToFirstLine() { SetTopLine(0); }

  void SetShowAddress(bool on);
  void SetShowCharacters(bool on);
  void SetBorder(bool on);
  void SetColor(const QColor& color);
  void SetTextColor(int index, const QColor& color);
  void SetAddressColor(const QColor& c) { SetTextColor(kAddressColor, c); }
  void SetHexDataColor(const QColor& c) { SetTextColor(kHexDataColor, c); }
  void SetAnsiCharColor(const QColor& c) { SetTextColor(kAnsiCharColor, c); }

  bool HasData() const { return hasData_; }
  int DataLength() const { return dataLength_; }
  int TopLine() const { return topLine_; }
  int CurrentLine() const { return currentLine_; }
  int VisibleLines() const { return visibleLines_; }
  int LineCount() const { return lineCount_; }
  int BytesPerLine() const { return bytesPerLine_; }
  int LineHeight() const { return lineHeight_; }
  int CharWidth() const { return charWidth_; }
  bool ShowAddress() const { return showAddress_; }
  bool ShowCharacters() const { return showCharacters_; }
  bool Border() const { return border_; }
  QColor Color() const { return color_; }
  QColor TextColor(int index) const { return colors_[index]; }

  // Recomputes the layout from the current size, font and length.
  void CalcLayout();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;

 private:
  void MeasureFont();
  void UpdateScrollRange();
  void ApplyTopLine(int line);
  void InvalidateLine(int line);
  int AddressWidth() const { return showAddress_ ? 6 * charWidth_ : 0; }
  void PaintLine(class QPainter& painter, int line, int y);

  bool hasData_ = false;
  const uint8_t* data_ = nullptr;
  int dataLength_ = 0;
  int topLine_ = 0;
  int currentLine_ = 0;
  int visibleLines_ = 0;
  int lineCount_ = 0;
  int bytesPerLine_ = 1;
  int lineHeight_ = 0;
  int charWidth_ = 0;
  QColor color_ = Qt::white;
  QColor colors_[3] = {Qt::black, Qt::black, Qt::black};
  bool showCharacters_ = true;
  bool showAddress_ = true;
  bool border_ = true;
  bool syncingScrollBar_ = false;
  char hexText_[kHexLineCapacity];
  char offsetText_[16];
};

// A hex dump that fills the panel, in the fixed-pitch font, with the
// character column on.
THexDump* CreateHexDump(QWidget* panel);

}  // namespace tarnwell::controls
