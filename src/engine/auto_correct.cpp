#include "engine/auto_correct.h"

#include "engine/dialogs.h"
#include "engine/folder_scan.h"
#include "engine/image_info.h"
#include "engine/language.h"
#include "engine/message_format.h"
#include "engine/process_switches.h"
#include "engine/transform.h"
#include "engine/transform_pipeline.h"
#include "engine/word_wrap.h"

#include <QScopeGuard>
#include <climits>

namespace tarvix {

namespace {

const char* const FoundText = "%s has detected %u images that can be automatically transformed to normal orientation.";
const char* const AskText = "Would you like to transform them now?";
const char* const ProgressText = "Transformation is in progress...";
const char* const NothingFoundText = "%s has not detected any images that can be transformed automatically.";

bool UserAgrees(const TLanguage& language, Dialogs& dialogs, const AutoCorrection& how, qsizetype count)
{
    // The two sentences are translated one by one and formatted as one text, so that a
    // translation that breaks either falls back to the English text as a whole.
    const QString english = QString::fromUtf8(FoundText) + "\n\n" + QString::fromUtf8(AskText);
    const QString translated = language.TranslateUserMessage(QString::fromUtf8(FoundText)) + "\n\n"
        + language.TranslateUserMessage(QString::fromUtf8(AskText));
    const QString text = FormatMessage(translated, english, { how.Title, static_cast<unsigned long long>(count) });
    return dialogs.AskYesNo(WrapText(text), how.Title, Dialogs::Icon::Question);
}

// A file that vanished since the scan is passed over without a step; one whose orientation
// changed meanwhile is left alone but counts.
void CorrectFiles(const QStringList& files, const TLanguage& language, Dialogs& dialogs, Dialogs::Progress& progress,
    const AutoCorrection& how)
{
    QList<PipelineFile> list;
    list.reserve(files.size());
    for (const QString& path : files)
        list.append({ path, std::nullopt });
    PipelineSettings settings;
    settings.KeepTimestamp = how.KeepTimestamp;
    settings.MakeBackup = how.MakeBackup;
    settings.WaitIfBusy = true;
    const QuestionSettings questions = QuestionSettings::Current();
    settings.CropWarning = questions.CropWarning;
    settings.Silent = questions.Silent;
    settings.StopAtFirstError = true;
    settings.Workers = how.Workers;
    settings.Undo = how.Undo;
    settings.AfterFile = how.AfterFile;
    settings.BeforeWrite = how.BeforeWrite;
    TransformFiles(language, list, dialogs, &progress, settings);
}

} // namespace

QStringList FindCorrectableFiles(const QString& folder, bool includeSubfolders, const std::atomic_bool* stop)
{
    QStringList files;
    ListJpegFiles(folder, files, includeSubfolders, stop);
    return CorrectableAmong(files, stop);
}

QStringList CorrectableAmong(const QStringList& files, const std::atomic_bool* stop)
{
    QStringList correctable;
    for (const QString& file : files) {
        if (stop && stop->load(std::memory_order_relaxed))
            break;
        if (CorrectingTransform(ReadExifOrientation(file)))
            correctable.append(file);
    }
    return correctable;
}

void CorrectFolder(const QString& folder, bool includeSubfolders, const TLanguage& language, Dialogs& dialogs,
    const AutoCorrection& how)
{
    CorrectFoundFiles(FindCorrectableFiles(folder, includeSubfolders), language, dialogs, how);
}

void CorrectFoundFiles(const QStringList& files, const TLanguage& language, Dialogs& dialogs, const AutoCorrection& how)
{
    if (files.isEmpty()) {
        if (!how.Silent)
            dialogs.ShowMessage(WrapText(TranslateMessage(language, NothingFoundText, { how.Title })), how.Title,
                Dialogs::Icon::Information);
        return;
    }
    if (!how.Silent && !UserAgrees(language, dialogs, how, files.size()))
        return;

    const std::unique_ptr<Dialogs::Progress> progress = dialogs.CreateProgress();
    // Declared after the progress display: the repaint comes first, then the display goes.
    const auto afterLoop = qScopeGuard([&] {
        if (how.AfterLoop)
            how.AfterLoop();
    });
    progress->SetLabelText(language.TranslateUserMessage(QString::fromUtf8(ProgressText)));
    progress->SetProgressBounds(0, static_cast<int>(qMin<qsizetype>(files.size(), INT_MAX)));
    CorrectFiles(files, language, dialogs, *progress, how);
}

void AutoTransformFolder(const QString& folder, bool includeSubfolders, const TLanguage& language, bool keepTimestamp,
    bool makeBackup, Dialogs& ownerWindow)
{
    AutoCorrection how;
    how.Title = QStringLiteral("Tarvix");
    how.Silent = SilentSwitchPresent();
    how.KeepTimestamp = keepTimestamp;
    how.MakeBackup = makeBackup;
    CorrectFolder(folder, includeSubfolders, language, ownerWindow, how);
}

} // namespace tarvix
