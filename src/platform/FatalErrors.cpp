#include "FatalErrors.h"

#include <cstdio>
#include <cstdlib>
#include <exception>

namespace platform {

namespace {

const char* programName = "zimbrel";

[[noreturn]] void Report()
{
    const char* what = "unknown exception";
    try {
        if (const std::exception_ptr error = std::current_exception())
            std::rethrow_exception(error);
        what = "terminate without an exception";
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s: internal error: %s\n", programName, error.what());
        std::abort();
    } catch (...) {
    }
    std::fprintf(stderr, "%s: internal error: %s\n", programName, what);
    std::abort();
}

} // namespace

void ReportUnhandledErrors(const char* program)
{
    programName = program;
    std::set_terminate(Report);
}

} // namespace platform
