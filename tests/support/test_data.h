#pragma once

#include <QString>

namespace tarvix {

// Shared test data that lives outside the repository (TARVIX_TESTDATA_DIR, by default
// ../shared/testdata beside the checkout).

// The folder `name` of the shared test data, or an empty string when it is missing. A missing
// folder skips the running test with a message that says what is missing and where it was
// looked for; where the environment variable CI is "true" it fails the test instead, since
// there a missing folder is a broken setup that a skip would hide. The caller returns at
// once on an empty result:
//     const QString folder = TestDataFolder("exif-orientation-examples");
//     if (folder.isEmpty())
//         return;
QString TestDataFolder(const QString& name);

} // namespace tarvix
