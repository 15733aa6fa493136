#pragma once

#include "base/orientation_reader.h"
#include "engine/settings_store.h"
#include "support/jpeg_fixtures.h"
#include "support/scripted_dialogs.h"
#include "support/temp_folder.h"
#include "ui/grid/thumbnail_grid.h"
#include "ui/window/main_window.h"
#include "ui/window/path_bar.h"

#include <QAtomicInt>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSet>
#include <QTest>
#include <QToolButton>
#include <QUrl>
#include <gtest/gtest.h>
#include <memory>
#include <turbojpeg.h>

namespace tarvix {

// A browser window with scripted questions, the repository's language files and a thumbnail
// maker that decodes nothing: every file gets a grey picture of the size the real maker
// would give a 4:3 photo, with the file's orientation value, and files whose name starts with
// "bad" are unreadable.
class WindowTest : public ::testing::Test {
public:
    static Thumbnail FakeThumbnail(const QString& path, ThumbnailCell cell, ThumbnailOptions);

protected:
    void SetUp() override { QFile::remove(PerUserSettingsPath()); }
    void TearDown() override
    {
        Window.reset();
        QFile::remove(PerUserSettingsPath());
    }

    TFormTarvix& Open(bool show = true)
    {
        TFormTarvixServices services;
        services.Questions = &Questions;
        services.LanguageFolder = QStringLiteral(TARVIX_SOURCE_DIR "/lang");
        services.OpenUrl = [this](const QUrl& url) { OpenedUrls.append(url); };
        services.ListFolder = ListFolder;
        services.ThumbnailMaker = [this](const QString& path, ThumbnailCell cell, ThumbnailOptions options) {
            Made.fetchAndAddRelaxed(1);
            return FakeThumbnail(path, cell, options);
        };
        Window = std::make_unique<TFormTarvix>(services);
        if (show) {
            Window->show();
            EXPECT_TRUE(QTest::qWaitForWindowExposed(Window.get()));
        }
        return *Window;
    }

    // A component of the window by its name, as the language files address it.
    template <class T> T* Find(const char* name) const
    {
        T* found = Window->findChild<T*>(QLatin1String(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    PathBar& Bar() const { return *Find<PathBar>("Panel1"); }

    // A small real JPEG, so that the status bar can read its size.
    QString Photo(const QString& name, int width = 64, int height = 48) const
    {
        const QString path = Folder.File(name);
        WriteBytes(path, MakeJpeg(width, height, TJSAMP_420));
        return path;
    }

    static void WriteSettings(const QByteArray& lines)
    {
        QFile file(PerUserSettingsPath());
        QDir().mkpath(QFileInfo(file).absolutePath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[Main]\n" + lines);
    }

    QStringList StorePaths() const
    {
        QStringList paths;
        for (int i = 0; i < Window->Images().Count(); ++i)
            paths.append(FileNameOfPath(Window->Images().At(i).Path));
        return paths;
    }

    ScriptedDialogs Questions;
    TempFolder Folder;
    QAtomicInt Made;
    QList<QUrl> OpenedUrls; // what the window handed to the desktop
    // Lists the folders the window opens; the real listing when empty.
    std::function<QStringList(const QString& folder, bool recursive, const std::atomic_bool& stop)> ListFolder;
    std::unique_ptr<TFormTarvix> Window;
};

inline Thumbnail WindowTest::FakeThumbnail(const QString& path, ThumbnailCell cell, ThumbnailOptions)
{
    if (!QFile::exists(path))
        return {};
    if (FileNameOfPath(path).startsWith("bad"))
        return { Thumbnail::Outcome::Unreadable, {} };
    QImage image(ThumbnailTargetSize({ 400, 300 }, cell), QImage::Format_RGB32);
    image.fill(Qt::darkGray);
    return { Thumbnail::Outcome::Made, image, ReadFileOrientation(QFile::encodeName(path).constData()) };
}

} // namespace tarvix
