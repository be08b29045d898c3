#pragma once

#include "base/Result.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// An EPUB book's container (ZIP, read with libzip) and package (container.xml, the package document, the table
// of contents: EPUB 3 nav or EPUB 2 NCX; read with libxml2, network off, no external DTD or entity loaded): what to
// read in what order, and under which chapter titles. Content documents are handed out one at a time, as bytes,
// so the whole book is never expanded at once.
struct EpubItem {
    // The document's path inside the archive, resolved and percent-decoded; empty when the manifest lacks the
    // spine's id or its link leads outside the book.
    std::string path;
    std::string mediaType;
    bool linear = true;   // spine items with linear="no" come after the linear ones
    // The chapter this document begins, from the table of contents (a document named there, at its start or at a
    // fragment, opens a chapter with that entry's title; the first entry naming it wins); empty when the table of
    // contents does not name it: it goes on with the chapter before.
    std::u32string chapterTitle;
    // Front or back matter by the package's landmarks (EPUB 3 nav landmarks) or guide (EPUB 2): cover, title page,
    // copyright page, colophon and the like. The table of contents (the nav document) is marked so as well.
    bool matter = false;
    bool navigation = false;  // the table of contents itself (the nav document), which is never laid out
    std::uint64_t size = 0;  // uncompressed, as the archive's directory claims it
};

struct EpubMetadata {
    std::u32string title;     // dc:title (the first)
    std::u32string creator;   // dc:creator (the first)
    std::string language;     // dc:language (the first), e.g. "en-US"
};

class EpubPackage {
public:
    // Limits on what is uncompressed, checked while it is read rather than as the directory claims.
    static constexpr std::uint64_t kMostPerDocument = 64ull << 20;
    static constexpr std::uint64_t kMostPerBook = 1ull << 30;

    // Opens the archive at path and reads its package. Fails with a message naming the book when it is not a ZIP
    // whose first entry is "mimetype" holding "application/epub+zip" ("... is a ZIP archive, not an EPUB book"),
    // is truncated or corrupt, has no readable package or spine, or is encrypted: META-INF/encryption.xml naming
    // any resource with an algorithm other than the font obfuscations (IDPF http://www.idpf.org/2008/embedding,
    // Adobe http://ns.adobe.com/pdf/enc#RC): "... is protected by DRM, which Leafcast cannot read".
    static Result<std::unique_ptr<EpubPackage>> Open(const std::string& path);
    ~EpubPackage();
    EpubPackage(const EpubPackage&) = delete;
    EpubPackage& operator=(const EpubPackage&) = delete;

    const EpubMetadata& Metadata() const { return mMetadata; }
    // The reading order: the linear spine, then the spine's linear="no" items, each resolved through the manifest.
    // A spine item whose manifest entry or file is missing is still listed (Read then fails for it).
    const std::vector<EpubItem>& ReadingOrder() const { return mItems; }

    // The bytes of ReadingOrder()[index]. Fails, naming the document, when it is missing or unreadable, when it
    // uncompresses to more than kMostPerDocument, or when the book as read so far passes kMostPerBook.
    Result<std::string> Read(std::size_t index);

    // Bytes of the archive file, and how far reading has come in them (for progress): each document read moves it
    // on by its share of the documents' compressed bytes, so it reaches Size() as the last one is read.
    std::uint64_t Size() const { return mSize; }
    std::uint64_t BytesConsumed() const { return mConsumed; }

private:
    EpubPackage() = default;
    struct Archive;
    std::unique_ptr<Archive> mArchive;
    EpubMetadata mMetadata;
    std::vector<EpubItem> mItems;
    std::uint64_t mSize = 0, mConsumed = 0, mUncompressed = 0;
};
