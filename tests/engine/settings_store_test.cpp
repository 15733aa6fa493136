#include "engine/language.h"
#include "engine/settings_store.h"
#include "platform/executable_path.h"
#include "platform/removable_drive.h"
#include "support/scoped_environment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace tarvix;

namespace K = SettingsKeys;

namespace {

// Limits the size of every file this process writes for the life of the object; a write past
// the limit fails with EFBIG instead of raising SIGXFSZ, which would end the test program.
class ScopedFileSizeLimit {
public:
    explicit ScopedFileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &FOld);
        FOldHandler = ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit { bytes, FOld.rlim_max };
        FSet = ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~ScopedFileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &FOld);
        ::signal(SIGXFSZ, FOldHandler);
    }
    bool Set() const { return FSet; }

private:
    rlimit FOld {};
    void (*FOldHandler)(int) = SIG_DFL;
    bool FSet = false;
};

// Each test gets its own empty per-user configuration folder.
class SettingsStoreTest : public ::testing::Test {
protected:
    QTemporaryDir FConfig;
    ScopedEnvironment FXdg { "XDG_CONFIG_HOME", FConfig.path().toLocal8Bit() };
    ScopedEnvironment FPortable { "TARVIX_PORTABLE", "0" };

    QString UserFile() const { return FConfig.path() + "/Dovrane/Tarvix.ini"; }
};

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

TEST_F(SettingsStoreTest, FirstRunGivesTheTableDefaultsAndCreatesNothing)
{
    const SettingsStore store = SettingsStore::Open();
    EXPECT_EQ(store.Path(), UserFile());
    EXPECT_EQ(store.Read(K::Language), QString());
    EXPECT_TRUE(store.Read(K::RebuildWhenResized));
    EXPECT_TRUE(store.Read(K::KeepTimestamp));
    EXPECT_TRUE(store.Read(K::EnlargeSmall));
    EXPECT_TRUE(store.Read(K::ConfirmDelete));
    EXPECT_FALSE(store.Read(K::LookInSubfolders));
    EXPECT_EQ(K::ThumbsInRowFromStored(store.Read(K::ThumbsInRow)), 5);
    EXPECT_TRUE(store.Read(K::HighQuality));
    EXPECT_EQ(store.Read(K::LastFolder), QString());
    EXPECT_FALSE(store.Read(K::MakeBackup));
    EXPECT_FALSE(store.Read(K::WinMax));
    EXPECT_EQ(store.Read(K::WinWidth), 800);
    EXPECT_EQ(store.Read(K::WinHeight), 600);
    EXPECT_EQ(store.ReadInteger(K::Section, K::WinTop, K::CenteredWinTop(1080, 600)), 240);
    EXPECT_EQ(store.ReadInteger(K::Section, K::WinLeft, K::CenteredWinLeft(1921, 801)), 560);
    EXPECT_EQ(store.Read(K::BackColor), 0xFFFFFF);
    EXPECT_EQ(store.Read(K::ForeColor), 0);
    for (int n = 0; n < K::MruCount; ++n)
        EXPECT_FALSE(store.ValueExists(K::Section, K::MruKey(n))) << K::MruKey(n).toStdString();
    EXPECT_FALSE(store.Read(K::ShowTree));
    EXPECT_EQ(store.ReadInteger(K::Section, K::TreeWidth, K::DesignedTreeWidth), 148);
    EXPECT_TRUE(SettingsStore::OpenPerUser().Read(K::DisplayCropWarning));
    EXPECT_EQ(K::ThumbnailCacheMBFromStored(store.Read(K::ThumbnailCacheMB)), 256);

    EXPECT_TRUE(QDir(FConfig.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).isEmpty());
}

