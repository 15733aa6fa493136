#pragma once

#include "engine/undo_store.h"

#include <QString>
#include <QStringList>
#include <memory>

namespace tarvix {

class Dialogs;
class TLanguage;
class UndoRecorder;

// The window's Undo: the steps its turns and corrections leave, and the taking back of the
// last one on a worker under a progress window. The copies from before each step live in the
// user's cache folder and go with the window.
class UndoCommand {
public:
    // `capBytes` bounds the copies of all steps; 0 turns undo off.
    explicit UndoCommand(qint64 capBytes);
    // A new bound, read from the settings after the window was made; the steps so far go.
    void SetCap(qint64 capBytes);
    qint64 Cap() const { return FCap; }

    // Around a turn or a correction: the recorder to hand to it (null when undo is off), and
    // the step's end, also after an error or Cancel.
    std::shared_ptr<UndoRecorder> BeginStep() { return FStore->BeginStep(); }
    void FinishStep(const std::shared_ptr<UndoRecorder>& recorder) { FStore->FinishStep(recorder); }
    bool CanUndo() const { return FStore->CanUndo(); }

    // Undoes the last step on a worker while the window's events go on; `stop` counts as
    // Cancel (the window being closed). The file in hand is always finished.
    UndoResult Run(const TLanguage& language, Dialogs& dialogs, const std::function<bool()>& stop);

    // What the user is told of the files left alone: the message and their names, one a line.
    static QString ChangedMessage(const TLanguage& language, const QStringList& changed);
    // And of those that could not be written back.
    static QString FailedMessage(const TLanguage& language, const QStringList& failed);

private:
    qint64 FCap;
    std::unique_ptr<UndoStore> FStore;
};

} // namespace tarvix
