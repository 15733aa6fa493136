#include "ui/window/toolbar_icons.h"

#include <QString>
#include <array>
#include <mutex>

// The resources of a static library are only linked in when something refers to their
// initializer, and the macro must be used outside any namespace.
static void InitIconResources()
{
    Q_INIT_RESOURCE(icons);
}

namespace tarvix {

namespace {
struct ImageSource {
    const char* File;
    // Theme names tried in order, unused ones null; none for pictures whose meaning no
    // standard name carries.
    std::array<const char*, 2> ThemeNames;
};

ImageSource SourceOf(ToolbarImage image)
{
    switch (image) {
    case ToolbarImage::RotateLeft:
        return { "rotate-left", { "object-rotate-left" } };
    case ToolbarImage::View:
        return { "view", { "zoom-in", "document-preview" } };
    case ToolbarImage::RotateRight:
        return { "rotate-right", { "object-rotate-right" } };
    case ToolbarImage::Rotate180:
        // The flip and refresh icons look alike but say something else.
        return { "rotate-180", {} };
    case ToolbarImage::Delete:
        return { "delete", { "edit-delete" } };
    case ToolbarImage::Options:
        return { "options", { "configure", "preferences-system" } };
    case ToolbarImage::Exif:
        return { "exif", { "camera-photo" } };
    case ToolbarImage::Favorites:
        return { "favorites", { "bookmarks", "bookmark-new" } };
    case ToolbarImage::Auto:
        return { "auto", { "tools-wizard" } };
    case ToolbarImage::Recent:
        return { "recent", { "document-open-recent", "folder-recent" } };
    case ToolbarImage::Application:
        // The program is recognised by its own picture whatever the desktop.
        return { "tarvix", {} };
    }
    return { "tarvix", {} };
}
} // namespace

QIcon ToolbarIcon(ToolbarImage image)
{
    static std::once_flag resources;
    std::call_once(resources, InitIconResources);

    const ImageSource source = SourceOf(image);
    const QIcon own(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(source.File)));
    // hasThemeIcon, unlike a bare lookup, refuses the shortened names a theme falls back to
    // ("folder-recent" found as "folder"), which would show a picture of something else.
    for (const char* name : source.ThemeNames) {
        if (!name)
            break;
        const QString themeName = QLatin1String(name);
        if (QIcon::hasThemeIcon(themeName))
            return QIcon::fromTheme(themeName, own);
    }
    return own;
}

} // namespace tarvix
