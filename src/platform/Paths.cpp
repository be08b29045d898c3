#include "platform/Paths.h"

#include <cstdint>
#include <cstdio>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::size_t kLinuxNameMax = 255;
constexpr std::size_t kRootRoom = 64;  // beside the root in a page name: "_", the number, " (", chapter, ").jpg"
// Every forbidden character is ASCII, and no byte of a multi-byte UTF-8 sequence is, so bytes can be tested.
constexpr std::string_view kForbidden = " /\\:*?<>|\"";

// A control character at bytes[i], as one or two bytes of UTF-8; 0 when there is none.
std::size_t ControlLength(std::string_view bytes, std::size_t i)
{
    const auto c = static_cast<unsigned char>(bytes[i]);
    if (c < 0x20 || c == 0x7F)
        return 1;
    if (c == 0xC2 && i + 1 < bytes.size()) {
        const auto next = static_cast<unsigned char>(bytes[i + 1]);
        if (next >= 0x80 && next <= 0x9F)
            return 2;
    }
    return 0;
}

std::uint32_t Fnv1a(std::string_view bytes)
{
    std::uint32_t hash = 2166136261u;
    for (const char c : bytes)
        hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    return hash;
}

} // namespace

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

std::size_t NameMaxFor(const std::string& folder)
{
    const long reported = ::pathconf(folder.empty() ? "." : folder.c_str(), _PC_NAME_MAX);
    return reported > 0 && static_cast<std::size_t>(reported) < kLinuxNameMax ? static_cast<std::size_t>(reported)
                                                                               : kLinuxNameMax;
}

std::string SafeNamePiece(std::string_view piece, std::size_t maxBytes, Blanks blanks)
{
    std::string clean;
    clean.reserve(piece.size());
    for (std::size_t i = 0; i < piece.size();) {
        if (const std::size_t control = ControlLength(piece, i)) {
            clean += '_';
            i += control;
            continue;
        }
        const bool forbidden = (kForbidden.find(piece[i]) != std::string_view::npos &&
                                (piece[i] != ' ' || blanks == Blanks::Replace)) ||
                               (i == 0 && piece[i] == '.');
        clean += forbidden ? '_' : piece[i];
        ++i;
    }
    if (clean.size() <= maxBytes)
        return clean;

    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "~%08x", static_cast<unsigned>(Fnv1a(piece)));
    const std::size_t suffixBytes = std::string_view(suffix).size();
    std::size_t keep = maxBytes > suffixBytes ? maxBytes - suffixBytes : maxBytes;
    // Back to the first byte of a character: continuation bytes are 10xxxxxx.
    while (keep > 0 && (static_cast<unsigned char>(clean[keep]) & 0xC0) == 0x80)
        --keep;
    clean.resize(keep);
    if (maxBytes > suffixBytes)
        clean += suffix;
    return clean;
}

std::string RootPiece(std::string_view root, std::size_t nameMax)
{
    return SafeNamePiece(root, nameMax > 2 * kRootRoom ? nameMax - kRootRoom : nameMax / 2, Blanks::Keep);
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
