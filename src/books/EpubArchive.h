#pragma once

#include "base/Result.h"
#include "books/EpubXml.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

struct zip;

// An EPUB book's ZIP container, read with libzip. It opens only a ZIP whose first entry, "mimetype", holds
// "application/epub+zip", and hands out entries whole, counting the bytes as they uncompress: what the archive's
// directory claims is never trusted.
class EpubArchive {
public:
    struct Entry {
        std::uint64_t index = 0;
        std::uint64_t size = 0;            // uncompressed, as the directory claims it
        std::uint64_t compressedSize = 0;
    };
    // The most bytes an entry may uncompress to, and the most the whole book may.
    struct Limits {
        std::uint64_t document = 0;
        std::uint64_t book = 0;
    };

    // Fails with a message naming the book when it cannot be read, is not a ZIP archive, is a damaged or
    // truncated one, or is a ZIP archive but not an EPUB book.
    static Result<EpubArchive> Open(const std::string& path);

    const std::string& Path() const { return mPath; }
    std::uint64_t FileSize() const { return mFileSize; }

    // The entry of this name, matched exactly or else regardless of case; none when the archive lacks it.
    std::optional<Entry> Find(const std::string& name) const;
    // The entry's bytes (name says which in messages). bookTotal counts the bytes uncompressed from the book so
    // far; what this read uncompresses is added to it, whether it succeeds or not. Fails when the entry cannot be
    // read, or uncompresses past limits.document, or bookTotal passes limits.book.
    Result<std::string> Read(const Entry& entry, const std::string& name, const Limits& limits,
                             std::uint64_t& bookTotal);
    // The named entry read whole and parsed as XML (flaw as ParseXml has it). what says what it is to the book
    // ("package document") in messages: one when it is missing, one when it is not XML.
    Result<XmlDocPtr> ReadXml(const std::string& name, const std::string& what, XmlFallback fallback,
                              const Limits& limits, std::uint64_t& bookTotal, std::string* flaw = nullptr);
    // The message for the named entry that is not XML, for the reason why.
    std::string NotXml(const std::string& name, const std::string& what, const std::string& why) const;

private:
    struct ZipDiscard {
        void operator()(zip* archive) const;
    };
    EpubArchive(std::unique_ptr<zip, ZipDiscard> archive, std::string path, std::uint64_t fileSize);
    Result<void> CheckMimetype();

    std::unique_ptr<zip, ZipDiscard> mZip;
    std::string mPath;
    std::uint64_t mFileSize = 0;
};
