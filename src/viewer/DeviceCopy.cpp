#include "viewer/DeviceCopy.h"

#include "base/SaveFile.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <vector>

namespace fs = std::filesystem;

namespace {

bool IsPage(const fs::directory_entry& entry)
{
    const std::string name = entry.path().filename().string();
    std::error_code ignored;
    return entry.is_regular_file(ignored) && !name.empty() && name[0] != '.' &&
           (entry.path().extension() == ".jpg" || entry.path().extension() == ".png");
}

// The pages, as paths relative to the output folder: its own and those one sub-folder down, in name order.
std::vector<fs::path> Pages(const fs::path& folder, std::error_code& error)
{
    std::vector<fs::path> pages;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
        std::error_code ignored;
        if (IsPage(entry)) {
            pages.push_back(entry.path().filename());
        } else if (entry.is_directory(ignored) && entry.path().filename().string()[0] != '.') {
            for (const fs::directory_entry& inner : fs::directory_iterator(entry.path(), ignored))
                if (IsPage(inner))
                    pages.push_back(entry.path().filename() / inner.path().filename());
        }
    }
    std::sort(pages.begin(), pages.end());
    return pages;
}

// Why nothing can be copied into the device folder, or nothing when it is there.
std::optional<std::string> DeviceRefused(const std::string& deviceFolder)
{
    if (deviceFolder.empty())
        return "No device folder is chosen yet: click the device path to choose the player's folder.";
    std::error_code error;
    if (!fs::is_directory(deviceFolder, error))
        return "The device folder " + deviceFolder + " is not there: is the player connected?";
    return std::nullopt;
}

} // namespace

DeviceCopyResult CopyPagesToDevice(const std::string& outputFolder, const std::string& deviceFolder)
{
    DeviceCopyResult result;
    if (auto refused = DeviceRefused(deviceFolder)) {
        result.message = *refused;
        return result;
    }
    std::error_code error;
    const std::vector<fs::path> pages = Pages(outputFolder, error);
    if (error) {
        result.message = "Cannot read the output folder " + outputFolder + ": " + error.message();
        return result;
    }
    for (const fs::path& page : pages) {
        const fs::path target = fs::path(deviceFolder) / page;
        if (page.has_parent_path())
            fs::create_directories(target.parent_path(), error);
        if (!error)
            fs::copy_file(fs::path(outputFolder) / page, target, fs::copy_options::overwrite_existing, error);
        if (error) {
            result.message = "Cannot copy " + (fs::path(outputFolder) / page).string() + " to " + target.string() +
                             ": " + error.message() + ". " + std::to_string(result.copied) + " pages were copied.";
            return result;
        }
        ++result.copied;
    }
    result.ok = true;
    result.message = pages.empty() ? "There are no pages in " + outputFolder + " to copy."
                                   : std::to_string(result.copied) + " pages copied to " + deviceFolder + ".";
    return result;
}

DeviceCopyResult CopyArchiveToDevice(const std::string& archive, const std::string& deviceFolder)
{
    DeviceCopyResult result;
    if (auto refused = DeviceRefused(deviceFolder)) {
        result.message = *refused;
        return result;
    }
    std::ifstream in(archive, std::ios::binary);
    if (!in) {
        result.message = "There is no archive " + archive + " to copy: convert the book first.";
        return result;
    }
    const std::string target = (fs::path(deviceFolder) / fs::path(archive).filename()).string();
    auto file = SaveFile::Open(target);
    if (!file) {
        result.message = file.Failure().message;
        return result;
    }
    std::vector<char> buffer(1 << 20);
    while (in) {
        in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        if (auto written = file->Write(std::string_view(buffer.data(), static_cast<std::size_t>(in.gcount())));
            !written) {
            result.message = written.Failure().message;
            return result;
        }
    }
    if (in.bad()) {
        result.message = "Cannot read the archive " + archive;
        return result;
    }
    if (auto committed = file->Commit(); !committed) {
        result.message = committed.Failure().message;
        return result;
    }
    result.copied = 1;
    result.ok = true;
    result.message = fs::path(archive).filename().string() + " copied to " + deviceFolder + ".";
    return result;
}
