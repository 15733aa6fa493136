#include "engine/language.h"
#include "engine/message_format.h"

#include <QFile>
#include <QTemporaryDir>
#include <cstddef>
#include <gtest/gtest.h>
#include <limits>
#include <ostream>

using namespace tarvix;

// Readable failure output.
static void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace {

const QString Detected = "%s has detected %u images that can be automatically transformed to normal orientation.";

} // namespace

TEST(MessageFormat, FillsPlaceholdersInOrder)
{
    EXPECT_EQ(FormatMessage(Detected, Detected, { "Tarvix", 12u }),
        "Tarvix has detected 12 images that can be automatically transformed to normal orientation.");
    EXPECT_EQ(FormatMessage("%d and %u and %s", "%d and %u and %s", { -5, 7u, QString("x") }), "-5 and 7 and x");
    EXPECT_EQ(FormatMessage("100%% of %u", "100%% of %u", { 3 }), "100% of 3");
    EXPECT_EQ(FormatMessage("no placeholders", "no placeholders", {}), "no placeholders");
}

TEST(MessageFormat, UsesAMatchingTranslation)
{
    EXPECT_EQ(FormatMessage("%s hat %u Bilder gefunden.", Detected, { "Tarvix", 2u }), "Tarvix hat 2 Bilder gefunden.");
    EXPECT_EQ(FormatMessage("„%s“ ist schreibgeschützt (100 %%).", "Image \"%s\" is read-only.", { "a.jpg" }),
        "„a.jpg“ ist schreibgeschützt (100 %).");
    EXPECT_EQ(FormatMessage("Abbrechen", "Cancel", {}), "Abbrechen");
    EXPECT_EQ(FormatMessage("", "About", {}), ""); // an empty translation is a translation
}

TEST(MessageFormat, HostileTranslationsFallBackToEnglish)
{
    const QString english = "Image \"%s\" is read-only. Do you want to rotate it anyway?";
    const QString expected = "Image \"a.jpg\" is read-only. Do you want to rotate it anyway?";
    for (const char* hostile : {
             "%s%s%s%n", // more placeholders, and a writing one
             "%s%n", // same placeholders plus a foreign one
             "%1 %s", // a QString::arg marker
             "%s %2", // another
             "Bild", // placeholder missing
             "%s %s", // one too many
             "%d", // kind changed
             "%u", // kind changed
             "%S", // upper case is no placeholder here
             "%5s", // width
             "%-s", // flag
             "%ls", // length
             "%p %s", // pointer
             "%x %s", // hex
             "%s 100%", // a lone percent sign at the end
             "%s 50% off", // a lone percent sign inside
             "%%%s%", // mixed
         }) {
        EXPECT_EQ(FormatMessage(hostile, english, { "a.jpg" }), expected) << hostile;
    }

    EXPECT_EQ(FormatMessage("%u Bilder von %s", Detected, { "Tarvix", 2u }),
        "Tarvix has detected 2 images that can be automatically transformed to normal orientation.")
        << "reordered placeholders";
    EXPECT_EQ(FormatMessage("", "Unable to write to %s", { "/x.ini" }), "Unable to write to /x.ini");
}

TEST(MessageFormat, ArgumentsAreInsertedLiterally)
{
    EXPECT_EQ(FormatMessage("%s: %u", "%s: %u", { "%s%n%1%%", 1u }), "%s%n%1%%: 1");
    EXPECT_EQ(FormatMessage("%s", "%s", { QString("%2") }), "%2");
}

TEST(MessageFormat, MismatchedArgumentsNeverCrash)
{
    EXPECT_EQ(FormatMessage("%s and %s", "%s and %s", { "one" }), "one and %s");
    EXPECT_EQ(FormatMessage("%s", "%s", {}), "%s");
    EXPECT_EQ(FormatMessage("%s", "%s", { "a", "b", 3 }), "a");
    EXPECT_EQ(FormatMessage("%u%%", "%u%%", { "text for a number" }), "text for a number%");
    EXPECT_EQ(FormatMessage("x", "100% sure %s %q", { "y" }), "100% sure y %q") << "English keeps other sequences";
    EXPECT_EQ(FormatMessage("%", "%", {}), "%");
    EXPECT_EQ(FormatMessage("", "", {}), "");
}

