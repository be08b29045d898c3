#include "books/EpubPackage.h"

#include "base/Text.h"
#include "books/EpubArchive.h"
#include "books/EpubPath.h"
#include "books/EpubToc.h"
#include "books/EpubXml.h"

#include <algorithm>
#include <map>
#include <optional>
#include <set>

namespace {

constexpr const char* kDublinCore = "http://purl.org/dc/elements/1.1/";
constexpr std::string_view kFontObfuscations[] = {"http://www.idpf.org/2008/embedding",
                                                  "http://ns.adobe.com/pdf/enc#RC"};
constexpr EpubArchive::Limits kLimits{EpubPackage::kMostPerDocument, EpubPackage::kMostPerBook};

// Landmarks (EPUB 3) and guide references (EPUB 2) whose documents are front or back matter. Kept to kinds that
// never hold the reading text: "frontmatter" or a preface would.
constexpr std::string_view kMatterLandmarks[] = {"cover", "titlepage", "halftitlepage", "imprint", "copyright-page",
                                                 "colophon", "toc", "loi", "lot"};
constexpr std::string_view kMatterGuide[] = {"cover", "title-page", "copyright-page", "colophon", "toc"};

struct ManifestItem {
    std::string path;
    std::string mediaType;
    std::string properties;
};

struct SpineItem {
    std::string idref;
    bool linear = true;
};

template <std::size_t N>
bool IsOneOf(std::string_view word, const std::string_view (&words)[N])
{
    return std::find(std::begin(words), std::end(words), word) != std::end(words);
}

bool IsBlankText(std::string_view text)
{
    return text.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

// Anything encrypted but fonts (whose obfuscation only keeps them from being copied out of the book) is DRM.
Result<void> CheckEncryption(EpubArchive& archive, std::uint64_t& uncompressed)
{
    const std::string name = "META-INF/encryption.xml";
    const auto entry = archive.Find(name);
    if (!entry)
        return {};
    const auto bytes = archive.Read(*entry, name, kLimits, uncompressed);
    if (!bytes)
        return bytes.Failure();
    if (IsBlankText(*bytes))
        return {};
    const auto document = ParseXml(*bytes, XmlFallback::Recover);
    if (!document)
        return Error{archive.Path() + " lists encrypted files in " + name + ", which cannot be read (" +
                     document.Failure().message + ")"};
    const xmlNode* root = xmlDocGetRootElement(document->get());
    for (const xmlNode* node = root; node; node = NextNode(node, root)) {
        if (!IsElement(node, "EncryptedData"))
            continue;
        const std::string algorithm = Attribute(FindChild(node, "EncryptionMethod"), "Algorithm");
        if (!IsOneOf(algorithm, kFontObfuscations))
            return Error{archive.Path() + " is protected by DRM, which Leafcast cannot read"};
    }
    return {};
}

Result<std::string> PackagePath(EpubArchive& archive, std::uint64_t& uncompressed)
{
    const std::string name = "META-INF/container.xml";
    const auto container = archive.ReadXml(name, "container file", XmlFallback::Recover, kLimits, uncompressed);
    if (!container)
        return container.Failure();
    const xmlNode* root = xmlDocGetRootElement(container->get());
    for (const xmlNode* node = root; node; node = NextNode(node, root)) {
        if (IsElement(node, "rootfile"))
            if (std::string path = ResolveHref("", Attribute(node, "full-path")); !path.empty())
                return path;
    }
    return Error{archive.Path() + " names no package document in " + name};
}

EpubMetadata ReadMetadata(const xmlNode* root)
{
    EpubMetadata metadata;
    for (const xmlNode* node = root; node; node = NextNode(node, root)) {
        if (!InNamespace(node, kDublinCore))
            continue;
        const std::string_view name = LocalName(node);
        if (name == "title" && metadata.title.empty())
            metadata.title = CollapsedText(node);
        else if (name == "creator" && metadata.creator.empty())
            metadata.creator = CollapsedText(node);
        else if (name == "language" && metadata.language.empty())
            metadata.language = CollapsedUtf8(node);
    }
    return metadata;
}

// Items by id; the first of an id repeated counts.
std::map<std::string, ManifestItem> ReadManifest(const xmlNode* root, const std::string& packagePath)
{
    std::map<std::string, ManifestItem> items;
    const xmlNode* manifest = FindChild(root, "manifest");
    for (const xmlNode* item = FirstElementChild(manifest); item; item = NextElementSibling(item)) {
        if (IsElement(item, "item") && !Attribute(item, "href").empty())
            items.try_emplace(Attribute(item, "id"), ManifestItem{ResolveHref(packagePath, Attribute(item, "href")),
                                                                  Attribute(item, "media-type"),
                                                                  Attribute(item, "properties")});
    }
    return items;
}

std::vector<SpineItem> ReadSpine(const xmlNode* spine)
{
    std::vector<SpineItem> items;
    for (const xmlNode* item = FirstElementChild(spine); item; item = NextElementSibling(item)) {
        if (IsElement(item, "itemref"))
            items.push_back({Attribute(item, "idref"), Attribute(item, "linear") != "no"});
    }
    // linear="no" items after the others, each kind in the spine's order.
    std::stable_partition(items.begin(), items.end(), [](const SpineItem& item) { return item.linear; });
    return items;
}

const ManifestItem* FindItem(const std::map<std::string, ManifestItem>& manifest, const std::string& id)
{
    const auto found = manifest.find(id);
    return found == manifest.end() ? nullptr : &found->second;
}

struct Tables {
    std::vector<TocEntry> toc, landmarks, guide;
    std::string navPath;
};

// The table of contents comes from the EPUB 3 nav when it has one, else from the EPUB 2 NCX. Either may be
// missing or broken: the book then has no chapter titles, which loses none of its text.
Tables ReadTables(EpubArchive& archive, const xmlDoc* package, const std::string& packagePath,
                  const std::map<std::string, ManifestItem>& manifest, const std::string& ncxId,
                  std::uint64_t& uncompressed)
{
    Tables tables;
    tables.guide = GuideEntries(package, packagePath);
    for (const auto& [id, item] : manifest) {
        if (HasWord(item.properties, "nav")) {
            tables.navPath = item.path;
            break;
        }
    }
    if (!tables.navPath.empty()) {
        if (const auto nav = archive.ReadXml(tables.navPath, "navigation document", XmlFallback::Html, kLimits,
                                             uncompressed)) {
            tables.toc = NavEntries(nav->get(), tables.navPath, "toc");
            tables.landmarks = NavEntries(nav->get(), tables.navPath, "landmarks");
        }
    }
    if (tables.toc.empty()) {
        const ManifestItem* ncx = FindItem(manifest, ncxId);
        for (auto item = manifest.begin(); !ncx && item != manifest.end(); ++item) {
            if (item->second.mediaType == "application/x-dtbncx+xml")
                ncx = &item->second;
        }
        if (ncx) {
            if (const auto read = archive.ReadXml(ncx->path, "table of contents", XmlFallback::Recover, kLimits,
                                                  uncompressed))
                tables.toc = NcxEntries(read->get(), ncx->path);
        }
    }
    return tables;
}

// A landmark or guide reference into the middle of a document (at a fragment) marks nothing: a book in one
// document may point its "toc" or "colophon" at a part of it. One that lands on the body of the book protects
// its document from being taken for matter.
void ApplyTables(const Tables& tables, std::vector<EpubItem>& items)
{
    std::map<std::string, std::u32string> titles;
    for (const TocEntry& entry : tables.toc) {
        if (!entry.path.empty() && !entry.title.empty())
            titles.try_emplace(entry.path, entry.title);
    }
    std::set<std::string> matter, body;
    for (const TocEntry& entry : tables.landmarks) {
        if (HasWord(entry.type, "bodymatter"))
            body.insert(entry.path);
        else if (!entry.atFragment &&
                 std::any_of(std::begin(kMatterLandmarks), std::end(kMatterLandmarks),
                             [&](std::string_view kind) { return HasWord(entry.type, kind); }))
            matter.insert(entry.path);
    }
    for (const TocEntry& entry : tables.guide) {
        if (entry.type == "text")
            body.insert(entry.path);
        else if (!entry.atFragment && IsOneOf(entry.type, kMatterGuide))
            matter.insert(entry.path);
    }
    // The navigation document is the table of contents, never to be laid out, unless it is where the book's
    // text is.
    const bool navHoldsText = body.count(tables.navPath) || (items.size() == 1 && items[0].path == tables.navPath);
    for (EpubItem& item : items) {
        if (item.path.empty())
            continue;
        if (const auto title = titles.find(item.path); title != titles.end()) {
            item.chapterTitle = title->second;
            titles.erase(title);
        }
        item.navigation = item.path == tables.navPath && !navHoldsText;
        item.matter = item.navigation || (matter.count(item.path) && !body.count(item.path));
    }
}

struct ItemSource {
    std::optional<EpubArchive::Entry> entry;  // none when the archive lacks the document
    std::string idref;
    bool inManifest = true;
};

struct Contents {
    EpubMetadata metadata;
    std::vector<EpubItem> items;
    std::vector<ItemSource> sources;
};

Result<Contents> ReadContents(EpubArchive& archive, std::uint64_t& uncompressed)
{
    if (auto unencrypted = CheckEncryption(archive, uncompressed); !unencrypted)
        return unencrypted.Failure();
    const auto packagePath = PackagePath(archive, uncompressed);
    if (!packagePath)
        return packagePath.Failure();
    std::string flaw;
    const auto package =
        archive.ReadXml(*packagePath, "package document", XmlFallback::Recover, kLimits, uncompressed, &flaw);
    if (!package)
        return package.Failure();
    const xmlNode* root = xmlDocGetRootElement(package->get());
    const xmlNode* spine = FindChild(root, "spine");
    const std::vector<SpineItem> spineItems = ReadSpine(spine);
    if (spineItems.empty() && !flaw.empty())
        return Error{archive.NotXml(*packagePath, "package document", flaw)};
    if (spineItems.empty())
        return Error{archive.Path() + " has no reading order: its package document, " + *packagePath +
                     ", lists nothing in its spine"};
    const auto manifest = ReadManifest(root, *packagePath);
    Contents contents{ReadMetadata(root), {}, {}};
    for (const SpineItem& reference : spineItems) {
        EpubItem item;
        item.linear = reference.linear;
        ItemSource source{std::nullopt, reference.idref, false};
        if (const ManifestItem* listed = FindItem(manifest, reference.idref)) {
            item.path = listed->path;
            item.mediaType = listed->mediaType;
            source.inManifest = true;
            source.entry = archive.Find(listed->path);
            item.size = source.entry ? source.entry->size : 0;
        }
        contents.items.push_back(std::move(item));
        contents.sources.push_back(std::move(source));
    }
    ApplyTables(ReadTables(archive, package->get(), *packagePath, manifest, Attribute(spine, "toc"), uncompressed),
                contents.items);
    return contents;
}

} // namespace

struct EpubPackage::Archive {
    EpubArchive zip;
    std::vector<ItemSource> sources;  // where each item of the reading order is
    std::uint64_t compressedTotal = 0, compressedRead = 0;
};

EpubPackage::~EpubPackage() = default;

Result<std::unique_ptr<EpubPackage>> EpubPackage::Open(const std::string& path)
{
    auto zip = EpubArchive::Open(path);
    if (!zip)
        return zip.Failure();
    std::uint64_t uncompressed = 0;
    auto contents = ReadContents(*zip, uncompressed);
    if (!contents)
        return contents.Failure();
    std::unique_ptr<EpubPackage> package(new EpubPackage());
    package->mSize = zip->FileSize();
    package->mUncompressed = uncompressed;
    package->mMetadata = std::move(contents->metadata);
    package->mItems = std::move(contents->items);
    package->mArchive = std::make_unique<Archive>(Archive{std::move(*zip), std::move(contents->sources)});
    for (const ItemSource& source : package->mArchive->sources)
        package->mArchive->compressedTotal += source.entry ? source.entry->compressedSize : 0;
    return package;
}

Result<std::string> EpubPackage::Read(std::size_t index)
{
    const std::string& book = mArchive->zip.Path();
    if (index >= mItems.size())
        return Error{"the reading order of " + book + " has no document " + std::to_string(index + 1)};
    const ItemSource& source = mArchive->sources[index];
    const EpubItem& item = mItems[index];
    if (!source.inManifest)
        return Error{"the reading order of " + book + " names \"" + source.idref + "\", which its manifest lacks"};
    if (item.path.empty())
        return Error{"the reading order of " + book + " names \"" + source.idref + "\", which is outside the book"};
    if (!source.entry)
        return Error{item.path + " is missing from " + book};
    auto bytes = mArchive->zip.Read(*source.entry, item.path, kLimits, mUncompressed);
    // Progress in the documents' share of the archive, so that it reaches the end with the last document, however
    // much of the archive pictures and fonts take.
    Archive& archive = *mArchive;
    archive.compressedRead += source.entry->compressedSize;
    const double share = archive.compressedTotal
                             ? static_cast<double>(archive.compressedRead) / static_cast<double>(archive.compressedTotal)
                             : 1.0;
    mConsumed = share >= 1.0 ? mSize : static_cast<std::uint64_t>(static_cast<double>(mSize) * share);
    return bytes;
}
