#pragma once
// The hex page of a recovery window: a 2048-byte buffer shown in a hex
// dump, and a caption line above the pages for the header hint or the
// failure of a preview read.
#include <QLabel>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>

#include "controls/hex_dump.h"

namespace tarnwell::controls {

class HexPage {
 public:
  static constexpr int kBufferSize = 2048;
  using Buffer = std::array<uint8_t, kBufferSize>;

  // Creates the dump inside panel; hint is the caption line the page writes
  // to (it may serve other pages too).
  HexPage(QWidget* panel, QLabel* hint);

  // The greeting shown before any file: 16 "*", the text, "*" up to byte 56,
  // then zeros.
  void ShowBanner(const QByteArray& systemText);

  Buffer& Data() { return buffer_; }
  THexDump* View() const { return view_; }

  // After a successful read into Data(): back to the first line, repaint,
  // and the hint for the extension when its header is known.
  void ShowLoaded(const QString& extension, std::optional<std::array<uint8_t, 2>> header);
  // After a failed read: the buffer is zeroed, so nothing of the previous
  // file stays under the new file's name, and the red failure line shows.
  void ShowFailure();
  void ClearHint();

  static QString HeaderHint(const QString& extension, std::array<uint8_t, 2> header);

 private:
  void SetHint(const QString& text, const QColor& colour);

  Buffer buffer_{};
  THexDump* view_;
  QLabel* hint_;
};

}  // namespace tarnwell::controls
