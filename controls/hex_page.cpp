#include "controls/hex_page.h"

#include <QPalette>
#include <algorithm>

namespace tarnwell::controls {

HexPage::HexPage(QWidget* panel, QLabel* hint) : view_(CreateHexDump(panel)), hint_(hint) {
  view_->SetAddressColor(QColor(86, 83, 255));
  view_->SetHexDataColor(QColor(128, 128, 128));
  view_->SetAnsiCharColor(QColor(128, 128, 128));
  view_->SetData(buffer_.data());
  view_->SetDataLength(kBufferSize);
  view_->SetCurrentLine(0);
  view_->SetShowAddress(true);
}

void HexPage::ShowBanner(const QByteArray& systemText) {
  buffer_.fill(0);
  size_t at = 0;
  for (; at < 16; ++at) buffer_[at] = '*';
  for (char c : systemText) {
    if (at >= 56) break;
    buffer_[at++] = static_cast<uint8_t>(c);
  }
  for (; at < 56; ++at) buffer_[at] = '*';
  view_->viewport()->update();
}

QString HexPage::HeaderHint(const QString& extension, std::array<uint8_t, 2> header) {
  return QStringLiteral(" '.%1' 文件的正常报头(起始的两个字节)应该是 '%2 %3'")
      .arg(extension, QString::number(header[0], 16).toUpper(),
           QString::number(header[1], 16).toUpper());
}

void HexPage::ShowLoaded(const QString& extension,
                         std::optional<std::array<uint8_t, 2>> header) {
  view_->ScrollToFirstLine();
  view_->viewport()->update();
  if (header)
    SetHint(HeaderHint(extension, *header), Qt::black);
  else
    ClearHint();
}

void HexPage::ShowFailure() {
  buffer_.fill(0);
  view_->viewport()->update();
  SetHint(QStringLiteral(" 无法从该文件获取数据。"), Qt::red);
}

void HexPage::ClearHint() { SetHint(QString(), Qt::black); }

void HexPage::SetHint(const QString& text, const QColor& colour) {
  if (!hint_) return;
  QPalette p = hint_->palette();
  p.setColor(QPalette::WindowText, colour);
  hint_->setPalette(p);
  hint_->setText(text);
}

}  // namespace tarnwell::controls
