#include "books/HtmlMarkup.h"

#include <libxml/tree.h>

#include <algorithm>
#include <array>
#include <memory>
#include <utility>

namespace {

constexpr const char* kOpsNamespace = "http://www.idpf.org/2007/ops";

struct XmlFree {
    void operator()(xmlChar* text) const { xmlFree(text); }
};
using XmlString = std::unique_ptr<xmlChar, XmlFree>;

std::optional<std::string> Owned(XmlString value)
{
    if (!value)
        return std::nullopt;
    return std::string(reinterpret_cast<const char*>(value.get()));
}

// Sorted by name, for a binary search.
constexpr std::array<std::pair<std::string_view, HtmlElement>, 63> kElements{{
    {"a", HtmlElement::Link}, {"address", HtmlElement::Block}, {"article", HtmlElement::Block},
    {"aside", HtmlElement::Aside}, {"audio", HtmlElement::LeftOut}, {"blockquote", HtmlElement::Block},
    {"body", HtmlElement::Block}, {"br", HtmlElement::LineBreak}, {"caption", HtmlElement::Block},
    {"center", HtmlElement::Block}, {"dd", HtmlElement::Block}, {"details", HtmlElement::Block},
    {"dialog", HtmlElement::Block}, {"dir", HtmlElement::List}, {"div", HtmlElement::Block},
    {"dl", HtmlElement::Block}, {"dt", HtmlElement::Block}, {"fieldset", HtmlElement::Block},
    {"figcaption", HtmlElement::Block}, {"figure", HtmlElement::Block}, {"footer", HtmlElement::Block},
    {"form", HtmlElement::Block}, {"h1", HtmlElement::Heading}, {"h2", HtmlElement::Heading},
    {"h3", HtmlElement::Heading}, {"h4", HtmlElement::Heading}, {"h5", HtmlElement::Heading},
    {"h6", HtmlElement::Heading}, {"head", HtmlElement::LeftOut}, {"header", HtmlElement::Block},
    {"hgroup", HtmlElement::Block}, {"hr", HtmlElement::Rule}, {"html", HtmlElement::Block},
    {"iframe", HtmlElement::LeftOut}, {"img", HtmlElement::Image}, {"legend", HtmlElement::Block},
    {"li", HtmlElement::ListItem}, {"listing", HtmlElement::Pre}, {"main", HtmlElement::Block},
    {"menu", HtmlElement::List}, {"nav", HtmlElement::Block}, {"noscript", HtmlElement::LeftOut},
    {"ol", HtmlElement::OrderedList}, {"p", HtmlElement::Block}, {"plaintext", HtmlElement::Pre},
    {"pre", HtmlElement::Pre}, {"q", HtmlElement::Quote}, {"script", HtmlElement::LeftOut},
    {"section", HtmlElement::Block}, {"style", HtmlElement::LeftOut}, {"summary", HtmlElement::Block},
    {"svg", HtmlElement::Svg}, {"table", HtmlElement::Block}, {"tbody", HtmlElement::Block},
    {"td", HtmlElement::Cell}, {"template", HtmlElement::LeftOut}, {"tfoot", HtmlElement::Block},
    {"th", HtmlElement::Cell}, {"thead", HtmlElement::Block}, {"title", HtmlElement::LeftOut},
    {"tr", HtmlElement::Block}, {"ul", HtmlElement::List}, {"video", HtmlElement::LeftOut},
}};
static_assert(std::is_sorted(kElements.begin(), kElements.end()));

std::optional<HtmlElement> Find(std::string_view name)
{
    const auto at = std::lower_bound(kElements.begin(), kElements.end(), name,
                                     [](const auto& entry, std::string_view key) { return entry.first < key; });
    if (at != kElements.end() && at->first == name)
        return at->second;
    return std::nullopt;
}

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
}

bool IsAsciiBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

std::string_view Trimmed(std::string_view text)
{
    while (!text.empty() && IsAsciiBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsAsciiBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

} // namespace

HtmlElement ElementKind(std::string_view name)
{
    return Find(name).value_or(HtmlElement::Inline);
}

int HeadingLevel(std::string_view name)
{
    if (name.size() == 2 && name[0] == 'h' && name[1] >= '1' && name[1] <= '6')
        return name[1] - '0';
    return 0;
}

std::string_view ElementName(const xmlNode* node)
{
    if (!node || node->type != XML_ELEMENT_NODE || !node->name)
        return {};
    return reinterpret_cast<const char*>(node->name);
}

std::optional<std::string> Attribute(const xmlNode* node, const char* name)
{
    return Owned(XmlString(xmlGetNoNsProp(node, reinterpret_cast<const xmlChar*>(name))));
}

bool HasAttribute(const xmlNode* node, const char* name)
{
    return xmlHasNsProp(node, reinterpret_cast<const xmlChar*>(name), nullptr) != nullptr;
}

std::string EpubTypeOf(const xmlNode* node)
{
    if (auto plain = Attribute(node, "epub:type"))
        return std::move(*plain);
    const auto* ops = reinterpret_cast<const xmlChar*>(kOpsNamespace);
    return Owned(XmlString(xmlGetNsProp(node, reinterpret_cast<const xmlChar*>("type"), ops))).value_or("");
}

bool HasToken(std::string_view list, std::string_view word)
{
    std::size_t at = 0;
    while (at < list.size()) {
        while (at < list.size() && IsAsciiBlank(list[at]))
            ++at;
        std::size_t end = at;
        while (end < list.size() && !IsAsciiBlank(list[end]))
            ++end;
        if (end > at && EqualsIgnoringCase(list.substr(at, end - at), word))
            return true;
        at = end;
    }
    return false;
}

bool IsDisplayNone(std::string_view style)
{
    while (!style.empty()) {
        const std::size_t end = std::min(style.size(), style.find(';'));
        const std::string_view declaration = style.substr(0, end);
        style.remove_prefix(std::min(style.size(), end + 1));
        const std::size_t colon = declaration.find(':');
        if (colon == std::string_view::npos || !EqualsIgnoringCase(Trimmed(declaration.substr(0, colon)), "display"))
            continue;
        const std::string_view value = Trimmed(declaration.substr(colon + 1));
        const std::string_view first = value.substr(0, std::min(value.size(), value.find_first_of(" \t\n\r\f!")));
        if (EqualsIgnoringCase(first, "none"))
            return true;
    }
    return false;
}

std::string_view Fragment(std::string_view href)
{
    const std::size_t hash = href.find('#');
    return hash == std::string_view::npos ? std::string_view{} : Trimmed(href.substr(hash + 1));
}
