// The drawings behind skin::Image: every picture of the program is painted
// here at start-up, so the look needs no image files and stays sharp.
#pragma once

#include <QPixmap>

namespace skin::art {

enum class Glyph { New, Edit, Delete, Start, Stop, Settings, Help };
enum class ButtonState { Normal, Pressed, Hover, Disabled };
enum class SideItem { ProcMode, PathMode, Recycler, Home, Update, Help, Mail };
enum class TabState { Normal, Pressed, Selected, Focus };

QPixmap ToolButton(Glyph glyph, ButtonState state, int nSize);
QPixmap SideButton(SideItem item, bool bPressed, int nWidth);
QPixmap PaneTab(const QString& strText, bool bChart, TabState state);
QPixmap CaptionStrip();
QPixmap CaptionButton(bool bClose, bool bHot);
QPixmap Logo();
QPixmap AppIconImage(int nSize);
QPixmap StateIcon(int nIndex);
QPixmap Background();
QPixmap AboutPicture();
QPixmap EditorPicture();

} // namespace skin::art
