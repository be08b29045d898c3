#include "Started.h"
#include "TempDir.h"
#include "settings/Profile.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace {

constexpr RgbQuad kWhite = RgbQuad::FromRgb(255, 255, 255);
constexpr RgbQuad kBlack = RgbQuad::FromRgb(0, 0, 0);
constexpr RgbQuad kDarkGreen = RgbQuad::FromRgb(0, 100, 0);

std::pair<int, int> CanvasSize(SettingsModel& model) { return {model.Canvas().Width(), model.Canvas().Height()}; }

TEST(SettingsModel, CanvasFromPresetSwapRotateAndMultiplier)
{
    const struct { int preset, swap, rotate; const char* multiplier; int width, height, turnedWidth, turnedHeight; }
        cases[] = {
            {1, 0, 0, "1", 640, 480, 640, 480},  {2, 1, 0, "1", 208, 208, 208, 208},
            {0, 1, 0, "1", 240, 320, 240, 320},  {1, 1, 1, "2", 640, 960, 960, 640},
            {0, 0, 1, "2", 240, 640, 640, 240},  {0, 0, 0, "1.5", 320, 360, 320, 360},
            {0, 0, 0, "0.9", 320, 240, 320, 240}, {0, 0, 0, "", 320, 240, 320, 240},
            {0, 0, 0, "7", 320, 1200, 320, 1200},  // at most 5 screens high
        };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << &c - cases);
        SettingsModel model;
        model.SetCheck("chkSwapDim", c.swap);
        model.SetCheck("chkRotate", c.rotate);
        model.TypeText("txtScrX", c.multiplier);
        model.SelectOption(c.preset);
        EXPECT_EQ(std::tuple(model.Canvas().Width(), model.Canvas().Height(), model.Pic2Width(), model.Pic2Height()),
                  std::tuple(c.width, c.height, c.turnedWidth, c.turnedHeight));
        // Editing the multiplier alone sets the canvas height only.
        model.SetText("txtScrX", "3");
        EXPECT_EQ(CanvasSize(model), std::pair(c.width, 3 * (c.rotate ? model.ScreenWidth() : model.ScreenHeight())));
    }
}

TEST(SettingsModel, SwapExchangesTheCurrentSizeOnlyWhenTheBoxChanges)
{
    SettingsModel model;
    model.SelectOption(1);
    model.SelectOption(3);  // custom keeps the size it found
    model.Click("chkSwapDim");
    model.SetCheck("chkSwapDim", 1);  // no change, no swap
    EXPECT_EQ(std::pair(model.ScreenWidth(), model.ScreenHeight()), std::pair(480, 640));
    model.Click("chkSwapDim");
    EXPECT_EQ(std::pair(model.ScreenWidth(), model.ScreenHeight()), std::pair(640, 480));
}

// The custom boxes take part while Custom is selected: they are enabled then, and the screen follows them once
// both hold a size, swapped as the box says; a preset disables them and takes its own size.
TEST(SettingsModel, CustomSizeFollowsItsBoxesWhileSelected)
{
    const struct { const char* key; const char* value; bool enabled; int width, height; } steps[] = {
        {"optScrRes", "3", true, 320, 240},   {"txtCustWidth", "480", true, 320, 240},
        {"Text1", "272", true, 480, 272},     {"chkSwapDim", "1", true, 272, 480},
        {"Text1", "300", true, 300, 480},     {"txtCustWidth", "9", true, 300, 480},
        {"txtCustWidth", "4096", true, 300, 4096}, {"optScrRes", "1", false, 480, 640},
        {"optScrRes", "3", true, 300, 4096},
    };
    StartedSettings model;
    for (const auto& s : steps) {
        SCOPED_TRACE(std::string(s.key) + "=" + s.value);
        ASSERT_EQ(model.ApplyEdit(s.key, s.value), std::nullopt);
        EXPECT_EQ(std::tuple(model.Enabled("txtCustWidth"), model.Enabled("Text1"), model.ScreenWidth(), model.ScreenHeight()),
                  std::tuple(s.enabled, s.enabled, s.width, s.height));
    }
    EXPECT_EQ(model.ApplyEdit("Text1", "5000"), std::nullopt);  // in the table's range; the run refuses it
    EXPECT_NE(model.RefusedPageSize().value_or("").find("16 to 4096"), std::string::npos);
}

