#pragma once

#include "engine/dialogs.h"

#include <QStringList>
#include <deque>
#include <functional>
#include <utility>

namespace tarvix {

// A Dialogs that answers from a script and records what it was asked, so that every
// question of the engine can be driven without a display.
class ScriptedDialogs : public Dialogs {
public:
    std::deque<bool> YesNoAnswers; // answers to AskYesNo, in order; No when the script runs out
    std::deque<CropAnswer> CropAnswers; // Cancel when the script runs out
    // Texts typed, in order; a null QString is Cancel, and so is the end of the script.
    std::deque<QString> TextAnswers;

    QStringList Questions; // texts of AskYesNo
    QStringList CropWarnings; // texts of AskCropWarning
    QStringList Messages; // texts of ShowMessage
    QStringList TextsOffered; // the texts AskText started with
    int EventPumps = 0;
    std::function<void()> WhileAskingCrop; // runs while the crop warning is on screen
    // Runs once at the next pump of events, as a click would come in between.
    std::function<void()> OnPump;

    // What the progress display was told, and a Cancel from the script.
    struct ProgressLog {
        QString Label;
        int From = 0;
        int To = 0;
        int Steps = 0;
        bool Shown = false; // created and not yet destroyed
        int CancelAfterSteps = -1; // Cancel once this many steps were made; never when negative
    };
    ProgressLog Progress;
    int ProgressWindowsCreated = 0;

    bool AskYesNo(const QString& text, const QString&, Icon) override
    {
        Questions.append(text);
        return Next(YesNoAnswers, false);
    }
    void ShowMessage(const QString& text, const QString&, Icon) override { Messages.append(text); }
    CropAnswer AskCropWarning(const QString& text, const QString&) override
    {
        CropWarnings.append(text);
        if (WhileAskingCrop)
            WhileAskingCrop();
        return Next(CropAnswers, CropAnswer {});
    }
    std::optional<QString> AskText(const QString&, const QString&, const QString& text) override
    {
        TextsOffered.append(text);
        const QString answer = Next(TextAnswers, QString());
        if (answer.isNull())
            return std::nullopt;
        return answer;
    }
    void ProcessEvents() override
    {
        ++EventPumps;
        if (auto pump = std::exchange(OnPump, nullptr))
            pump();
    }

    std::unique_ptr<Dialogs::Progress> CreateProgress() override
    {
        ++ProgressWindowsCreated;
        Progress.Shown = true;
        return std::make_unique<ScriptedProgress>(Progress);
    }

private:
    class ScriptedProgress : public Dialogs::Progress {
    public:
        explicit ScriptedProgress(ProgressLog& log)
            : FLog(log)
        {
        }
        ~ScriptedProgress() override { FLog.Shown = false; }
        void SetLabelText(const QString& text) override { FLog.Label = text; }
        void SetProgressBounds(int from, int to) override
        {
            FLog.From = from;
            FLog.To = to;
        }
        void SetProgressBy(int by) override { FLog.Steps += by; }
        bool WantCancel() const override { return FLog.CancelAfterSteps >= 0 && FLog.Steps >= FLog.CancelAfterSteps; }

    private:
        ProgressLog& FLog;
    };

    template <typename T> static T Next(std::deque<T>& script, T fallback)
    {
        if (script.empty())
            return fallback;
        T answer = script.front();
        script.pop_front();
        return answer;
    }
};

} // namespace tarvix
