#include "engine/component_tree.h"
#include "engine/errors.h"
#include "engine/language.h"
#include "engine/letter_case.h"
#include "engine/message_format.h"

#include <QFile>
#include <QMap>
#include <QMetaProperty>
#include <QObject>
#include <QPointer>
#include <QStringConverter>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
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

// A component with the kinds of property a language file can meet: texts, a tool tip, a
// window title, a string list, signed and unsigned integers and one kind it cannot set.
class TestComponent : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString text MEMBER FText)
    Q_PROPERTY(QString toolTip MEMBER FToolTip)
    Q_PROPERTY(QString windowTitle MEMBER FWindowTitle)
    Q_PROPERTY(QStringList items MEMBER FItems)
    Q_PROPERTY(int number MEMBER FNumber)
    Q_PROPERTY(uint count MEMBER FCount)
    Q_PROPERTY(double ratio MEMBER FRatio)
    Q_PROPERTY(QString fixed READ Fixed)

public:
    explicit TestComponent(const QString& name, QObject* parent = nullptr)
        : QObject(parent)
    {
        setObjectName(name);
    }
    QString Fixed() const { return QStringLiteral("fixed"); }

    QString FText = QStringLiteral("designed text");
    QString FToolTip = QStringLiteral("designed hint");
    QString FWindowTitle = QStringLiteral("designed title");
    QStringList FItems { QStringLiteral("designed") };
    int FNumber = 1;
    uint FCount = 1;
    double FRatio = 0.5;
};

// A menu-like component: its caption is its title, not its window title.
class TitledComponent : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString title MEMBER FTitle)
    Q_PROPERTY(QString windowTitle MEMBER FWindowTitle)
public:
    using QObject::QObject;
    QString FTitle;
    QString FWindowTitle;
};

// A component with a real property named caption, which wins over the alias.
class CaptionedComponent : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString caption MEMBER FCaption)
    Q_PROPERTY(QString text MEMBER FText)
public:
    using QObject::QObject;
    QString FCaption;
    QString FText;
};

class LanguageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Window = std::make_unique<TestComponent>("FormTarvix");
        Open = new TestComponent("ActionOpen", Window.get());
        ToolBar = new QObject(Window.get());
        ToolBar->setObjectName("ToolBar");
        Auto = new TestComponent("tbAuto", ToolBar); // nested one level deeper
        Menu = new TitledComponent(Window.get());
        Menu->setObjectName("pmOptions");
        Captioned = new CaptionedComponent(Window.get());
        Captioned->setObjectName("Captioned");
        Dialog = std::make_unique<TestComponent>("FormExif");
        Ok = new TestComponent("btnOk", Dialog.get());
        SetTopLevelComponentProvider([this] { return QObjectList { Window.get(), nullptr, Dialog.get() }; });
    }
    void TearDown() override { SetTopLevelComponentProvider({}); }

    // Every component of the fixture as it was made: nothing translated.
    void ExpectEverythingAsDesigned() const
    {
        for (const TestComponent* component : { Window.get(), Open, Auto, Dialog.get(), Ok }) {
            SCOPED_TRACE(component->objectName().toStdString());
            EXPECT_EQ(component->FText, "designed text");
            EXPECT_EQ(component->FToolTip, "designed hint");
            EXPECT_EQ(component->FWindowTitle, "designed title");
            EXPECT_EQ(component->FItems, QStringList({ "designed" }));
            EXPECT_EQ(component->FNumber, 1);
            EXPECT_EQ(component->FCount, 1u);
        }
        EXPECT_TRUE(Menu->FTitle.isEmpty());
        EXPECT_TRUE(Captioned->FCaption.isEmpty());
        EXPECT_TRUE(Captioned->FText.isEmpty());
    }

    QString WriteFile(const QByteArray& bytes, const QString& name = "test.lng")
    {
        const QString path = Dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        return path;
    }

    // A language engine on a file with the given content and keys.
    std::unique_ptr<TLanguage> Engine(const QByteArray& content, const QStringList& keys = {})
    {
        auto language = std::make_unique<TLanguage>();
        language->SetLanguageFile(WriteFile(content));
        language->SetProperties(keys);
        return language;
    }

    QTemporaryDir Dir;
    std::unique_ptr<TestComponent> Window;
    std::unique_ptr<TestComponent> Dialog;
    TestComponent* Open = nullptr;
    QObject* ToolBar = nullptr;
    TestComponent* Auto = nullptr;
    TitledComponent* Menu = nullptr;
    CaptionedComponent* Captioned = nullptr;
    TestComponent* Ok = nullptr;
};

