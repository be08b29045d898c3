#include "FuzzSupport.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <unistd.h>

namespace fs = std::filesystem;

void FuzzFailure(const char* file, int line, const std::string& what)
{
    std::fprintf(stderr, "%s:%d: broken invariant: %s\n", file, line, what.c_str());
    std::fflush(stderr);
    std::abort();
}

namespace {
struct Scratch {
    fs::path root;
    Scratch()
    {
        std::string pattern = (fs::temp_directory_path() / "leafcast-fuzz-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            FuzzFailure(__FILE__, __LINE__, "cannot make a scratch folder");
        root = pattern;
    }
    ~Scratch()
    {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }
};
} // namespace

const fs::path& ScratchFolder()
{
    static const Scratch scratch;
    return scratch.root;
}

std::string WriteScratchFile(const std::string& name, std::span<const std::uint8_t> bytes)
{
    const std::string path = (ScratchFolder() / name).string();
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    FUZZ_CHECK(out.good(), "cannot write the scratch file " + path);
    return path;
}

std::vector<fs::path> TreeOf(const fs::path& folder)
{
    std::vector<fs::path> entries;
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(folder, error); !error && it != fs::recursive_directory_iterator();
         it.increment(error))
        entries.push_back(fs::relative(it->path(), folder));
    std::sort(entries.begin(), entries.end());
    return entries;
}

std::pair<std::string_view, std::string_view> SplitAt(std::span<const std::uint8_t> input, char separator)
{
    const std::string_view all(reinterpret_cast<const char*>(input.data()), input.size());
    const std::size_t at = all.find(separator);
    if (at == std::string_view::npos)
        return {all, {}};
    return {all.substr(0, at), all.substr(at + 1)};
}
