#include "books/EpubToc.h"

#include "books/EpubPath.h"
#include "books/EpubXml.h"
#include "base/Text.h"

#include <algorithm>
#include <cctype>

namespace {

TocEntry Entry(const std::string& documentPath, const std::string& href, std::u32string title, std::string type)
{
    // A link without a target ("" would name the document holding it) opens nothing.
    return {href.empty() ? std::string() : ResolveHref(documentPath, href), HasFragment(href), std::move(title),
            std::move(type)};
}

// The first element of this name in document order, inside root.
const xmlNode* FindElement(const xmlNode* root, std::string_view localName)
{
    for (const xmlNode* node = root; node; node = NextNode(node, root)) {
        if (IsElement(node, localName))
            return node;
    }
    return nullptr;
}

bool IsNavOfKind(const xmlNode* node, std::string_view kind)
{
    return IsElement(node, "nav") &&
           (HasWord(EpubType(node), kind) || HasWord(Attribute(node, "role"), "doc-" + std::string(kind)));
}

} // namespace

std::vector<TocEntry> NavEntries(const xmlDoc* nav, const std::string& navPath, std::string_view kind)
{
    const xmlNode* root = xmlDocGetRootElement(nav);
    const xmlNode* list = root;
    while (list && !IsNavOfKind(list, kind))
        list = NextNode(list, root);
    std::vector<TocEntry> entries;
    if (!list)
        return entries;
    // Every link inside, whatever holds it: ol/li/a as written, and the lists some books build of divs.
    for (const xmlNode* node = list; node;) {
        const bool link = IsElement(node, "a");
        if (link && !Attribute(node, "href").empty())
            entries.push_back(Entry(navPath, Attribute(node, "href"), CollapsedText(node), EpubType(node)));
        node = NextNode(node, list, link);
    }
    return entries;
}

std::vector<TocEntry> NcxEntries(const xmlDoc* ncx, const std::string& ncxPath)
{
    const xmlNode* map = FindElement(xmlDocGetRootElement(ncx), "navMap");
    std::vector<TocEntry> entries;
    for (const xmlNode* node = map; node; node = NextNode(node, map)) {
        if (!IsElement(node, "navPoint"))
            continue;
        const xmlNode* label = FindChild(node, "navLabel");
        entries.push_back(Entry(ncxPath, Attribute(FindChild(node, "content"), "src"),
                                label ? CollapsedText(label) : std::u32string(), {}));
    }
    return entries;
}

std::vector<TocEntry> GuideEntries(const xmlDoc* package, const std::string& packagePath)
{
    std::vector<TocEntry> entries;
    const xmlNode* guide = FindChild(xmlDocGetRootElement(package), "guide");
    for (const xmlNode* reference = FirstElementChild(guide); reference; reference = NextElementSibling(reference)) {
        if (!IsElement(reference, "reference"))
            continue;
        std::string type = Attribute(reference, "type");
        std::transform(type.begin(), type.end(), type.begin(), [](unsigned char c) { return std::tolower(c); });
        entries.push_back(
            Entry(packagePath, Attribute(reference, "href"), FromUtf8(Attribute(reference, "title")), type));
    }
    return entries;
}