TEST_F(SettingsStoreTest, TypedValuesRoundTrip)
{
    {
        SettingsStore store = SettingsStore::Open();
        store.WriteString("Main", "Language", "/usr/share/tarvix/lang/Deutsch.lng");
        store.WriteString("Main", "LastFolder", QString::fromUtf8("/home/ana/Fotos 2024/Été = été; [x]"));
        store.WriteString("Main", "Empty", "");
        store.WriteInteger("Main", "WinLeft", -3000);
        store.WriteInteger("Main", "Max", INT_MAX);
        store.WriteInteger("Main", "Min", INT_MIN);
        store.WriteBool("Main", "WinMax", true);
        store.WriteBool("Main", "ShowTree", false);
        store.Write(K::BackColor, 0x00336699);
        store.Write(K::MakeBackup, true);
        store.Write(K::LastFolder, "/srv/photos");
        // A read after a write sees the written value.
        EXPECT_EQ(store.ReadInteger("Main", "WinLeft", 0), -3000);
    }
    const SettingsStore store = SettingsStore::Open();
    EXPECT_EQ(store.ReadString("Main", "Language", "x"), "/usr/share/tarvix/lang/Deutsch.lng");
    EXPECT_EQ(store.ReadString("main", "lastfolder", "x"), "/srv/photos"); // names ignore case
    EXPECT_EQ(store.ReadString("Main", "Empty", "x"), ""); // present but empty is not absent
    EXPECT_TRUE(store.ValueExists("Main", "Empty"));
    EXPECT_EQ(store.ReadInteger("Main", "WinLeft", 0), -3000);
    EXPECT_EQ(store.ReadInteger("Main", "Max", 0), INT_MAX);
    EXPECT_EQ(store.ReadInteger("Main", "Min", 0), INT_MIN);
    EXPECT_TRUE(store.ReadBool("Main", "WinMax", false));
    EXPECT_FALSE(store.ReadBool("Main", "ShowTree", true));
    EXPECT_EQ(store.Read(K::BackColor), 0x00336699);
    EXPECT_TRUE(store.Read(K::MakeBackup));
    EXPECT_FALSE(store.ValueExists("Main", "Absent"));
    EXPECT_FALSE(store.ValueExists("Other", "WinLeft"));

    // The file holds plain text in its documented forms.
    const QByteArray text = ReadAll(UserFile());
    EXPECT_TRUE(text.startsWith("[Main]\nLanguage=/usr/share/tarvix/lang/Deutsch.lng\n")) << text.constData();
    EXPECT_TRUE(text.contains("\nWinLeft=-3000\n"));
    EXPECT_TRUE(text.contains("\nMin=-2147483648\n"));
    EXPECT_TRUE(text.contains("\nWinMax=1\n"));
    EXPECT_TRUE(text.contains("\nShowTree=0\n"));
    EXPECT_TRUE(text.contains("\nBackColor=3368601\n"));
}

TEST(SettingsInteger, DecimalHexadecimalAndSigns)
{
    EXPECT_EQ(ParseSettingsInteger(u"0"), 0);
    EXPECT_EQ(ParseSettingsInteger(u"007"), 7);
    EXPECT_EQ(ParseSettingsInteger(u"+7"), 7);
    EXPECT_EQ(ParseSettingsInteger(u"-4"), -4);
    EXPECT_EQ(ParseSettingsInteger(u"2147483647"), INT_MAX);
    EXPECT_EQ(ParseSettingsInteger(u"-2147483648"), INT_MIN);
    EXPECT_EQ(ParseSettingsInteger(u"0x10"), 16);
    EXPECT_EQ(ParseSettingsInteger(u"0XfF"), 255);
    EXPECT_EQ(ParseSettingsInteger(u"0x00FFFFFF"), 0xFFFFFF);
    EXPECT_EQ(ParseSettingsInteger(u"-0x10"), -16);
    EXPECT_EQ(ParseSettingsInteger(u"0x7FFFFFFF"), INT_MAX);
    EXPECT_EQ(ParseSettingsInteger(u"0x80000000"), INT_MIN); // the 32-bit pattern
    EXPECT_EQ(ParseSettingsInteger(u"0xFFFFFFFF"), -1);
    EXPECT_EQ(ParseSettingsInteger(u"0x000000000000000001"), 1);
}

TEST(SettingsInteger, EverythingElseIsNoInteger)
{
    for (const char16_t* text :
        { u"", u"+", u"-", u"0x", u"-0x", u"x10", u"abc", u"12abc", u"1.5", u"1e3", u"1 2", u" 1", u"--1", u"+-1",
            u"0x1G", u"0x-1", u"$10", u"2147483648", u"-2147483649", u"99999999999999999999999999", u"0x100000000",
            u"0xFFFFFFFFFFFFFFFFFFFF", u"\u0661\u0662" /* Arabic-Indic digits */ })
        EXPECT_EQ(ParseSettingsInteger(text), std::nullopt) << QString::fromUtf16(text).toStdString();
}

