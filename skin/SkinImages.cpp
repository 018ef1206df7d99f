#include "skin/SkinImages.h"

#include "skin/SkinArt.h"

#include <QHash>
#include <functional>

namespace skin {

namespace {

using art::ButtonState;
using art::Glyph;
using art::SideItem;
using art::TabState;

QPixmap Draw(int id) {
    struct TOOL {
        Glyph glyph;
        int size;
        int normal, pressed, hover, disabled;
    };
    static const TOOL tools[] = {
        {Glyph::New, 37, 140, 139, 138, 141},    {Glyph::Edit, 35, 144, 143, 145, 142},
        {Glyph::Delete, 35, 147, 148, 146, 149}, {Glyph::Start, 35, 151, 152, 150, 153},
        {Glyph::Stop, 35, 156, 155, 157, 154},   {Glyph::Settings, 35, 160, 159, 161, 158},
        {Glyph::Help, 35, 167, 168, 166, 169},
    };
    for (const TOOL& t : tools) {
        if (id == t.normal)
            return art::ToolButton(t.glyph, ButtonState::Normal, t.size);
        if (id == t.pressed)
            return art::ToolButton(t.glyph, ButtonState::Pressed, t.size);
        if (id == t.hover)
            return art::ToolButton(t.glyph, ButtonState::Hover, t.size);
        if (id == t.disabled)
            return art::ToolButton(t.glyph, ButtonState::Disabled, t.size);
    }

    struct SIDE {
        SideItem item;
        int width;
        int normal, pressed;
    };
    static const SIDE sides[] = {
        {SideItem::ProcMode, 140, 171, 172}, {SideItem::PathMode, 140, 176, 178},
        {SideItem::Recycler, 139, 233, 235}, {SideItem::Home, 140, 181, 183},
        {SideItem::Update, 140, 186, 188},   {SideItem::Help, 140, 191, 193},
        {SideItem::Mail, 140, 201, 203},
    };
    for (const SIDE& s : sides) {
        if (id == s.normal || id == s.pressed)
            return art::SideButton(s.item, id == s.pressed, s.width);
    }

    switch (id) {
    case 206:
        return art::PaneTab(QStringLiteral("Charts"), true, TabState::Normal);
    case 207:
        return art::PaneTab(QStringLiteral("Charts"), true, TabState::Pressed);
    case 208:
        return art::PaneTab(QStringLiteral("Charts"), true, TabState::Selected);
    case 209:
        return art::PaneTab(QStringLiteral("Charts"), true, TabState::Focus);
    case 211:
        return art::PaneTab(QStringLiteral("Log"), false, TabState::Normal);
    case 213:
        return art::PaneTab(QStringLiteral("Log"), false, TabState::Pressed);
    case 214:
        return art::PaneTab(QStringLiteral("Log"), false, TabState::Selected);
    case 212:
        return art::PaneTab(QStringLiteral("Log"), false, TabState::Focus);
    case 129:
        return art::CaptionButton(true, true);
    case 130:
        return art::CaptionButton(true, false);
    case 131:
        return art::Logo();
    case 132:
        return art::CaptionButton(false, true);
    case 133:
        return art::CaptionButton(false, false);
    case 134:
        return art::CaptionStrip();
    case 135:
        return art::Background();
    case 237:
        return art::EditorPicture();
    case 239:
        return art::AboutPicture();
    default:
        return QPixmap();
    }
}

QPixmap Cached(QHash<int, QPixmap>& cache, int id, const std::function<QPixmap(int)>& draw) {
    auto it = cache.find(id);
    if (it != cache.end())
        return *it;
    QPixmap pixmap = draw(id);
    cache.insert(id, pixmap);
    return pixmap;
}

} // namespace

QPixmap Image(int resourceId) {
    static QHash<int, QPixmap> cache;
    return Cached(cache, resourceId, Draw);
}

QPixmap IconImage(int resourceId) {
    static QHash<int, QPixmap> cache;
    return Cached(cache, resourceId, [](int id) {
        switch (id) {
        case 128:
            return art::AppIconImage(64);
        case 148:
            return art::StateIcon(0);
        case 149:
            return art::StateIcon(1);
        case 150:
            return art::StateIcon(2);
        default:
            return QPixmap();
        }
    });
}

QIcon AppIcon() {
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(art::AppIconImage(size));
    return icon;
}

} // namespace skin
