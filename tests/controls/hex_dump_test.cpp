// The hex dump widget offscreen: layout from its own font, keys, wheel,
// mouse and the scroll bar.
#include "controls/hex_dump.h"

#include <gtest/gtest.h>

#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>
#include <numeric>
#include <vector>

#include "controls/ui_fonts.h"

namespace tarnwell::controls {
namespace {

class HexDumpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    data_.resize(2048);
    std::iota(data_.begin(), data_.end(), uint8_t{0});
    dump_.SetBorder(false);
    dump_.setFont(FixedFont());
    dump_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dump_));
  }

  // Sizes the drawing area itself (the scroll bar comes on top).
  void SetClientSize(int width, int height) {
    int bar = dump_.verticalScrollBar()->sizeHint().width();
    dump_.resize(width + bar, height);
    QApplication::processEvents();
    ASSERT_EQ(dump_.viewport()->width(), width);
    ASSERT_EQ(dump_.viewport()->height(), height);
  }

  void ShowData(int length) {
    dump_.SetData(data_.data());
    dump_.SetDataLength(length);
  }

  void Press(Qt::Key key) { QTest::keyClick(&dump_, key); }

  std::vector<uint8_t> data_;
  THexDump dump_;
};

TEST_F(HexDumpTest, LayoutComesFromTheFontAndTheClientSize) {
  int cw = dump_.CharWidth();
  int lh = dump_.LineHeight();
  ASSERT_GT(cw, 0);
  EXPECT_EQ(lh, QFontMetrics(FixedFont()).height() + 2);
  SetClientSize(25 * cw, 16 + 9 * lh);
  ShowData(2048);
  EXPECT_EQ(dump_.BytesPerLine(), 3);
  EXPECT_EQ(dump_.VisibleLines(), 10);

  SetClientSize(74 * cw, 16 + 9 * lh);
  EXPECT_EQ(dump_.BytesPerLine(), 16);
  EXPECT_EQ(dump_.LineCount(), 128);
  EXPECT_EQ(dump_.verticalScrollBar()->maximum(), 127);

  dump_.SetDataLength(20);
  EXPECT_EQ(dump_.LineCount(), 2);
  EXPECT_EQ(dump_.verticalScrollBar()->maximum(), 1);
}

TEST_F(HexDumpTest, EndThenHomeMovesTheTopLineAndBack) {
  SetClientSize(74 * dump_.CharWidth(), 16 + 9 * dump_.LineHeight());
  ShowData(2048);
  ASSERT_EQ(dump_.LineCount(), 128);
  ASSERT_EQ(dump_.VisibleLines(), 10);
  Press(Qt::Key_End);
  EXPECT_EQ(dump_.CurrentLine(), 127);
  EXPECT_EQ(dump_.TopLine(), 119);  // 127 - 10 + 2: the last fully visible row
  EXPECT_EQ(dump_.verticalScrollBar()->value(), 119);
  Press(Qt::Key_Home);
  EXPECT_EQ(dump_.CurrentLine(), 0);
  EXPECT_EQ(dump_.TopLine(), 0);
}

TEST_F(HexDumpTest, ArrowAndPageKeysMoveTheCurrentLineWithinTheData) {
  SetClientSize(74 * dump_.CharWidth(), 16 + 9 * dump_.LineHeight());
  ShowData(2048);
  Press(Qt::Key_Up);
  EXPECT_EQ(dump_.CurrentLine(), 0);
  for (int i = 0; i < 8; ++i) Press(Qt::Key_Down);
  EXPECT_EQ(dump_.CurrentLine(), 8);
  EXPECT_EQ(dump_.TopLine(), 0);
  Press(Qt::Key_Down);  // line 9 is the partly shown row: scroll by one
  EXPECT_EQ(dump_.TopLine(), 1);
  Press(Qt::Key_PageDown);
  EXPECT_EQ(dump_.CurrentLine(), 19);
  EXPECT_EQ(dump_.TopLine(), 11);
  Press(Qt::Key_PageUp);
  Press(Qt::Key_PageUp);
  EXPECT_EQ(dump_.CurrentLine(), 0);
  EXPECT_EQ(dump_.TopLine(), 0);
}

TEST_F(HexDumpTest, KeysDoNothingWithoutData) {
  SetClientSize(74 * dump_.CharWidth(), 16 + 9 * dump_.LineHeight());
  dump_.SetDataLength(2048);  // a length but no bytes
  Press(Qt::Key_End);
  EXPECT_EQ(dump_.CurrentLine(), 0);
  EXPECT_EQ(dump_.TopLine(), 0);
}

