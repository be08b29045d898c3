#include "Started.h"
#include "TempDir.h"
#include "base/MaskPattern.h"
#include "base/Text.h"
#include "settings/Profile.h"
#include "settings/ShippedProfiles.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <sys/resource.h>

namespace fs = std::filesystem;

namespace {

const std::string kColumns = "\"ControlName\",\"Value\",\"Enabled\",\"Index\"\r\n";
const std::string kHead = "\"p.cfg\"\r\n" + kColumns;

// Everything a profile carries, for comparing two settings.
std::vector<std::string> Snapshot(const SettingsModel& s)
{
    std::vector<std::string> values;
    for (const ControlSpec& c : SettingsControls())
        values.push_back(ControlKey(c) + "=" + s.Value(c.name, c.index) + (s.Enabled(c.name, c.index) ? "" : " off"));
    for (const auto& phrase : s.MarkedPhrases())
        values.push_back("phrase " + ToUtf8(phrase));
    return values;
}

TEST(Profile, DefaultsStartAsTheOlderProgramWroteThem)
{
    TempDir dir;
    StartedSettings f;
    f.TypeText("txtOutFileName", "novel");
    ASSERT_TRUE(SaveProfile(f, dir.Path("")).ok);
    const std::string firstFive = "\"novel.cfg\"\r\n" + kColumns +
        "\"txtMsg\",\"Ready\",#TRUE#,-1\r\n\"chkNoChars\",1,#TRUE#,-1\r\n\"txtEditor\",\"explorer\",#TRUE#,-1\r\n";
    const std::string text = ReadFileText(dir.Path("novel.cfg"));
    EXPECT_EQ(text.substr(0, firstFive.size()), firstFive);
    // A text is kept, "0" too, and one that reads as 0; an unchecked box is not.
    for (const char* record : {"\"txtFormat\",\"00.0\",#FALSE#,-1\r\n", "\"txtFromPg\",\"0\",#TRUE#,-1\r\n",
                               "\"optScrRes\",#TRUE#,#TRUE#,0\r\n\"txtCodePage\",\"Windows-1252\",#TRUE#,-1\r\n\"txtLanguage\",\"\",#TRUE#,-1\r\n\"SkipW1\""})
        EXPECT_NE(text.find(record), std::string::npos) << record;
    EXPECT_EQ(text.find("chkRowNrs"), std::string::npos);
    EXPECT_EQ(f.Value("txtMsg"), "Profile: " + dir.Path("novel.cfg") + " saved!");
}

TEST(Profile, EveryKindOfValueComesBack)
{
    TempDir dir;
    StartedSettings saved;
    for (const auto& [key, value] : std::vector<std::pair<std::string, std::string>>{
             {"chkSmartLF", "0"}, {"chkRowNrs", "1"}, {"txtChaptMask", "Part \"*\" #"}, {"optScrRes", "2"},
             {"lstFonts", "Verdana"}, {"txtFontSize", "12"}, {"txtOutFileName", "story"}, {"txtFromPg", "3"},
             {"chkBookParas", "1"}, {"chkFrontBack", "1"}, {"txtQA", "0"}, {"txtASCIISep", "0"},
             {"chkCompress", "1"}, {"lstPageFormat", "PNG"}})
        ASSERT_FALSE(saved.ApplyEdit(key, value)) << key;
    saved.SetMarkedPhrases({U"", U"say \"cheese\"", U"   ", U"Caf\u00e9"});
    saved.SetText("txtInpFile", "/books/story.txt");
    ASSERT_TRUE(SaveProfile(saved, dir.Path("")).ok);
    // The newer boxes come after the older records, so a program that knows only those reads them first.
    const std::string text = ReadFileText(dir.Path("story.cfg"));
    const auto at = [&](const char* record) { return text.find(record); };
    EXPECT_TRUE(at("\"optScrRes\"") < at("\"chkBookParas\",1") && at("\"chkBookParas\",1") < at("\"chkFrontBack\",1") &&
                at("\"chkFrontBack\",1") < at("\"SkipW1\"")) << text;

    StartedSettings loaded;
    loaded.SetText("txtInpFile", "/books/story.txt");
    const ProfileResult result = LoadProfile(loaded, dir.Path("story.cfg"));
    ASSERT_TRUE(result.ok && result.skipped.empty()) << result.error;
    loaded.SetText("txtMsg", saved.Value("txtMsg"));
    EXPECT_EQ(Snapshot(loaded), Snapshot(saved));
    EXPECT_EQ(loaded.Canvas().Width(), 208);
}

TEST(Profile, OlderProgramsProfileLoads)
{
    TempDir dir;
    // Windows-1252 text, CR LF, no chkSmartLF record, phrase records numbered 1, 2, 7, the 640 x 480 preset.
    WriteFileText(dir.Path("old.cfg"), "\"old.cfg\"\r\n" + kColumns + "\"txtMsg\",\"Ready\",#TRUE#,-1\r\n\"chkMultCR\",1,#TRUE#,-1\r\n"
                               "\"txtFormat\",\"00.0\",#TRUE#,-1\r\n\"lstFonts\",\"Tahoma\",#TRUE#,0\r\n"
                               "\"optScrRes\",#TRUE#,#TRUE#,1\r\n\"SkipW1\",\"Caf\xE9 notice\",#FALSE#,-1\r\n"
                               "\"SkipW2\",\"NEXT > \",#FALSE#,-1\r\n\"SkipW7\",\".\",#FALSE#,-1\r\n");
    StartedSettings f;
    ASSERT_EQ(f.Check("chkSmartLF"), 1);
    ASSERT_FALSE(f.ApplyEdit("lstPageFormat", "PNG"));
    const ProfileResult result = LoadProfile(f, dir.Path("old.cfg"));
    ASSERT_TRUE(result.ok && result.skipped.empty()) << result.error;
    EXPECT_EQ(f.Check("chkSmartLF"), 0);  // cleared by the reset, as no record sets it
    EXPECT_EQ(f.Value("lstPageFormat"), "JPEG");  // pages as the profile's program wrote them
    EXPECT_EQ(std::pair(f.Canvas().Width(), f.Canvas().Height()), std::pair(640, 480));
    EXPECT_EQ(f.Value("lstFonts", 0), "Tahoma");
    EXPECT_TRUE(f.Enabled("txtFormat"));
    EXPECT_EQ(f.FileRoot(), "old");
    EXPECT_EQ(f.MarkedPhrases(), (std::vector<std::u32string>{U"", U"Caf\u00e9 notice", U"NEXT > ", U"."}));
    EXPECT_EQ(f.Value("txtMsg"), "Profile: " + dir.Path("old.cfg") + " loaded!");
}

// Profiles from before the custom size hold its boxes at "0", disabled, beside a preset: they load as they did.
// One saved with Custom selected brings its size back.
TEST(Profile, ScreenSizesComeBack)
{
    const auto old = [](const char* preset) {
        return kHead + "\"Text1\",\"0\",#FALSE#,-1\r\n\"txtCustWidth\",\"0\",#FALSE#,-1\r\n\"chkSwapDim\",1,#TRUE#,-1\r\n"
                       "\"optScrRes\",#TRUE#,#TRUE#," + preset + "\r\n";
    };
    const struct { std::string profile; int width, height; bool boxes; } cases[] = {
        {old("0"), 240, 320, false}, {old("1"), 480, 640, false}, {old("2"), 208, 208, false},
        {kHead + "\"Text1\",\"272\",#TRUE#,-1\r\n\"txtCustWidth\",\"480\",#TRUE#,-1\r\n\"chkSwapDim\",1,#TRUE#,-1\r\n"
                 "\"optScrRes\",#TRUE#,#TRUE#,3\r\n", 272, 480, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.profile);
        TempDir dir;
        WriteFileText(dir.Path("p.cfg"), c.profile);
        StartedSettings f;
        const ProfileResult result = LoadProfile(f, dir.Path("p.cfg"));
        ASSERT_TRUE(result.ok && result.skipped.empty()) << result.error;
        EXPECT_EQ(std::tuple(f.Canvas().Width(), f.Canvas().Height(), f.Enabled("txtCustWidth"), f.Enabled("Text1")),
                  std::tuple(c.width, c.height, c.boxes, c.boxes));
        EXPECT_EQ(f.RefusedPageSize(), std::nullopt);
    }
}

TEST(Profile, DamagedProfilesLoadWhatTheyCanAndOtherFilesChangeNothing)
{
    TempDir dir;
    std::mt19937 random(99);
    std::string noise(4000, '\0');
    for (char& c : noise)
        c = static_cast<char>(random());
    const std::string sound = kHead + "\"chkRowNrs\",1,#TRUE#,-1\r\n";
    const struct { std::string content; const char* mentions; } cases[] = {
        {sound + "\"txtChaptMask\",\"Chap", "line 4"},  // cut inside a record
        {sound + "\"chkBold\",1\r\n", "fields"},
        {sound + "\"lstFonts\",\"Comic\",#TRUE#,0\r\n", "Comic"},
        {sound + "\"chkBold\",\"yes\",#TRUE#,-1\r\n", "chkBold"},
        {sound + "\"chkNothing\",1,#TRUE#,-1\r\n", "there is no setting named chkNothing"},
        // an Index no member of the control has
        {sound + "\"lstFonts\",\"Verdana\",#TRUE#,99\r\n", "lstFonts has no member 99 (its only member is 0)"},
        {sound + "\"optScrRes\",#TRUE#,#TRUE#,99\r\n", "optScrRes has no member 99 (its members are 0 to 3)"},
        {sound + "\"chkBold\",1,#TRUE#,2\r\n", "chkBold is a single control: its Index is -1, not 2"},
        {noise, "nothing was changed"}, {"\"p.cfg\"\r\n", "nothing was changed"}, {"", "nothing was changed"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << &c - cases);
        WriteFileText(dir.Path("p.cfg"), c.content);
        StartedSettings f;
        const auto before = Snapshot(f);
        const ProfileResult result = LoadProfile(f, dir.Path("p.cfg"));
        ASSERT_EQ(result.ok, c.content.starts_with(kHead));
        if (result.ok) {
            EXPECT_EQ(f.Check("chkRowNrs"), 1);  // the sound record is applied
            ASSERT_EQ(result.skipped.size(), 1u);
            EXPECT_NE(result.skipped[0].find(c.mentions), std::string::npos) << result.skipped[0];
        } else {
            EXPECT_NE(result.error.find(c.mentions), std::string::npos) << result.error;
            EXPECT_EQ(Snapshot(f), before);
        }
    }
    StartedSettings f;
    EXPECT_FALSE(LoadProfile(f, dir.Path("missing.cfg")).ok);
}

TEST(Profile, ARootThatWouldLeaveTheProfileFolderIsMadeSafe)
{
    TempDir dir;
    const struct { const char* root; const char* file; } cases[] = {
        {"novel", "novel.cfg"}, {"Usb Complete", "Usb Complete.cfg"}, {"../escaped", "_._escaped.cfg"},
        {".hidden", "_hidden.cfg"}, {"a/b", "a_b.cfg"}, {"", nullptr},
    };
    for (const auto& c : cases) {
        StartedSettings f;
        f.TypeText("txtOutFileName", c.root);
        const ProfileResult saved = SaveProfile(f, dir.Path(""));
        EXPECT_EQ(saved.ok, c.file != nullptr) << c.root;
        EXPECT_TRUE(!c.file || (saved.path == dir.Path(c.file) && fs::exists(saved.path))) << saved.path;
    }
    for (const auto& entry : fs::directory_iterator(dir.Root()))
        EXPECT_NE(entry.path().filename().string().front(), '.') << entry.path();
}

TEST(Profile, AFailedSaveKeepsTheOldProfile)
{
    TempDir dir;
    StartedSettings f;
    f.TypeText("txtOutFileName", "novel");
    ASSERT_TRUE(SaveProfile(f, dir.Path("")).ok);
    const std::string before = ReadFileText(dir.Path("novel.cfg"));
    // A child whose files may not grow past 1 KB fails writing a long profile part-way, as on a full disk.
    auto saveOnAFullDisk = [&] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{1024, 1024};
        setrlimit(RLIMIT_FSIZE, &limit);
        f.SetMarkedPhrases(std::vector<std::u32string>(200, U"a phrase long enough to fill the file quickly"));
        const ProfileResult result = SaveProfile(f, dir.Path(""));
        std::exit(!result.ok && f.Value("txtMsg").find("NOT saved") != std::string::npos ? 3 : 4);
    };
    EXPECT_EXIT(saveOnAFullDisk(), testing::ExitedWithCode(3), "");
    EXPECT_EQ(ReadFileText(dir.Path("novel.cfg")), before);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Root()), fs::directory_iterator()), 1);  // no temporary left

    const ProfileResult missing = SaveProfile(f, dir.Path("no/such/folder/"));
    EXPECT_TRUE(!missing.ok && missing.error.find("novel.cfg") != std::string::npos) << missing.error;
}

