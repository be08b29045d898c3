#include "books/HtmlText.h"

#include "books/HtmlMarkup.h"
#include "books/HtmlSurvey.h"
#include "books/ListMarker.h"
#include "books/TextFlow.h"

#include <libxml/tree.h>

#include <iterator>

namespace {

using Spacing = TextFlow::Spacing;

std::string_view Content(const xmlNode* node)
{
    return node->content ? reinterpret_cast<const char*>(node->content) : "";
}

// Text of the markup (an alt attribute, a note reference) as one collapsed line.
std::u32string Collapsed(std::string_view utf8)
{
    TextFlow flow;
    flow.Add(utf8, Spacing::Collapse);
    return flow.Joined();
}

// "[3]" for "3"; text that already stands in brackets keeps its own.
std::u32string Bracketed(std::u32string text)
{
    if (text.empty() || (text.front() == U'[' && text.back() == U']'))
        return text;
    return U'[' + text + U']';
}

// The text of an element that holds nothing but text, as <title> does.
void AddTextOf(const xmlNode* element, TextFlow& flow)
{
    for (const xmlNode* child = element->children; child; child = child->next)
        if (child->type == XML_TEXT_NODE || child->type == XML_CDATA_SECTION_NODE)
            flow.Add(Content(child), Spacing::Collapse);
}

void MoveNotes(std::vector<BookLine>& notes, std::vector<BookLine>& lines)
{
    if (notes.empty())
        return;
    lines.push_back({BookLine::Start::Paragraph, U"Notes", {}});
    lines.insert(lines.end(), std::make_move_iterator(notes.begin()), std::make_move_iterator(notes.end()));
    notes.clear();
}

// One pass over a document's tree, pouring its text into flows: the book's own, and one for each note, chapter
// heading and note reference met, whose text goes elsewhere once it is complete.
class Walker {
public:
    Walker(const HtmlText::Options& options, HtmlSurvey survey, std::vector<BookLine>& notes)
        : mOptions(options), mSurvey(std::move(survey)), mNotes(notes)
    {
        mFlows.emplace_back();
    }

    void Walk(xmlNode* root)
    {
        WalkTree(root, [this](xmlNode* node) { return Enter(node); }, [this](xmlNode*) { Leave(); });
    }

    std::vector<BookLine>& Lines()
    {
        mFlows.front().EndParagraph();
        return mFlows.front().Lines();
    }

private:
    enum class Capture { None, Note, Chapter, NoteReference };
    struct Frame {
        Capture capture = Capture::None;
        bool block = false, pre = false, list = false, item = false, quote = false;
    };

    TextFlow& Flow() { return mFlows.back(); }
    Spacing CurrentSpacing() const { return mPre > 0 ? Spacing::Keep : Spacing::Collapse; }

    bool Enter(xmlNode* node)
    {
        if (node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE) {
            Flow().Add(Content(node), CurrentSpacing());
            return false;
        }
        if (node->type != XML_ELEMENT_NODE)
            return false;
        const HtmlTag tag = Describe(node);
        if (IsLeftOut(node, tag, mOptions.skipMatter))
            return false;
        switch (tag.kind) {
        case HtmlElement::LineBreak:
            Flow().LineBreak(CurrentSpacing());
            return false;
        case HtmlElement::Image:
            Flow().Add(Bracketed(Collapsed(Attribute(node, "alt").value_or(""))), CurrentSpacing());
            return false;
        case HtmlElement::Svg:
            Flow().Add(Bracketed(SvgTitle(node)), CurrentSpacing());
            return false;
        case HtmlElement::Rule:
            Flow().EndParagraph();
            return false;
        default:
            break;
        }
        Frame frame;
        frame.capture = CaptureOf(node, tag);
        frame.block = tag.kind == HtmlElement::Block || tag.kind == HtmlElement::Aside ||
                      tag.kind == HtmlElement::Heading || tag.kind == HtmlElement::Pre ||
                      tag.kind == HtmlElement::List || tag.kind == HtmlElement::OrderedList ||
                      tag.kind == HtmlElement::ListItem;
        // A note leaves the paragraph it stands in open: the text around it reads on.
        if (frame.block && frame.capture != Capture::Note)
            Flow().EndParagraph();
        // The notes met so far end the chapter before; a note in the heading itself belongs to the new one.
        if (frame.capture == Capture::Chapter)
            MoveNotes(mNotes, Flow().Lines());
        if (frame.capture != Capture::None)
            mFlows.emplace_back();
        mInNote += frame.capture == Capture::Note;
        mInReference += frame.capture == Capture::NoteReference;
        frame.pre = tag.kind == HtmlElement::Pre;
        mPre += frame.pre;
        frame.list = tag.kind == HtmlElement::List || tag.kind == HtmlElement::OrderedList;
        if (frame.list)
            mLists.emplace_back(node, tag.kind == HtmlElement::OrderedList);
        frame.item = tag.kind == HtmlElement::ListItem;
        if (frame.item)
            Flow().SetPrefix(mLists.empty() ? std::u32string(U"• ") : mLists.back().Next(node));
        if (tag.kind == HtmlElement::Cell)
            Flow().CellBreak();
        frame.quote = tag.kind == HtmlElement::Quote;
        if (frame.quote)
            Flow().Add(mQuotes++ % 2 ? U"‘" : U"“", CurrentSpacing());
        mFrames.push_back(frame);
        return true;
    }