TEST_F(LanguageTest, ANewEngineChangesNothingUntilItIsGivenKeys)
{
    // Owned by its window, as each window makes its own.
    QPointer<TLanguage> language = new TLanguage(Window.get());
    language->Translate();
    ExpectEverythingAsDesigned();
    EXPECT_EQ(language->TranslateUserMessage("About"), "About");

    // A file alone applies nothing: only the listed keys are translated.
    language->SetLanguageFile(WriteFile("[Translations]\n"
                                        "FormTarvix.Caption=Tarvix!\n"
                                        "FormTarvix.ActionOpen.Caption=Öffnen\n"
                                        "FormTarvix.ActionOpen.items=a,b\n"
                                        "FormExif.btnOk.Caption=Schließen\n"
                                        "[Messages]\nAbout=Über\n"));
    language->Translate();
    ExpectEverythingAsDesigned();
    EXPECT_EQ(language->TranslateUserMessage("About"), "Über");

    // It goes with its window.
    Window.reset();
    EXPECT_TRUE(language.isNull());
}

TEST_F(LanguageTest, TheKeysAppliedAreTheEnginesOwnList)
{
    auto language = Engine("[Translations]\n"
                           "FormExif.Caption=EXIF-Eigenschaften\n"
                           "FormExif.btnOk.Caption=Schließen\n"
                           "FormTarvix.ActionOpen.Caption=Öffnen\n"
                           "FormTarvix.tbAuto.Caption=Automatisch\n");
    QStringList keys { "FormExif.Caption" };
    language->SetProperties(keys);
    keys.append("FormTarvix.ActionOpen.Caption"); // the caller's list, changed afterwards
    language->Properties().append("FormExif.btnOk.Caption"); // the engine's own, edited in place
    EXPECT_EQ(language->Properties(), QStringList({ "FormExif.Caption", "FormExif.btnOk.Caption" }));

    // A second engine given these keys keeps them when the first one's list changes, and a
    // callback that empties its list mid-run does not cut the run short.
    TLanguage second;
    second.SetLanguageFile(language->LanguageFile());
    second.SetProperties(language->Properties());
    language->Properties() = QStringList { "FormTarvix.tbAuto.Caption" };
    second.OnTranslate
        = [&](TLanguage*, QObject*, const QString&, const QString&, QString&) { second.Properties().clear(); };
    second.Translate();
    EXPECT_EQ(Dialog->FText, "EXIF-Eigenschaften");
    EXPECT_EQ(Ok->FText, "Schließen");
    EXPECT_EQ(Open->FText, "designed text");
    EXPECT_EQ(Auto->FText, "designed text");
    EXPECT_TRUE(second.Properties().isEmpty());

    language->Translate();
    EXPECT_EQ(Auto->FText, "Automatisch");
}

TEST_F(LanguageTest, WithoutAFileNothingChanges)
{
    TLanguage language;
    language.Properties() = QStringList { "FormTarvix.ActionOpen.Caption" };
    language.Translate();
    EXPECT_EQ(Open->FText, "designed text");
    EXPECT_EQ(language.TranslateUserMessage("About"), "About");

    language.SetLanguageFile(Dir.filePath("missing.lng"));
    language.Translate();
    EXPECT_EQ(Open->FText, "designed text");
    EXPECT_EQ(language.TranslateUserMessage("Cancel"), "Cancel");

    language.SetLanguageFile(Dir.path()); // a folder is no language file
    EXPECT_NO_THROW(language.Translate());
    EXPECT_EQ(language.TranslateUserMessage("Cancel"), "Cancel");
}

