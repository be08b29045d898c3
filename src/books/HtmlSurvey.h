#pragma once

#include "books/HtmlMarkup.h"

#include <libxml/tree.h>

#include <string>
#include <unordered_set>

// Calls enter(node) for root and every node below it in document order, descending into a node's children only
// when enter answers true, and then calls leave(node) once they are done. Iterative, so that no depth of nesting
// can overflow the stack.
template <typename Enter, typename Leave>
void WalkTree(xmlNode* root, Enter enter, Leave leave)
{
    xmlNode* node = root;
    while (node) {
        if (enter(node)) {
            if (node->children) {
                node = node->children;
                continue;
            }
            leave(node);
        }
        while (node != root && !node->next) {
            node = node->parent;
            leave(node);
        }
        if (node == root)
            break;
        node = node->next;
    }
}

// An element with what its attributes say of its part in the book, read once.
struct HtmlTag {
    HtmlElement kind = HtmlElement::Inline;
    std::string type;  // epub:type
    std::string role;
};
HtmlTag Describe(const xmlNode* element);

// Never text: by name (head, script, ...), hidden, display:none, a page-break marker, a note's link back to its
// reference; with skipMatter, front and back matter (cover, title page, imprint, colophon, table of contents ...).
bool IsLeftOut(const xmlNode* element, const HtmlTag& tag, bool skipMatter);
// A note by epub:type or role, or an aside that a link in the document points to.
bool IsNote(const xmlNode* element, const HtmlTag& tag, const std::unordered_set<std::string>& linkTargets);

// What the walk needs to know before it starts.
struct HtmlSurvey {
    std::unordered_set<std::string> linkTargets;  // the fragment of every link
    std::unordered_set<std::string> noteIds;      // the id of every element in a note: a link there is a reference
    // The headings that open chapters: of h1 to h3, the highest level at which more than one heading has text
    // after it before the next heading of its level or a higher one. Headings with no text of their own (a title
    // page's author line, "BY") are neither counted nor chapters; a single h1 is the book's title.
    std::unordered_set<const xmlNode*> chapterHeadings;
};
HtmlSurvey Survey(xmlNode* root, bool skipMatter, bool findChapters);