TEST(StartUp, RemembersTheProfileButStartsWithDefaults)
{
    TempDir dir;
    std::vector<std::string> problems;
    for (const bool second : {false, true}) {
        SettingsModel settings;
        AppContext context = MakeAppContext(dir.Path("app"), problems);
        const StartUpResult result = StartUp(settings, context);  // at first no state file, no "Usb Complete.cfg"
        EXPECT_EQ(result.profileLabel, second ? "Profile: " + dir.Path("app/Profiles/novel.cfg") : "Profile: ");
        EXPECT_EQ(context.DeviceFolder, second ? "/media/player/Pictures" : "");
        EXPECT_EQ(settings.Check("chkSmartLF"), second ? 0 : 1);
        EXPECT_EQ(settings.MarkedPhrases(), DefaultMarkedPhrases());
        EXPECT_EQ(settings.Canvas().Width(), 320);  // the first preset, whatever the profile held
        if (second)
            break;
        ASSERT_FALSE(settings.ApplyEdit("chkSmartLF", "0") || settings.ApplyEdit("optScrRes", "1"));
        settings.SetMarkedPhrases({U"", U"own phrase"});
        settings.TypeText("txtOutFileName", "novel");
        ASSERT_TRUE(SaveProfile(settings, context.ProfilesFolder).ok);
        context.DeviceFolder = "/media/player/Pictures";
        ASSERT_TRUE(ShutDown(settings, context));
        EXPECT_EQ(ReadFileText(dir.Path("app/Leafcast.ini")), "novel.cfg\r\n/media/player/Pictures\r\n");
    }
    EXPECT_TRUE(fs::is_directory(dir.Path("app/eBooks")) && problems.empty());
}

