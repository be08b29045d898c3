#include "books/HtmlText.h"
#include "base/Text.h"

#include <gtest/gtest.h>

#include <libxml/HTMLparser.h>
#include <libxml/HTMLtree.h>
#include <libxml/parser.h>

#include <memory>
#include <string>
#include <vector>

namespace {

struct DocFree {
    void operator()(xmlDoc* document) const { xmlFreeDoc(document); }
};
using Doc = std::unique_ptr<xmlDoc, DocFree>;

enum class Parser { Html, Xml };

Doc Parse(const std::string& markup, Parser parser = Parser::Html)
{
    const int size = static_cast<int>(markup.size());
    if (parser == Parser::Xml)
        return Doc(xmlReadMemory(markup.data(), size, "book.xhtml", "UTF-8", XML_PARSE_NONET));
    return Doc(htmlReadMemory(markup.data(), size, "book.html", "UTF-8",
                              HTML_PARSE_NONET | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING));
}

// Each line as "P:text" (a paragraph), "R:text" (a kept row) or "C:title" (a chapter, whose text must be empty).
std::vector<std::string> Shown(const std::vector<BookLine>& lines)
{
    std::vector<std::string> shown;
    for (const auto& line : lines) {
        switch (line.start) {
        case BookLine::Start::Paragraph: shown.push_back("P:" + ToUtf8(line.text)); break;
        case BookLine::Start::Row: shown.push_back("R:" + ToUtf8(line.text)); break;
        case BookLine::Start::Chapter:
            shown.push_back("C:" + ToUtf8(line.title) + (line.text.empty() ? "" : " with text " + ToUtf8(line.text)));
            break;
        }
    }
    return shown;
}

// The lines of one document, its chapter ended.
std::vector<std::string> Lines(const std::string& markup, HtmlText::Options options = {},
                               Parser parser = Parser::Html)
{
    const Doc document = Parse(markup, parser);
    EXPECT_TRUE(document);
    HtmlText text(options);
    std::vector<BookLine> lines;
    text.Add(document.get(), lines);
    text.EndChapter(lines);
    return Shown(lines);
}

struct Case {
    const char* markup;
    std::vector<std::string> lines;
};

void Check(const std::vector<Case>& cases, HtmlText::Options options = {}, Parser parser = Parser::Html)
{
    for (const auto& c : cases) {
        SCOPED_TRACE(c.markup);
        EXPECT_EQ(Lines(c.markup, options, parser), c.lines);
    }
}

TEST(HtmlText, BlocksAreParagraphsAndInlineTextKeepsTheSourceSpacing)
{
    Check({
        {"<p>a <em>b</em>c</p>", {"P:a bc"}},
        {"<p>\n\t one  <span>two</span>\n<b>three</b> </p>", {"P:one two three"}},
        {"<p>a<!-- note -->b</p>", {"P:ab"}},
        {"<div><div><p>x</p><p> </p></div><div>\n</div></div><p>y</p>", {"P:x", "P:y"}},
        {"<blockquote>before<p>inside</p>after</blockquote>", {"P:before", "P:inside", "P:after"}},
        {"<h3>A heading</h3>text<hr>more", {"P:A heading", "P:text", "P:more"}},
        {"<dl><dt>term</dt><dd>meaning</dd></dl>", {"P:term", "P:meaning"}},
        {"<table><tr><td>I.</td><td><a href='#1'>A Scandal</a></td></tr><tr><td></td><td>B</td></tr></table>",
         {"P:I. A Scandal", "P:B"}},
        {"<p>He said <q>go <q>now</q></q>.</p>", {"P:He said \u201Cgo \u2018now\u2019\u201D."}},
    });
}

TEST(HtmlText, LineBreaksKeepRows)
{
    Check({
        {"line one<br>line two<br/>line three", {"P:line one", "R:line two", "R:line three"}},
        {"<p>\n<span>I celebrate myself,</span>\n<br/>\n<span>And what I assume</span>\n</p>",
         {"P:I celebrate myself,", "R:And what I assume"}},
        {"verse<br><br>next stanza<br><br><br><br>last", {"P:verse", "P:next stanza", "P:last"}},
        {"<p><br>text<br></p><p>next</p>", {"P:text", "P:next"}},
        {"<address>221B Baker Street,<br> London</address>", {"P:221B Baker Street,", "R:London"}},
    });
}

TEST(HtmlText, PreKeepsLinesAndBlanks)
{
    Check({
        {"<pre>\n  a\tb\n\nc  \n</pre>", {"P:  a     b", "R:", "R:c  "}},
        {"<pre>a\r\nb\rc\r\n\r\nd</pre>", {"P:a", "R:b", "R:c", "R:", "R:d"}},
        {"<p>x</p><pre><b>bold</b>  text</pre>after", {"P:x", "P:bold  text", "P:after"}},
    });
}

TEST(HtmlText, ListItemsBeginWithTheirMarker)
{
    Check({
        {"<ul><li>one<li><p>two</p><li></li></ul>", {"P:• one", "P:• two"}},
        {"<ol start='3'><li>c<li>d</ol>", {"P:3. c", "P:4. d"}},
        {"<ol reversed><li>a<li>b<li>c</ol>", {"P:3. a", "P:2. b", "P:1. c"}},
        {"<ol><li value='10'>a<li>b</ol>", {"P:10. a", "P:11. b"}},
        {"<ol type='i' start='4'><li>a<li>b</ol><ol type='A' start='27'><li>c</ol>",
         {"P:iv. a", "P:v. b", "P:AA. c"}},
        {"<ol start='x'><li>a<li>b</ol>", {"P:1. a", "P:2. b"}},
        {"<ol><li>a<ol><li>b</ol><li>c</ol>", {"P:1. a", "P:1. b", "P:2. c"}},
        {"<li>stray item", {"P:• stray item"}},
    });
}

TEST(HtmlText, WhatAReaderNeverSeesIsLeftOut)
{
    Check({
        {"<head><title>T</title><style>p{}</style></head><body><script>var x;</script><p>a</p>"
         "<noscript>n</noscript><template>t</template></body>",
         {"P:a"}},
        {"<p>a<span hidden>b</span>c</p>", {"P:ac"}},
        {"<p>a<span style='DISPLAY : None !important'>b</span><span style='color:red;display:none'>c</span>d</p>",
         {"P:ad"}},
        {"<p>a<span style='display:block'>b</span><span style='display: nonesuch'>c</span></p>", {"P:abc"}},
        {"<p>one <span epub:type='pagebreak' title='12'>12</span>two<span role='doc-pagebreak'>13</span></p>",
         {"P:one two"}},
    });
    // The same attribute as a namespace-aware parser gives it: type in the OPS namespace.
    Check({{"<html xmlns='http://www.w3.org/1999/xhtml' xmlns:epub='http://www.idpf.org/2007/ops'><body>"
            "<p>one <span epub:type='pagebreak'>12</span>two</p></body></html>",
            {"P:one two"}}},
          {}, Parser::Xml);
}

TEST(HtmlText, NotesGoAfterTheChapterAndReferencesStayAsMarkers)
{
    Check({
        {"<p>Text<a epub:type='noteref' href='#n1'>1</a> more.</p>"
         "<aside epub:type='footnote' id='n1'><p>The note.</p></aside><p>Next.</p>",
         {"P:Text[1] more.", "P:Next.", "P:Notes", "P:The note."}},
        {"<p>a <span epub:type='footnote'>inline note</span>b</p>", {"P:a b", "P:Notes", "P:inline note"}},
        {"<p>See<a href='#x'>*</a>.</p><aside id='x'>Pointed to</aside><aside id='y'>Not a note</aside>",
         {"P:See[*].", "P:Not a note", "P:Notes", "P:Pointed to"}},
        {"<p>x<a role='doc-noteref' href='#e1'>[2]</a></p><section epub:type='endnotes'><ol>"
         "<li id='e1' epub:type='endnote'><p>First <a href='#r' epub:type='backlink'>\u21A9</a></p></li>"
         "<li><p>Second</p><p>goes on</p></li></ol></section>",
         {"P:x[2]", "P:Notes", "P:1. First", "P:2. Second", "P:goes on"}},
        {"<p><a href='#c'>Chapter</a> and <a href='next.html'>next</a></p><div id='c'>c</div>"
         "<aside epub:type='footnote' id=''>n</aside>",
         {"P:Chapter and next", "P:c", "P:Notes", "P:n"}},
        {"<p>y<a href='#d'>3</a></p><div role='doc-endnote' id='d'>line<br>row</div>",
         {"P:y[3]", "P:Notes", "P:line", "R:row"}},
    });
    Check({{"<html xmlns='http://www.w3.org/1999/xhtml' xmlns:epub='http://www.idpf.org/2007/ops'><body>"
            "<p>z<a epub:type='noteref' href='#n'>4</a></p><aside epub:type='rearnote' id='n'>Rear</aside>"
            "</body></html>",
            {"P:z[4]", "P:Notes", "P:Rear"}}},
          {}, Parser::Xml);
}

TEST(HtmlText, NotesWaitForTheEndOfTheChapter)
{
    HtmlText text({});
    std::vector<BookLine> lines;
    text.Add(Parse("<p>a<span epub:type='footnote'>one</span></p>").get(), lines);
    text.Add(Parse("<p>b<span epub:type='endnote'>two</span></p>").get(), lines);
    EXPECT_EQ(Shown(lines), (std::vector<std::string>{"P:a", "P:b"}));
    text.EndChapter(lines);
    text.EndChapter(lines);
    EXPECT_EQ(Shown(lines), (std::vector<std::string>{"P:a", "P:b", "P:Notes", "P:one", "P:two"}));
}

TEST(HtmlText, CharactersAReaderDoesNotSeeAreDropped)
{
    Check({
        {"<p>10&nbsp;km &mdash; &#8220;quoted&#8221; caf\xC3\xA9</p>",
         {"P:10\u00A0km \u2014 \u201Cquoted\u201D caf\u00E9"}},
        {"<p>soft&shy;ware zero&#8203;width&#8204;&#8205;&#8288;&#65279;s</p>", {"P:software zerowidths"}},
        {"<p>&#8203;&shy;</p><p>&nbsp;</p>", {"P:\u00A0"}},
    });
}

TEST(HtmlText, ImagesAreTheirAltText)
{
    Check({
        {"<p>See <img alt=' A  map of the island '> here</p>", {"P:See [A map of the island] here"}},
        {"<p><img alt=''><img src='x.png'></p><p>y<img alt='[sic]'></p>", {"P:y[sic]"}},
        {"<svg><title>Pic</title><text>drawn</text></svg><svg><text>no title</text></svg>", {"P:[Pic]"}},
    });
}

TEST(HtmlText, TheTitleIsCollapsed)
{
    const struct { const char* markup; std::u32string title; } cases[] = {
        {"<head><title>  The\n Book &amp;&nbsp;more </title></head><p>x</p>", U"The Book & more"},
        {"<body><svg><title>Not it</title></svg><p>x</p></body>", U""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.markup);
        EXPECT_EQ(ToUtf8(HtmlText::Title(Parse(c.markup).get())), ToUtf8(c.title));
    }
}

TEST(HtmlText, RepeatedHeadingsOpenChapters)
{
    Check(
        {
            {"<h1>Book</h1><h2>One</h2><p>a</p><h2>Two</h2><p>b</p>", {"P:Book", "C:One", "P:a", "C:Two", "P:b"}},
            {"<h1>Book</h1><p>a</p><h2>Part</h2><p>b</p>", {"P:Book", "P:a", "P:Part", "P:b"}},
            {"<h1>A</h1><p>a</p><h1>B</h1><p>b</p><h2>x</h2><p>c</p><h2>y</h2><p>d</p>",
             {"C:A", "P:a", "C:B", "P:b", "P:x", "P:c", "P:y", "P:d"}},
            {"<h1>Book</h1><h3>by</h3><h2>Author</h2><h2>Contents</h2><p>list</p><h3>I</h3><p>a</p><h3>II</h3>b",
             {"P:Book", "P:by", "P:Author", "P:Contents", "P:list", "C:I", "P:a", "C:II", "P:b"}},
            {"<h2>Chapter 1</h2><h3>Its title</h3><p>a</p><h2>Chapter 2</h2><p>b</p>",
             {"C:Chapter 1", "P:Its title", "P:a", "C:Chapter 2", "P:b"}},
            {"<h2><a name='1'>ADVENTURE &nbsp;I.&nbsp; A</a><br>SCANDAL</h2><p>a</p><h2>II</h2><p>b</p>",
             {"C:ADVENTURE I. A SCANDAL", "P:a", "C:II", "P:b"}},
            {"<h2>One</h2><p>a<a epub:type='noteref' href='#n'>1</a></p><aside epub:type='footnote' id='n'>n1</aside>"
             "<h2>Two</h2><p>b</p>",
             {"C:One", "P:a[1]", "P:Notes", "P:n1", "C:Two", "P:b"}},
        },
        {.chaptersFromHeadings = true});
}

TEST(HtmlText, FrontAndBackMatterIsSkippedWhenAsked)
{
    for (const char* type : {"cover", "titlepage", "halftitlepage", "imprint", "copyright-page", "colophon", "toc",
                             "landmarks", "loi", "lot"}) {
        SCOPED_TRACE(type);
        const std::string markup = std::string("<section epub:type='frontmatter ") + type + "'><p>m</p></section><p>x</p>";
        EXPECT_EQ(Lines(markup, {.skipMatter = true}), (std::vector<std::string>{"P:x"}));
        EXPECT_EQ(Lines(markup), (std::vector<std::string>{"P:m", "P:x"}));
    }
    Check({{"<body epub:type='frontmatter titlepage'><p>t</p></body>", {}},
           {"<nav role='doc-toc'><ol><li>a</ol></nav><section epub:type='chapter'><p>c</p></section>", {"P:c"}}},
          {.skipMatter = true});
}

// Far deeper than any parser makes it, built node by node: the walk must not overflow the stack.
TEST(HtmlText, ADeeplyNestedDocumentIsRead)
{
    const Doc document(htmlNewDocNoDtD(nullptr, nullptr));
    xmlNode* node = xmlNewDocNode(document.get(), nullptr, reinterpret_cast<const xmlChar*>("html"), nullptr);
    xmlDocSetRootElement(document.get(), node);
    const char* names[] = {"div", "span", "blockquote", "i", "li"};
    for (int depth = 0; depth < 100000; ++depth)
        node = xmlNewChild(node, nullptr, reinterpret_cast<const xmlChar*>(names[depth % 5]), nullptr);
    xmlNodeAddContent(node, reinterpret_cast<const xmlChar*>("deep"));
    xmlNodeAddContent(node->parent, reinterpret_cast<const xmlChar*>(" after"));
    HtmlText text({.chaptersFromHeadings = true});
    std::vector<BookLine> lines;
    text.Add(document.get(), lines);
    EXPECT_EQ(Shown(lines), (std::vector<std::string>{"P:• deep", "P:after"}));
}

TEST(HtmlText, AHugeTextNodeIsOneParagraph)
{
    std::string words;
    while (words.size() < (8u << 20))
        words += "word\n\xC3\xA9t\xC3\xA9  ";
    HtmlText text({});
    std::vector<BookLine> lines;
    text.Add(Parse("<p>" + words + "</p>").get(), lines);
    ASSERT_EQ(lines.size(), 1u);
    const std::size_t repeats = words.size() / 12;  // "word\nété  ": twelve bytes, nine characters
    EXPECT_EQ(lines[0].text.size(), repeats * 9 - 1);
    EXPECT_EQ(lines[0].text.substr(0, 18), U"word été word été ");
}

} // namespace
