#include "TempDir.h"
#include "engine/PageLookup.h"

#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

// The browser finds a page by its number, whatever chapter text its name holds, in the output folder and its
// chapter folders; only the pages of its own root, and only page N itself.
TEST(PageLookup, APageIsFoundByItsNumberWhateverItsChapter)
{
    TempDir dir;
    const std::string out = dir.Path("out") + "/";
    for (const char* file : {"novel_00001 ().jpg", "CH_01.1_THE_ROAD/novel_00002 (Ch_01.1).jpg",
                             "CH_01.1_THE_ROAD/novel_00003 (Ch_01.1).jpg", "CH_02.1_HOME/novel_00005 (Par_02.2).jpg",
                             "novel_2_00006 ().jpg", "nov_00007 ().jpg", "CH_09.1/novel_123456 (Ch_09.1).jpg",
                             "novel_00008 ().jpeg", "novel_00008.jpg", "novel_0008 ().jpg", "CH_02.1_HOME/deeper/novel_00010 ().jpg",
                             "novel_00011 ().jpg", "CH_02.1_HOME/novel_00011 (Ch_02.1).jpg", "novel_00012 (.jpg",
                             "CH_01.1_THE_ROAD/novel_00013 (Ch_01.1).png", "novel_00014 ().gif"}) {
        fs::create_directories(fs::path(out + file).parent_path());
        WriteFileText(out + file, "page");
    }
    fs::create_directories(out + "novel_00009 ().jpg");  // a folder is no page
    // Page 11 of an earlier run stays in the output folder; the later one went into its chapter's folder.
    fs::last_write_time(out + "novel_00011 ().jpg", fs::file_time_type::clock::now() - std::chrono::hours(1));

    const struct { const char* root; int number; const char* page; } cases[] = {
        {"novel", 1, "novel_00001 ().jpg"},
        {"novel", 2, "CH_01.1_THE_ROAD/novel_00002 (Ch_01.1).jpg"},
        {"novel", 5, "CH_02.1_HOME/novel_00005 (Par_02.2).jpg"},
        {"novel", 4, nullptr},  // missing
        {"novel", 0, nullptr},  {"novel", -1, nullptr},
        {"novel", 6, nullptr},  {"novel_2", 6, "novel_2_00006 ().jpg"},  // roots that share a beginning
        {"nov", 7, "nov_00007 ().jpg"}, {"novel", 7, nullptr}, {"nov", 1, nullptr},
        {"novel", 123456, "CH_09.1/novel_123456 (Ch_09.1).jpg"}, {"novel", 12345, nullptr}, {"novel", 23456, nullptr},
        {"novel", 8, nullptr},  {"novel", 9, nullptr},  {"novel", 10, nullptr},  {"novel", 12, nullptr},
        {"novel", 11, "CH_02.1_HOME/novel_00011 (Ch_02.1).jpg"},
        {"novel", 13, "CH_01.1_THE_ROAD/novel_00013 (Ch_01.1).png"}, {"novel", 14, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.root << " page " << c.number);
        const auto found = FindPageFile(out, c.root, c.number);
        EXPECT_EQ(found ? fs::path(*found).lexically_normal() : fs::path(),
                  c.page ? fs::path(out + c.page).lexically_normal() : fs::path());
    }
    EXPECT_EQ(FindPageFile(dir.Path("none"), "novel", 1), std::nullopt);
}

} // namespace
