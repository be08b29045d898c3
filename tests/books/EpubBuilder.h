#pragma once

#include <zip.h>

#include <stdexcept>
#include <string>
#include <vector>

// Builds ZIP archives and EPUB books for tests, with libzip.
//
//     TempDir dir;
//     WriteEpub(dir.Path("book.epub"), {{"META-INF/container.xml", ContainerXml("OEBPS/content.opf")},
//                                       {"OEBPS/content.opf", opf}, {"OEBPS/one.xhtml", chapter}});
//
// Entries are written in the order given; names are UTF-8. Throws std::runtime_error when libzip fails.

struct ZipEntry {
    enum class Method { Stored, Deflated };
    std::string name;
    std::string content;
    Method method = Method::Deflated;
};

// A ZIP archive holding exactly these entries.
inline void WriteZip(const std::string& path, const std::vector<ZipEntry>& entries)
{
    int code = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (!archive)
        throw std::runtime_error("cannot create " + path + ": libzip error " + std::to_string(code));
    const auto fail = [&](const std::string& what) {
        const std::string message = what + ": " + zip_strerror(archive);
        zip_discard(archive);
        throw std::runtime_error(message);
    };
    for (const ZipEntry& entry : entries) {
        // The content is read at zip_close, from the caller's strings, which outlive this call.
        zip_source_t* source = zip_source_buffer(archive, entry.content.data(), entry.content.size(), 0);
        const zip_int64_t index = source ? zip_file_add(archive, entry.name.c_str(), source, ZIP_FL_ENC_UTF_8) : -1;
        if (index < 0) {
            if (source)
                zip_source_free(source);
            fail("cannot add " + entry.name);
        }
        const bool stored = entry.method == ZipEntry::Method::Stored;
        if (zip_set_file_compression(archive, static_cast<zip_uint64_t>(index), stored ? ZIP_CM_STORE : ZIP_CM_DEFLATE,
                                     0) != 0)
            fail("cannot set the compression of " + entry.name);
    }
    if (zip_close(archive) != 0)
        fail("cannot write " + path);
}

// An EPUB book: a first entry "mimetype", stored, holding "application/epub+zip", then these entries.
inline void WriteEpub(const std::string& path, std::vector<ZipEntry> entries)
{
    entries.insert(entries.begin(), {"mimetype", "application/epub+zip", ZipEntry::Method::Stored});
    WriteZip(path, entries);
}

// META-INF/container.xml naming the package document at packagePath.
inline std::string ContainerXml(const std::string& packagePath)
{
    return R"(<?xml version="1.0"?>
<container version="1.0" xmlns="urn:oasis:names:tc:opendocument:xmlns:container">
  <rootfiles><rootfile full-path=")" + packagePath + R"(" media-type="application/oebps-package+xml"/></rootfiles>
</container>)";
}
