#pragma once
// The top where a fault that nothing handled is reported. The program's own errors are
// handled where they happen; anything else (a plain bug) must not vanish with the file it
// hit, so it ends the program with a line on stderr that says what it was.

namespace platform {

// From now on, an exception nobody caught (on any thread, or through the event loop)
// prints "<program>: internal error: <what>" to stderr and aborts.
void ReportUnhandledErrors(const char* program);

} // namespace platform
