#pragma once

#include <QDir>
#include <QStringList>
#include <QTemporaryDir>

namespace tarvix {

// A fresh folder per test, with a way to see every entry in it (hidden ones too), so that
// a test can prove that no temporary file was left behind.
class TempFolder {
public:
    QString Path() const { return FDir.path(); }
    QString File(const QString& name) const { return FDir.filePath(name); }
    QStringList Entries() const
    {
        return QDir(FDir.path())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    }

private:
    QTemporaryDir FDir;
};

} // namespace tarvix
