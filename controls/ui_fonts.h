#pragma once
// The fonts of the windows. WenQuanYi Micro Hei stands in for the 12-pixel
// CJK dialog font the captions were laid out for; its Mono face stands in
// for the fixed-pitch font of the hex dump (half-width Latin, full-width
// CJK, so double-byte text keeps two cells).
#include <QFont>

namespace tarnwell::controls {

QFont UiFont();
QFont BoldUiFont();
QFont FixedFont();

}  // namespace tarnwell::controls
