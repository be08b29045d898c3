#pragma once

// LEAFCAST_VERIFY(condition): a check that stays on in every build, release builds included (they define
// NDEBUG, which turns assert off). For invariants whose breach would otherwise read or write outside memory:
// when the condition is false the program prints it with the file and line to stderr and aborts.
// Keep the condition cheap; it runs on every call of the code it guards.
#define LEAFCAST_VERIFY(condition)                                                                                 \
    do {                                                                                                           \
        if (!(condition)) [[unlikely]]                                                                             \
            ::VerificationFailed(#condition, __FILE__, __LINE__);                                                  \
    } while (false)

[[noreturn]] void VerificationFailed(const char* condition, const char* file, int line);
