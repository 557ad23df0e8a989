#pragma once
// The program's icon, taken from where packaging installs it (the hicolor
// theme, one PNG per size), so that every window and the desktop's task
// list show the same picture as the menu entry.
#include <QIcon>
#include <QStringList>

namespace tarnwell::app {

// The name the icon is installed under (the desktop entry's Icon=), as the
// build gives it to packaging.
QString ApplicationIconName();

// hicolor folders to look in, first match wins: beside an installed
// program (PREFIX/share/icons/hicolor), the build tree's painted icons,
// then the desktop's data folders ($XDG_DATA_DIRS).
QStringList DefaultHicolorFolders();

// Every size of the icon found in the first folder that holds it; a null
// icon when none does.
QIcon ApplicationIcon(const QStringList& hicolorFolders = DefaultHicolorFolders());

}  // namespace tarnwell::app
