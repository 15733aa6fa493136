#pragma once

#include <QString>

namespace tarvix {

// Breaks a message into lines of at most `maxColumns` characters for a message box.
// A line breaks after its last space, hyphen or tab that keeps it within the limit; the
// space or tab at a break is dropped, a hyphen stays. Existing line breaks ("\n" or
// "\r\n") are kept and start a new line. Text between a pair of quotes (' or ") is never
// broken, and a word longer than the limit stays whole on a line of its own.
QString WrapText(const QString& text, int maxColumns = 50);

} // namespace tarvix
