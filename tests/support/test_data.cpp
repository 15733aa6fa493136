#include "support/test_data.h"

#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <string>

namespace tarvix {

namespace {

// GTEST_SKIP returns from the function it is written in, which must return void.
void Skip(const std::string& message)
{
    GTEST_SKIP() << message;
}

} // namespace

QString TestDataFolder(const QString& name)
{
    const QString folder = QDir::cleanPath(QStringLiteral(TARVIX_TESTDATA_DIR "/") + name);
    if (QFileInfo(folder).isDir())
        return folder;

    const std::string message = "test data \"" + name.toStdString() + "\" is missing: no folder " + folder.toStdString()
        + ". It comes from the shared test data beside the checkout (../shared/testdata); "
          "configure with -DTARVIX_TESTDATA_DIR=<folder> to use another copy.";
    if (qgetenv("CI") == "true")
        ADD_FAILURE() << message << " (CI=true: missing test data is an error here)";
    else
        Skip(message);
    return {};
}

} // namespace tarvix
