#include "engine/user_manual.h"
#include "support/qt_printers.h"
#include "window_fixture.h"

#include <QAction>
#include <QUrl>

using namespace tarvix;

namespace {

// "Web-Site" and the about box, for a build without a home page and for one with it.
class Website : public WindowTest {
protected:
    TFormTarvix& OpenWithManual(const QString& manual)
    {
        TFormTarvixServices services;
        services.Questions = &Questions;
        services.LanguageFolder = QStringLiteral(TARVIX_SOURCE_DIR "/lang");
        services.OpenUrl = [this](const QUrl& url) { OpenedUrls.append(url); };
        services.ThumbnailMaker = FakeThumbnail;
        services.UserManual = manual;
        Window = std::make_unique<TFormTarvix>(services);
        return *Window;
    }
};

TEST_F(Website, OpensTheHomePageOrElseTheManualThatComesWithTheProgram)
{
    const QString manual = Folder.File("doc with spaces & more/manual.html");
    QDir().mkpath(QFileInfo(manual).absolutePath());
    WriteBytes(manual, "<!DOCTYPE html>");
    TFormTarvix& w = OpenWithManual(manual);
    w.pmiWebsite->trigger();
    ASSERT_EQ(OpenedUrls.size(), 1);
    if (HomePage().isEmpty()) {
        EXPECT_EQ(OpenedUrls[0].scheme(), "file");
        EXPECT_EQ(OpenedUrls[0].toLocalFile(), manual);
    } else {
        EXPECT_EQ(OpenedUrls[0], QUrl(HomePage()));
    }
    EXPECT_TRUE(Questions.Messages.isEmpty());
}

TEST_F(Website, MissingManualIsReportedAndNothingOpened)
{
    if (!HomePage().isEmpty())
        GTEST_SKIP() << "a build with a home page opens it";
    const QString manual = Folder.File("share/doc/tarvix/manual.html");
    TFormTarvix& w = OpenWithManual(manual);
    w.pmiWebsite->trigger();
    EXPECT_TRUE(OpenedUrls.isEmpty());
    ASSERT_EQ(Questions.Messages.size(), 1);
    EXPECT_EQ(Questions.Messages[0], "Cannot open \"" + manual + "\". The file has been moved or deleted.");
}

TEST_F(Website, AboutBoxNamesTheHomePageOnlyWhenThereIsOne)
{
    TFormTarvix& w = OpenWithManual(QString());
    w.pmiAbout->trigger();
    ASSERT_EQ(Questions.Messages.size(), 1);
    const QStringList lines = Questions.Messages[0].split(u'\n');
    EXPECT_TRUE(lines.value(1).startsWith("Version "));
    if (HomePage().isEmpty()) {
        EXPECT_EQ(lines.size(), 3);
        EXPECT_FALSE(Questions.Messages[0].contains("://"));
    } else {
        EXPECT_EQ(lines.size(), 4);
        EXPECT_EQ(lines.value(3), HomePage());
    }
}

} // namespace
