#include "engine/ini_file.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tarvix;

TEST(IniFile, ReadsTheDialectRules)
{
    const IniFile ini = IniFile::Parse("\xEF\xBB\xBF"
                                       "orphan=before any section\r\n"
                                       "  [ Main ]  \r\n"
                                       "; comment=no\n"
                                       "\t Key One \t=  a value = with equals  \n"
                                       "key one=second wins not\n"
                                       "no equals sign here\n"
                                       "Empty=\n"
                                       "[main]\n"
                                       "Other=from the second section\n"
                                       "[Next]\r"
                                       "x=1");
    EXPECT_EQ(ini.Value("MAIN", "key ONE"), QString("a value = with equals"));
    EXPECT_EQ(ini.Value("Main", "Empty"), QString(""));
    EXPECT_FALSE(ini.Value("Main", "Other").has_value());
    EXPECT_FALSE(ini.Value("Main", "orphan").has_value());
    EXPECT_FALSE(ini.Value("Main", "no equals sign here").has_value());
    EXPECT_EQ(ini.Value("next", "X"), QString("1"));
    EXPECT_FALSE(ini.HasSection("Missing"));
}

TEST(IniFile, SetValueKeepsOtherLinesAndSaveReplacesTheFile)
{
    IniFile ini = IniFile::Parse("; my notes\n[Main]\nA=1\nB=2\n\n[Other]\nA=x\n");
    ini.SetValue("main", "b", "two");
    ini.SetValue("Main", "C", "line\nbreak");
    ini.SetValue("New", "K", "v");
    EXPECT_EQ(
        ini.ToBytes(), QByteArray("; my notes\n[Main]\nA=1\nb=two\nC=line break\n\n[Other]\nA=x\n\n[New]\nK=v\n"));

    QTemporaryDir dir;
    const QString path = dir.filePath("sub/settings.ini");
    ASSERT_TRUE(ini.Save(path));
    EXPECT_EQ(IniFile::Load(path).Value("New", "k"), QString("v"));
    EXPECT_FALSE(IniFile::Load(dir.filePath("missing.ini")).HasSection("Main"));
}

TEST(IniFile, ReadsTextThatIsNotUtf8AsLatin1)
{
    EXPECT_EQ(
        IniFile::Parse("[Main]\nLastFolder=/home/J\xF6rg\n").Value("Main", "LastFolder"), QString("/home/J\u00F6rg"));
    EXPECT_EQ(IniFile::Parse("[Main]\nLastFolder=/home/J\xC3\xB6rg\n").Value("Main", "LastFolder"),
        QString("/home/J\u00F6rg"));
}
