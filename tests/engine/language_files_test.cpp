#include "engine/ini_file.h"
#include "engine/language.h"
#include "engine/language_files.h"
#include "engine/message_format.h"
#include "platform/executable_path.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStringConverter>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <ostream>

using namespace tarvix;

// Readable failure output.
static void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}
static void PrintTo(const QStringList& lines, std::ostream* out)
{
    *out << '{';
    for (const QString& line : lines)
        *out << " \"" << line.toStdString() << '"';
    *out << " }";
}

// The shipped language files: every one holds the keys of English.lng in its order, and its
// messages keep the placeholders of the English ones.
namespace {

struct LanguageFileContent {
    QList<QPair<QString, QString>> Translations;
    QList<QPair<QString, QString>> Messages;
};

const QString ShippedFolder = QStringLiteral(TARVIX_SOURCE_DIR "/lang");

LanguageFileContent ReadShippedFile(const QString& name)
{
    QFile file(ShippedFolder + u'/' + name);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
    const QByteArray bytes = file.readAll();
    EXPECT_FALSE(bytes.startsWith("\xEF\xBB\xBF")) << name.toStdString() << " starts with a byte-order mark";
    QStringDecoder decoder(QStringConverter::Utf8);
    const QString text = decoder.decode(bytes);
    EXPECT_FALSE(decoder.hasError()) << name.toStdString() << " is not valid UTF-8";

    LanguageFileContent content;
    QList<QPair<QString, QString>>* section = nullptr;
    QSet<QString> seenSections;
    for (const QString& raw : text.split(u'\n')) {
        const QString line = TrimControl(raw);
        if (line.isEmpty() || line.startsWith(u';'))
            continue;
        SCOPED_TRACE(name.toStdString() + ": " + line.toStdString());
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            const QString sectionName = TrimControl(QStringView(line).mid(1, line.size() - 2)).toLower();
            EXPECT_FALSE(seenSections.contains(sectionName)) << "section twice in " << name.toStdString();
            seenSections.insert(sectionName);
            section = sectionName == "translations" ? &content.Translations
                : sectionName == "messages"         ? &content.Messages
                                                    : nullptr;
            EXPECT_NE(section, nullptr) << "unknown section " << line.toStdString();
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        EXPECT_GE(eq, 0) << "no entry: " << line.toStdString();
        if (eq < 0 || !section)
            continue;
        section->append({ TrimControl(QStringView(line).left(eq)), TrimControl(QStringView(line).mid(eq + 1)) });
    }
    return content;
}

QStringList Keys(const QList<QPair<QString, QString>>& entries)
{
    QStringList keys;
    for (const auto& entry : entries)
        keys.append(entry.first);
    return keys;
}

} // namespace

TEST(LanguageFiles, EnglishAndGermanHoldTheSameKeys)
{
    const LanguageFileContent english = ReadShippedFile("English.lng");
    const LanguageFileContent german = ReadShippedFile("Deutsch.lng");

    const QStringList windowKeys { "FormTarvix.ActionOpen.Caption", "FormTarvix.ActionOpen.Hint",
        "FormTarvix.ActionRotateLeft.Caption", "FormTarvix.ActionRotateLeft.Hint",
        "FormTarvix.ActionRotateRight.Caption", "FormTarvix.ActionRotateRight.Hint",
        "FormTarvix.ActionRotate180.Caption", "FormTarvix.ActionRotate180.Hint", "FormTarvix.ActionDisplayExif.Caption",
        "FormTarvix.ActionDisplayExif.Hint", "FormTarvix.tbFavorites.Caption", "FormTarvix.tbFavorites.Hint",
        "FormTarvix.tbAuto.Caption", "FormTarvix.tbAuto.Hint", "FormTarvix.tbOptions.Caption",
        "FormTarvix.tbOptions.Hint", "FormTarvix.ActionDelete.Caption", "FormTarvix.ActionDelete.Hint",
        "FormTarvix.btnBrowse.Caption", "FormTarvix.cbSubFolders.Caption", "FormTarvix.pmiRefresh.Caption",
        "FormTarvix.pmiThumbsInRow.Caption", "FormTarvix.pmiEnlargeSmall.Caption", "FormTarvix.pmiHiQuality.Caption",
        "FormTarvix.pmiLowQuality.Caption", "FormTarvix.pmiKeepTimestamp.Caption", "FormTarvix.pmiAbout.Caption",
        "FormTarvix.pmiWebsite.Caption", "FormTarvix.pmiDeleteConfirm.Caption", "FormTarvix.ActionFlipVer.Caption",
        "FormTarvix.ActionFlipHor.Caption", "FormTarvix.btnRecent.Hint", "FormTarvix.pmiDisplayCrop.Caption",
        "FormTarvix.pmiBackColor.Caption", "FormTarvix.pmiForeColor.Caption",
        "FormTarvix.pmiRebuildWhenResized.Caption", "FormTarvix.pmiMakeBackup.Caption",
        "FormTarvix.ActionShowTree.Caption", "FormTarvix.ActionRename.Caption", "ThumbForm.Caption",
        "ThumbForm.btnOk.Caption", "ThumbForm.btnCancel.Caption", "FormExif.Caption", "FormExif.btnOk.Caption" };
    ASSERT_EQ(windowKeys.size(), 44);
    EXPECT_EQ(Keys(english.Translations), windowKeys);
    EXPECT_EQ(Keys(german.Translations), windowKeys);

    const QStringList messageKeys = Keys(english.Messages);
    EXPECT_EQ(Keys(german.Messages), messageKeys);
    EXPECT_EQ(QSet<QString>(messageKeys.begin(), messageKeys.end()).size(), messageKeys.size()) << "a key twice";
    for (const char* key : { "Cancel", "file(s)", "Tag", "Value", "About", "Don't ask again", "Unable to write to %s",
             "Cannot open \"%s\". The file or folder has been moved or deleted." })
        EXPECT_TRUE(messageKeys.contains(key)) << key;

    for (const auto& [key, value] : english.Messages)
        EXPECT_EQ(value, key) << "English maps each message to itself";
}