TEST_F(SettingsStoreTest, TextThatIsNoIntegerReadsAsTheDefault)
{
    WriteAll(UserFile(),
        "[Main]\n"
        "Hex=0x1F\n"
        "Garbage=twelve\n"
        "Huge=4294967296\n"
        "Blank=\n"
        "BoolYes=yes\n"
        "BoolTwo=2\n"
        "BoolMinus=-1\n"
        "BoolZero=0\n"
        "BoolHexZero=0x0\n"
        "Spaced =  42  \n");
    const SettingsStore store = SettingsStore::Open();
    EXPECT_EQ(store.ReadInteger("Main", "Hex", 0), 31);
    EXPECT_EQ(store.ReadInteger("Main", "Garbage", 9), 9);
    EXPECT_EQ(store.ReadInteger("Main", "Huge", 9), 9);
    EXPECT_EQ(store.ReadInteger("Main", "Blank", 9), 9);
    EXPECT_EQ(store.ReadInteger("Main", "Spaced", 9), 42);
    EXPECT_TRUE(store.ReadBool("Main", "BoolYes", true));
    EXPECT_FALSE(store.ReadBool("Main", "BoolYes", false));
    EXPECT_FALSE(store.ReadBool("Main", "Blank", false));
    EXPECT_TRUE(store.ReadBool("Main", "BoolTwo", false));
    EXPECT_TRUE(store.ReadBool("Main", "BoolMinus", false));
    EXPECT_FALSE(store.ReadBool("Main", "BoolZero", true));
    EXPECT_FALSE(store.ReadBool("Main", "BoolHexZero", true));
    EXPECT_EQ(store.ReadString("Main", "Garbage", ""), "twelve");
}

TEST_F(SettingsStoreTest, ThumbsInRowOutsideOneToTwentyReadsAsThree)
{
    const auto thumbs = [&](const QByteArray& line) {
        WriteAll(UserFile(), "[Main]\n" + line + "\n");
        return K::ThumbsInRowFromStored(SettingsStore::Open().Read(K::ThumbsInRow));
    };
    EXPECT_EQ(thumbs("ThumbsInRow=0"), 3);
    EXPECT_EQ(thumbs("ThumbsInRow=21"), 3);
    EXPECT_EQ(thumbs("ThumbsInRow=-4"), 3);
    EXPECT_EQ(thumbs("ThumbsInRow=1"), 1);
    EXPECT_EQ(thumbs("ThumbsInRow=20"), 20);
    EXPECT_EQ(thumbs("ThumbsInRow=8"), 8);
    EXPECT_EQ(thumbs("ThumbsInRow=many"), 5); // no integer: the default
    EXPECT_EQ(thumbs("Other=1"), 5); // absent
}

TEST(SettingsKeys, MruKeys)
{
    EXPECT_EQ(K::MruKey(0), "MRU0");
    EXPECT_EQ(K::MruKey(9), "MRU9");
    EXPECT_THROW(K::MruKey(10), AssertionFailure);
    EXPECT_THROW(K::MruKey(-1), AssertionFailure);
}

TEST_F(SettingsStoreTest, MruGapsAndLaterHigherNumbers)
{
    WriteAll(UserFile(), "[Main]\nMRU0=/a\nMRU1=/b\nMRU3=/d\n");
    SettingsStore store = SettingsStore::Open();
    QStringList mru;
    for (int n = 0; n < K::MruCount; ++n)
        if (store.ValueExists(K::Section, K::MruKey(n)))
            mru << store.ReadString(K::Section, K::MruKey(n), "");
    EXPECT_EQ(mru, QStringList({ "/a", "/b", "/d" }));
    for (int n = 0; n < mru.size(); ++n)
        store.WriteString(K::Section, K::MruKey(n), mru[n]);
    EXPECT_EQ(ReadAll(UserFile()), "[Main]\nMRU0=/a\nMRU1=/b\nMRU3=/d\nMRU2=/d\n");
}

