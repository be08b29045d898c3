#include "platform/CodePage.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <iconv.h>
#include <stdexcept>

namespace {

const iconv_t kNoHandle = reinterpret_cast<iconv_t>(-1);

std::string Upper(std::string_view name)
{
    std::string upper(name);
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return upper;
}

} // namespace

bool IsKnownCodePage(std::string_view name)
{
    if (name.empty())
        return false;
    const iconv_t handle = iconv_open("UTF-32LE", std::string(name).c_str());
    if (handle == kNoHandle)
        return false;
    iconv_close(handle);
    return true;
}

int CodeUnitSize(std::string_view name)
{
    const std::string upper = Upper(name);
    if (upper.starts_with("UTF-16") || upper.starts_with("UTF16") || upper.starts_with("UCS-2") ||
        upper.starts_with("UCS2"))
        return 2;
    if (upper.starts_with("UTF-32") || upper.starts_with("UTF32") || upper.starts_with("UCS-4") ||
        upper.starts_with("UCS4"))
        return 4;
    return 1;
}

bool IsLittleEndian(std::string_view name)
{
    const std::string upper = Upper(name);
    return upper.ends_with("LE");
}

struct CodePageDecoder::Handle {
    iconv_t handle = kNoHandle;
    ~Handle()
    {
        if (handle != kNoHandle)
            iconv_close(handle);
    }
};

CodePageDecoder::CodePageDecoder(std::string_view name)
    : mHandle(std::make_unique<Handle>()), mUnit(CodeUnitSize(name))
{
    mHandle->handle = iconv_open("UTF-32LE", std::string(name).c_str());
    if (mHandle->handle == kNoHandle)
        throw std::invalid_argument("the code page \"" + std::string(name) + "\" is not known");
}

CodePageDecoder::~CodePageDecoder() = default;

std::u32string CodePageDecoder::Decode(std::string_view bytes)
{
    std::u32string text;
    std::string out(bytes.size() * 4 + 16, '\0');
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    auto flush = [&](const char* end) {
        for (const char* p = out.data(); p + 4 <= end; p += 4) {
            const auto* b = reinterpret_cast<const unsigned char*>(p);
            text.push_back(static_cast<char32_t>(b[0] | b[1] << 8 | b[2] << 16 | static_cast<char32_t>(b[3]) << 24));
        }
    };
    iconv(mHandle->handle, nullptr, nullptr, nullptr, nullptr);  // a line starts in the initial shift state
    while (inLeft > 0) {
        char* outPos = out.data();
        std::size_t outLeft = out.size();
        const std::size_t done = iconv(mHandle->handle, &in, &inLeft, &outPos, &outLeft);
        flush(outPos);
        if (done != static_cast<std::size_t>(-1))
            break;
        if (errno == E2BIG)
            continue;
        // An undefined or cut-off sequence: one replacement character, then on after the unit.
        text.push_back(0xFFFD);
        const std::size_t skip = std::min(inLeft, static_cast<std::size_t>(mUnit));
        in += skip;
        inLeft -= skip;
        iconv(mHandle->handle, nullptr, nullptr, nullptr, nullptr);
    }
    char* outPos = out.data();
    std::size_t outLeft = out.size();
    iconv(mHandle->handle, nullptr, nullptr, &outPos, &outLeft);
    flush(outPos);
    return text;
}
