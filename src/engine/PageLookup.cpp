#include "engine/PageLookup.h"

#include "base/Text.h"
#include "engine/Masks.h"

#include <filesystem>
#include <vector>

namespace fs = std::filesystem;

std::optional<std::string_view> PageNumberDigits(std::string_view name, std::string_view root)
{
    constexpr std::string_view kOpen = " (", kClose = ").jpg";
    if (!name.starts_with(root) || name.size() <= root.size() || name[root.size()] != '_')
        return std::nullopt;
    const std::size_t start = root.size() + 1;
    std::size_t end = start;
    while (end < name.size() && name[end] >= '0' && name[end] <= '9')
        ++end;
    if (end - start < 5 || name.substr(end, kOpen.size()) != kOpen || name.size() < end + kOpen.size() + kClose.size() ||
        !name.ends_with(kClose))
        return std::nullopt;
    return name.substr(start, end - start);
}

std::string PageNumberText(int number) { return ToUtf8(FormatNumber(number, U"00000")); }

std::optional<std::string> FindPageFile(const std::string& folder, std::string_view root, int number)
{
    if (number < 1)
        return std::nullopt;
    const std::string digits = PageNumberText(number);
    std::optional<fs::path> found;
    fs::file_time_type foundTime;
    std::vector<fs::path> chapters;
    // Listed without exceptions: a folder that goes away while it is read just holds no page.
    const auto list = [&](const fs::path& where, bool collectFolders) {
        std::error_code error;
        for (fs::directory_iterator it(where, error), end; !error && it != end; it.increment(error)) {
            std::error_code ignored;
            if (collectFolders && it->is_directory(ignored)) {
                chapters.push_back(it->path());
                continue;
            }
            const std::string name = it->path().filename().string();
            const auto page = PageNumberDigits(name, root);
            if (!page || *page != digits || !it->is_regular_file(ignored))
                continue;
            const fs::file_time_type time = it->last_write_time(ignored);
            if (!found || time > foundTime || (time == foundTime && it->path() < *found))
                found = it->path(), foundTime = time;
        }
    };
    list(folder, true);
    for (const fs::path& chapter : chapters)
        list(chapter, false);
    if (!found)
        return std::nullopt;
    return found->string();
}