TEST(StartUp, TheProgramsFolderIsBesideItOnlyWhenMarkedPortable)
{
    TempDir dir;
    const std::string marked = dir.Path("portable"), plain = dir.Path("installed");
    fs::create_directories(marked);
    fs::create_directories(plain);
    WriteFileText(marked + "/" + kPortableMarker, "");
    const std::string local = "/home/ann/.local/share/leafcast";
    const struct { std::string executable; const char* dataHome; std::string folder; } cases[] = {
        {marked, "/data", marked}, {plain, "/data", "/data/leafcast"}, {plain, nullptr, local},
        {plain, "relative/data", local}, {"", "", local},
    };
    for (const auto& c : cases)
        EXPECT_EQ(AppFolderFor(c.executable, c.dataHome, "/home/ann"), c.folder) << c.executable;
}

TEST(StartUp, TheEbookProfileComesWithTheProgram)
{
    TempDir dir;
    std::vector<std::string> problems;
    const AppContext context = MakeAppContext(dir.Path("app"), problems);
    const std::string ebook = context.ProfilesFolder + "ebook.cfg";
    ASSERT_TRUE(fs::exists(ebook));
    EXPECT_TRUE(IsShippedProfile(ebook));

    StartedSettings f;
    f.TypeText("txtInpFile", "/books/moby.txt");
    f.TypeText("txtOutFileName", "moby");
    const ProfileResult loaded = LoadProfile(f, ebook);
    ASSERT_TRUE(loaded.ok && loaded.skipped.empty()) << loaded.error;
    for (const auto& [box, value] : {std::pair{"chkBookParas", 1}, {"chkFrontBack", 1}, {"chkDiffFold", 0},
                                     {"chkParagr", 0}, {"chkSmartLF", 1}, {"chkMultCR", 1}, {"chkNoChars", 1}})
        EXPECT_EQ(f.Check(box), value) << box;
    EXPECT_EQ(f.Value("txtInpFile"), "/books/moby.txt");  // the book and its root stay
    EXPECT_EQ(f.FileRoot(), "moby");

    // Its chapter mask takes the headings of real books (what the run makes of them the command line test shows).
    for (const auto& [line, heading] : {std::pair{"CHAPTER I. Looking-Glass house", true}, {"CHAPTER 1. Loomings.", true},
                                        {"Chapter 12", true}, {"Chapter one", false}, {"  CHAPTER I.", false}})
        EXPECT_EQ(MatchesMask(FromUtf8(line), FromUtf8(f.Value("txtChaptMask"))), heading) << line;
    // A profile of that name the user saved stays as it is.
    WriteFileText(ebook, "mine");
    MakeAppContext(dir.Path("app"), problems);
    EXPECT_EQ(ReadFileText(ebook), "mine");
    EXPECT_TRUE(problems.empty());
}

TEST(StartUp, StateFileForms)
{
    TempDir dir;
    const struct { const char* content; const char* profile; const char* device; } cases[] = {
        {nullptr, "Usb Complete.cfg", ""}, {"novel.cfg\r\n", "novel.cfg", ""}, {"novel.cfg", "novel.cfg", ""},
        {"novel.cfg\r\n/media/p\r\n", "novel.cfg", "/media/p"}, {"novel.cfg\n/media/p\n", "novel.cfg", "/media/p"},
    };
    for (const auto& c : cases) {
        fs::remove(dir.Path("Leafcast.ini"));
        if (c.content)
            WriteFileText(dir.Path("Leafcast.ini"), c.content);
        const StateFile state = ReadStateFile(dir.Root().string());
        EXPECT_EQ(std::tie(state.profileName, state.deviceFolder), std::tuple(c.profile, c.device));
    }
    EXPECT_FALSE(WriteStateFile(dir.Path("missing-folder"), {}));
}

} // namespace
