// The colours of the program's look, shared by the images, the caption, the
// menus and the views so that everything belongs together.
#pragma once

#include <QColor>

namespace skin {

inline const QColor kCaptionText(1, 38, 80);
inline const QColor kMenuBand(186, 193, 211);
inline const QColor kNavy(18, 52, 96);
inline const QColor kSteel(62, 104, 156);
inline const QColor kSky(120, 168, 222);
inline const QColor kPale(232, 238, 247);
inline const QColor kPanel(214, 222, 235);
inline const QColor kMenuBack(250, 251, 253);
inline const QColor kMenuGutter(226, 232, 242);
inline const QColor kHighlight(193, 212, 240);
inline const QColor kHighlightEdge(90, 128, 184);
inline const QColor kGrayText(150, 156, 166);
inline const QColor kAccent(242, 160, 40);

} // namespace skin
