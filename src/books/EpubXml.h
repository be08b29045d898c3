#pragma once

#include "base/Result.h"

#include <libxml/tree.h>

#include <memory>
#include <string>
#include <string_view>

// libxml2 for the package's own files (container.xml, the package document, nav, NCX, encryption.xml). Parsing
// never reaches the network, loads no DTD and substitutes no entity, so no file outside the book is ever read;
// the readers below take text nodes only and look an entity reference up by name, never expanding one into
// another, so an entity bomb stays a handful of references.

struct XmlDocFree {
    void operator()(xmlDoc* document) const { xmlFreeDoc(document); }
};
using XmlDocPtr = std::unique_ptr<xmlDoc, XmlDocFree>;

enum class XmlFallback {
    Recover,  // libxml2's recovery mode: a stray "&" in a description must not cost the whole book
    Html,     // libxml2's HTML parser, for a navigation document written as HTML rather than XHTML
};

// The document the bytes hold (XML, its encoding as its declaration or byte-order mark says), read again with the
// fallback when it is not well-formed. Fails, saying where the XML went wrong ("line 3: ..."), when neither
// yields a root element. When the fallback had to read it, flaw (if given) receives the same words, for the
// caller to give when what was recovered is of no use.
Result<XmlDocPtr> ParseXml(std::string_view bytes, XmlFallback fallback, std::string* flaw = nullptr);

// The local name of an element, without its prefix; empty for any other node.
std::string_view LocalName(const xmlNode* node);
bool IsElement(const xmlNode* node, std::string_view localName);
bool InNamespace(const xmlNode* node, std::string_view uri);

// The next node after node in document order, staying inside root; descends into elements only (an entity
// reference's children belong to its declaration), and not into node's own children with skipChildren.
const xmlNode* NextNode(const xmlNode* node, const xmlNode* root, bool skipChildren = false);
// The first element child of node, or the next element sibling; null when there is none.
const xmlNode* FirstElementChild(const xmlNode* node);
const xmlNode* NextElementSibling(const xmlNode* node);
// The first element child of parent with this local name; null when there is none.
const xmlNode* FindChild(const xmlNode* parent, std::string_view localName);

// An attribute's value (in no namespace, or in the namespace uri); empty when it is missing.
std::string Attribute(const xmlNode* element, const char* name, const char* uri = nullptr);
// epub:type: in the EPUB namespace, or spelt "epub:type" where the HTML parser read the document or the prefix
// was never declared.
std::string EpubType(const xmlNode* element);
// Whether a blank-separated list of words ("chapter bodymatter") holds word.
bool HasWord(std::string_view list, std::string_view word);

// The text inside node, its runs of white space made one blank, trimmed.
std::u32string CollapsedText(const xmlNode* node);
std::string CollapsedUtf8(const xmlNode* node);
