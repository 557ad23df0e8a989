#pragma once
// The pictures of the health window, painted rather than loaded: the row
// images (green tick, outlined triangle, yellow and red warning triangles,
// in the order the verdict rules index them) and the question mark of the
// "PW 属性" button.
#include <QPixmap>
#include <vector>

namespace tarnwell::health::window {

inline constexpr int kRowImageSize = 16;

// Four 16 by 16 pictures, indexed by health::SmartRowImage.
const std::vector<QPixmap>& SmartRowImages();
QPixmap QuestionMarkPicture(int size);

}  // namespace tarnwell::health::window
