#include "ScoreTestUtil.h"

#include "score/FileReplace.h"
#include "score/IniMgr.h"
#include "score/ProfileFile.h"

#include <gtest/gtest.h>
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
    EXPECT_EQ(file.Lookup(c.section, c.key, value), c.found);
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
    ASSERT_TRUE(file.Set(c.section, c.key, c.value));
    EXPECT_EQ(file.Text(), c.after);
    std::string back;
    EXPECT_TRUE(ProfileFile(file.Text()).Lookup(c.section, c.key, back));
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
    EXPECT_FALSE(file.Set("A", "", "v"));
    EXPECT_FALSE(file.Set("A", "a=b", "v"));
    EXPECT_FALSE(file.Set("A", " k", "v"));
    EXPECT_FALSE(file.Set("A", ";k", "v"));
    EXPECT_FALSE(file.Set("A", "k", "line\nbreak"));
    EXPECT_FALSE(file.Set("A", "k", "nul\0byte"s));
    EXPECT_FALSE(file.Set("A]", "k", "v"));
    EXPECT_EQ(file.Text(), before);
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
        ASSERT_TRUE(file.Set("TIME", "K" + std::to_string(i), values[i]));
    }
    ProfileFile reread(file.Text());
    for (size_t i = 0; i < values.size(); ++i) {
        std::string back;
        EXPECT_TRUE(reread.Lookup("TIME", "K" + std::to_string(i), back)) << i;
        EXPECT_EQ(back, values[i]) << i;
    }
}

// Runs a body in another working directory and comes back.
class InDirectory {
public:
    explicit InDirectory(const std::filesystem::path& dir)
        : m_old(std::filesystem::current_path()) {
        std::filesystem::current_path(dir);
    }
    ~InDirectory() { std::filesystem::current_path(m_old); }

private:
    std::filesystem::path m_old;
};

TEST(IniMgr, DefaultsAddressVorlatTxtInTheWorkingDirectory) {
    TempDir dir;
    WriteBytes(dir.File("vorlat.txt"), "[SETTING]\nGAME=501\n[OTHER]\nGAME=701\n");
    InDirectory in(dir.Path());
    ProfileStore ini;
    EXPECT_TRUE(ini.m_bCurrentDir);
    EXPECT_EQ(ini.m_strFile, "vorlat.txt");
    EXPECT_EQ(ini.m_strSection, "SETTING");
    EXPECT_EQ(ini.GetFilePath(), std::filesystem::current_path().string() + "/vorlat.txt");
    EXPECT_EQ(ini.ReadString("GAME"), "501");
}

TEST(IniMgr, PathFollowsTheWorkingDirectoryOfEachCall) {
    TempDir one;
    TempDir two;
    WriteBytes(one.File("vorlat.txt"), "[S]\nk=one\n");
    WriteBytes(two.File("vorlat.txt"), "[S]\nk=two\n");
    ProfileStore ini;
    std::string value;
    {
        InDirectory in(one.Path());
        ini.ReadString("S", "k", value);
        EXPECT_EQ(value, "one");
    }
    {
        InDirectory in(two.Path());
        ini.ReadString("S", "k", value);
        EXPECT_EQ(value, "two");
    }
    {
        // The root directory already ends in "/": the prefix doubles it, as on a drive root.
        InDirectory in("/");
        EXPECT_EQ(ini.GetFilePath(), "//vorlat.txt");
    }
    ini.m_bCurrentDir = false;
    ini.m_strFile = "relative/name.txt";
    EXPECT_EQ(ini.GetFilePath(), "relative/name.txt");
}

