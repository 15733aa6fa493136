#pragma once

// Lets the language engine reach the application's windows by their object names.
void RegisterWindowsForTranslation();