TEST(SettingsPaths, PortableFileReplacesTheExtension)
{
    EXPECT_EQ(PortableSettingsPathFor("/media/usb/tarvix"), "/media/usb/tarvix.ini");
    EXPECT_EQ(PortableSettingsPathFor("/media/usb/tarvix.bin"), "/media/usb/tarvix.ini");
    EXPECT_EQ(PortableSettingsPathFor("/media/usb/tarvix.tar.gz"), "/media/usb/tarvix.tar.ini");
    EXPECT_EQ(PortableSettingsPathFor("/media/my.stick/tarvix"), "/media/my.stick/tarvix.ini");
    EXPECT_EQ(PortableSettingsPathFor("/media/usb/.tarvix"), "/media/usb/.tarvix.ini");
    EXPECT_EQ(PortableSettingsPathFor("/tarvix"), "/tarvix.ini");
    EXPECT_EQ(PortableSettingsPathFor(""), "");

    // This test program's name has no extension.
    const QString exe = ExecutablePath();
    ASSERT_FALSE(exe.isEmpty());
    EXPECT_TRUE(QFileInfo(exe).isFile());
    EXPECT_EQ(PortableSettingsPath(), exe + ".ini");
}

TEST(SettingsPaths, PerUserFileFollowsXdgConfigHomeAtRunTime)
{
    {
        ScopedEnvironment xdg("XDG_CONFIG_HOME", "/tmp/some/config/");
        EXPECT_EQ(PerUserSettingsPath(), "/tmp/some/config/Dovrane/Tarvix.ini");
    }
    {
        ScopedEnvironment home("HOME", "/tmp/somebody");
        ScopedEnvironment xdg("XDG_CONFIG_HOME", QByteArray());
        EXPECT_EQ(PerUserSettingsPath(), "/tmp/somebody/.config/Dovrane/Tarvix.ini");
        ScopedEnvironment empty("XDG_CONFIG_HOME", "");
        EXPECT_EQ(PerUserSettingsPath(), "/tmp/somebody/.config/Dovrane/Tarvix.ini");
        ScopedEnvironment relative("XDG_CONFIG_HOME", "relative/config");
        EXPECT_EQ(PerUserSettingsPath(), "/tmp/somebody/.config/Dovrane/Tarvix.ini");
    }
}

TEST_F(SettingsStoreTest, TarvixPortableChoosesTheFormAtEachOpening)
{
    {
        ScopedEnvironment portable("TARVIX_PORTABLE", "1");
        EXPECT_TRUE(IsPortableRun());
        EXPECT_EQ(SettingsStore::Open().Path(), PortableSettingsPath());
        EXPECT_EQ(SettingsStore::OpenPerUser().Path(), UserFile());
    }
    {
        ScopedEnvironment portable("TARVIX_PORTABLE", "0");
        EXPECT_FALSE(IsPortableRun());
        EXPECT_EQ(SettingsStore::Open().Path(), UserFile());
    }
    // Unset or any other value: the drive decides.
    const bool removable = IsOnRemovableDrive(ExecutablePath());
    for (const QByteArray& value : { QByteArray(), QByteArray("yes"), QByteArray(""), QByteArray(" 1") }) {
        SCOPED_TRACE(
            value.isNull() ? std::string("TARVIX_PORTABLE unset") : "TARVIX_PORTABLE=\"" + value.toStdString() + '"');
        ScopedEnvironment portable("TARVIX_PORTABLE", value);
        EXPECT_EQ(IsPortableRun(), removable);
        EXPECT_EQ(SettingsStore::Open().Path(), removable ? PortableSettingsPath() : UserFile());
    }
}

TEST_F(SettingsStoreTest, DisplayCropWarningAlwaysLivesInThePerUserFile)
{
    ScopedEnvironment portable("TARVIX_PORTABLE", "1");
    const QString portableFile = PortableSettingsPath();
    const bool portableExisted = QFileInfo::exists(portableFile);
    {
        SettingsStore store = SettingsStore::OpenPerUser();
        EXPECT_TRUE(store.Read(K::DisplayCropWarning));
        store.Write(K::DisplayCropWarning, false);
    }
    EXPECT_FALSE(SettingsStore::OpenPerUser().Read(K::DisplayCropWarning));
    EXPECT_EQ(ReadAll(UserFile()), "[Main]\nDisplayCropWarning=0\n");
    EXPECT_EQ(QFileInfo::exists(portableFile), portableExisted);
}

