#include "ScoreTestUtil.h"

#include "score/ProfileFile.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace std::string_literals;

namespace {

struct ReadCase {
    const char* name;
    std::string text;
    const char* section;
    const char* key;
    bool found;
    std::string value;
};

class ProfileRead : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ProfileRead, HandWrittenFileReadsAsDocumented) {
    const ReadCase& c = GetParam();
    ProfileFile file(c.text);
    std::string value = "stale";
    EXPECT_EQ(file.lookup(c.section, c.key, value), c.found);
    EXPECT_EQ(value, c.value);
}

INSTANTIATE_TEST_SUITE_P(
    Score, ProfileRead,
    ::testing::Values(
        ReadCase{"plain", "[DATA]\nR01-1=T20,S5\n", "DATA", "R01-1", true, "T20,S5"},
        ReadCase{"case_of_names", "[data]\nr01-1=x\n", "DATA", "R01-1", true, "x"},
        ReadCase{"blanks_trimmed", "  [ DATA ]  \n\t R01-1 =  T20 , S5 \t\n", "DATA", "R01-1", true,
                 "T20 , S5"},
        ReadCase{"crlf", "[A]\r\nk=v\r\nj=w\r\n", "A", "k", true, "v"},
        ReadCase{"bom", "\xEF\xBB\xBF[A]\nk=v", "A", "k", true, "v"},
        ReadCase{"cr_at_end_of_file", "[A]\nk=v\r", "A", "k", true, "v"},
        ReadCase{"comment_skipped", "[A]\n;k=c\nk=w\n", "A", "k", true, "w"},
        ReadCase{"indented_comment", "[A]\n  ; k=c\n", "A", "k", false, ""},
        ReadCase{"first_key_wins", "[A]\nk=1\nk=2\n", "A", "k", true, "1"},
        ReadCase{"first_section_wins", "[A]\nk=1\n[B]\n[a]\nk=2\nj=3\n", "A", "k", true, "1"},
        ReadCase{"second_block_ignored", "[A]\nk=1\n[B]\n[a]\nj=3\n", "A", "j", false, ""},
        ReadCase{"double_quotes", "[A]\nk=\" a b \"\n", "A", "k", true, " a b "},
        ReadCase{"single_quotes", "[A]\nk='x'\n", "A", "k", true, "x"},
        ReadCase{"unmatched_quote", "[A]\nk=\"x\n", "A", "k", true, "\"x"},
        ReadCase{"empty_value", "[A]\nk=\n", "A", "k", true, ""},
        ReadCase{"equals_in_value", "[A]\nk=a=b\n", "A", "k", true, "a=b"},
        ReadCase{"key_before_sections", "k=v\n[A]\n", "A", "k", false, ""},
        ReadCase{"other_section", "[A]\nk=v\n[B]\n", "B", "k", false, ""},
        ReadCase{"missing_section", "[A]\nk=v\n", "C", "k", false, ""},
        ReadCase{"nul_ends_value", "[A]\nk=ab\0cd\n"s, "A", "k", true, "ab"},
        ReadCase{"shift_jis_bytes", "[A]\nk=\x83\x65\x83\x58\x83\x67\n", "A", "k", true,
                 "\x83\x65\x83\x58\x83\x67"},
        ReadCase{"unclosed_section_line", "[A\nk=v\n", "A", "k", true, "v"},
        ReadCase{"line_without_equals", "[A]\nkv\n", "A", "kv", false, ""}),
    [](const auto& info) { return std::string(info.param.name); });

struct WriteCase {
    const char* name;
    std::string before;
    const char* section;
    const char* key;
    const char* value;
    std::string after;
};

class ProfileWrite : public ::testing::TestWithParam<WriteCase> {};

TEST_P(ProfileWrite, ChangesOnlyWhatItMust) {
    const WriteCase& c = GetParam();
    ProfileFile file(c.before);
    ASSERT_TRUE(file.set(c.section, c.key, c.value));
    EXPECT_EQ(file.text(), c.after);
    std::string back;
    EXPECT_TRUE(ProfileFile(file.text()).lookup(c.section, c.key, back));
    EXPECT_EQ(back, c.value);
}

