#pragma once

#include "base/Result.h"
#include "books/EpubPackage.h"
#include "books/HtmlText.h"
#include "books/StructuredBook.h"

#include <memory>
#include <string>

// An EPUB book, one content document at a time in reading order: each document the table of contents names opens
// a chapter with its title; one it does not name goes on with the chapter before. A document that cannot be read
// is left out with a warning that names it. The table of contents never becomes pages; with skipMatter, neither
// do the cover, title page, imprint, colophon and the like.
class EpubBook : public StructuredBook {
public:
    static Result<std::unique_ptr<EpubBook>> Open(const std::string& path, bool skipMatter);

    std::uint64_t Size() const override { return mPackage->Size(); }
    std::uint64_t BytesConsumed() const override { return mEnded ? Size() : mPackage->BytesConsumed(); }
    std::string FormatName() const override { return "EPUB"; }

protected:
    bool Produce(std::deque<BookLine>& lines) override;

private:
    explicit EpubBook(bool skipMatter) : mSkipMatter(skipMatter), mText({.skipMatter = skipMatter}) {}
    std::unique_ptr<EpubPackage> mPackage;
    bool mSkipMatter;
    HtmlText mText;
    std::vector<BookLine> mPending;  // the notes of the chapter a new one ends
    std::size_t mNext = 0;
    bool mEnded = false;
};