TEST(IniMgr, ReadsOfMissingThingsAreEmpty) {
    TempDir dir;
    ProfileStore ini;
    ini.m_bCurrentDir = false;
    ini.m_strFile = dir.File("absent.txt");
    std::string value = "stale";
    EXPECT_FALSE(ini.ReadString("DATA", "R01-1", value));
    EXPECT_EQ(value, "");

    WriteBytes(ini.m_strFile, "[DATA]\nR01-1=\nR01-2=T20\n");
    EXPECT_FALSE(ini.ReadString("DATA", "R01-1", value)); // empty reads like missing
    EXPECT_FALSE(ini.ReadString("DATA", "R02-1", value));
    EXPECT_FALSE(ini.ReadString("TIME", "R01-2", value));
    EXPECT_TRUE(ini.ReadString("data", "r01-2", value));
    EXPECT_EQ(value, "T20");

    ini.m_strFile = dir.Path().string(); // a folder is not a readable file
    EXPECT_FALSE(ini.ReadString("DATA", "R01-2", value));
}

TEST(IniMgr, LongValuesAreCutAtTheReadLimit) {
    TempDir dir;
    ProfileStore ini;
    ini.m_bCurrentDir = false;
    ini.m_strFile = dir.File("long.txt");
    const std::string exact(ProfileStore::kMaxValue, 'a');
    const std::string longer = std::string(ProfileStore::kMaxValue, 'b') + "cut";
    WriteBytes(ini.m_strFile, "[S]\nexact=" + exact + "\nlonger=" + longer + "\n");
    std::string value;
    ini.ReadString("S", "exact", value);
    EXPECT_EQ(value, exact);
    ini.ReadString("S", "longer", value);
    EXPECT_EQ(value, longer.substr(0, ProfileStore::kMaxValue));
}

TEST(IniMgr, HeldCopyAnswersUntilReleased) {
    TempDir dir;
    ProfileStore ini;
    ini.m_bCurrentDir = false;
    ini.m_strFile = dir.File("held.txt");
    WriteBytes(ini.m_strFile, "[S]\nk=old\n");
    ini.Hold();
    WriteBytes(ini.m_strFile, "[S]\nk=new\n");
    std::string value;
    ini.ReadString("S", "k", value);
    EXPECT_EQ(value, "old");
    ini.Release();
    ini.ReadString("S", "k", value);
    EXPECT_EQ(value, "new");
}

TEST(IniMgr, WriteCreatesAMissingFile) {
    TempDir dir;
    ProfileStore ini;
    ini.m_bCurrentDir = false;
    ini.m_strFile = dir.File("new.txt");
    EXPECT_TRUE(ini.WriteString("TIME", "R01-1", "0"));
    EXPECT_EQ(ReadBytes(ini.m_strFile), "[TIME]\nR01-1=0\n");
    std::string value;
    EXPECT_TRUE(ini.ReadString("TIME", "R01-1", value));
    EXPECT_EQ(value, "0");
}

TEST(IniMgr, RefusedWritesReportFalseAndChangeNothing) {
    TempDir dir;
    ProfileStore ini;
    ini.m_bCurrentDir = false;
    ini.m_strFile = dir.File("missing-folder/score.txt");
    EXPECT_FALSE(ini.WriteString("TIME", "R01-1", "0"));
    EXPECT_FALSE(std::filesystem::exists(ini.m_strFile));

    ini.m_strFile = dir.File("score.txt");
    const std::string before = "[DATA]\nR01-1=T20\n";
    WriteBytes(ini.m_strFile, before);
    std::filesystem::permissions(ini.m_strFile, std::filesystem::perms::owner_read |
                                                    std::filesystem::perms::group_read);
    EXPECT_FALSE(ini.WriteString("TIME", "R01-1", "0"));
    EXPECT_EQ(ReadBytes(ini.m_strFile), before);

    // A file too large to be read whole is never rewritten from a partial read.
    ini.m_strFile = dir.File("huge.txt");
    const std::string huge = "[TIME]\n" + std::string(ProfileFile::kMaxBytes, ';');
    WriteBytes(ini.m_strFile, huge);
    EXPECT_FALSE(ini.WriteString("TIME", "R01-1", "0"));
    EXPECT_EQ(ReadBytes(ini.m_strFile), huge);
}

} // namespace
