#include "books/EpubPath.h"

#include <vector>

namespace {

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// A "%" not followed by two hex digits stays as it is: some packages put a bare "%" in a file name.
std::string PercentDecoded(std::string_view text)
{
    std::string decoded;
    decoded.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
            decoded += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
            i += 2;
        } else {
            decoded += text[i];
        }
    }
    return decoded;
}

bool HasScheme(std::string_view href)
{
    const std::size_t colon = href.find(':');
    if (colon == std::string_view::npos || colon == 0)
        return false;
    for (std::size_t i = 0; i < colon; ++i) {
        const char c = href[i];
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        if (!letter && (i == 0 || !((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.')))
            return false;
    }
    return true;
}

} // namespace

bool HasFragment(std::string_view href) { return href.find('#') != std::string_view::npos; }

std::string ResolveHref(std::string_view documentPath, std::string_view href)
{
    href = href.substr(0, href.find_first_of("#?"));
    if (HasScheme(href))
        return {};
    std::string joined;
    if (href.empty()) {
        joined = documentPath;
    } else if (href.front() == '/') {
        joined = PercentDecoded(href);
    } else {
        const std::size_t slash = documentPath.rfind('/');
        if (slash != std::string_view::npos)
            joined = documentPath.substr(0, slash + 1);
        joined += PercentDecoded(href);
    }
    std::vector<std::string_view> segments;
    const std::string_view all = joined;
    for (std::size_t start = 0; start <= all.size();) {
        std::size_t end = all.find('/', start);
        if (end == std::string_view::npos)
            end = all.size();
        const std::string_view segment = all.substr(start, end - start);
        if (segment == "..") {
            if (!segments.empty())
                segments.pop_back();
        } else if (!segment.empty() && segment != ".") {
            segments.push_back(segment);
        }
        start = end + 1;
    }
    std::string resolved;
    for (const auto& segment : segments) {
        if (!resolved.empty())
            resolved += '/';
        resolved += segment;
    }
    return resolved;
}