TEST_F(SettingsStoreTest, RefusedWriteThrowsWithThePath)
{
    // A path whose parent is a regular file cannot be written, not even by root.
    const QString blocker = FConfig.filePath("not-a-folder");
    WriteAll(blocker, "x");
    const QString path = blocker + "/tarvix.ini";
    SettingsStore store = SettingsStore::OpenFile(path);
    EXPECT_EQ(store.ReadInteger("Main", "WinWidth", 800), 800);
    try {
        store.WriteInteger("Main", "WinWidth", 1024);
        FAIL() << "no error";
    } catch (const TarvixError& error) {
        EXPECT_EQ(error.Message(), "Unable to write to " + path);
    }
    EXPECT_EQ(ReadAll(blocker), "x");
}

TEST_F(SettingsStoreTest, RefusedWriteOnAFullDriveKeepsTheFileAsItWas)
{
    // A full stick: the file is read, but no byte of its replacement can be written. A size
    // limit refuses root as well, where a read-only folder would not.
    const QString path = FConfig.filePath("stick/tarvix.ini");
    WriteAll(path, "[Main]\nWinWidth=900\nLastFolder=/media/stick\n");
    SettingsStore store = SettingsStore::OpenFile(path);
    EXPECT_EQ(store.ReadInteger("Main", "WinWidth", 800), 900);
    // Nothing is reported inside the limit: a failure message written to a file would be lost.
    bool limited = false;
    QString refusal = "no error";
    {
        ScopedFileSizeLimit full(0);
        limited = full.Set();
        try {
            store.WriteInteger("Main", "WinWidth", 1024);
        } catch (const TarvixError& error) {
            refusal = error.Message();
        }
    }
    ASSERT_TRUE(limited);
    EXPECT_EQ(refusal, "Unable to write to " + path);
    EXPECT_EQ(ReadAll(path), "[Main]\nWinWidth=900\nLastFolder=/media/stick\n");
    EXPECT_EQ(QDir(FConfig.filePath("stick")).entryList(QDir::Files | QDir::Hidden), QStringList("tarvix.ini"));
    EXPECT_EQ(store.ReadInteger("Main", "WinWidth", 800), 900); // the refused value is not taken for stored
}

TEST_F(SettingsStoreTest, AFileThatCannotBeReadIsNotReplaced)
{
    // A folder where the file should be: reads give defaults, writes are refused.
    const QString path = FConfig.filePath("tarvix.ini");
    QDir().mkpath(path + "/inside");
    SettingsStore store = SettingsStore::OpenFile(path);
    EXPECT_EQ(store.ReadString("Main", "Language", "d"), "d");
    EXPECT_THROW(store.WriteString("Main", "Language", "x"), TarvixError);
    EXPECT_TRUE(QFileInfo(path + "/inside").isDir());
}

TEST_F(SettingsStoreTest, ReadingNeverCreatesAnything)
{
    const QString path = FConfig.filePath("a/b/tarvix.ini");
    const SettingsStore store = SettingsStore::OpenFile(path);
    EXPECT_EQ(store.ReadString("Main", "LastFolder", "none"), "none");
    EXPECT_FALSE(store.ValueExists("Main", "LastFolder"));
    EXPECT_FALSE(QFileInfo::exists(FConfig.filePath("a")));
}

TEST_F(SettingsStoreTest, EachWriteKeepsWhatAnotherProcessWroteMeanwhile)
{
    SettingsStore window = SettingsStore::Open(); // burst read at opening
    {
        SettingsStore other = SettingsStore::Open(); // e.g. a command-line run
        other.WriteBool("Main", "KeepTimestamp", false);
    }
    // The window's burst read does not see it, but its write keeps it.
    EXPECT_TRUE(window.Read(K::KeepTimestamp));
    window.WriteInteger("Main", "WinWidth", 1000);
    EXPECT_FALSE(window.Read(K::KeepTimestamp));
    EXPECT_EQ(ReadAll(UserFile()), "[Main]\nKeepTimestamp=0\nWinWidth=1000\n");
}

