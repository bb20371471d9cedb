#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "readers/StepFiles.h"
#include "support/TempDir.h"

namespace tesselar {
namespace {

using test::TempDir;

TEST(NaturalLess, OrdersNumbersByValue) {
    const struct {
        const char* before;
        const char* after;
    } cases[] = {
        {"temp_2.dat", "temp_10.dat"},
        {"temp_9", "temp_10"},
        {"temp_0002", "temp_0010"},
        {"t1_5", "t1_10"},
        {"t2_1", "t10_1"},
        {"a", "b"},
        {"temp", "temp_1"},
        {"temp_1", "temp_1a"},
        {"temp_1", "temp_01"},
        {"temp_18446744073709551616", "temp_18446744073709551617"},
        {"temp_99999999999999999999", "temp_100000000000000000000"},
        {"temp_2.dat", "temp_2a.dat"},
        {"run_1/t_9", "run_2/t_1"},
    };
    for (const auto& [before, after] : cases) {
        EXPECT_TRUE(NaturalLess(before, after)) << before << " before " << after;
        EXPECT_FALSE(NaturalLess(after, before)) << after << " not before " << before;
    }
    EXPECT_FALSE(NaturalLess("temp_2", "temp_2"));
}

TEST(IsFilePattern, TakesUnescapedWildcardsOnly) {
    const struct {
        const char* text;
        bool pattern;
        const char* plainName;  // the file a text that is no pattern names
    } cases[] = {
        {"temp_*.dat", true, ""},
        {"temp_?.dat", true, ""},
        {"temp_[0-9].dat", true, ""},
        {"temp.dat", false, "temp.dat"},
        {"temp\\*.dat", false, "temp*.dat"},
        {"temp\\?\\[1].dat", false, "temp?[1].dat"},
        {"temp\\\\*.dat", true, ""},  // the backslash escapes the backslash
        {"dir\\name.dat", false, "dir\\name.dat"},
        {"temp.dat\\", false, "temp.dat\\"},
        {"a\\*b*", true, ""},
    };
    for (const auto& [text, pattern, plainName] : cases) {
        EXPECT_EQ(IsFilePattern(text), pattern) << text;
        if (!pattern) {
            EXPECT_EQ(PlainFileName(text), plainName) << text;
        }
    }
}

class StepFilesTest : public ::testing::Test {
protected:
    std::string Touch(const std::string& name) { return folder_.Write(name, "x"); }
    std::string In(const std::string& name) const { return folder_ / name; }

    TempDir folder_;
};

TEST_F(StepFilesTest, MatchesInNaturalOrderLeavingOutFolders) {
    for (const char* name : {"temp_10.dat", "temp_2.dat", "temp_1.dat", "temp_9.dat"}) {
        Touch(name);
    }
    std::filesystem::create_directory(In("temp_5.dat"));
    const std::vector<std::string> expected = {In("temp_1.dat"), In("temp_2.dat"), In("temp_9.dat"),
                                               In("temp_10.dat")};
    EXPECT_EQ(PatternMatches("temp", In("temp_*.dat")), expected);
}

TEST_F(StepFilesTest, EscapedWildcardsMatchThemselves) {
    Touch("a*1.dat");
    Touch("ab1.dat");
    Touch("a*2.dat");
    const std::vector<std::string> expected = {In("a*1.dat"), In("a*2.dat")};
    EXPECT_EQ(PatternMatches("a", In("a\\*?.dat")), expected);
}

TEST_F(StepFilesTest, PlainFilesRepeatInEveryStepBesidePatterns) {
    for (const char* name : {"temp_1", "temp_2", "temp_3", "salt_01", "salt_02", "salt_03"}) {
        Touch(name);
    }
    const StepFiles steps(
        {{"temp", In("temp_*")}, {"depth", In("depth.dat")}, {"salt", In("salt_0[0-9]")}});
    ASSERT_EQ(steps.StepCount(), 3u);
    EXPECT_TRUE(steps.HasPattern());
    EXPECT_TRUE(steps.Varies(0));
    EXPECT_FALSE(steps.Varies(1));
    for (std::size_t step = 0; step < 3; ++step) {
        const std::string n = std::to_string(step + 1);
        EXPECT_EQ(steps.File(0, step), In("temp_" + n));
        EXPECT_EQ(steps.File(1, step), In("depth.dat"));
        EXPECT_EQ(steps.File(2, step), In("salt_0" + n));
    }
}

TEST_F(StepFilesTest, WithoutPatternsOneStepOfTheFilesAsGiven) {
    const StepFiles steps({{"temp", "t\\[1].dat"}, {"depth", "d\\*.dat"}});
    EXPECT_FALSE(steps.HasPattern());
    EXPECT_EQ(steps.StepCount(), 1u);
    EXPECT_EQ(steps.File(0, 0), "t[1].dat");
    EXPECT_EQ(steps.File(1, 0), "d*.dat");
}

TEST_F(StepFilesTest, RefusesPatternsThatDoNotMakeSteps) {
    for (const char* name : {"temp_1", "temp_2", "temp_3", "salt_1", "salt_2"}) {
        Touch(name);
    }
    const struct {
        std::vector<std::pair<std::string, std::string>> attributes;
        std::vector<std::string> named;  // what the message must name
    } cases[] = {
        {{{"temp", In("temp_*")}, {"salt", In("salt_*")}},
         {"different numbers", "'" + In("temp_*") + "' (temp) matches 3",
          "'" + In("salt_*") + "' (salt) matches 2"}},
        {{{"temp", In("temp_*")}, {"wind", In("wind_*")}},
         {"attribute 'wind'", "'" + In("wind_*") + "'", "matches no file"}},
        {{{"temp", In("nowhere/temp_*")}}, {"'" + In("nowhere/temp_*") + "'", "matches no file"}},
    };
    for (const auto& [attributes, named] : cases) {
        try {
            const StepFiles steps(attributes);
            ADD_FAILURE() << "accepted " << attributes.back().second;
        } catch (const StepSeriesError& error) {
            for (const std::string& text : named) {
                EXPECT_NE(std::string(error.what()).find(text), std::string::npos)
                    << error.what() << "\nshould name: " << text;
            }
        }
    }
}

}  // namespace
}  // namespace tesselar