TEST_F(LanguageTest, MessagesWithoutTranslationsLeaveCaptionsInEnglish)
{
    auto language = Engine(
        "[Messages]\nCancel=Abbrechen\nFormTarvix.ActionOpen.Caption=not here\n", { "FormTarvix.ActionOpen.Caption" });
    language->Translate();
    EXPECT_EQ(Open->FText, "designed text");
    EXPECT_EQ(language->TranslateUserMessage("Cancel"), "Abbrechen");
    EXPECT_EQ(language->TranslateUserMessage("cANCEL"), "Abbrechen");
}

TEST_F(LanguageTest, CaseMattersNeitherForSectionNorKeyNorProperty)
{
    auto language = Engine("[translations]\nformtarvix.actionopen.caption=Bild anzeigen\n"
                           "FORMTARVIX.ACTIONOPEN.HINT=Tastenkürzel\n",
        { "FormTarvix.ActionOpen.Caption", "FormTarvix.ActionOpen.Hint" });
    language->Translate();
    EXPECT_EQ(Open->FText, "Bild anzeigen");
    EXPECT_EQ(Open->FToolTip, "Tastenkürzel");
}

TEST_F(LanguageTest, SpacesAroundNamesEqualsSignAndValueAreTrimmed)
{
    auto language = Engine("  [ Translations ]  \n"
                           "\t  FormTarvix.ActionOpen.Caption   =   View  it   \t\n"
                           "FormTarvix . ActionOpen . Hint = spaced segments\n",
        { "  FormTarvix.ActionOpen.Caption  ", "FormTarvix . ActionOpen . Hint", "   ", "" });
    language->Translate();
    EXPECT_EQ(Open->FText, "View  it");
    EXPECT_EQ(Open->FToolTip, "spaced segments");
}

TEST_F(LanguageTest, UnknownComponentOrPropertyIsSkippedAndLaterKeysStillApply)
{
    auto language = Engine("[Translations]\n"
                           "NoSuchWindow.ActionOpen.Caption=a\n"
                           "FormTarvix.NoSuchAction.Caption=b\n"
                           "FormTarvix.NoSuchAction.ActionOpen.Caption=c\n"
                           "FormTarvix.ActionOpen.NoSuchProperty=d\n"
                           "FormTarvix.ActionOpen.fixed=read-only\n"
                           "FormTarvix.ActionOpen.ratio=0.25\n"
                           "Caption=no component\n"
                           "FormTarvix.ActionOpen.Caption=applied\n",
        { "NoSuchWindow.ActionOpen.Caption", "FormTarvix.NoSuchAction.Caption",
            "FormTarvix.NoSuchAction.ActionOpen.Caption", "FormTarvix.ActionOpen.NoSuchProperty",
            "FormTarvix.ActionOpen.fixed", "FormTarvix.ActionOpen.ratio", "Caption", "FormTarvix.ActionOpen.Caption" });
    EXPECT_NO_THROW(language->Translate());
    EXPECT_EQ(Open->FText, "applied");
    EXPECT_EQ(Open->FRatio, 0.5);
    EXPECT_EQ(Window->FText, "designed text");
}

TEST_F(LanguageTest, ReachesNestedComponentsAndOtherWindows)
{
    auto language = Engine("[Translations]\n"
                           "FormTarvix.tbAuto.Caption=Automatisch\n"
                           "FormTarvix.ToolBar.tbAuto.Hint=Alles drehen\n"
                           "formexif.caption=EXIF-Eigenschaften\n"
                           "FormExif.BTNOK.Caption=&OK!\n"
                           "FormExif.ActionOpen.Caption=not owned by this window\n",
        { "FormTarvix.tbAuto.Caption", "FormTarvix.ToolBar.tbAuto.Hint", "FormExif.Caption", "FormExif.btnOk.Caption",
            "FormExif.ActionOpen.Caption" });
    language->Translate();
    EXPECT_EQ(Auto->FText, "Automatisch");
    EXPECT_EQ(Auto->FToolTip, "Alles drehen");
    EXPECT_EQ(Dialog->FText, "EXIF-Eigenschaften"); // Caption is text when there is one
    EXPECT_EQ(Ok->FText, "&OK!");
    EXPECT_EQ(Open->FText, "designed text");
}

