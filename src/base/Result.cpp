#include "base/Result.h"

#include "base/AppError.h"

Error SystemError(const std::string& what, int code) { return {what + ": " + SystemMessage(code), code}; }
