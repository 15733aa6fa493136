#pragma once

#include "engine/dialogs.h"

#include <QPointer>

class QWidget;

namespace tarvix {

// The questions and messages as the desktop's message boxes, owned by a window, or by none
// (the command line with a display).
class QtDialogs : public Dialogs {
public:
    explicit QtDialogs(QWidget* owner = nullptr);

    bool AskYesNo(const QString& text, const QString& caption, Icon icon) override;
    void ShowMessage(const QString& text, const QString& caption, Icon icon) override;
    CropAnswer AskCropWarning(const QString& text, const QString& checkBoxText) override;
    std::optional<QString> AskText(const QString& caption, const QString& label, const QString& text) override;
    std::unique_ptr<Progress> CreateProgress() override;
    void ProcessEvents() override;

private:
    QPointer<QWidget> FOwner;
};

} // namespace tarvix