TEST_F(LanguageTest, TheWindowOwningTheEnginePrevailsOverANamesake)
{
    // The dialog of an earlier opening, not yet destroyed, comes first in the list.
    TestComponent stale("FormExif");
    SetTopLevelComponentProvider([&] { return QObjectList { &stale, Window.get(), Dialog.get() }; });
    auto* language = new TLanguage(Dialog.get());
    language->SetLanguageFile(WriteFile("[Translations]\nFormExif.Caption=EXIF-Eigenschaften\n"));
    language->Properties().append("FormExif.Caption");
    language->Translate();
    EXPECT_EQ(Dialog->FText, "EXIF-Eigenschaften");
    EXPECT_EQ(stale.FText, "designed text");

    TLanguage ownerless; // without an owner the first window of the name is taken
    ownerless.SetLanguageFile(language->LanguageFile());
    ownerless.SetProperties(language->Properties());
    ownerless.Translate();
    EXPECT_EQ(stale.FText, "EXIF-Eigenschaften");
}

TEST_F(LanguageTest, CaptionAliases)
{
    auto language = Engine("[Translations]\nFormTarvix.pmOptions.Caption=Optionen\nFormTarvix.Captioned.Caption=real\n",
        { "FormTarvix.pmOptions.Caption", "FormTarvix.Captioned.Caption" });
    language->Translate();
    EXPECT_EQ(Menu->FTitle, "Optionen");
    EXPECT_TRUE(Menu->FWindowTitle.isEmpty());
    EXPECT_EQ(Captioned->FCaption, "real");
    EXPECT_TRUE(Captioned->FText.isEmpty());

    QObject plain;
    EXPECT_FALSE(FindComponentProperty(&plain, u"Caption").isValid());
    EXPECT_EQ(QString(FindComponentProperty(&plain, u"OBJECTNAME").name()), "objectName");
    EXPECT_EQ(QString(FindComponentProperty(Window.get(), u"caption").name()), "text");
    EXPECT_EQ(QString(FindComponentProperty(Window.get(), u"hint").name()), "toolTip");
}

TEST_F(LanguageTest, EmptyValueChangesNothing)
{
    auto language = Engine("[Translations]\nFormTarvix.ActionOpen.Caption=\nFormTarvix.ActionOpen.Hint=   \n",
        { "FormTarvix.ActionOpen.Caption", "FormTarvix.ActionOpen.Hint" });
    int calls = 0;
    language->OnTranslate = [&](TLanguage*, QObject*, const QString&, const QString&, QString&) { ++calls; };
    language->Translate();
    EXPECT_EQ(Open->FText, "designed text");
    EXPECT_EQ(Open->FToolTip, "designed hint");
    EXPECT_EQ(calls, 0);
}

TEST_F(LanguageTest, AboutAbsentOrEmpty)
{
    auto absent = Engine("[Messages]\nCancel=Abbrechen\n");
    EXPECT_EQ(absent->TranslateUserMessage("About"), "About");

    auto empty = Engine("[Messages]\nAbout=\n");
    EXPECT_EQ(empty->TranslateUserMessage("About"), "");
}

TEST_F(LanguageTest, FirstSectionAndFirstEntryWin)
{
    auto language = Engine("[Messages]\nCancel=first\ncancel=second\n[MESSAGES]\nAbout=from the second section\n");
    EXPECT_EQ(language->TranslateUserMessage("Cancel"), "first");
    EXPECT_EQ(language->TranslateUserMessage("About"), "About");
}

TEST_F(LanguageTest, ByteOrderMarkMakesNoDifference)
{
    const QByteArray content = "[Translations]\nFormTarvix.ActionOpen.Caption=Öffnen\n[Messages]\nAbout=Über\n";
    auto plain = Engine(content, { "FormTarvix.ActionOpen.Caption" });
    plain->Translate();
    EXPECT_EQ(Open->FText, "Öffnen");
    EXPECT_EQ(plain->TranslateUserMessage("About"), "Über");

    Open->FText = "designed text";
    auto marked = Engine("\xEF\xBB\xBF" + content, { "FormTarvix.ActionOpen.Caption" });
    marked->Translate();
    EXPECT_EQ(Open->FText, "Öffnen");
    EXPECT_EQ(marked->TranslateUserMessage("About"), "Über");
}

