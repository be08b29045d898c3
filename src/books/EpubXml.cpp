#include "books/EpubXml.h"

#include "base/Text.h"

#include <libxml/HTMLparser.h>
#include <libxml/entities.h>
#include <libxml/parser.h>

#include <climits>
#include <cstring>

namespace {

constexpr int kXmlOptions = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;
constexpr int kHtmlOptions = HTML_PARSE_NONET | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING;
constexpr const char* kEpubNamespace = "http://www.idpf.org/2007/ops";

struct XmlParserFree {
    void operator()(xmlParserCtxt* context) const { xmlFreeParserCtxt(context); }
};
struct HtmlParserFree {
    void operator()(htmlParserCtxt* context) const { htmlFreeParserCtxt(context); }
};

// libxml2 sets up its tables on first use, which is not safe from two threads at once.
void InitialiseLibxml()
{
    [[maybe_unused]] static const bool initialised = (xmlInitParser(), true);
}

std::string WhereItFailed(const xmlParserCtxt& context)
{
    const xmlError& error = context.lastError;
    if (!error.message)
        return "it holds no XML";
    std::string message = error.message;
    while (!message.empty() && (message.back() == '\n' || message.back() == ' '))
        message.pop_back();
    return "line " + std::to_string(error.line) + ": " + message;
}

bool HasRoot(const XmlDocPtr& document) { return document && xmlDocGetRootElement(document.get()); }

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

// What an entity reference left in the tree stands for: a declaration of plain text in the document itself, or
// one of HTML's named characters (an XHTML file's &nbsp; whose DTD is never loaded). A declaration that refers
// to further entities or holds markup is not expanded: that is how entity bombs are built.
void AppendEntity(const xmlNode* reference, std::string& out)
{
    if (const xmlEntity* entity = xmlGetDocEntity(reference->doc, reference->name);
        entity && entity->etype == XML_INTERNAL_GENERAL_ENTITY && entity->content) {
        const char* content = reinterpret_cast<const char*>(entity->content);
        if (!std::strpbrk(content, "&<")) {
            out += content;
            return;
        }
    }
    if (const htmlEntityDesc* named = htmlEntityLookup(reference->name))
        out += ToUtf8(std::u32string(1, static_cast<char32_t>(named->value)));
}

void AppendText(const xmlNode* node, std::string& out)
{
    if ((node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE) && node->content)
        out += reinterpret_cast<const char*>(node->content);
    else if (node->type == XML_ENTITY_REF_NODE)
        AppendEntity(node, out);
}

const char* Chars(const xmlChar* text) { return reinterpret_cast<const char*>(text); }

} // namespace

Result<XmlDocPtr> ParseXml(std::string_view bytes, XmlFallback fallback, std::string* flaw)
{
    InitialiseLibxml();
    if (bytes.size() > INT_MAX)
        return Error{"it is too large to read"};
    const int size = static_cast<int>(bytes.size());
    const std::unique_ptr<xmlParserCtxt, XmlParserFree> context(xmlNewParserCtxt());
    if (!context)
        return Error{"out of memory"};
    XmlDocPtr document(xmlCtxtReadMemory(context.get(), bytes.data(), size, nullptr, nullptr, kXmlOptions));
    if (HasRoot(document))
        return document;
    const std::string why = WhereItFailed(*context);
    if (fallback == XmlFallback::Recover) {
        document.reset(xmlCtxtReadMemory(context.get(), bytes.data(), size, nullptr, nullptr,
                                         kXmlOptions | XML_PARSE_RECOVER));
    } else if (const std::unique_ptr<htmlParserCtxt, HtmlParserFree> html(htmlNewParserCtxt()); html) {
        document.reset(htmlCtxtReadMemory(html.get(), bytes.data(), size, nullptr, nullptr, kHtmlOptions));
    }
    if (!HasRoot(document))
        return Error{why};
    if (flaw)
        *flaw = why;
    return document;
}

std::string_view LocalName(const xmlNode* node)
{
    return node && node->type == XML_ELEMENT_NODE && node->name ? Chars(node->name) : std::string_view();
}

bool IsElement(const xmlNode* node, std::string_view localName) { return LocalName(node) == localName; }

bool InNamespace(const xmlNode* node, std::string_view uri)
{
    return node && node->ns && node->ns->href && Chars(node->ns->href) == uri;
}

const xmlNode* NextNode(const xmlNode* node, const xmlNode* root, bool skipChildren)
{
    if (!skipChildren && node->type == XML_ELEMENT_NODE && node->children)
        return node->children;
    for (; node && node != root; node = node->parent) {
        if (node->next)
            return node->next;
    }
    return nullptr;
}

const xmlNode* FirstElementChild(const xmlNode* node)
{
    const xmlNode* child = node ? node->children : nullptr;
    while (child && child->type != XML_ELEMENT_NODE)
        child = child->next;
    return child;
}

const xmlNode* NextElementSibling(const xmlNode* node)
{
    const xmlNode* sibling = node ? node->next : nullptr;
    while (sibling && sibling->type != XML_ELEMENT_NODE)
        sibling = sibling->next;
    return sibling;
}

const xmlNode* FindChild(const xmlNode* parent, std::string_view localName)
{
    const xmlNode* child = FirstElementChild(parent);
    while (child && !IsElement(child, localName))
        child = NextElementSibling(child);
    return child;
}

// The attribute list itself rather than xmlGetProp: that expands entity references inside entity references,
// and may answer with a DTD's default.
std::string Attribute(const xmlNode* element, const char* name, const char* uri)
{
    if (!element || element->type != XML_ELEMENT_NODE)
        return {};
    for (const xmlAttr* attribute = element->properties; attribute; attribute = attribute->next) {
        const char* attributeUri = attribute->ns && attribute->ns->href ? Chars(attribute->ns->href) : nullptr;
        const bool sameUri = uri ? attributeUri && std::strcmp(uri, attributeUri) == 0 : !attributeUri;
        if (!sameUri || !attribute->name || std::strcmp(Chars(attribute->name), name) != 0)
            continue;
        std::string value;
        for (const xmlNode* part = attribute->children; part; part = part->next)
            AppendText(part, value);
        return value;
    }
    return {};
}

std::string EpubType(const xmlNode* element)
{
    std::string type = Attribute(element, "type", kEpubNamespace);
    return type.empty() ? Attribute(element, "epub:type") : type;
}

bool HasWord(std::string_view list, std::string_view word)
{
    for (std::size_t start = 0; start < list.size();) {
        std::size_t end = start;
        while (end < list.size() && !IsBlank(list[end]))
            ++end;
        if (list.substr(start, end - start) == word)
            return true;
        start = end + 1;
    }
    return false;
}

std::string CollapsedUtf8(const xmlNode* node)
{
    std::string raw;
    for (const xmlNode* at = node; at; at = NextNode(at, node))
        AppendText(at, raw);
    std::string collapsed;
    bool blank = false;
    for (char c : raw) {
        if (IsBlank(c)) {
            blank = true;
            continue;
        }
        if (blank && !collapsed.empty())
            collapsed += ' ';
        blank = false;
        collapsed += c;
    }
    return collapsed;
}

std::u32string CollapsedText(const xmlNode* node) { return FromUtf8(CollapsedUtf8(node)); }
