#pragma once

#include "engine/dialogs.h"

#include <cstdio>

namespace tarvix {

class ConsoleProgress;

// Questions and messages on the terminal, for the command line without a display.
// Messages go to standard error. A question is asked only when standard input is a
// terminal; otherwise nobody can answer it and it counts as No, which changes nothing.
// Progress is a line on the output, and Ctrl+C asks to cancel (see ConsoleProgress).
class ConsoleDialogs : public Dialogs {
public:
    explicit ConsoleDialogs(FILE* input = stdin, FILE* output = stderr);

    bool AskYesNo(const QString& text, const QString& caption, Icon icon) override;
    void ShowMessage(const QString& text, const QString& caption, Icon icon) override;
    CropAnswer AskCropWarning(const QString& text, const QString& checkBoxText) override;
    std::unique_ptr<Progress> CreateProgress() override;
    void ProcessEvents() override;

    // Whether questions can be answered; by default, whether the input is a terminal.
    void SetInteractive(bool interactive) { FInteractive = interactive; }

private:
    void Print(const QString& text);
    QString ReadAnswer(const QString& prompt);
    void NobodyToAnswer();

    FILE* FInput;
    FILE* FOutput;
    bool FInteractive;
    ConsoleProgress* FProgress = nullptr;
};

} // namespace tarvix
