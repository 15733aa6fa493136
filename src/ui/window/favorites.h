#pragma once

#include <QString>
#include <QStringList>

namespace tarvix {

// The favourite folders, most recently added first.
inline constexpr int MaxFavorites = 10;

// Puts `folder` at the head of the list unless the list already holds it (exactly: folders
// whose names differ in letter case only are two folders),
// and drops the oldest entries beyond ten. False when nothing changed.
bool AddFavorite(QStringList& favorites, const QString& folder);

// What the menu shows for a favourite: its last path component; a path that ends in '/' (the
// root) or has none shows whole.
QString FavoriteCaption(const QString& folder);

} // namespace tarvix
