// Every image of the program's look, by its resource number: button states,
// caption, logo, background, About and editor pictures, state icons and the
// application icon. The numbers are the ones the window and dialogs use.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace skin {

// The bitmap with the given resource number; a null pixmap for an unknown one.
// Images are drawn once and cached, so calling this per paint is cheap.
QPixmap Image(int resourceId);

// Icons are numbered apart from bitmaps (148 is both a button state and the
// "stopped" icon): 128 the application, 148 stopped, 149 running, 150 cross,
// each 16 x 16 except the application icon. Null for an unknown number.
QPixmap IconImage(int resourceId);

// The application and tray icon (resource 128) at every standard size.
QIcon AppIcon();

} // namespace skin
