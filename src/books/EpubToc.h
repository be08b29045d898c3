#pragma once

#include <libxml/tree.h>

#include <string>
#include <string_view>
#include <vector>

// The links of an EPUB book's tables: its table of contents (EPUB 3 nav or EPUB 2 NCX), landmarks and guide.
struct TocEntry {
    std::string path;          // the archive path it names, fragment dropped; empty when it names nothing in the book
    bool atFragment = false;   // it points inside the document rather than at its start
    std::u32string title;      // its label, blanks collapsed
    std::string type;          // a landmark's epub:type, a guide reference's type
};

// The links of the first nav element of the navigation document whose epub:type holds kind ("toc",
// "landmarks"), in document order: nested lists come right after the entry they belong to. navPath is the
// document's own path, against which the links are resolved.
std::vector<TocEntry> NavEntries(const xmlDoc* nav, const std::string& navPath, std::string_view kind);

// The navPoints of an EPUB 2 NCX's navMap, in document order (nested ones right after their parent).
std::vector<TocEntry> NcxEntries(const xmlDoc* ncx, const std::string& ncxPath);

// The references of the package document's guide (EPUB 2), with their types as written in lower case.
std::vector<TocEntry> GuideEntries(const xmlDoc* package, const std::string& packagePath);
