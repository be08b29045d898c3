#include "books/EpubBook.h"

#include "books/HtmlBook.h"

#include <libxml/HTMLparser.h>
#include <libxml/tree.h>

namespace {

struct DocFree {
    void operator()(xmlDoc* document) const { xmlFreeDoc(document); }
};

} // namespace

Result<std::unique_ptr<EpubBook>> EpubBook::Open(const std::string& path, bool skipMatter)
{
    auto package = EpubPackage::Open(path);
    if (!package)
        return package.Failure();
    auto book = std::unique_ptr<EpubBook>(new EpubBook(skipMatter));
    book->mPackage = std::move(*package);
    const EpubMetadata& metadata = book->mPackage->Metadata();
    book->mInfo = {metadata.title, metadata.creator, metadata.language};
    return book;
}

bool EpubBook::Produce(std::deque<BookLine>& lines)
{
    const auto& items = mPackage->ReadingOrder();
    if (mNext >= items.size()) {
        if (mEnded)
            return false;
        mEnded = true;
        std::vector<BookLine> notes;
        mText.EndChapter(notes);
        std::move(notes.begin(), notes.end(), std::back_inserter(lines));
        return true;
    }
    const std::size_t index = mNext++;
    const EpubItem& item = items[index];
    if (item.navigation || (item.matter && mSkipMatter))
        return true;
    // A new chapter first ends the one before, with its notes.
    const bool opens = !item.chapterTitle.empty();
    if (opens)
        mText.EndChapter(mPending);
    std::vector<BookLine> body;
    const auto bytes = mPackage->Read(index);
    if (!bytes) {
        mWarnings.push_back("left out: " + bytes.Failure().message);
    } else {
        const std::string encoding = HtmlEncoding(*bytes, "UTF-8");
        const std::unique_ptr<xmlDoc, DocFree> document(
            htmlReadMemory(bytes->data(), static_cast<int>(bytes->size()), item.path.c_str(), encoding.c_str(),
                           HTML_PARSE_NONET | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | XML_PARSE_HUGE));
        if (document)
            mText.Add(document.get(), body);
        else
            mWarnings.push_back("left out: " + item.path + ", which cannot be read as XHTML");
    }
    std::move(mPending.begin(), mPending.end(), std::back_inserter(lines));
    mPending.clear();
    // A chapter with nothing to read (a cover, a title page left out) makes no page of its own.
    if (opens && !body.empty())
        lines.push_back({BookLine::Start::Chapter, U"", item.chapterTitle});
    std::move(body.begin(), body.end(), std::back_inserter(lines));
    return true;
}
