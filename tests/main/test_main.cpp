// One main for every test executable: a private home for the process and its children,
// a pinned locale, and a Qt application object for the code under test.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <cstdlib>
#include <gtest/gtest.h>

#ifdef TARVIX_TEST_WIDGETS
#include <QApplication>
#endif

int main(int argc, char** argv)
{
    QTemporaryDir home;
    const QByteArray root = home.path().toLocal8Bit();
    for (const char* dir : { "/home", "/config", "/cache", "/data", "/runtime" })
        QDir().mkpath(home.path() + dir);
    QFile::setPermissions(home.path() + "/runtime", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    setenv("HOME", root + "/home", 1);
    setenv("XDG_CONFIG_HOME", root + "/config", 1);
    setenv("XDG_CACHE_HOME", root + "/cache", 1);
    setenv("XDG_DATA_HOME", root + "/data", 1);
    setenv("XDG_RUNTIME_DIR", root + "/runtime", 1);
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("TARVIX_PORTABLE", "0", 1);
    setenv("LC_ALL", "C.UTF-8", 1);
    QLocale::setDefault(QLocale::c());

    ::testing::InitGoogleTest(&argc, argv);
#ifdef TARVIX_TEST_WIDGETS
    QApplication app(argc, argv);
#else
    QCoreApplication app(argc, argv);
#endif
    return RUN_ALL_TESTS();
}
