#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

typedef struct _xmlNode xmlNode;

// What an element does to the text around it, by its name. Names are compared as given: lower-case from the
// HTML parser, as written in XHTML.
enum class HtmlElement : std::uint8_t {
    Inline,       // joins its neighbours; every element not named below, unknown ones too
    Block,        // a paragraph of its own
    LeftOut,      // never text: head, script, style, template, noscript, title, media fallbacks
    LineBreak,    // br
    Image,        // img
    Svg,          // its title stands for it, as an image's alt text does
    Rule,         // hr
    Pre,          // pre, listing, xmp, plaintext
    List,         // ul, menu, dir
    OrderedList,  // ol
    ListItem,     // li
    Cell,         // td, th
    Heading,      // h1 to h6
    Link,         // a
    Aside,        // aside: a block, or a note when a link points to it
    Quote,        // q: inline, in quotation marks
};
HtmlElement ElementKind(std::string_view name);
// 1 to 6 for h1 to h6, 0 for any other name.
int HeadingLevel(std::string_view name);

// The element's name, empty for a node that is not an element.
std::string_view ElementName(const xmlNode* node);
// An attribute without a namespace; nothing when the element lacks it.
std::optional<std::string> Attribute(const xmlNode* node, const char* name);
bool HasAttribute(const xmlNode* node, const char* name);
// epub:type, as the HTML parser names it ("epub:type") or as a namespace-aware parser does (type in the OPS
// namespace); empty when there is none.
std::string EpubTypeOf(const xmlNode* node);

// Whether a blank-separated list of words (epub:type, role) holds word, in either case.
bool HasToken(std::string_view list, std::string_view word);
// Whether an inline style sets display to none, however it is spaced or cased ("Display : NONE !important").
bool IsDisplayNone(std::string_view style);
// The fragment of a link ("note-3" of "notes.xhtml#note-3"), empty when it has none.
std::string_view Fragment(std::string_view href);
