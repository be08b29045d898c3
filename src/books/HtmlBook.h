#pragma once

#include "base/Result.h"
#include "books/StructuredBook.h"

#include <memory>
#include <string>
#include <string_view>

// The encoding of an HTML or XHTML document: its byte-order mark, else what it declares (<meta charset>, a
// Content-Type http-equiv, the XML declaration), else UTF-8 when it reads as UTF-8, else fallback.
std::string HtmlEncoding(std::string_view bytes, const std::string& fallback);

// An HTML book: h1-h3 open its chapters (the highest level that comes more than once), and with skipMatter the
// licence of a public-domain library's edition goes, as from its text edition.
class HtmlBook : public StructuredBook {
public:
    // The largest HTML book read: it is parsed whole.
    static constexpr std::uint64_t kMostBytes = 64ull << 20;

    static Result<std::unique_ptr<HtmlBook>> Open(const std::string& path, const std::string& codePage,
                                                  bool skipMatter);

    std::uint64_t Size() const override { return mSize; }
    std::uint64_t BytesConsumed() const override { return mDone ? mSize : 0; }
    std::string FormatName() const override { return "HTML"; }

protected:
    bool Produce(std::deque<BookLine>& lines) override;

private:
    HtmlBook() = default;
    std::string mBytes;
    std::string mEncoding;
    std::uint64_t mSize = 0;
    bool mSkipMatter = false;
    bool mDone = false;
};