TEST_F(SettingsStoreTest, WritesReplaceTheFileAndKeepEverythingElse)
{
    WriteAll(UserFile(),
        "; kept comment\r\n"
        "[Other]\r\n"
        "WinWidth=1\r\n"
        "[Main]\r\n"
        "WinWidth=700\r\n"
        "winwidth=second entry of the same name\r\n");
    // A second name for the file as it is: a replacement leaves it alone, a write in place
    // would change it too.
    const QString oldFile = FConfig.filePath("old.ini");
    ASSERT_EQ(::link(QFile::encodeName(UserFile()).constData(), QFile::encodeName(oldFile).constData()), 0);
    const QByteArray oldBytes = ReadAll(oldFile);
    SettingsStore store = SettingsStore::Open();
    EXPECT_EQ(store.Read(K::WinWidth), 700); // the first entry of a name wins
    store.Write(K::WinWidth, 1200);
    store.WriteString("Main", "LastFolder", "line\nbreak");
    EXPECT_EQ(ReadAll(UserFile()),
        "; kept comment\n[Other]\nWinWidth=1\n[Main]\nWinWidth=1200\nwinwidth=second entry of the same "
        "name\nLastFolder=line break\n");
    // Replaced, not rewritten in place (fault 8), and no temporary file left behind.
    EXPECT_EQ(ReadAll(oldFile), oldBytes);
    EXPECT_EQ(QDir(QFileInfo(UserFile()).path()).entryList(QDir::Files | QDir::Hidden), QStringList("Tarvix.ini"));
}

TEST_F(SettingsStoreTest, ALinkedSettingsFileStaysALink)
{
    const QString target = FConfig.filePath("dotfiles/tarvix.ini");
    WriteAll(target, "[Main]\nShowTree=1\n");
    QDir().mkpath(QFileInfo(UserFile()).path());
    ASSERT_TRUE(QFile::link(target, UserFile()));
    SettingsStore store = SettingsStore::Open();
    EXPECT_TRUE(store.Read(K::ShowTree));
    store.Write(K::ShowTree, false);
    EXPECT_TRUE(QFileInfo(UserFile()).isSymLink());
    EXPECT_EQ(ReadAll(target), "[Main]\nShowTree=0\n");
}

TEST_F(SettingsStoreTest, AnEditWritesOnceAtItsEndAndNotAtAllWhenNothingChanged)
{
    const QString path = FConfig.filePath("tarvix.ini");
    WriteAll(path, "[Main]\nWinWidth=900\n");
    SettingsStore store = SettingsStore::OpenFile(path);
    store.BeginEdit();
    store.WriteInteger("Main", "WinWidth", 1024);
    store.WriteString("Main", "LastFolder", "/photos");
    EXPECT_EQ(ReadAll(path), "[Main]\nWinWidth=900\n") << "a write inside an edit goes to the file at its end";
    EXPECT_EQ(store.ReadInteger("Main", "WinWidth", 0), 1024) << "but the store reads what it was told";
    // Another program's key, written meanwhile, survives the edit's one replacement.
    WriteAll(path, "[Main]\nWinWidth=900\nShowTree=1\n");
    store.CommitEdit();
    EXPECT_EQ(ReadAll(path), "[Main]\nWinWidth=1024\nShowTree=1\nLastFolder=/photos\n");

    // The same values again: the file is not replaced (same inode, same time).
    const qint64 modified = QFileInfo(path).fileTime(QFileDevice::FileModificationTime).toMSecsSinceEpoch();
    struct stat first { };
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &first), 0);
    store.BeginEdit();
    store.WriteInteger("Main", "WinWidth", 1024);
    store.WriteString("Main", "LastFolder", "/photos");
    store.CommitEdit();
    store.WriteBool("Main", "ShowTree", true);
    struct stat second { };
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &second), 0);
    EXPECT_EQ(first.st_ino, second.st_ino);
    EXPECT_EQ(QFileInfo(path).fileTime(QFileDevice::FileModificationTime).toMSecsSinceEpoch(), modified);
}

TEST_F(SettingsStoreTest, ARefusalComesOutInTheUsersLanguage)
{
    const QString blocker = FConfig.filePath("not-a-folder");
    WriteAll(blocker, "x");
    const QString path = blocker + "/tarvix.ini";
    const QString german = FConfig.filePath("Deutsch.lng");
    WriteAll(german, "[Messages]\nUnable to write to %s=%s kann nicht geschrieben werden\n");
    TLanguage language;
    language.SetLanguageFile(german);
    try {
        WriteTranslatingErrors(language, [&] {
            SettingsStore store = SettingsStore::OpenFile(path);
            store.BeginEdit();
            store.WriteInteger("Main", "WinWidth", 1024);
            store.CommitEdit();
        });
        FAIL() << "no error";
    } catch (const TarvixError& error) {
        EXPECT_EQ(error.Message(), path + " kann nicht geschrieben werden");
    }
}
