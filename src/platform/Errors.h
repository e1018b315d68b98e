#pragma once
// The program's run-time errors. An operation that hits one of these ends and the error
// passes to its caller; the few places that ignore errors step by step do so through
// IgnoreErrors (below) and nowhere else.

#include <new>
#include <stdexcept>
#include <string>

namespace errors {

// Base of every error the program raises on purpose.
class RuntimeError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A 16- or 32-bit result, or a float-to-integer conversion, does not fit.
class OverflowError : public RuntimeError {
public:
    OverflowError() : RuntimeError("Overflow") {}
};

// An array index outside the array's bounds.
class SubscriptOutOfRange : public RuntimeError {
public:
    SubscriptOutOfRange() : RuntimeError("Subscript out of range") {}
};

// An operation needed an object and got none.
class ObjectRequired : public RuntimeError {
public:
    ObjectRequired() : RuntimeError("Object required") {}
};

// A floating-point fault: invalid operation, division by zero or overflow.
class FloatingPointError : public RuntimeError {
public:
    FloatingPointError() : RuntimeError("Floating-point error") {}
};

// Runs one step of a sequence whose errors are ignored: an error the program raises
// (RuntimeError) or running out of memory ends the step and the caller goes on with its
// next one. Anything else is a fault in the program and passes on. Returns true when the
// step ran to its end.
template <typename Step>
bool IgnoreErrors(Step&& step)
{
    try {
        step();
        return true;
    } catch (const RuntimeError&) {
        return false;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

} // namespace errors
