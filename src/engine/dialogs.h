#pragma once

#include <QString>
#include <memory>
#include <optional>

namespace tarvix {

// Everything the engine asks or tells the user goes through this interface, so that
// every engine function runs the same under a window, on a terminal and in tests.
class Dialogs {
public:
    enum class Icon { Information, Warning, Error, Question };

    struct CropAnswer {
        bool Ok = false; // OK pressed; anything else (Cancel, closed) is false
        bool DontAskAgain = false; // state of the check box when the dialog ended
    };

    // The progress of a long loop, with a Cancel that the loop polls between items. It
    // disappears when destroyed, also when the loop ends by an error.
    class Progress {
    public:
        virtual ~Progress() = default;
        virtual void SetLabelText(const QString& text) = 0;
        virtual void SetButtonCaption(const QString&) { } // Cancel unless told otherwise
        virtual void SetProgressBounds(int from, int to) = 0;
        virtual void SetProgressBy(int by) = 0;
        virtual bool WantCancel() const = 0;
    };

    virtual ~Dialogs() = default;

    // Yes/No question; true only for Yes. An empty caption means the default title.
    virtual bool AskYesNo(const QString& text, const QString& caption, Icon icon) = 0;

    // A message with a single OK button.
    virtual void ShowMessage(const QString& text, const QString& caption, Icon icon) = 0;

    // The crop warning: OK and Cancel (OK the default), with a check box.
    virtual CropAnswer AskCropWarning(const QString& text, const QString& checkBoxText) = 0;

    // A line of text to edit, such as a new name; nothing when the user cancels. Only the
    // window asks for one: elsewhere there is nobody to type it.
    virtual std::optional<QString> AskText(const QString& caption, const QString& label, const QString& text)
    {
        (void)caption;
        (void)label;
        (void)text;
        return std::nullopt;
    }

    // Shows a new progress display, owned by the same window as the questions.
    virtual std::unique_ptr<Progress> CreateProgress() = 0;

    // Lets the user interface repaint and deliver pending input (a Cancel click, Ctrl+C).
    virtual void ProcessEvents() = 0;
};

} // namespace tarvix