TEST_F(LanguageTest, Utf16FileYieldsNoTranslations)
{
    const QString content = "[Translations]\r\nFormTarvix.ActionOpen.Caption=Öffnen\r\n[Messages]\r\nAbout=Über\r\n";
    for (auto encoding : { QStringConverter::Utf16LE, QStringConverter::Utf16BE }) {
        SCOPED_TRACE(encoding == QStringConverter::Utf16LE ? "UTF-16LE" : "UTF-16BE");
        QStringEncoder encoder(encoding, QStringConverter::Flag::WriteBom);
        auto language = Engine(encoder.encode(content), { "FormTarvix.ActionOpen.Caption" });
        EXPECT_NO_THROW(language->Translate());
        EXPECT_EQ(Open->FText, "designed text");
        EXPECT_EQ(language->TranslateUserMessage("About"), "About");
    }
}

TEST_F(LanguageTest, SecondEqualsSignBelongsToTheValue)
{
    auto language = Engine("[Translations]\nFormTarvix.ActionOpen.Caption=a = b\n[Messages]\nx=y=z\n",
        { "FormTarvix.ActionOpen.Caption" });
    language->Translate();
    EXPECT_EQ(Open->FText, "a = b");
    EXPECT_EQ(language->TranslateUserMessage("x"), "y=z");
}

TEST_F(LanguageTest, SeparatorCutsStringLists)
{
    auto language = Engine("[Translations]\nFormTarvix.ActionOpen.items=a,b\nFormExif.btnOk.items=a,,b,\n"
                           "FormTarvix.tbAuto.items= one ; two ;three; \n",
        { "FormTarvix.ActionOpen.items", "FormExif.btnOk.items", "FormTarvix.tbAuto.items" });
    language->Translate();
    EXPECT_EQ(Open->FItems, QStringList({ "a,b" }));
    EXPECT_EQ(Ok->FItems, QStringList({ "a,,b," }));

    language->SetSeparator("");
    EXPECT_EQ(language->Separator(), ",");
    language->Translate();
    EXPECT_EQ(Open->FItems, QStringList({ "a", "b" }));
    EXPECT_EQ(Ok->FItems, QStringList({ "a", "", "b" }));

    language->SetSeparator(" \t ");
    EXPECT_EQ(language->Separator(), ",");
    language->SetSeparator(";");
    EXPECT_EQ(language->Separator(), ";");
    language->Translate();
    EXPECT_EQ(Auto->FItems, QStringList({ "one", "two", "three" }));

    language->SetSeparator("<br>");
    EXPECT_EQ(language->Separator(), "<br>"); // stored unchanged
}

TEST_F(LanguageTest, BlankTextWithoutSeparatorGivesNoLines)
{
    auto language = Engine("[Translations]\nFormTarvix.ActionOpen.items=x\n", { "FormTarvix.ActionOpen.items" });
    language->OnTranslate = [](TLanguage*, QObject*, const QString&, const QString&, QString& text) { text = "  "; };
    language->Translate();
    EXPECT_TRUE(Open->FItems.isEmpty());
}

TEST_F(LanguageTest, OnTranslateSeesTheCallAndMayReplaceOrEmptyTheText)
{
    auto language = Engine("[Translations]\n"
                           "FormTarvix.ActionOpen.Caption=Öffnen\n"
                           "FormTarvix.ActionOpen.Hint=Hinweis\n"
                           "FormTarvix.ActionOpen.items=x\n"
                           "FormTarvix.ActionOpen.Missing=y\n",
        { "FormTarvix.ActionOpen.Caption", "FormTarvix.ActionOpen.Hint", "FormTarvix.ActionOpen.items",
            "FormTarvix.ActionOpen.Missing" });
    struct Call {
        TLanguage* Sender;
        QObject* Component;
        QString Property, Old, New;
    };
    QList<Call> calls;
    language->OnTranslate
        = [&](TLanguage* sender, QObject* component, const QString& property, const QString& old, QString& text) {
              calls.append({ sender, component, property, old, text });
              if (property == "Caption")
                  text = "[" + text + "]";
              if (property == "Hint")
                  text.clear();
          };
    language->Translate();

    ASSERT_EQ(calls.size(), 4);
    EXPECT_EQ(calls[0].Sender, language.get());
    EXPECT_EQ(calls[0].Component, Open);
    EXPECT_EQ(calls[0].Property, "Caption");
    EXPECT_EQ(calls[0].Old, "designed text");
    EXPECT_EQ(calls[0].New, "Öffnen");
    EXPECT_EQ(calls[1].Old, "designed hint");
    EXPECT_EQ(calls[2].Old, ""); // not a string property
    EXPECT_EQ(calls[3].Property, "Missing");
    EXPECT_EQ(calls[3].Old, ""); // no such property: called all the same, nothing applied

    EXPECT_EQ(Open->FText, "[Öffnen]");
    EXPECT_EQ(Open->FToolTip, ""); // an emptied text is applied
    EXPECT_EQ(Open->FItems, QStringList({ "x" }));
}

