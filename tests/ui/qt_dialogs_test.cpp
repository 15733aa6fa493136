#include "engine/component_tree.h"
#include "engine/language.h"
#include "support/qt_printers.h"
#include "support/temp_folder.h"
#include "ui/dialogs/qt_dialogs.h"
#include "ui/window/application.h"
#include "ui/window/main_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

using namespace tarvix;

namespace {

// Acts on the next modal message box as soon as it is up.
void OnNextMessageBox(std::function<void(QMessageBox*)> act)
{
    QTimer::singleShot(0, qApp, [act] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return OnNextMessageBox(act);
        act(box);
    });
}

} // namespace

TEST(QtDialogs, CropWarningReportsTheButtonAndTheCheckBox)
{
    QtDialogs dialogs;
    QString title;
    OnNextMessageBox([&](QMessageBox* box) {
        title = box->windowTitle();
        EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::Ok));
        box->checkBox()->setChecked(true);
        box->button(QMessageBox::Ok)->click();
    });
    const Dialogs::CropAnswer ok = dialogs.AskCropWarning("may crop", "Don't ask again");
    EXPECT_TRUE(ok.Ok);
    EXPECT_TRUE(ok.DontAskAgain);
    EXPECT_EQ(title, QApplication::applicationDisplayName());

    OnNextMessageBox([](QMessageBox* box) { box->button(QMessageBox::Cancel)->click(); });
    EXPECT_FALSE(dialogs.AskCropWarning("may crop", "Don't ask again").Ok);

    OnNextMessageBox([](QMessageBox* box) { box->button(QMessageBox::Yes)->click(); });
    EXPECT_TRUE(dialogs.AskYesNo("read-only?", QString(), Dialogs::Icon::Warning));
    OnNextMessageBox([](QMessageBox* box) { box->button(QMessageBox::No)->click(); });
    EXPECT_FALSE(dialogs.AskYesNo("read-only?", QString(), Dialogs::Icon::Warning));
}

TEST(MainWindow, IsFoundByTheLanguageEngineUnderItsName)
{
    RegisterWindowsForTranslation();
    TFormTarvix window;
    EXPECT_EQ(window.objectName(), "FormTarvix");
    TempFolder folder;
    const QString file = folder.File("Test.lng");
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[Translations]\nformtarvix.caption=Translated\n");
    f.close();
    window.Language->SetLanguageFile(file);
    window.Language->SetProperties({ "FormTarvix.Caption" });
    window.Language->Translate();
    EXPECT_EQ(window.windowTitle(), "Translated");
}
