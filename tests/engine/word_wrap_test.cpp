#include "engine/word_wrap.h"
#include "support/qt_printers.h"

#include <gtest/gtest.h>

using namespace tarvix;

TEST(WrapText, BreaksAfterTheLastSpaceOrHyphenWithinFiftyColumns)
{
    EXPECT_EQ(WrapText("Tarvix has detected 3 images that can be automatically transformed to normal "
                       "orientation.\n\nWould you like to transform them now?"),
        "Tarvix has detected 3 images that can be\nautomatically transformed to normal orientation.\n\n"
        "Would you like to transform them now?");
    EXPECT_EQ(WrapText("A short text stays as it is."), "A short text stays as it is.");
    EXPECT_EQ(WrapText(QString(45, 'a') + " well-known words", 50), QString(45, 'a') + "\nwell-known words");
    EXPECT_EQ(
        WrapText(QString(40, 'a') + " twenty-character-words", 50), QString(40, 'a') + " twenty-\ncharacter-words");
    EXPECT_EQ(WrapText("one\ttwo three", 8), "one\ttwo\nthree");
    EXPECT_EQ(WrapText("one two\tthree", 8), "one two\nthree");
}

TEST(WrapText, KeepsLineBreaksQuotesAndLongWordsWhole)
{
    // Existing breaks, CR LF or LF, start new lines and are kept as they were.
    EXPECT_EQ(WrapText("first line\r\n\r\nsecond line", 10), "first line\r\n\r\nsecond\nline");
    // A quoted path with spaces is never broken, even past the limit.
    const QString quoted = "Cannot open \"/home/me/My Pictures/Summer holidays 2026/Beach.jpg\". Invalid folder.";
    EXPECT_EQ(
        WrapText(quoted), "Cannot open\n\"/home/me/My Pictures/Summer holidays 2026/Beach.jpg\".\nInvalid folder.");
    // A lone apostrophe is no quote: the line still breaks.
    EXPECT_EQ(WrapText("It's a line that is longer than twenty", 20), "It's a line that is\nlonger than twenty");
    // A word longer than the limit stands whole on its own line.
    const QString word(60, 'x');
    EXPECT_EQ(WrapText("a " + word + " b"), "a\n" + word + "\nb");
    EXPECT_EQ(WrapText(word), word);
}