TEST_F(LanguageTest, OnTranslateMayDestroyTheComponent)
{
    auto language = Engine("[Translations]\nFormTarvix.ActionOpen.Caption=x\nFormTarvix.tbAuto.Caption=y\n",
        { "FormTarvix.ActionOpen.Caption", "FormTarvix.tbAuto.Caption" });
    language->OnTranslate = [&](TLanguage*, QObject* component, const QString&, const QString&, QString&) {
        if (component == Open)
            delete Open;
    };
    EXPECT_NO_THROW(language->Translate());
    EXPECT_EQ(Auto->FText, "y");
}

TEST_F(LanguageTest, IntegerProperties)
{
    auto language = Engine("[Translations]\n"
                           "FormTarvix.ActionOpen.number=-42\n"
                           "FormTarvix.ActionOpen.count=4000000000\n"
                           "FormTarvix.tbAuto.number=$10\n",
        { "FormTarvix.ActionOpen.number", "FormTarvix.ActionOpen.count", "FormTarvix.tbAuto.number" });
    language->Translate();
    EXPECT_EQ(Open->FNumber, -42);
    EXPECT_EQ(Open->FCount, 4000000000u);
    EXPECT_EQ(Auto->FNumber, 16);
}

TEST_F(LanguageTest, TextThatIsNoIntegerEndsTranslateWithAnError)
{
    for (const char* bad : { "abc", "12abc", "2147483648", "-", "0x", "1.5", "99999999999999999999999" }) {
        SCOPED_TRACE(bad);
        Open->FNumber = 1;
        Open->FText = "designed text";
        Auto->FText = "designed text";
        auto language = Engine(QByteArray("[Translations]\n"
                                          "FormTarvix.ActionOpen.Caption=before\n"
                                          "FormTarvix.ActionOpen.number=")
                + bad + "\nFormTarvix.tbAuto.Caption=after\n",
            { "FormTarvix.ActionOpen.Caption", "FormTarvix.ActionOpen.number", "FormTarvix.tbAuto.Caption" });
        try {
            language->Translate();
            ADD_FAILURE() << "no error for " << bad;
        } catch (const TarvixError& error) {
            EXPECT_TRUE(error.Message().contains(bad)) << error.Message().toStdString();
            EXPECT_TRUE(error.Message().contains("FormTarvix.ActionOpen.number")) << error.Message().toStdString();
        }
        EXPECT_EQ(Open->FText, "before");
        EXPECT_EQ(Open->FNumber, 1);
        EXPECT_EQ(Auto->FText, "designed text") << "keys after the error are not applied";
    }

    auto negativeCount = Engine("[Translations]\nFormTarvix.ActionOpen.count=-1\n", { "FormTarvix.ActionOpen.count" });
    EXPECT_THROW(negativeCount->Translate(), TarvixError);
    EXPECT_EQ(Open->FCount, 1u);
}

