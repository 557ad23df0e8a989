#pragma once
// A list or tree cut short at the window's width shows "…" where a log
// line, a file name or a drive's caption goes on: hovering over such an
// item shows its whole text, as the desktop's own lists do. Items that fit
// show no tip of their own (an item's own tool tip, where it has one, is
// left to the view).
class QAbstractItemView;

namespace tarnwell::controls {

// Installs the tips on the view; they live as long as the view does.
void ShowClippedTextOnHover(QAbstractItemView* view);

}  // namespace tarnwell::controls
