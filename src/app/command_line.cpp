#include "app/command_line.h"

#include "engine/auto_correct.h"
#include "engine/dialogs.h"
#include "engine/errors.h"
#include "engine/language.h"
#include "engine/language_files.h"
#include "engine/message_format.h"
#include "engine/process_switches.h"
#include "engine/settings_store.h"
#include "engine/transform.h"

#include <QFileInfo>

namespace tarvix {

const char* const UsageMessage = "Invalid command line parameters (should be tarvix.exe -[r|l|u|v|h] [-s] filename)";

namespace {

// The first transform switch in the order r, l, u, v, h decides, wherever it was written.
std::optional<TransformCode> TransformCodeOf(const QStringList& parameters)
{
    static const struct {
        const char* Name;
        TransformCode Code;
    } switches[]
        = { { "r", TransformCode::RotateRight }, { "l", TransformCode::RotateLeft }, { "u", TransformCode::Rotate180 },
              { "v", TransformCode::FlipVertical }, { "h", TransformCode::FlipHorizontal } };
    for (const auto& s : switches)
        if (HasSwitch(parameters, QString::fromLatin1(s.Name)))
            return s.Code;
    return std::nullopt;
}

void Run(
    const QStringList& parameters, const TLanguage& language, bool keepTimestamp, bool makeBackup, Dialogs& dialogs)
{
    if (parameters.size() < 2 || parameters.size() > 3)
        throw TarvixError(TranslateMessage(language, UsageMessage));
    // The path's place is fixed; switches may stand anywhere else.
    const QString path = parameters[HasSwitch(parameters, "s") ? 2 : 1];

    if (HasSwitch(parameters, "auto") || HasSwitch(parameters, "autosub")) {
        if (!QFileInfo(path).isDir())
            throw TarvixError(TranslateMessage(language, "Cannot open \"%s\". Invalid folder.", { path }));
        AutoTransformFolder(path, HasSwitch(parameters, "autosub"), language, keepTimestamp, makeBackup, dialogs);
        return;
    }

    const std::optional<TransformCode> code = TransformCodeOf(parameters);
    if (!code)
        throw TarvixError(TranslateMessage(language, UsageMessage));
    if (!QFileInfo(path).isFile())
        throw TarvixError(
            TranslateMessage(language, "Cannot open \"%s\". The file has been moved or deleted.", { path }));
    TransformJpegFile(language, path, *code, keepTimestamp, makeBackup, dialogs);
}

} // namespace

int RunCommandLine(const QStringList& parameters, Dialogs& dialogs)
{
    TLanguage language;
    const SettingsStore settings = SettingsStore::Open();
    language.SetLanguageFile(StoredLanguageFile(settings.Read(SettingsKeys::Language)));
    const bool keepTimestamp = settings.Read(SettingsKeys::KeepTimestamp);
    const bool makeBackup = settings.Read(SettingsKeys::MakeBackup);
    try {
        Run(parameters, language, keepTimestamp, makeBackup, dialogs);
        return 0;
    } catch (const TarvixError& error) {
        // What the system said goes on a line of its own, as it came: a maintainer looks it up.
        const QString text = error.FullText();
        dialogs.ShowMessage(text, QString(), Dialogs::Icon::Error);
        return 1;
    }
}

} // namespace tarvix
