#include "engine/PageLookup.h"

#include "base/Text.h"
#include "engine/Masks.h"

#include <filesystem>
#include <vector>
#include <zip.h>

namespace fs = std::filesystem;

std::optional<std::string_view> PageNumberDigits(std::string_view name, std::string_view root)
{
    constexpr std::string_view kOpen = " (", kClose = ").jpg", kClosePng = ").png";
    if (!name.starts_with(root) || name.size() <= root.size() || name[root.size()] != '_')
        return std::nullopt;
    const std::size_t start = root.size() + 1;
    std::size_t end = start;
    while (end < name.size() && name[end] >= '0' && name[end] <= '9')
        ++end;
    if (end - start < 5 || name.substr(end, kOpen.size()) != kOpen || name.size() < end + kOpen.size() + kClose.size() ||
        !(name.ends_with(kClose) || name.ends_with(kClosePng)))
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

std::optional<std::string> ReadArchivePage(const std::string& path, std::string_view root, int number)
{
    constexpr zip_uint64_t kMostBytes = 256u << 20;  // far more than any page; an archive saying more is not ours
    int code = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_RDONLY, &code);
    if (!archive)
        return std::nullopt;
    const std::string digits = PageNumberText(number);
    std::optional<std::string> page;
    const zip_int64_t entries = zip_get_num_entries(archive, 0);
    for (zip_int64_t i = 0; i < entries && !page; ++i) {
        const char* name = zip_get_name(archive, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_RAW);
        const auto found = name ? PageNumberDigits(name, root) : std::nullopt;
        zip_stat_t stat;
        if (!found || *found != digits || zip_stat_index(archive, static_cast<zip_uint64_t>(i), 0, &stat) != 0 ||
            !(stat.valid & ZIP_STAT_SIZE) || stat.size > kMostBytes)
            continue;
        zip_file_t* file = zip_fopen_index(archive, static_cast<zip_uint64_t>(i), 0);
        if (!file)
            break;
        std::string bytes(static_cast<std::size_t>(stat.size), '\0');
        if (zip_fread(file, bytes.data(), stat.size) == static_cast<zip_int64_t>(stat.size))
            page = std::move(bytes);
        zip_fclose(file);
        break;
    }
    zip_discard(archive);
    return page;
}
