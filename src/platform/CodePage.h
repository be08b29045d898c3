#pragma once

#include <memory>
#include <string>
#include <string_view>

// Legacy code pages, decoded with the C library's iconv. Names are those iconv knows, in any case:
// "Windows-1252", "CP1250", "ISO-8859-2", "KOI8-R", "UTF-16LE", ...

// True when iconv can decode text in the named code page.
bool IsKnownCodePage(std::string_view name);

// The size in bytes of one code unit of the code page, which is where a line break can stand: 2 for the
// UTF-16 and UCS-2 families, 4 for UTF-32 and UCS-4, 1 for every other one. Wide code pages without an
// "LE" ending are big-endian, as iconv reads them.
int CodeUnitSize(std::string_view name);
bool IsLittleEndian(std::string_view name);

// Decodes byte strings of one code page into characters. A byte sequence the code page does not define
// becomes U+FFFD, one per byte (one per code unit in a wide code page), and decoding goes on after it.
class CodePageDecoder {
public:
    // Throws std::invalid_argument naming the code page when iconv does not know it.
    explicit CodePageDecoder(std::string_view name);
    ~CodePageDecoder();
    CodePageDecoder(const CodePageDecoder&) = delete;
    CodePageDecoder& operator=(const CodePageDecoder&) = delete;

    std::u32string Decode(std::string_view bytes);

private:
    struct Handle;
    std::unique_ptr<Handle> mHandle;
    int mUnit = 1;
};
