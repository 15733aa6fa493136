#pragma once

namespace tarvix {

// Lets the language engine reach the application's windows by their object names.
void RegisterWindowsForTranslation();

} // namespace tarvix