TEST_F(HexDumpTest, WheelAwayPagesUpAndTowardsPagesDown) {
  SetClientSize(74 * dump_.CharWidth(), 16 + 9 * dump_.LineHeight());
  ShowData(2048);
  dump_.SetCurrentLine(50);
  auto wheel = [this](int delta) {
    QPointF at(10, 40);
    QWheelEvent event(at, dump_.mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(dump_.viewport(), &event);
  };
  wheel(120);
  EXPECT_EQ(dump_.CurrentLine(), 40);
  wheel(-120);
  wheel(-120);
  EXPECT_EQ(dump_.CurrentLine(), 60);
}

TEST_F(HexDumpTest, ClickMakesTheLineUnderThePointerCurrent) {
  SetClientSize(74 * dump_.CharWidth(), 16 + 9 * dump_.LineHeight());
  ShowData(2048);
  dump_.SetTopLine(5);
  int lh = dump_.LineHeight();
  QTest::mouseClick(dump_.viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(30, 2 * lh + 3 * lh + 1));
  EXPECT_EQ(dump_.CurrentLine(), 8);
  EXPECT_TRUE(dump_.hasFocus());
  QTest::mouseClick(dump_.viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(30, 2));
  EXPECT_EQ(dump_.CurrentLine(), 4);  // the header gives the line above the top
}

TEST_F(HexDumpTest, ScrollBarAndTopLineStayInStepAndClamp) {
  SetClientSize(74 * dump_.CharWidth(), 16 + 9 * dump_.LineHeight());
  ShowData(2048);
  dump_.verticalScrollBar()->setValue(60);
  EXPECT_EQ(dump_.TopLine(), 60);
  dump_.verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
  EXPECT_EQ(dump_.TopLine(), 69);  // a page is VisibleLines - 1
  dump_.SetTopLine(500);
  EXPECT_EQ(dump_.TopLine(), 127);
  EXPECT_EQ(dump_.verticalScrollBar()->value(), 127);
  dump_.ScrollToFirstLine();
  EXPECT_EQ(dump_.TopLine(), 0);
  dump_.SetTopLine(100);
  dump_.SetDataLength(40);  // three lines left: the top follows
  EXPECT_EQ(dump_.TopLine(), 2);
  EXPECT_EQ(dump_.verticalScrollBar()->value(), 2);
}

TEST_F(HexDumpTest, PaintsEveryByteValueAndLineShapes) {
  // All 256 byte values, a line split inside a double-byte character and a
  // short last line must paint without reading past the data.
  for (int width : {8, 200, 600}) {
    SetClientSize(width, 300);
    ShowData(2048 - 5);
    dump_.SetTopLine(dump_.LineCount() - 1);
    QImage image = dump_.grab().toImage();
    EXPECT_FALSE(image.isNull());
  }
}

// Pixels other than the background in the header row between x0 and x1.
int HeaderInk(THexDump& dump, int x0, int x1) {
  const QImage image = dump.viewport()->grab().toImage();
  const QRgb background = dump.Color().rgb();
  int ink = 0;
  for (int y = 4; y < 4 + dump.LineHeight() && y < image.height(); ++y)
    for (int x = std::max(0, x0); x < std::min(x1, image.width()); ++x)
      if (image.pixel(x, y) != background) ++ink;
  return ink;
}

TEST_F(HexDumpTest, HeaderAndRuleFollowTheBytesALineHolds) {
  const int cw = dump_.CharWidth();
  const int a = dump_.ShowAddress() ? 6 * cw : 0;
  ShowData(2048);
  SetClientSize(74 * cw, 200);
  ASSERT_EQ(dump_.BytesPerLine(), 16);
  EXPECT_GT(HeaderInk(dump_, 1 + a + 45 * cw, 1 + a + 47 * cw), 0) << "0F is named";
  EXPECT_GT(HeaderInk(dump_, a + 49 * cw, a + 49 * cw + 1), 0) << "the rule after sixteen bytes";

  // Thirteen bytes a line: "0C" is the last name, the rule comes right
  // after it, and nothing is drawn where "0D" to "0F" would have been.
  SetClientSize(62 * cw, 200);
  ASSERT_EQ(dump_.BytesPerLine(), 13);
  EXPECT_GT(HeaderInk(dump_, 1 + a + 36 * cw, 1 + a + 38 * cw), 0) << "0C is named";
  EXPECT_EQ(HeaderInk(dump_, 1 + a + 39 * cw, a + 40 * cw), 0);
  EXPECT_GT(HeaderInk(dump_, a + 40 * cw, a + 40 * cw + 1), 0) << "the rule after thirteen bytes";
  EXPECT_EQ(HeaderInk(dump_, a + 40 * cw + 1, 62 * cw), 0) << "no name or rule over the characters";
}

}  // namespace
}  // namespace tarnwell::controls
