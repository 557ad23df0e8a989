#pragma once
// The pictures of buttons and banners, painted rather than loaded from
// image files, in device pixels for the screen's pixel ratio.
#include <QColor>
#include <QPixmap>
#include <QString>

namespace tarnwell::controls {

// A rounded square in the given colour with a glyph (one or two characters)
// in white, for picture buttons.
QPixmap GlyphPicture(int size, const QColor& base, const QString& glyph);
// A horizontal banner: a blue gradient with a title and a subtitle.
QPixmap BannerPicture(int width, int height, const QString& title, const QString& subtitle);

}  // namespace tarnwell::controls