TEST_F(LanguageTest, EachKindOfPropertyReadsTheTranslationItsOwnWay)
{
    auto language = Engine("[Translations]\n"
                           "FormTarvix.ActionOpen.Caption=42\n"
                           "FormTarvix.ActionOpen.items=7\n"
                           "FormTarvix.ActionOpen.number=0x20\n"
                           "FormTarvix.ActionOpen.count=$20\n"
                           "FormTarvix.ActionOpen.ratio=0.25\n"
                           "FormTarvix.tbAuto.Caption=$10\n"
                           "FormTarvix.tbAuto.items=not, a number\n",
        { "FormTarvix.ActionOpen.Caption", "FormTarvix.ActionOpen.items", "FormTarvix.ActionOpen.number",
            "FormTarvix.ActionOpen.count", "FormTarvix.ActionOpen.ratio", "FormTarvix.tbAuto.Caption",
            "FormTarvix.tbAuto.items" });
    QMap<QString, QString> shown;
    language->OnTranslate = [&](TLanguage*, QObject* component, const QString& property, const QString& old, QString&) {
        if (component == Open)
            shown[property] = old;
    };
    EXPECT_NO_THROW(language->Translate());

    // Texts and lists take the text as it is, digits or not; numbers are read as numbers; a
    // kind a file cannot set is left alone without an error.
    EXPECT_EQ(Open->FText, "42");
    EXPECT_EQ(Auto->FText, "$10");
    EXPECT_EQ(Open->FItems, QStringList({ "7" }));
    EXPECT_EQ(Auto->FItems, QStringList({ "not, a number" }));
    EXPECT_EQ(Open->FNumber, 32);
    EXPECT_EQ(Open->FCount, 32u);
    EXPECT_EQ(Open->FRatio, 0.5);

    // The callback is shown the current value of a text only.
    EXPECT_EQ(shown.value("Caption"), "designed text");
    EXPECT_EQ(shown.value("items"), "");
    EXPECT_EQ(shown.value("number"), "");
    EXPECT_EQ(shown.value("count"), "");
    EXPECT_EQ(shown.value("ratio"), "");
    EXPECT_EQ(shown.size(), 5);
}

TEST_F(LanguageTest, AnEditedFileTakesEffectAtTheNextCall)
{
    auto language = Engine("[Translations]\nFormTarvix.ActionOpen.Caption=one\n[Messages]\nCancel=eins\n",
        { "FormTarvix.ActionOpen.Caption" });
    language->Translate();
    EXPECT_EQ(Open->FText, "one");
    EXPECT_EQ(language->TranslateUserMessage("Cancel"), "eins");

    WriteFile("[Translations]\nFormTarvix.ActionOpen.Caption=two\n[Messages]\nCancel=zwei\n");
    EXPECT_EQ(language->TranslateUserMessage("Cancel"), "zwei");
    language->Translate();
    EXPECT_EQ(Open->FText, "two");

    QFile::remove(language->LanguageFile());
    EXPECT_EQ(language->TranslateUserMessage("Cancel"), "Cancel");
}

TEST_F(LanguageTest, WithoutProviderThereAreNoWindows)
{
    SetTopLevelComponentProvider({});
    EXPECT_TRUE(TopLevelComponents().isEmpty());
    auto language = Engine("[Translations]\nFormTarvix.ActionOpen.Caption=x\n", { "FormTarvix.ActionOpen.Caption" });
    EXPECT_NO_THROW(language->Translate());
    EXPECT_EQ(Open->FText, "designed text");
}

TEST_F(LanguageTest, ComponentLookUp)
{
    EXPECT_EQ(FindTopLevelComponent(u"formtarvix"), Window.get());
    EXPECT_EQ(FindTopLevelComponent(u"ActionOpen"), nullptr); // not a top-level component
    EXPECT_EQ(FindTopLevelComponent(u""), nullptr);
    EXPECT_EQ(FindOwnedComponent(Window.get(), u"TBAUTO"), Auto);
    EXPECT_EQ(FindOwnedComponent(Window.get(), u"FormExif"), nullptr);
    EXPECT_EQ(FindOwnedComponent(nullptr, u"tbAuto"), nullptr);

    // The nearest namesake wins over a deeper one.
    auto* deep = new TestComponent("Twin", Auto);
    auto* near = new TestComponent("twin", Window.get());
    EXPECT_EQ(FindOwnedComponent(Window.get(), u"TWIN"), near);
    EXPECT_EQ(FindOwnedComponent(ToolBar, u"twin"), deep);

    EXPECT_TRUE(EqualsIgnoringAsciiCase(u"btnOK", u"BTNok"));
    EXPECT_FALSE(EqualsIgnoringAsciiCase(u"btnOk", u"btnOk2"));
}

#include "language_test.moc"
