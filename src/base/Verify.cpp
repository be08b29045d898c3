#include "base/Verify.h"

#include <cstdio>
#include <cstdlib>

void VerificationFailed(const char* condition, const char* file, int line)
{
    std::fprintf(stderr, "%s:%d: verification failed: %s\n", file, line, condition);
    std::fflush(stderr);
    std::abort();
}
