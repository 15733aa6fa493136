#pragma once

#include "engine/dialogs.h"

#include <QString>
#include <csignal>
#include <cstdio>
#include <functional>

namespace tarvix {

// Progress on the terminal: a one-line bar on the output when it is a terminal, and
// Ctrl+C as the Cancel button, seen between two files. A second Ctrl+C ends the process
// as usual; a file being written is safe either way.
class ConsoleProgress : public Dialogs::Progress {
public:
    ConsoleProgress(FILE* output, std::function<void()> onDestroy);
    ~ConsoleProgress() override;

    ConsoleProgress(const ConsoleProgress&) = delete;
    ConsoleProgress& operator=(const ConsoleProgress&) = delete;

    void SetLabelText(const QString& text) override;
    void SetProgressBounds(int from, int to) override;
    void SetProgressBy(int by) override;
    bool WantCancel() const override;

    // Takes the bar off the line so that a message can be printed; the next step redraws it.
    void ClearLine();

private:
    void Draw();

    FILE* FOutput;
    std::function<void()> FOnDestroy;
    bool FDrawing;
    bool FOnScreen = false;
    bool FBounded = false; // no bar before its range is known
    QString FLabel;
    long long FFrom = 0;
    long long FTo = 0;
    long long FPosition = 0;
    struct sigaction FPreviousInterrupt { };
};

} // namespace tarvix