INSTANTIATE_TEST_SUITE_P(
    Score, ProfileWrite,
    ::testing::Values(
        WriteCase{"replace_value", "[TIME]\nR01-1=1,2\n[DATA]\nx=y\n", "TIME", "R01-1", "5",
                  "[TIME]\nR01-1=5\n[DATA]\nx=y\n"},
        WriteCase{"keep_line_layout", "[TIME]\r\nr01-1 = 1 \r\n", "TIME", "R01-1", "9",
                  "[TIME]\r\nr01-1 = 9\r\n"},
        WriteCase{"add_key_before_blank_line", "[TIME]\nR01-1=1\n\n[DATA]\nd=1\n", "TIME", "R01-2",
                  "2", "[TIME]\nR01-1=1\nR01-2=2\n\n[DATA]\nd=1\n"},
        WriteCase{"add_key_to_empty_section", "[TIME]\n; later\n[DATA]\n", "time", "k", "v",
                  "[TIME]\nk=v\n; later\n[DATA]\n"},
        WriteCase{"add_key_to_unterminated_end", "[TIME]\nk=1", "TIME", "j", "2",
                  "[TIME]\nk=1\nj=2"},
        WriteCase{"add_section", "[DATA]\nd=1\n", "TIME", "k", "v", "[DATA]\nd=1\n\n[TIME]\nk=v\n"},
        WriteCase{"add_section_crlf_unterminated", "[DATA]\r\nd=1", "TIME", "k", "v",
                  "[DATA]\r\nd=1\r\n\r\n[TIME]\r\nk=v\r\n"},
        WriteCase{"add_section_after_blank", "[DATA]\nd=1\n\n", "TIME", "k", "v",
                  "[DATA]\nd=1\n\n[TIME]\nk=v\n"},
        WriteCase{"empty_file", "", "TIME", "R01-1", "0", "[TIME]\nR01-1=0\n"},
        WriteCase{"bom_only_file", "\xEF\xBB\xBF", "TIME", "k", "v", "\xEF\xBB\xBF[TIME]\nk=v\n"},
        WriteCase{"first_duplicate_updated", "[A]\nk=1\nk=2\n", "A", "k", "3", "[A]\nk=3\nk=2\n"},
        WriteCase{"quoted_when_blanks", "[A]\n", "A", "k", " v ", "[A]\nk=\" v \"\n"},
        WriteCase{"quoted_when_quote_pair", "[A]\n", "A", "k", "'v'", "[A]\nk=\"'v'\"\n"},
        WriteCase{"other_bytes_untouched",
                  "\xEF\xBB\xBF; \x83\x65\x83\x58\x83\x67\r\n[DATA]\r\nR01-1=T20\r\n[TIME]\r\n"
                  "R01-1=1\r\n",
                  "TIME", "R01-1", "7",
                  "\xEF\xBB\xBF; \x83\x65\x83\x58\x83\x67\r\n[DATA]\r\nR01-1=T20\r\n[TIME]\r\n"
                  "R01-1=7\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ProfileWrite, RefusesWhatCannotReadBack) {
    const std::string before = "[A]\nk=v\n";
    ProfileFile file(before);
    EXPECT_FALSE(file.set("A", "", "v"));
    EXPECT_FALSE(file.set("A", "a=b", "v"));
    EXPECT_FALSE(file.set("A", " k", "v"));
    EXPECT_FALSE(file.set("A", ";k", "v"));
    EXPECT_FALSE(file.set("A", "k", "line\nbreak"));
    EXPECT_FALSE(file.set("A", "k", "nul\0byte"s));
    EXPECT_FALSE(file.set("A]", "k", "v"));
    EXPECT_EQ(file.text(), before);
}

TEST(ProfileWrite, EveryWrittenValueReadsBack) {
    const std::vector<std::string> values = {"",
                                             "0",
                                             "1200,2000,2900",
                                             " lead",
                                             "trail\t",
                                             "\"q\"",
                                             "'",
                                             "\"open",
                                             "a = b",
                                             "\xE7\xAC\xAC\x32\xE8\xA9\xA6\xE5\x90\x88",
                                             std::string(3000, 'x')};
    ProfileFile file("[DATA]\r\nR01-1=T20\r\n");
    for (size_t i = 0; i < values.size(); ++i) {
        ASSERT_TRUE(file.set("TIME", "K" + std::to_string(i), values[i]));
    }
    ProfileFile reread(file.text());
    for (size_t i = 0; i < values.size(); ++i) {
        std::string back;
        EXPECT_TRUE(reread.lookup("TIME", "K" + std::to_string(i), back)) << i;
        EXPECT_EQ(back, values[i]) << i;
    }
}

TEST(ProfileLines, NumbersCountTheFilesOwnLines) {
    // A byte-order mark and CRLF endings do not shift the numbers; a CR-only line break is
    // no line break, as for the reader.
    const std::string text = "\xEF\xBB\xBF; comment\r\n"
                             "\r\n"
                             "[SETTING]\r\n"
                             "GAME=501\r\n"
                             "[DATA]\r\n"
                             "  R01-1 = T20\r\n"
                             "R01-2=S5\rR01-3=S1\r\n"
                             "[data]\r\n"
                             "R02-1=S1\r\n"
                             "r01-1=S7\n";
    ProfileFile file(text);
    EXPECT_EQ(file.sectionLine("setting"), 3);
    EXPECT_EQ(file.sectionLine("DATA"), 5);
    EXPECT_EQ(file.sectionLine("TIME"), 0);
    EXPECT_EQ(file.keyLine("SETTING", "game"), 4);
    EXPECT_EQ(file.keyLine("DATA", "R01-1"), 6);
    EXPECT_EQ(file.keyLine("DATA", "R01-2"), 7);
    EXPECT_EQ(file.keyLine("DATA", "R02-1"), 0); // only in the second block, never read
    EXPECT_EQ(file.keyLine("DATA", "R09-9"), 0);
    std::string value;
    EXPECT_TRUE(file.lookup("DATA", "R01-2", value));
    EXPECT_EQ(value, "S5\rR01-3=S1");
}

TEST(ProfileLines, SectionsKeysAndSkippedLines) {
    ProfileFile file("title line\n" // 1
                     "[DATA]\n"     // 2
                     "R01-1=T20\n"  // 3
                     "R01-1=T19\n"  // 4
                     "# note\n"     // 5
                     "=S5\n"        // 6
                     "; comment\n"  // 7
                     "[TIME]\n"     // 8
                     "[data]\n"     // 9
                     "R01-2=S1\n"   // 10
                     "[Data]\n"     // 11
                     "r01-1=S2\n"); // 12
    std::vector<ProfileFile::Item> sections = file.sections();
    ASSERT_EQ(sections.size(), 4u);
    EXPECT_EQ(sections[0].name, "DATA");
    EXPECT_EQ(sections[0].line, 2);
    EXPECT_EQ(sections[0].firstLine, 0);
    EXPECT_EQ(sections[1].name, "TIME");
    EXPECT_EQ(sections[1].firstLine, 0);
    EXPECT_EQ(sections[2].name, "data");
    EXPECT_EQ(sections[2].line, 9);
    EXPECT_EQ(sections[2].firstLine, 2);
    EXPECT_EQ(sections[3].line, 11);
    EXPECT_EQ(sections[3].firstLine, 2);

    std::vector<ProfileFile::Item> keys = file.keys("data");
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_EQ(keys[0].name, "R01-1");
    EXPECT_EQ(keys[0].line, 3);
    EXPECT_EQ(keys[0].firstLine, 0);
    EXPECT_EQ(keys[1].line, 4);
    EXPECT_EQ(keys[1].firstLine, 3);
    EXPECT_TRUE(file.keys("TIME").empty());
    EXPECT_TRUE(file.keys("SETTING").empty());

    using Why = ProfileFile::SkippedLine::Why;
    const std::vector<ProfileFile::SkippedLine>& skipped = file.skippedLines();
    ASSERT_EQ(skipped.size(), 3u);
    EXPECT_EQ(skipped[0].why, Why::BeforeFirstSection);
    EXPECT_EQ(skipped[0].line, 1);
    EXPECT_EQ(skipped[1].why, Why::NoEquals);
    EXPECT_EQ(skipped[1].line, 5);
    EXPECT_EQ(skipped[2].why, Why::NoName);
    EXPECT_EQ(skipped[2].line, 6);
}

TEST(ProfileLoad, SaysWhyAFileDoesNotRead) {
    TempDir dir;
    using Result = ProfileFile::ReadResult;
    ProfileFile file("[A]\nk=v\n");

    ProfileFile::ReadStatus status = file.load(dir.File("absent.txt"));
    EXPECT_EQ(status.result, Result::Missing);
    EXPECT_EQ(file.text(), "");

    status = file.load(dir.Path().string());
    EXPECT_EQ(status.result, Result::Unreadable);
    EXPECT_EQ(status.error, EISDIR);

    ASSERT_EQ(::mkfifo(dir.File("fifo").c_str(), 0600), 0);
    EXPECT_EQ(file.load(dir.File("fifo")).result, Result::NotRegular);

    const std::string limit(ProfileFile::kMaxBytes, ';');
    WriteBytes(dir.File("limit.txt"), limit);
    status = file.load(dir.File("limit.txt"));
    EXPECT_EQ(status.result, Result::Ok);
    EXPECT_EQ(file.text(), limit);
    WriteBytes(dir.File("over.txt"), limit + ";");
    status = file.load(dir.File("over.txt"));
    EXPECT_EQ(status.result, Result::TooLarge);
    EXPECT_EQ(status.size, ProfileFile::kMaxBytes + 1);
    EXPECT_EQ(file.text(), "");
}

} // namespace
