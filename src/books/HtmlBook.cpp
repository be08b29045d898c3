#include "books/HtmlBook.h"

#include "base/FileBytes.h"
#include "base/Text.h"
#include "books/HtmlText.h"
#include "books/LibraryMatter.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <libxml/HTMLparser.h>
#include <libxml/tree.h>

namespace {

constexpr std::size_t kDeclarationSearch = 4096;

std::string Lower(std::string_view text)
{
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    return lower;
}

// The name that follows key (charset=, encoding=) in head, quotes and all stripped; empty when there is none.
std::string NameAfter(const std::string& head, const std::string& key)
{
    const std::size_t at = head.find(key);
    if (at == std::string::npos)
        return {};
    std::size_t from = at + key.size();
    while (from < head.size() && (head[from] == '"' || head[from] == '\'' || head[from] == ' '))
        ++from;
    std::size_t to = from;
    while (to < head.size() && (std::isalnum(static_cast<unsigned char>(head[to])) || head[to] == '-' ||
                                head[to] == '_' || head[to] == '.' || head[to] == ':'))
        ++to;
    return head.substr(from, to - from);
}

struct DocFree {
    void operator()(xmlDoc* document) const { xmlFreeDoc(document); }
};

// The content of <meta name="author">, if the document has one.
std::u32string MetaAuthor(xmlDoc* document)
{
    xmlNode* root = xmlDocGetRootElement(document);
    for (xmlNode* part = root ? root->children : nullptr; part; part = part->next) {
        if (part->type != XML_ELEMENT_NODE || xmlStrcasecmp(part->name, BAD_CAST "head") != 0)
            continue;
        for (xmlNode* meta = part->children; meta; meta = meta->next) {
            if (meta->type != XML_ELEMENT_NODE || xmlStrcasecmp(meta->name, BAD_CAST "meta") != 0)
                continue;
            xmlChar* name = xmlGetProp(meta, BAD_CAST "name");
            const bool author = name && xmlStrcasecmp(name, BAD_CAST "author") == 0;
            xmlFree(name);
            if (!author)
                continue;
            xmlChar* content = xmlGetProp(meta, BAD_CAST "content");
            std::u32string text = content ? FromUtf8(reinterpret_cast<const char*>(content)) : U"";
            xmlFree(content);
            return TrimBlanks(text);
        }
    }
    return {};
}

} // namespace

std::string HtmlEncoding(std::string_view bytes, const std::string& fallback)
{
    if (bytes.starts_with("\xEF\xBB\xBF"))
        return "UTF-8";
    if (bytes.starts_with("\xFF\xFE"))
        return "UTF-16LE";
    if (bytes.starts_with("\xFE\xFF"))
        return "UTF-16BE";
    const std::string head = Lower(bytes.substr(0, kDeclarationSearch));
    if (head.starts_with("<?xml")) {
        const std::string declared = NameAfter(head.substr(0, head.find("?>")), "encoding=");
        if (!declared.empty())
            return declared;
    }
    if (std::string declared = NameAfter(head, "charset="); !declared.empty())
        return declared;
    return IsValidUtf8(bytes) ? "UTF-8" : fallback;
}

Result<std::unique_ptr<HtmlBook>> HtmlBook::Open(const std::string& path, const std::string& codePage,
                                                 bool skipMatter)
{
    auto bytes = ReadWholeFile(path, kMostBytes);
    if (!bytes) {
        if (bytes.Failure().code == EFBIG)
            return ::Error{"cannot convert the book " + path + ": an HTML book of more than " +
                             std::to_string(kMostBytes >> 20) + " MB is more than Leafcast reads",
                         EFBIG};
        return bytes.Failure();
    }
    auto book = std::unique_ptr<HtmlBook>(new HtmlBook());
    book->mBytes = std::move(*bytes);
    book->mSize = book->mBytes.size();
    book->mEncoding = HtmlEncoding(book->mBytes, codePage);
    book->mSkipMatter = skipMatter;
    return book;
}

bool HtmlBook::Produce(std::deque<BookLine>& lines)
{
    if (mDone)
        return false;
    mDone = true;
    const std::unique_ptr<xmlDoc, DocFree> document(
        htmlReadMemory(mBytes.data(), static_cast<int>(mBytes.size()), nullptr, mEncoding.c_str(),
                       HTML_PARSE_NONET | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | XML_PARSE_HUGE));
    std::string().swap(mBytes);
    if (!document)
        return false;
    mInfo.title = HtmlText::Title(document.get());
    mInfo.author = MetaAuthor(document.get());
    // <html lang="en-GB">, or xml:lang in XHTML.
    if (xmlNode* root = xmlDocGetRootElement(document.get())) {
        for (const char* name : {"lang", "xml:lang"}) {
            xmlChar* value = xmlGetProp(root, BAD_CAST name);
            if (value && mInfo.language.empty())
                mInfo.language = reinterpret_cast<const char*>(value);
            xmlFree(value);
        }
    }
    std::vector<BookLine> found;
    HtmlText text({.chaptersFromHeadings = true, .skipMatter = mSkipMatter});
    text.Add(document.get(), found);
    text.EndChapter(found);

    // The library's licence: everything up to its start marker, and from its closing line on.
    auto from = found.begin(), to = found.end();
    if (mSkipMatter) {
        const auto start = std::find_if(found.begin(), found.end(),
                                        [](const BookLine& line) { return IsFrontMatterEnd(line.text); });
        if (start != found.end())
            from = start + 1;
        to = std::find_if(from, found.end(), [](const BookLine& line) { return IsBackMatterStart(line.text); });
    }
    std::move(from, to, std::back_inserter(lines));
    return true;
}