    void Leave()
    {
        const Frame frame = mFrames.back();
        mFrames.pop_back();
        if (frame.quote)
            Flow().Add(--mQuotes % 2 ? U"’" : U"”", CurrentSpacing());
        if (frame.item)
            Flow().ClearPrefix();
        if (frame.list)
            mLists.pop_back();
        mPre -= frame.pre;
        if (frame.block)
            Flow().EndParagraph();
        if (frame.capture == Capture::None)
            return;
        TextFlow captured = std::move(mFlows.back());
        mFlows.pop_back();
        switch (frame.capture) {
        case Capture::Note:
            --mInNote;
            for (auto& line : captured.Lines())
                mNotes.push_back(std::move(line));
            break;
        case Capture::Chapter:
            Flow().Append({BookLine::Start::Chapter, {}, captured.Joined()});
            break;
        case Capture::NoteReference:
            --mInReference;
            Flow().Add(Bracketed(captured.Joined()), CurrentSpacing());
            break;
        case Capture::None:
            break;
        }
    }

    Capture CaptureOf(const xmlNode* node, const HtmlTag& tag) const
    {
        if (mInNote == 0 && IsNote(node, tag, mSurvey.linkTargets))
            return Capture::Note;
        if (tag.kind == HtmlElement::Link && mInReference == 0 && IsNoteReference(node, tag))
            return Capture::NoteReference;
        // Not inside a note, a reference or another chapter's heading.
        if (tag.kind == HtmlElement::Heading && mFlows.size() == 1 && mSurvey.chapterHeadings.contains(node))
            return Capture::Chapter;
        return Capture::None;
    }

    bool IsNoteReference(const xmlNode* node, const HtmlTag& tag) const
    {
        if (HasToken(tag.type, "noteref") || HasToken(tag.role, "doc-noteref"))
            return true;
        if (mSurvey.noteIds.empty())
            return false;
        const auto href = Attribute(node, "href");
        return href && !Fragment(*href).empty() && mSurvey.noteIds.contains(std::string(Fragment(*href)));
    }

    static std::u32string SvgTitle(const xmlNode* svg)
    {
        for (const xmlNode* child = svg->children; child; child = child->next)
            if (ElementName(child) == "title") {
                TextFlow title;
                AddTextOf(child, title);
                return title.Joined();
            }
        return {};
    }

    const HtmlText::Options& mOptions;
    const HtmlSurvey mSurvey;
    std::vector<BookLine>& mNotes;
    std::vector<TextFlow> mFlows;  // the book's flow first, then the captures under way, innermost last
    std::vector<Frame> mFrames;    // one per element entered
    std::vector<ListMarker> mLists;
    int mPre = 0;
    int mInNote = 0;
    int mInReference = 0;
    int mQuotes = 0;  // q elements open: a quotation inside one takes single marks
};

} // namespace

void HtmlText::Add(xmlDoc* document, std::vector<BookLine>& lines)
{
    xmlNode* root = document ? xmlDocGetRootElement(document) : nullptr;
    if (!root)
        return;
    Walker walker(mOptions, Survey(root, mOptions.skipMatter, mOptions.chaptersFromHeadings), mNotes);
    walker.Walk(root);
    auto& walked = walker.Lines();
    lines.insert(lines.end(), std::make_move_iterator(walked.begin()), std::make_move_iterator(walked.end()));
}

void HtmlText::EndChapter(std::vector<BookLine>& lines) { MoveNotes(mNotes, lines); }

std::u32string HtmlText::Title(xmlDoc* document)
{
    xmlNode* root = document ? xmlDocGetRootElement(document) : nullptr;
    if (!root)
        return {};
    TextFlow title;
    bool found = false;
    WalkTree(
        root,
        [&](xmlNode* node) {
            if (found || node->type != XML_ELEMENT_NODE || ElementName(node) == "svg")
                return false;
            if (ElementName(node) != "title")
                return true;
            found = true;
            AddTextOf(node, title);
            return false;
        },
        [](xmlNode*) {});
    return title.Joined();
}
