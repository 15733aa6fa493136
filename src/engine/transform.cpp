#include "engine/transform.h"

#include "base/file_name.h"
#include "engine/errors.h"
#include "engine/pending_transform.h"
#include "engine/process_switches.h"
#include "engine/settings_store.h"

namespace tarvix {

quint16 OrientationAfterTransform(quint16 oldValue, TransformCode code)
{
    // Rows: old value 1 to 8; columns: code 1 to 5.
    static const quint16 table[8][5] = {
        { 1, 1, 1, 1, 1 },
        { 7, 4, 5, 3, 1 },
        { 6, 1, 8, 2, 4 },
        { 5, 2, 7, 1, 3 },
        { 2, 7, 4, 6, 8 },
        { 1, 8, 3, 5, 7 },
        { 4, 5, 2, 8, 6 },
        { 3, 6, 1, 7, 5 },
    };
    if (oldValue < 1 || oldValue > 8)
        return 0;
    if (!IsTransformCode(code))
        throw AssertionFailure("engine/transform.cpp: transform code outside 1 to 5");
    return table[oldValue - 1][LibraryCode(code) - 1];
}

QString BackupFileName(const QString& fileName)
{
    // A dot in a folder name must not cut the path apart.
    const size_t dot = ExtensionStart(QStringView(fileName));
    if (dot == std::string_view::npos)
        return fileName + "_ORIGINAL";
    return fileName.left(qsizetype(dot)) + "_ORIGINAL" + fileName.mid(qsizetype(dot));
}

std::optional<TransformCode> CorrectingTransform(quint16 orientation)
{
    switch (orientation) {
    case 3:
        return TransformCode::Rotate180;
    case 6:
        return TransformCode::RotateRight;
    case 8:
        return TransformCode::RotateLeft;
    default:
        return std::nullopt;
    }
}

bool ReadCropWarningSetting()
{
    return SettingsStore::OpenPerUser().Read(SettingsKeys::DisplayCropWarning);
}

QuestionSettings QuestionSettings::Current()
{
    return { ReadCropWarningSetting(), SilentSwitchPresent() };
}

void TransformJpegFile(const TLanguage& language, const QString& fileName, TransformCode code, bool keepTimestamp,
    bool makeBackup, Dialogs& owner, const TransformOptions& options)
{
    const std::unique_ptr<PendingTransform> pending
        = PendingTransform::Read({ fileName, code, keepTimestamp, makeBackup, options });
    switch (pending->Prepare(language)) {
    case PendingTransform::Decision::Write:
        break;
    case PendingTransform::Decision::LeaveAlone:
        return;
    case PendingTransform::Decision::Missing:
        pending->RaiseCannotRotate(language);
    }
    QuestionSettings questions = QuestionSettings::Current();
    if (pending->Ask(language, questions, owner) != PendingTransform::Decision::Write)
        return;
    pending->Write();
    pending->RaiseWriteError(language);
}

} // namespace tarvix
