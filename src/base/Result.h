#pragma once

#include <optional>
#include <string>
#include <utility>
#include <variant>

// Why an operation at the edge of the program (reading or writing a file, opening a book) failed.
struct Error {
    // Ready to show the user: it names the file concerned and says why ("cannot write /x/a.cfg: No space left
    // on device").
    std::string message;
    // The system's errno value behind the failure; 0 when the system reported none (a file that is not a
    // bitmap, a code page nobody knows).
    int code = 0;
};

// "<what>: <the system's message for code>", keeping code.
Error SystemError(const std::string& what, int code);

// What an operation that can fail answers: its value, or the Error that says why there is none. It tests true
// when it holds a value; * and -> reach the value, Failure() the error. Asking for the one it does not hold
// throws std::bad_variant_access (std::bad_optional_access for Result<void>): a fault of the caller.
// Our own stand-in for std::expected, which the compilers we build with (clang 14 for fuzzing) lack.
template <class T>
class [[nodiscard]] Result {
public:
    Result(T value) : mOutcome(std::in_place_index<0>, std::move(value)) {}
    Result(Error error) : mOutcome(std::in_place_index<1>, std::move(error)) {}

    explicit operator bool() const { return mOutcome.index() == 0; }
    T& operator*() & { return std::get<0>(mOutcome); }
    const T& operator*() const& { return std::get<0>(mOutcome); }
    T&& operator*() && { return std::get<0>(std::move(mOutcome)); }
    T* operator->() { return &std::get<0>(mOutcome); }
    const T* operator->() const { return &std::get<0>(mOutcome); }
    const Error& Failure() const { return std::get<1>(mOutcome); }

private:
    std::variant<T, Error> mOutcome;
};

// An operation that answers nothing but whether it worked.
template <>
class [[nodiscard]] Result<void> {
public:
    Result() = default;
    Result(Error error) : mError(std::move(error)) {}

    explicit operator bool() const { return !mError; }
    const Error& Failure() const { return mError.value(); }

private:
    std::optional<Error> mError;
};
