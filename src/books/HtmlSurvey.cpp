#include "books/HtmlSurvey.h"

#include <libxml/tree.h>

#include <algorithm>
#include <array>
#include <string_view>
#include <utility>
#include <vector>

namespace {

constexpr std::array<std::string_view, 11> kMatterTypes{
    "cover", "titlepage", "halftitlepage", "imprint", "copyright-page", "colophon",
    "toc",   "landmarks", "loi",           "lot",     "page-list",
};
constexpr std::array<std::string_view, 4> kMatterRoles{"doc-cover", "doc-toc", "doc-colophon", "doc-pagelist"};
constexpr std::array<std::string_view, 6> kNoteTypes{"footnote", "footnotes", "endnote",
                                                     "endnotes", "rearnote",  "rearnotes"};
constexpr std::array<std::string_view, 3> kNoteRoles{"doc-footnote", "doc-endnote", "doc-endnotes"};

template <std::size_t N>
bool HasAnyToken(std::string_view list, const std::array<std::string_view, N>& words)
{
    return !list.empty() && std::any_of(words.begin(), words.end(), [&](auto word) { return HasToken(list, word); });
}

std::string_view Content(const xmlNode* node)
{
    return node->content ? reinterpret_cast<const char*>(node->content) : "";
}

// Whether a text node shows anything: a character other than blanks, soft hyphens and zero-width ones.
bool IsVisible(std::string_view utf8)
{
    static constexpr std::array<std::string_view, 6> kInvisible{
        "\xC2\xAD", "\xE2\x80\x8B", "\xE2\x80\x8C", "\xE2\x80\x8D", "\xE2\x81\xA0", "\xEF\xBB\xBF"};
    for (std::size_t at = 0; at < utf8.size();) {
        const char c = utf8[at];
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f') {
            ++at;
            continue;
        }
        const auto invisible = std::find_if(kInvisible.begin(), kInvisible.end(),
                                            [&](auto sequence) { return utf8.substr(at).starts_with(sequence); });
        if (invisible == kInvisible.end())
            return true;
        at += invisible->size();
    }
    return false;
}

void CollectLinkTargets(xmlNode* root, std::unordered_set<std::string>& targets)
{
    WalkTree(
        root,
        [&](xmlNode* node) {
            if (ElementName(node) == "a")
                if (const auto href = Attribute(node, "href"); href && !Fragment(*href).empty())
                    targets.emplace(Fragment(*href));
            return node->type == XML_ELEMENT_NODE;
        },
        [](xmlNode*) {});
}

// Headings of levels 1 to 3 in document order, each with whether text follows it before the next heading of its
// level or a higher one.
class HeadingCount {
public:
    void Heading(const xmlNode* node, int level)
    {
        for (int at = level; at <= 3; ++at)
            mWaiting[at] = nullptr;
        mWaiting[level] = node;
    }
    void Text()
    {
        for (int level = 1; level <= 3; ++level)
            if (mWaiting[level]) {
                mOpening.emplace_back(mWaiting[level], level);
                mWaiting[level] = nullptr;
            }
    }
    std::unordered_set<const xmlNode*> ChapterHeadings() const
    {
        std::array<int, 4> count{};
        for (const auto& [node, level] : mOpening)
            ++count[level];
        std::unordered_set<const xmlNode*> chapters;
        const auto level = std::find_if(count.begin() + 1, count.end(), [](int n) { return n > 1; });
        for (const auto& [node, at] : mOpening)
            if (at == level - count.begin())
                chapters.insert(node);
        return chapters;
    }

private:
    std::array<const xmlNode*, 4> mWaiting{};
    std::vector<std::pair<const xmlNode*, int>> mOpening;
};

} // namespace

HtmlTag Describe(const xmlNode* element)
{
    HtmlTag tag;
    tag.kind = ElementKind(ElementName(element));
    if (element->properties) {
        tag.type = EpubTypeOf(element);
        tag.role = Attribute(element, "role").value_or("");
    }
    return tag;
}

bool IsLeftOut(const xmlNode* element, const HtmlTag& tag, bool skipMatter)
{
    if (tag.kind == HtmlElement::LeftOut)
        return true;
    if (!element->properties)
        return false;
    if (HasAttribute(element, "hidden"))
        return true;
    if (const auto style = Attribute(element, "style"); style && IsDisplayNone(*style))
        return true;
    if (HasToken(tag.type, "pagebreak") || HasToken(tag.role, "doc-pagebreak") || HasToken(tag.type, "backlink") ||
        HasToken(tag.role, "doc-backlink"))
        return true;
    return skipMatter && (HasAnyToken(tag.type, kMatterTypes) || HasAnyToken(tag.role, kMatterRoles));
}

bool IsNote(const xmlNode* element, const HtmlTag& tag, const std::unordered_set<std::string>& linkTargets)
{
    if (HasAnyToken(tag.type, kNoteTypes) || HasAnyToken(tag.role, kNoteRoles))
        return true;
    if (tag.kind != HtmlElement::Aside || linkTargets.empty())
        return false;
    const auto id = Attribute(element, "id");
    return id && linkTargets.contains(*id);
}

HtmlSurvey Survey(xmlNode* root, bool skipMatter, bool findChapters)
{
    HtmlSurvey survey;
    CollectLinkTargets(root, survey.linkTargets);
    HeadingCount headings;
    // Per element entered: whether it is a note, whether a heading of levels 1 to 3.
    std::vector<std::pair<bool, bool>> open;
    int inNote = 0, inHeading = 0;
    WalkTree(
        root,
        [&](xmlNode* node) {
            if (node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE) {
                if (!inNote && !inHeading && IsVisible(Content(node)))
                    headings.Text();
                return false;
            }
            if (node->type != XML_ELEMENT_NODE)
                return false;
            const HtmlTag tag = Describe(node);
            if (IsLeftOut(node, tag, skipMatter) || tag.kind == HtmlElement::Svg)
                return false;
            const bool note = inNote || IsNote(node, tag, survey.linkTargets);
            if (note)
                if (const auto id = Attribute(node, "id"); id && !id->empty())
                    survey.noteIds.insert(*id);
            const int level = HeadingLevel(ElementName(node));
            const bool heading = !note && level >= 1 && level <= 3;
            if (heading)
                headings.Heading(node, level);
            open.emplace_back(note && !inNote, heading);
            inNote += open.back().first;
            inHeading += heading;
            return true;
        },
        [&](xmlNode*) {
            inNote -= open.back().first;
            inHeading -= open.back().second;
            open.pop_back();
        });
    if (findChapters)
        survey.chapterHeadings = headings.ChapterHeadings();
    return survey;
}
