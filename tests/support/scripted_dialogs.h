#pragma once

#include "engine/dialogs.h"

#include <QStringList>
#include <deque>

// A Dialogs that answers from a script and records what it was asked, so that every
// question of the engine can be driven without a display.
class ScriptedDialogs : public Dialogs {
public:
    std::deque<bool> YesNoAnswers; // answers to AskYesNo, in order; No when the script runs out
    std::deque<CropAnswer> CropAnswers; // Cancel when the script runs out

    QStringList Questions; // texts of AskYesNo
    QStringList CropWarnings; // texts of AskCropWarning
    QStringList Messages; // texts of ShowMessage
    int EventPumps = 0;

    bool AskYesNo(const QString& text, const QString&, Icon) override
    {
        Questions.append(text);
        return Next(YesNoAnswers, false);
    }
    void ShowMessage(const QString& text, const QString&, Icon) override { Messages.append(text); }
    CropAnswer AskCropWarning(const QString& text, const QString&) override
    {
        CropWarnings.append(text);
        return Next(CropAnswers, CropAnswer {});
    }
    void ProcessEvents() override { ++EventPumps; }

private:
    template <typename T> static T Next(std::deque<T>& script, T fallback)
    {
        if (script.empty())
            return fallback;
        T answer = script.front();
        script.pop_front();
        return answer;
    }
};