TEST(MessageFormat, ArgumentKinds)
{
    EXPECT_EQ(MessageArg(QString("ä")).ArgKind(), MessageArg::Kind::String);
    EXPECT_EQ(MessageArg("ü").Text(), QString::fromUtf8("ü"));
    EXPECT_EQ(MessageArg(-3).ArgKind(), MessageArg::Kind::Signed);
    EXPECT_EQ(MessageArg(std::numeric_limits<qint64>::min()).Text(), "-9223372036854775808");
    EXPECT_EQ(MessageArg(std::numeric_limits<quint64>::max()).Text(), "18446744073709551615");
    EXPECT_EQ(MessageArg(std::size_t(1234567)).Text(), "1234567"); // no thousands separator
    EXPECT_EQ(MessageArg(qsizetype(-1)).ArgKind(), MessageArg::Kind::Signed);
    EXPECT_EQ(MessageArg(4000000000u).ArgKind(), MessageArg::Kind::Unsigned);
}

TEST(MessageFormat, PlaceholderSequence)
{
    bool clean = false;
    EXPECT_EQ(PlaceholderSequence(Detected, &clean), "su");
    EXPECT_TRUE(clean);
    EXPECT_EQ(PlaceholderSequence("%d%%%u", &clean), "du");
    EXPECT_TRUE(clean);
    EXPECT_EQ(PlaceholderSequence("%s%n", &clean), "s");
    EXPECT_FALSE(clean);
    EXPECT_EQ(PlaceholderSequence("end %", &clean), "");
    EXPECT_FALSE(clean);
}

TEST(MessageFormat, TranslateMessageThroughTheEngine)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("hostile.lng");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[Messages]\n"
               "Image \"%s\" is read-only. Do you want to rotate it anyway?=%s%s%s%n\n"
               "Unable to write to %s=%1 %s\n"
               "Cannot open \"%s\". Invalid folder.=„%s“ ist kein Ordner.\n"
               "Unable to rotate the image=Drehen unmöglich\n");
    file.close();

    TLanguage language;
    EXPECT_EQ(TranslateMessage(language, "Unable to write to %s", { "/a" }), "Unable to write to /a") << "no file";

    language.SetLanguageFile(path);
    EXPECT_EQ(TranslateMessage(language, "Image \"%s\" is read-only. Do you want to rotate it anyway?", { "b.jpg" }),
        "Image \"b.jpg\" is read-only. Do you want to rotate it anyway?");
    EXPECT_EQ(TranslateMessage(language, "Unable to write to %s", { "/a" }), "Unable to write to /a");
    EXPECT_EQ(TranslateMessage(language, "Cannot open \"%s\". Invalid folder.", { "/c" }), "„/c“ ist kein Ordner.");
    EXPECT_EQ(TranslateMessage(language, "Unable to rotate the image"), "Drehen unmöglich");
}

TEST(MessageFormat, TranslatedPartsJoinedBeforeFormatting)
{
    // A message built from two translated texts is checked and filled as one.
    const QString first = Detected;
    const QString second = "Would you like to transform them now?";
    const QString english = first + "\r\n\r\n" + second;
    const QString german
        = QString("%s hat %u Bilder gefunden.") + "\r\n\r\n" + "Möchten Sie diese Bilder jetzt drehen?";
    EXPECT_EQ(FormatMessage(german, english, { "Tarvix", 4u }),
        "Tarvix hat 4 Bilder gefunden.\r\n\r\nMöchten Sie diese Bilder jetzt drehen?");
}
