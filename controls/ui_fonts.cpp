#include "controls/ui_fonts.h"

namespace tarnwell::controls {

QFont UiFont() {
  QFont font(QStringLiteral("WenQuanYi Micro Hei"));
  font.setPixelSize(12);
  font.setStyleHint(QFont::SansSerif);
  return font;
}

QFont BoldUiFont() {
  QFont font = UiFont();
  font.setBold(true);
  return font;
}

QFont FixedFont() {
  QFont font(QStringLiteral("WenQuanYi Micro Hei Mono"));
  font.setPixelSize(13);
  font.setStyleHint(QFont::Monospace);
  font.setFixedPitch(true);
  return font;
}

}  // namespace tarnwell::controls
