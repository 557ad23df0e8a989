#include "controls/hex_dump.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextOption>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdlib>
#include <string_view>

#include "controls/ui_fonts.h"
#include "platform/text_codec.h"

namespace tarnwell::controls {
namespace {

const QColor kGrey(128, 128, 128);

}  // namespace

THexDump::THexDump(QWidget* parent) : QAbstractScrollArea(parent) {
  ResetHexLineBuffer(hexText_);
  offsetText_[0] = 0;
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setFocusPolicy(Qt::ClickFocus);  // no tab stop unless the owner asks
  viewport()->setAutoFillBackground(false);
  SetBorder(true);
  resize(300, 200);
  MeasureFont();
  CalcLayout();
}

void THexDump::SetData(const uint8_t* data) {
  hasData_ = data != nullptr;
  data_ = data;
  viewport()->update();
}

void THexDump::SetDataLength(int length) {
  dataLength_ = std::max(length, 0);
  CalcLayout();
  viewport()->update();
}

void THexDump::SetShowAddress(bool on) {
  // Takes effect in the layout at the next size, font or length change.
  showAddress_ = on;
  viewport()->update();
}

void THexDump::SetShowCharacters(bool on) {
  showCharacters_ = on;
  viewport()->update();
}

void THexDump::SetBorder(bool on) {
  border_ = on;
  setFrameShape(on ? QFrame::Box : QFrame::NoFrame);
  setFrameShadow(QFrame::Plain);
  setLineWidth(1);
}

void THexDump::SetColor(const QColor& color) {
  color_ = color;
  viewport()->update();
}

void THexDump::SetTextColor(int index, const QColor& color) {
  if (index < 0 || index > 2) return;
  colors_[index] = color;
  viewport()->update();
}

void THexDump::MeasureFont() {
  QFontMetrics metrics(font());
  lineHeight_ = metrics.height() + 2;
  charWidth_ = std::max(1, metrics.horizontalAdvance(QLatin1Char('D')));
}

void THexDump::CalcLayout() {
  if (lineHeight_ <= 0) return;
  QSize client = viewport()->size();
  HexLayout layout = CalcHexLayout(client.width(), client.height(), lineHeight_, charWidth_,
                                   showAddress_, showCharacters_, dataLength_);
  visibleLines_ = layout.visibleLines;
  bytesPerLine_ = layout.bytesPerLine;
  lineCount_ = layout.lineCount;
  // Fewer lines than before (shorter data, a wider window) must not leave
  // the top past the end, where nothing would be drawn and the scroll bar
  // would disagree with the picture.
  topLine_ = std::clamp(topLine_, 0, std::max(0, lineCount_ - 1));
  UpdateScrollRange();
}

void THexDump::UpdateScrollRange() {
  QScrollBar* bar = verticalScrollBar();
  syncingScrollBar_ = true;
  bar->setRange(0, std::max(0, lineCount_ - 1));
  bar->setSingleStep(1);
  bar->setPageStep(std::max(1, visibleLines_ - 1));
  bar->setValue(topLine_);
  syncingScrollBar_ = false;
}

void THexDump::SetTopLine(int line) {
  line = std::clamp(line, 0, std::max(0, lineCount_ - 1));
  if (line == topLine_) return;
  ApplyTopLine(line);
  syncingScrollBar_ = true;
  verticalScrollBar()->setValue(topLine_);
  syncingScrollBar_ = false;
}

void THexDump::ApplyTopLine(int line) {
  int moved = line - topLine_;
  topLine_ = line;
  if (std::abs(moved) == 1) {
    // Move the picture of the data rows and paint only the row uncovered.
    QRect rows(0, 2 * lineHeight_, viewport()->width(),
               std::max(0, viewport()->height() - 2 * lineHeight_));
    viewport()->scroll(0, -moved * lineHeight_, rows);
  } else {
    viewport()->update();
  }
}

void THexDump::scrollContentsBy(int, int) {
  // The scroll bar moved (drag, arrows, page clicks): follow its value.
  if (syncingScrollBar_) return;
  int line = std::clamp(verticalScrollBar()->value(), 0, std::max(0, lineCount_ - 1));
  if (line != topLine_) ApplyTopLine(line);
}

void THexDump::InvalidateLine(int line) {
  int row = line - topLine_;
  if (row < 0 || row >= visibleLines_) return;
  viewport()->update(0, 2 * lineHeight_ + row * lineHeight_, viewport()->width(), lineHeight_);
}

void THexDump::SetCurrentLine(int line) {
  if (line == currentLine_) return;
  if (line >= lineCount_) line = lineCount_ - 1;
  if (line < 0) line = 0;
  InvalidateLine(currentLine_);
  InvalidateLine(line);
  currentLine_ = line;
  EnsureCurrentVisible();
}

void THexDump::EnsureCurrentVisible() {
  if (currentLine_ < topLine_) {
    SetTopLine(currentLine_);
  } else if (currentLine_ >= topLine_ + visibleLines_ - 1) {
    // The current line becomes the last fully visible row.
    SetTopLine(currentLine_ - visibleLines_ + 2);
  }
}

void THexDump::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  CalcLayout();
}

void THexDump::changeEvent(QEvent* event) {
  QAbstractScrollArea::changeEvent(event);
  if (event->type() == QEvent::FontChange) {
    MeasureFont();
    CalcLayout();
    viewport()->update();
  }
}