// Listed like the language menu lists them, so a new language is checked without being named here.
TEST(LanguageFiles, EveryLanguageIsCompleteAndKeepsThePlaceholders)
{
    const LanguageFileContent english = ReadShippedFile("English.lng");
    QStringList names;
    for (const QString& path : ListLanguageFiles(ShippedFolder))
        names.append(QFileInfo(path).fileName());
    EXPECT_TRUE(names.contains("English.lng") && names.contains("Deutsch.lng")) << names.join(u' ').toStdString();

    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        const LanguageFileContent file = ReadShippedFile(name);
        EXPECT_EQ(Keys(file.Translations), Keys(english.Translations));
        EXPECT_EQ(Keys(file.Messages), Keys(english.Messages));
        for (const auto& [key, value] : file.Translations)
            EXPECT_FALSE(value.isEmpty()) << key.toStdString();
        for (const auto& [key, value] : file.Messages) {
            bool keyClean = false;
            bool valueClean = false;
            EXPECT_EQ(PlaceholderSequence(value, &valueClean), PlaceholderSequence(key, &keyClean))
                << key.toStdString() << " = " << value.toStdString();
            EXPECT_TRUE(keyClean && valueClean) << key.toStdString() << " = " << value.toStdString();
            EXPECT_FALSE(value.isEmpty()) << key.toStdString();
        }
    }
}

TEST(LanguageFiles, GermanFileTranslatesThroughTheEngine)
{
    TLanguage language;
    language.SetLanguageFile(QStringLiteral(TARVIX_SOURCE_DIR "/lang/Deutsch.lng"));
    EXPECT_EQ(language.TranslateUserMessage("Cancel"), "Abbrechen");
    EXPECT_EQ(TranslateMessage(language, "Cannot open \"%s\". Invalid folder.", { "/tmp/x" }),
        "„/tmp/x“ kann nicht geöffnet werden. Der Ordner ist ungültig.");

    language.SetLanguageFile(QStringLiteral(TARVIX_SOURCE_DIR "/lang/English.lng"));
    EXPECT_EQ(TranslateMessage(language,
                  "%s has detected %u images that can be automatically transformed to normal "
                  "orientation.",
                  { "Tarvix", 3u }),
        "Tarvix has detected 3 images that can be automatically transformed to normal orientation.");
}

// A portable run stores "lang/Deutsch.lng"; started from another folder, the program must not
// look there (and fall back to English, then save that over the user's choice).
TEST(LanguageFiles, AStoredRelativePathIsThePrograms)
{
    QTemporaryDir elsewhere;
    ASSERT_TRUE(QDir(elsewhere.path()).mkpath("lang"));
    QFile decoy(elsewhere.filePath("lang/English.lng"));
    ASSERT_TRUE(decoy.open(QIODevice::WriteOnly));
    decoy.close();
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(elsewhere.path()));
    const QString resolved = StoredLanguageFile("lang/English.lng");
    QDir::setCurrent(before);

    EXPECT_TRUE(QDir::isAbsolutePath(resolved)) << resolved.toStdString();
    EXPECT_FALSE(resolved.startsWith(elsewhere.path())) << resolved.toStdString();
    const QString program = QFileInfo(ExecutablePath()).absolutePath();
    EXPECT_TRUE(resolved.startsWith(program) || resolved.startsWith(LanguageFolder())) << resolved.toStdString();
    EXPECT_EQ(StoredLanguageFile("/usr/share/tarvix/lang/Deutsch.lng"), "/usr/share/tarvix/lang/Deutsch.lng");
    EXPECT_EQ(StoredLanguageFile(""), "");
}
