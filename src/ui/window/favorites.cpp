#include "ui/window/favorites.h"

namespace tarvix {

bool AddFavorite(QStringList& favorites, const QString& folder)
{
    for (const QString& f : favorites)
        if (f == folder) // two folders whose names differ in letter case only are two folders
            return false;
    favorites.prepend(folder);
    while (favorites.size() > MaxFavorites)
        favorites.removeLast();
    return true;
}

QString FavoriteCaption(const QString& folder)
{
    const qsizetype slash = folder.lastIndexOf(u'/');
    if (slash < 0 || slash == folder.size() - 1)
        return folder;
    return folder.mid(slash + 1);
}

} // namespace tarvix
