#pragma once
// The pictures of the health window, painted rather than loaded: the row
// images (green tick, outlined triangle, yellow and red warning triangles,
// in the order the verdict rules index them) and the question mark of the
// "PW 属性" button. They are drawn as vectors at the size and device pixel
// ratio they are shown at, so that they are as sharp at scale 2 as at 1.
#include <QIcon>
#include <QPixmap>
#include <vector>

namespace tarnwell::health::window {

inline constexpr int kRowImageSize = 16;

// Four pictures shown at 16 by 16, indexed by health::SmartRowImage.
const std::vector<QIcon>& SmartRowImages();
// One row image as a label shows it: 16 by 16 in device pixels of the
// application's pixel ratio.
QPixmap SmartRowPixmap(size_t image);
QIcon QuestionMarkPicture();

}  // namespace tarnwell::health::window
