#pragma once
// Names shown on a terminal: every line the command line prints stays one line, and
// nothing in a file name can move the cursor or recolour the terminal.

#include <QByteArray>

namespace cli {

// bytes with every control character written out: "\n", "\t", "\r", "\\" + three octal
// digits for the rest of C0 and DEL ("\033"), and the same for each byte of the C1
// controls U+0080..U+009F. Every other byte, UTF-8 or not, is kept.
QByteArray EscapeControls(const QByteArray& bytes);

} // namespace cli
