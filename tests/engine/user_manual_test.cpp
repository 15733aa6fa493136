#include "engine/user_manual.h"
#include "support/temp_folder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

using namespace tarvix;

namespace {

void Touch(const QString& path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
}

} // namespace

// A build tree has the manual in doc/ beside the executable; an installed program in its
// prefix's share/doc/tarvix, which is also where a missing manual is looked for.
TEST(UserManual, FoundBesideTheExecutableOrInThePrefix)
{
    TempFolder prefix;
    const QString bin = prefix.File("bin");
    const QString installedManual = prefix.File("share/doc/tarvix/manual.html");
    QDir().mkpath(bin);
    EXPECT_EQ(UserManualFile(bin), installedManual);
    Touch(installedManual);
    EXPECT_EQ(UserManualFile(bin), installedManual);
    Touch(bin + "/doc/manual.html");
    EXPECT_EQ(UserManualFile(bin), bin + "/doc/manual.html");
    QFile::remove(bin + "/doc/manual.html");
    QDir().mkpath(bin + "/doc/manual.html"); // a folder of that name is no manual
    EXPECT_EQ(UserManualFile(bin), installedManual);
}

// The build writes the manual where the program of the build tree looks for it.
TEST(UserManual, BuildTreeProgramFindsTheBuiltManual)
{
    const QFileInfo program(QStringLiteral(TARVIX_BINARY));
    if (!program.exists())
        GTEST_SKIP() << "a build of the engine alone has neither the program nor the manual";
    const QString manual = UserManualFile(program.absolutePath());
    EXPECT_EQ(manual, program.absolutePath() + "/doc/manual.html");
    EXPECT_TRUE(QFileInfo(manual).isFile());
}

// Nothing but an http(s) address, or nothing at all (CMake refuses anything else).
TEST(UserManual, HomePageIsEmptyOrAWebAddress)
{
    const QString page = HomePage();
    if (!page.isEmpty()) {
        EXPECT_TRUE(page.startsWith("https://") || page.startsWith("http://")) << page.toStdString();
    }
}
