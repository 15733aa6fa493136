#include "engine/language_files.h"

#include "engine/letter_case.h"
#include "platform/executable_path.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

namespace tarvix {

QString LanguageFolder()
{
    const QString folder = QFileInfo(ExecutablePath()).absolutePath();
    const QString beside = folder + QStringLiteral("/lang");
    if (QFileInfo(beside).isDir())
        return beside;
    return QDir::cleanPath(folder + QStringLiteral("/../share/tarvix/lang"));
}

QString StoredLanguageFile(const QString& stored)
{
    if (stored.isEmpty() || QDir::isAbsolutePath(stored))
        return stored;
    const QString beside = QDir::cleanPath(QFileInfo(ExecutablePath()).absolutePath() + u'/' + stored);
    if (QFileInfo(beside).isFile())
        return beside;
    const QString inFolder = LanguageFolder() + u'/' + QFileInfo(stored).fileName();
    return QFileInfo(inFolder).isFile() ? inFolder : beside;
}

QStringList ListLanguageFiles(const QString& folder)
{
    QStringList files;
    const QDir dir(folder);
    const QStringList names = dir.entryList(
        { QStringLiteral("*.lng") }, QDir::Files | QDir::Hidden | QDir::System | QDir::CaseSensitive, QDir::Unsorted);
    for (const QString& name : names)
        files.append(dir.filePath(name));
    // The order the menu shows them in: as the user reads their names, not as the file system
    // happens to keep them.
    std::sort(files.begin(), files.end(), [](const QString& a, const QString& b) {
        return CompareAsUserReadsIgnoringCase(LanguageCaption(a), LanguageCaption(b)) < 0;
    });
    return files;
}

QString LanguageCaption(const QString& path)
{
    QString name = QFileInfo(path).fileName();
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot > 0)
        name.truncate(dot);
    if (!name.isEmpty() && name[0] >= u'a' && name[0] <= u'z')
        name[0] = QChar(name[0].unicode() - (u'a' - u'A'));
    return name;
}

} // namespace tarvix
