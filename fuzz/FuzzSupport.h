#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// What the fuzz targets share. Each target defines LLVMFuzzerTestOneInput; under clang it is driven by
// libFuzzer, in the normal build by RegressionMain over the kept inputs.

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

// A broken invariant: says which and aborts, so that libFuzzer keeps the input and ctest sees a failure.
[[noreturn]] void FuzzFailure(const char* file, int line, const std::string& what);
#define FUZZ_CHECK(condition, what)                                                                             \
    do {                                                                                                        \
        if (!(condition))                                                                                       \
            FuzzFailure(__FILE__, __LINE__, std::string(#condition) + ": " + (what));                           \
    } while (false)

// A folder of this process's own under the temporary folder, made on first use and removed at exit.
const std::filesystem::path& ScratchFolder();

// Writes bytes to a file in the scratch folder, replacing it; answers its path.
std::string WriteScratchFile(const std::string& name, std::span<const std::uint8_t> bytes);

// Every entry under a folder, folders included, relative to it, in name order.
std::vector<std::filesystem::path> TreeOf(const std::filesystem::path& folder);

// Splits input at the first byte equal to separator: what precedes it, and what follows (empty without one).
std::pair<std::string_view, std::string_view> SplitAt(std::span<const std::uint8_t> input, char separator);