void THexDump::keyPressEvent(QKeyEvent* event) {
  if (!hasData_) {
    QWidget::keyPressEvent(event);
    return;
  }
  int line;
  switch (event->key()) {
    case Qt::Key_PageUp: line = currentLine_ - visibleLines_; break;
    case Qt::Key_PageDown: line = currentLine_ + visibleLines_; break;
    case Qt::Key_End: line = lineCount_ - 1; break;
    case Qt::Key_Home: line = 0; break;
    case Qt::Key_Up: line = currentLine_ - 1; break;
    case Qt::Key_Down: line = currentLine_ + 1; break;
    default:
      QWidget::keyPressEvent(event);
      return;
  }
  SetCurrentLine(line);
  event->accept();
}

void THexDump::wheelEvent(QWheelEvent* event) {
  QPoint delta = event->angleDelta();
  if (delta.isNull()) {  // phase-only events of touchpads carry no motion
    event->ignore();
    return;
  }
  // A notch away from the user pages up, anything else pages down.
  QKeyEvent key(QEvent::KeyPress, delta.y() > 0 ? Qt::Key_PageUp : Qt::Key_PageDown,
                Qt::NoModifier);
  QApplication::sendEvent(this, &key);
  event->accept();
}

void THexDump::mousePressEvent(QMouseEvent* event) {
  if (!hasFocus()) setFocus(Qt::MouseFocusReason);
  if (event->button() == Qt::LeftButton && hasData_ && lineHeight_ > 0) {
    int y = static_cast<int>(event->position().y());
    SetCurrentLine((y - 2 * lineHeight_) / lineHeight_ + topLine_);
  }
  event->accept();
}

void THexDump::paintEvent(QPaintEvent*) {
  QPainter painter(viewport());
  const int width = viewport()->width();
  const int height = viewport()->height();
  const int a = AddressWidth();
  const int ascent = QFontMetrics(font()).ascent();
  painter.setFont(font());
  painter.fillRect(viewport()->rect(), color_);

  painter.save();
  painter.setClipRect(QRect(1 + a, 4, std::max(0, width - (1 + a)), lineHeight_));
  painter.setPen(colors_[kAddressColor]);
  // Only the positions a line holds are named: in a narrow window with fewer
  // bytes per line, all sixteen would label columns that do not exist and
  // run over the characters column.
  const int headerChars = std::clamp(bytesPerLine_, 1, 16) * 3 - 1;
  painter.drawText(QPoint(1 + a, 4 + ascent), QLatin1String(kHexHeader, headerChars));
  painter.restore();

  painter.setPen(kGrey);
  painter.drawLine(0, lineHeight_ + 4, width - 2, lineHeight_ + 4);
  painter.drawLine(0, lineHeight_ + 6, width - 2, lineHeight_ + 6);

  if (hasData_) {
    for (int row = 0; row < visibleLines_; ++row) {
      int line = topLine_ + row;
      if (line >= lineCount_) break;  // the rest stays background
      PaintLine(painter, line, 2 * lineHeight_ + row * lineHeight_);
    }
  }

  // The rule between bytes and characters follows the bytes a line holds
  // (one character past the last pair: 49 at sixteen), so that it never
  // runs through the characters of a narrow window.
  painter.setPen(kGrey);
  const int rule = a + (std::clamp(bytesPerLine_, 1, 16) * 3 + 1) * charWidth_;
  for (int x : {a - 8, a - 6, rule}) painter.drawLine(x, 0, x, height);
}

void THexDump::PaintLine(QPainter& painter, int line, int y) {
  const int a = AddressWidth();
  const int ascent = QFontMetrics(font()).ascent();
  const int n = BytesOnLine(line, lineCount_, bytesPerLine_, dataLength_);
  const uint8_t* bytes = data_ + static_cast<ptrdiff_t>(line) * bytesPerLine_;

  if (showAddress_) {
    FormatHexOffset(static_cast<uint32_t>(line) * static_cast<uint32_t>(bytesPerLine_),
                    offsetText_);
    painter.save();
    painter.setClipRect(QRect(0, y, 1 + a, lineHeight_));
    painter.setPen(colors_[kAddressColor]);
    painter.drawText(QPoint(1, y + ascent), QLatin1String(offsetText_, 4));
    painter.restore();
  }

  int hexLength = FormatHexLine(bytes, n, hexText_);
  QTextOption option(Qt::AlignLeft | Qt::AlignTop);
  option.setWrapMode(QTextOption::NoWrap);
  option.setTabStopDistance(3.0 * charWidth_);
  painter.setPen(colors_[kHexDataColor]);
  painter.drawText(QRectF(1 + a, y, 3.0 * charWidth_ * 16 + charWidth_, lineHeight_),
                   QString::fromLatin1(hexText_, hexLength), option);

  if (showCharacters_) {
    // The bytes as the system code page spells them; none is replaced by a
    // placeholder, so control bytes show as the font draws them.
    std::string utf8 = platform::SystemToUtf8(
        std::string_view(reinterpret_cast<const char*>(bytes), static_cast<size_t>(n)));
    int x = a + bytesPerLine_ * 3 * charWidth_ + 16;
    painter.setPen(colors_[kAnsiCharColor]);
    painter.drawText(QPoint(x, y + ascent), QString::fromUtf8(utf8.data(), qsizetype(utf8.size())));
  }
}

THexDump* CreateHexDump(QWidget* panel) {
  auto* dump = new THexDump(panel);
  QLayout* layout = panel->layout();
  if (!layout) {
    layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
  }
  layout->addWidget(dump);
  dump->setFont(FixedFont());
  dump->SetShowCharacters(true);
  return dump;
}

}  // namespace tarnwell::controls
