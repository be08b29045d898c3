#include "platform/Paths.h"

#include <vector>

SplitParts SplitPath(std::string_view path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string_view::npos)
        return {std::string(path), {}};
    return {std::string(path.substr(slash + 1)), std::string(path.substr(0, slash))};
}

std::string FolderOf(std::string_view path) { return SplitPath(path).folder; }

std::string BaseName(std::string_view path)
{
    std::string name = SplitPath(path).fileName;
    const std::size_t dot = name.find('.');
    if (dot != std::string::npos && dot != 0)
        name.resize(dot);
    return name;
}

std::string CleanFileName(std::string_view name, std::string_view replacement)
{
    if (name.empty())
        return {};
    std::string_view finalSeparator;
    if (name.back() == '/' || name.back() == '\\') {
        finalSeparator = name.substr(name.size() - 1);
        name.remove_suffix(1);
    }
    // Every forbidden character is ASCII, and no byte of a multi-byte UTF-8 sequence is, so bytes can be tested.
    constexpr std::string_view kForbidden = " /\\:*?<>|\"";
    std::string clean;
    clean.reserve(name.size() + finalSeparator.size());
    for (const char c : name) {
        if (kForbidden.find(c) != std::string_view::npos)
            clean += replacement;
        else
            clean += c;
    }
    clean += finalSeparator;
    return clean;
}

std::string CompactToFit(std::string_view text, int widthPixels, const std::function<int(std::string_view)>& measure)
{
    if (measure(text) <= widthPixels)
        return std::string(text);

    std::string_view body = text;
    std::string_view trailing;
    if (body.size() > 1 && body.back() == '/') {
        trailing = body.substr(body.size() - 1);
        body.remove_suffix(1);
    }
    const std::size_t lastSlash = body.rfind('/');
    if (lastSlash == std::string_view::npos)
        return std::string(text);
    const std::string_view last = body.substr(lastSlash + 1);
    const std::string_view rest = body.substr(0, lastSlash);
    const std::size_t firstEnd = rest.find('/', 1);
    if (firstEnd == std::string_view::npos)
        return std::string(text);
    const std::string_view first = rest.substr(0, firstEnd);

    std::vector<std::string_view> middle;
    for (std::string_view folders = rest.substr(firstEnd + 1);;) {
        const std::size_t slash = folders.find('/');
        middle.push_back(folders.substr(0, slash));
        if (slash == std::string_view::npos)
            break;
        folders.remove_prefix(slash + 1);
    }

    // The folders nearest the file say most about it, so the ones after the first part go first.
    std::string candidate;
    for (std::size_t dropped = 1; dropped <= middle.size(); ++dropped) {
        candidate.assign(first);
        candidate += "/...";
        for (std::size_t i = dropped; i < middle.size(); ++i) {
            candidate += '/';
            candidate += middle[i];
        }
        candidate += '/';
        candidate += last;
        candidate += trailing;
        if (measure(candidate) <= widthPixels)
            return candidate;
    }
    // Eliding one-letter folders can lengthen a path.
    return measure(candidate) < measure(text) ? candidate : std::string(text);
}
