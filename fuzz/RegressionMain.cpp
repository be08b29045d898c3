// Runs a fuzz target over kept inputs without libFuzzer: every file named, and every file in every folder
// named, in name order. A broken invariant aborts, so the test fails and names the file last started; finding
// no input at all fails too.
#include "FuzzSupport.h"

#include "base/FileBytes.h"

#include <algorithm>
#include <cstdio>

namespace fs = std::filesystem;

int main(int argc, char** argv)
{
    std::vector<fs::path> inputs;
    for (int i = 1; i < argc; ++i) {
        std::error_code error;
        if (fs::is_directory(argv[i], error)) {
            for (const fs::directory_entry& entry : fs::directory_iterator(argv[i]))
                if (entry.is_regular_file())
                    inputs.push_back(entry.path());
        } else if (fs::exists(argv[i], error)) {
            inputs.emplace_back(argv[i]);
        }  // a target that never failed has no folder of kept inputs yet

    }
    std::sort(inputs.begin(), inputs.end());
    for (const fs::path& input : inputs) {
        std::fprintf(stderr, "%s\n", input.c_str());
        const auto bytes = ReadWholeFile(input.string());
        if (!bytes) {
            std::fprintf(stderr, "%s\n", bytes.Failure().message.c_str());
            return 1;
        }
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes->data()), bytes->size());
    }
    std::printf("%zu inputs passed\n", inputs.size());
    return inputs.empty() ? 1 : 0;
}