TEST(SettingsModel, FontSizeShowsWhatIsTypedUntilLeftAndBoldKeepsFaceAndSize)
{
    StartedSettings model;
    model.SetText("txtFontSize", "");
    EXPECT_EQ(model.Value("txtFontSize"), "");
    model.LeaveText("txtFontSize");
    EXPECT_EQ(model.Value("txtFontSize"), "8.25");
    model.TypeText("txtFontSize", "12");
    ASSERT_TRUE(model.SelectFont("Courier New"));
    model.Click("chkBold");  // re-applies face and size as they stand, and resizes nothing
    EXPECT_EQ(std::tuple(model.Canvas().FontName(), model.Canvas().FontSize(), model.Canvas().FontBold()),
              std::tuple("Courier New", 12.0, true));
    EXPECT_EQ(model.Canvas().Height(), 240);
}

TEST(SettingsModel, FontListTakesTheOfferedFacesAndAnyInstalledFamily)
{
    // Each row: a name for lstFonts, the face kept (none: refused, the start-up's kept) and the family drawn.
    // The same holds for --set, the settings window and a profile.
    TempDir dir;
    const struct { std::string given; const char* kept; const char* drawn; } cases[] = {
        {"dejavu serif", "DejaVu Serif", "DejaVu Serif"},  // spelt as fontconfig spells it
        {"LIBERATION MONO", "Liberation Mono", "Liberation Mono"},
        {"Lohit Devanagari", "Lohit Devanagari", "Lohit Devanagari"},
        {"ProggyCleanTT", "ProggyCleanTT", "DejaVu Sans Mono"},  // offered, never installed: its stand-in draws it
        {"proggycleantt", nullptr, nullptr},  // an offered face is taken only as the list spells it
        {"Foo Sans", nullptr, nullptr},
        {"dejavuserif", nullptr, nullptr},            // fontconfig itself would ignore the missing blank
        {"DejaVu Sans Condensed", nullptr, nullptr},  // a second name of DejaVu Sans's condensed faces
        {"", nullptr, nullptr},
        {std::string("DejaVu Serif\0x", 14), nullptr, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("lstFonts=" + c.given);
        const std::string kept = c.kept ? c.kept : "ProggyCleanTT";
        const std::string drawn = c.drawn ? c.drawn : "DejaVu Sans Mono";
        StartedSettings set, clicked, profiled;
        const auto error = set.ApplyEdit("lstFonts", c.given);
        EXPECT_EQ(error.has_value(), !c.kept);
        EXPECT_TRUE(!error || error->find("is not an installed font family; leafcast fonts --all lists them") !=
                                  std::string::npos) << *error;
        EXPECT_EQ(clicked.SelectFont(c.given), c.kept != nullptr);
        WriteFileText(dir.Path("p.cfg"), "\"p.cfg\"\r\n\"ControlName\",\"Value\",\"Enabled\",\"Index\"\r\n"
                                         "\"lstFonts\",\"" + c.given + "\",#TRUE#,0\r\n");
        const ProfileResult loaded = LoadProfile(profiled, dir.Path("p.cfg"));
        EXPECT_TRUE(loaded.ok);
        EXPECT_EQ(loaded.skipped.size(), c.kept ? 0u : 1u);
        for (SettingsModel* model : {&set, &clicked, &profiled})
            EXPECT_EQ(std::tuple(model->Value("lstFonts", 0), model->Canvas().FontFamily()), std::tuple(kept, drawn));
    }
}

TEST(SettingsModel, ColourSchemesFollowBothBoxes)
{
    StartedSettings model;
    model.SetPageText(U"Some text\non two rows");
    const struct { const char* box; int value; RgbQuad back, fore; } steps[] = {
        {"chkGreenBkg", 1, kDarkGreen, kWhite}, {"chkGreenBkg", 0, kBlack, kWhite},
        {"chkWB", 0, kWhite, kBlack},           {"chkGreenBkg", 1, kDarkGreen, kWhite},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(testing::Message() << s.box << " = " << s.value);
        model.SetCheck(s.box, s.value);
        EXPECT_TRUE(model.PageBackColor().SameColour(s.back) && model.PageForeColor().SameColour(s.fore));
        EXPECT_TRUE(model.Canvas().BackColor().SameColour(s.back) && model.Canvas().ForeColor().SameColour(s.fore));
        const Bitmap& page = model.Canvas().Image();
        EXPECT_TRUE(page.Colour(page.Width() - 1, page.Height() - 1).SameColour(s.back)) << "canvas not repainted";
    }
}

TEST(SettingsModel, OutputFolderIsNamedAfterTheRootBesideTheInput)
{
    const struct { const char* input; const char* root; const char* folder; const char* output; } cases[] = {
        {"/books/novel.txt", "novel", "/books/", "/books/novel/"}, {"novel.txt", "novel", "./", "./novel/"},
        {"/novel.txt", "novel", "/", "/novel/"}, {"/books/novel.txt", "novel/", "/books/", "/books/novel_/"},
        {"/books/novel.txt", "", "/books/", "/books/"}, {"/books/novel.txt", "../up", "/books/", "/books/_._up/"},
    };
    for (const auto& c : cases)
        for (bool rootFirst : {false, true}) {
            SCOPED_TRACE(testing::Message() << c.input << " + " << c.root << (rootFirst ? ", root first" : ""));
            SettingsModel model;
            model.SetText(rootFirst ? "txtOutFileName" : "txtInpFile", rootFirst ? c.root : c.input);
            model.SetText(rootFirst ? "txtInpFile" : "txtOutFileName", rootFirst ? c.input : c.root);
            model.SetText("txtJPGOutPath", "/somewhere/else");  // the box only shows the folder
            EXPECT_EQ(std::tie(model.InputPath(), model.InputFolder(), model.OutputPath(), model.Value("txtJPGOutPath")),
                      std::tuple(c.input, c.folder, c.output, c.output));
        }
}

TEST(SettingsModel, RunOutputFolderStaysUntilTheRunEnds)
{
    SettingsModel model;
    model.SetText("txtInpFile", "/books/novel.txt");
    model.ShowRunOutputFolder("/books/Out/");
    model.SetText("txtOutFileName", "other");
    model.SetText("txtInpFile", "/elsewhere/story.txt");
    EXPECT_EQ(std::tie(model.Value("txtJPGOutPath"), model.OutputPath()), std::tuple("/books/Out/", "/books/Out/"));
    // The edits made during the run take effect when it ends.
    model.EndRunOutputFolder();
    EXPECT_EQ(model.OutputPath(), "/elsewhere/other/");
    model.SetText("txtOutFileName", "third");
    EXPECT_EQ(model.Value("txtJPGOutPath"), "/elsewhere/third/");
}

TEST(SettingsModel, LastMaskFollowsTheMaskBoxLeftLast)
{
    SettingsModel model;
    model.SetText("txtChaptMask", "Ch*");
    EXPECT_EQ(model.LastMaskKind(), 0);  // typing alone does not count
    model.LeaveText("txtChaptMask");
    EXPECT_EQ(std::tuple(model.LastMask(), model.LastMaskKind()), std::tuple("Ch*", 1));
    model.TypeText("txtParagrMask", "*.?");
    model.TypeText("txtFontSize", "9");
    model.SetText("txtChaptMask", "Part #");
    EXPECT_EQ(std::tuple(model.LastMask(), model.LastMaskKind()), std::tuple("*.?", 2));
}

TEST(StartUp, FirstPresetAndWhiteOnBlackWhateverTheProfileHeld)
{
    SettingsModel model;
    model.SelectOption(2);
    model.SetCheck("chkSwapDim", 1);
    model.SetCheck("chkGreenBkg", 1);
    ApplyStartUpDefaults(model);
    EXPECT_EQ(model.FontEntries(),
              (std::vector<std::string>{"Arial", "Tahoma", "Times New Roman", "Courier New", "Verdana", "ProggyCleanTT"}));
    EXPECT_EQ(model.Canvas().FontName(), "ProggyCleanTT");
    EXPECT_EQ(model.SelectedPreset(), 0);
    EXPECT_EQ(CanvasSize(model), std::pair(240, 320));  // the swap stays
    EXPECT_EQ(model.Check("chkWB"), 1);  // under the green background, which stays
    EXPECT_TRUE(model.PageBackColor().SameColour(kDarkGreen) && model.PageForeColor().SameColour(kWhite));
    EXPECT_EQ(model.MarkedPhrases(),
              (std::vector<std::u32string>{U"", kConverterNotice, U"NEXT > ", U"< BACK NEXT > ", U".", U"\f"}));
}

TEST(SettingsModel, ObserverHearsPreviewAndLayoutChanges)
{
    struct : SettingsObserver {
        std::vector<std::string> events;
        void PreviewShown(bool visible) override { events.push_back(visible ? "shown" : "hidden"); }
        void LayoutChanged() override { events.push_back("layout"); }
    } observer;
    SettingsModel model;
    model.SetObserver(&observer);
    for (const char* box : {"chkShowZEN", "chkShowZEN", "chkRowNrs"})
        model.SetCheck(box, 1);
    model.SelectOption(1);
    model.Click("chkSwapDim");
    model.SetCheck("chkShowZEN", 0);
    EXPECT_EQ(observer.events, (std::vector<std::string>{"shown", "layout", "layout", "hidden"}));
    EXPECT_TRUE(model.RowNumbersOn());
}

TEST(SettingsModel, ValuesKeepTheirRangeInTheWindowOnTheCommandLineAndInProfiles)
{
    // Each row: a value typed into the window and what the box shows once left; --set takes the value only when
    // the window keeps it as it is; a profile saved from the window loads back without a word.
    const struct { const char* name; const char* typed; const char* shown; } cases[] = {
        {"txtQA", "7.5", "7.5"},         {"txtQA", "11", "10"},           {"txtQA", "abc", "5"},
        {"txtScrX", "1.5", "1.5"},       {"txtScrX", "10000000", "5"},    {"txtScrX", "0.9", "1"},
        {"txtFontSize", "72", "48"},     {"txtFontSize", "0", "8.25"},    {"txtFontSize", "1e400", "8.25"},
        {"txtASCIISep", "300", "255"},   {"txtASCIISep", "12.5", "12"},   {"txtFromPg", "-3", "0"},
        {"txtToPg", "12", "12"},         {"txtToPg", "12345678", "9999999"},
        {"txtCodePage", "cp1250", "cp1250"},
        {"txtCodePage", "no-such-page", "Windows-1252"},
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name) + "=" + c.typed);
        StartedSettings window;
        window.TypeText(c.name, c.typed);
        EXPECT_EQ(window.Value(c.name), c.shown);

        const auto refused = StartedSettings().ApplyEdit(c.name, c.typed);
        EXPECT_EQ(!refused, std::string(c.typed) == c.shown);
        const bool rangeNamed = !refused || std::string(c.name) == "txtCodePage" || refused->find(" from ") != std::string::npos;
        EXPECT_TRUE(rangeNamed) << *refused;

        window.TypeText("txtOutFileName", "ranges");
        ASSERT_TRUE(SaveProfile(window, dir.Path("")).ok);
        StartedSettings loaded;
        const ProfileResult result = LoadProfile(loaded, dir.Path("ranges.cfg"));
        EXPECT_TRUE(result.ok && result.skipped.empty()) << (result.skipped.empty() ? result.error : result.skipped[0]);
        EXPECT_EQ(loaded.Value(c.name), c.shown);
    }
}

