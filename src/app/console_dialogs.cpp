#include "app/console_dialogs.h"

#include "app/console_progress.h"

#include <QCoreApplication>
#include <unistd.h>

namespace tarvix {

ConsoleDialogs::ConsoleDialogs(FILE* input, FILE* output)
    : FInput(input)
    , FOutput(output)
    , FInteractive(::isatty(::fileno(input)) == 1)
{
}

void ConsoleDialogs::Print(const QString& text)
{
    if (FProgress)
        FProgress->ClearLine();
    std::fputs(text.toLocal8Bit().constData(), FOutput);
    std::fflush(FOutput);
}

QString ConsoleDialogs::ReadAnswer(const QString& prompt)
{
    Print(prompt);
    char line[256];
    if (!std::fgets(line, sizeof line, FInput))
        return {};
    return QString::fromLocal8Bit(line).trimmed().toLower();
}

void ConsoleDialogs::NobodyToAnswer()
{
    Print("No terminal to answer on: taken as No, nothing was changed. The switch -s answers yes.\n");
}

bool ConsoleDialogs::AskYesNo(const QString& text, const QString&, Icon)
{
    Print(text + '\n');
    if (!FInteractive) {
        NobodyToAnswer();
        return false;
    }
    const QString answer = ReadAnswer("[y/N] ");
    return answer == "y" || answer == "yes";
}

void ConsoleDialogs::ShowMessage(const QString& text, const QString&, Icon)
{
    Print(text + '\n');
}

Dialogs::CropAnswer ConsoleDialogs::AskCropWarning(const QString& text, const QString& checkBoxText)
{
    Print(text + '\n');
    if (!FInteractive) {
        NobodyToAnswer();
        return {};
    }
    const QString answer = ReadAnswer("[y]es, [N]o, [a]lways (" + checkBoxText + ") ");
    if (answer == "a" || answer == "always")
        return { true, true };
    return { answer == "y" || answer == "yes", false };
}

std::unique_ptr<Dialogs::Progress> ConsoleDialogs::CreateProgress()
{
    auto progress = std::make_unique<ConsoleProgress>(FOutput, [this] { FProgress = nullptr; });
    FProgress = progress.get();
    return progress;
}

void ConsoleDialogs::ProcessEvents()
{
    QCoreApplication::processEvents();
}

} // namespace tarvix
