#include "books/OpenBook.h"

#include "base/Text.h"
#include "books/EpubBook.h"
#include "books/HtmlBook.h"
#include "books/LineReader.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <sys/stat.h>

namespace {

constexpr std::size_t kHead = 4096;

// The elements an HTML book may begin with, after its DOCTYPE and comments.
constexpr std::array<std::string_view, 12> kOpeningTags = {"html", "head", "body", "title", "meta", "link",
                                                          "style", "p", "div", "h1", "h2", "base"};

// Steps over what may stand before a document's first element: blanks, an XML declaration, comments, a DOCTYPE.
// Answers where the first element begins, or npos; doctypeHtml tells that a DOCTYPE named HTML.
std::size_t FirstElement(const std::string& text, bool& doctypeHtml)
{
    std::size_t at = 0;
    for (;;) {
        at = text.find_first_not_of(" \t\r\n\f", at);
        if (at == std::string::npos || text[at] != '<')
            return std::string::npos;
        if (text.compare(at, 4, "<!--") == 0) {
            const std::size_t end = text.find("-->", at + 4);
            if (end == std::string::npos)
                return std::string::npos;
            at = end + 3;
        } else if (text.compare(at, 2, "<?") == 0) {
            const std::size_t end = text.find("?>", at + 2);
            if (end == std::string::npos)
                return std::string::npos;
            at = end + 2;
        } else if (text.compare(at, 9, "<!doctype") == 0) {
            const std::size_t end = text.find('>', at);
            doctypeHtml = doctypeHtml || text.compare(at + 9, std::string::npos, " html", 0, 5) == 0 ||
                          text.find("html", at) < end;
            if (end == std::string::npos)
                return std::string::npos;
            at = end + 1;
        } else {
            return at;
        }
    }
}

} // namespace

BookFormat DetectBookFormat(std::string_view head)
{
    if (head.starts_with("PK\x03\x04"))
        return BookFormat::Epub;
    // The head as lower-case ASCII; UTF-16 with its mark is narrowed, a byte at a time.
    std::string text;
    if (head.starts_with("\xFF\xFE") || head.starts_with("\xFE\xFF")) {
        const std::size_t low = head[0] == '\xFF' ? 0 : 1;
        for (std::size_t i = 2 + low; i < head.size(); i += 2)
            text.push_back(head[i]);
    } else {
        text = head.substr(head.starts_with("\xEF\xBB\xBF") ? 3 : 0);
    }
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    bool doctypeHtml = false;
    const std::size_t first = FirstElement(text, doctypeHtml);
    if (doctypeHtml)
        return BookFormat::Html;
    if (first == std::string::npos)
        return BookFormat::Text;
    std::size_t nameEnd = first + 1;
    while (nameEnd < text.size() && std::isalnum(static_cast<unsigned char>(text[nameEnd])))
        ++nameEnd;
    const std::string_view name = std::string_view(text).substr(first + 1, nameEnd - first - 1);
    const bool tagEnds =
        nameEnd < text.size() && std::string_view(">/ \t\r\n").find(text[nameEnd]) != std::string_view::npos;
    return tagEnds && std::find(kOpeningTags.begin(), kOpeningTags.end(), name) != kOpeningTags.end()
               ? BookFormat::Html
               : BookFormat::Text;
}

Result<std::unique_ptr<BookReader>> OpenBook(const std::string& path, const BookOptions& options)
{
    // Standard input, and what is not a regular file, are left to the line reader, which says what it takes.
    BookFormat format = BookFormat::Text;
    struct stat info {};
    if (path != "-" && ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode)) {
        if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
            std::string head(kHead, '\0');
            head.resize(std::fread(head.data(), 1, kHead, file));
            std::fclose(file);
            format = DetectBookFormat(head);
        }
    }
    switch (format) {
    case BookFormat::Epub:
        if (auto book = EpubBook::Open(path, options.skipMatter); book)
            return std::unique_ptr<BookReader>(std::move(*book));
        else
            return book.Failure();
    case BookFormat::Html:
        if (auto book = HtmlBook::Open(path, options.codePage, options.skipMatter); book)
            return std::unique_ptr<BookReader>(std::move(*book));
        else
            return book.Failure();
    case BookFormat::Text: break;
    }
    auto text = LineReader::Open(path, options.codePage);
    if (!text)
        return text.Failure();
    return std::unique_ptr<BookReader>(std::move(*text));
}