TEST(SettingsModel, ApplyEditRejectsWhatTheControlCannotTake)
{
    // Each row: the edit, whether it is taken, and the value the control shows afterwards.
    const struct { const char* key; const char* value; bool ok; const char* name; int index; const char* after; } cases[] = {
        {"chkSmartLF", "0", true, "chkSmartLF", -1, "0"},     {"chkSmartLF", "2", false, "chkSmartLF", -1, "1"},
        {"chkCompress", "1", true, "chkCompress", -1, "1"},   {"txtToPg", "-", false, "txtToPg", -1, "0"},
        {"lstPageFormat", "PNG", true, "lstPageFormat", -1, "PNG"},
        {"lstPageFormat", "png", false, "lstPageFormat", -1, "JPEG"},
        {"txtScrX", "1,5", false, "txtScrX", -1, "1"},        {"txtFontSize", "10", true, "txtFontSize", -1, "9.75"},
        {"Text1", "5", false, "Text1", -1, "0"},              {"lstFonts", "Comic", false, "lstFonts", 0, "ProggyCleanTT"},
        {"lstFonts(0)", "Arial", true, "lstFonts", 0, "Arial"}, {"optScrRes(3)", "1", true, "optScrRes", 3, "1"},
        {"optScrRes", "9", false, "optScrRes", 0, "1"},       {"optScrRes", "1", true, "optScrRes", 1, "1"},
        {"optScrRes(2)", "1", true, "optScrRes", 2, "1"},     {"chkNothing", "1", false, "chkNothing", -1, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.key) + "=" + c.value);
        StartedSettings model;
        model.LeaveText("txtFontSize");
        const auto error = model.ApplyEdit(c.key, c.value);
        EXPECT_EQ(!error, c.ok) << error.value_or("");
        EXPECT_TRUE(!error || error->find(c.name) != std::string::npos) << *error;
        EXPECT_EQ(c.after ? model.Value(c.name, c.index) : "", c.after ? c.after : "");
        if (c.ok && c.name == std::string("optScrRes")) {
            // Custom without a size of its own keeps the one it found.
            EXPECT_EQ(std::pair(model.SelectedPreset(), model.ScreenWidth()),
                      std::pair(c.index, c.index == 1 ? 640 : c.index == 2 ? 208 : 320));
        }
    }
}

} // namespace
