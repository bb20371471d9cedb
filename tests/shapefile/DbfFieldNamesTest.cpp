#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controls/shapefile/DbfFieldNames.h"

namespace tesselar {
namespace {

std::vector<std::string> StoredNames(const std::vector<std::string>& names) {
    std::vector<std::string> stored;
    for (const DbfColumnName& column : DbfColumnNames(names)) {
        stored.push_back(column.stored);
    }
    return stored;
}

TEST(DbfColumnNames, KeepNamesThatFitAndShortenTheOthersAroundThem) {
    const struct {
        std::vector<std::string> names;
        std::vector<std::string> stored;
    } cases[] = {
        {{"Temperature", "Depth"}, {"Temperatur", "Depth"}},
        // A name that fits keeps its text, even when a longer name comes first.
        {{"Temperature_surface", "Salinity", "Temperatur"},
         {"Temperat_1", "Salinity", "Temperatur"}},
        {{"Temperature_surface", "TEMPERATUR"}, {"Temperat_1", "TEMPERATUR"}},
        {{"abcdefghijk", "abcdefghij", "abcdefgh_1"}, {"abcdefgh_2", "abcdefghij", "abcdefgh_1"}},
        // Names that differ only after their tenth byte meet once shortened.
        {{"Temperature", "temperature_max", "TEMPERATURE"},
         {"Temperatur", "temperat_1", "TEMPERAT_2"}},
        // The same name twice, ignoring ASCII case: the first keeps it.
        {{"depth", "DEPTH", "Depth"}, {"depth", "DEPTH_1", "Depth_2"}},
        // Only ASCII letters are compared without case.
        {{"\xC3\xA9t\xC3\xA9", "\xC3\x89T\xC3\x89"}, {"\xC3\xA9t\xC3\xA9", "\xC3\x89T\xC3\x89"}},
        // Shortened without splitting a UTF-8 character: "é" would take bytes 10 and 11; three
        // three-byte characters fit, a fourth would not; a four-byte character at the end.
        {{"abcdefghi\xC3\xA9"}, {"abcdefghi"}},
        {{"\xE6\xB0\xB4\xE6\xB8\xA9\xE3\x83\x87\xE3\x83\xBC"},
         {"\xE6\xB0\xB4\xE6\xB8\xA9\xE3\x83\x87"}},
        {{"salinity\xF0\x9F\x8C\x8A"}, {"salinity"}},
        {{"abcdefg\xC3\xA9x", "abcdefg\xC3\xA9x"}, {"abcdefg\xC3\xA9x", "abcdefg_1"}},
        // Readers drop blanks at the end of a name: a shortened name never ends in one.
        {{"Salinit\xC3\xA9 de surface"}, {"Salinit\xC3\xA9"}},
        {{"Mean depth", "MEAN DEPTH"}, {"Mean depth", "MEAN DEP_1"}},
        {{"Mean ", "MEAN"}, {"Mean_1", "MEAN"}},
        {{"abcdefg  x", "abcdefg  xyz"}, {"abcdefg  x", "abcdefg_1"}},
        // A name left empty becomes "FIELD".
        {{"", "   ", "FIELD"}, {"FIELD_1", "FIELD_2", "FIELD"}},
    };
    for (const auto& [names, stored] : cases) {
        EXPECT_EQ(StoredNames(names), stored) << names.front();
    }
}

TEST(DbfColumnNames, CountOnPastNine) {
    std::vector<std::string> names{"x"};
    for (int i = 1; i <= 9; ++i) {
        names.push_back("x_" + std::to_string(i));
    }
    names.push_back("X");
    EXPECT_EQ(StoredNames(names).back(), "X_10");

    names = {"abcdefghij"};
    for (int i = 1; i <= 9; ++i) {
        names.push_back("abcdefgh_" + std::to_string(i));
    }
    names.push_back("abcdefghijk");
    EXPECT_EQ(StoredNames(names).back(), "abcdefg_10");
}

TEST(DbfColumnNames, TellWhichNamesChanged) {
    const std::vector<DbfColumnName> columns =
        DbfColumnNames({"Temperature_surface", "Temperatur", "depth", "Depth"});
    ASSERT_EQ(columns.size(), 4U);
    EXPECT_EQ(columns[0].name, "Temperature_surface");
    EXPECT_EQ(columns[0].stored, "Temperat_1");
    EXPECT_TRUE(columns[0].Changed());
    EXPECT_FALSE(columns[1].Changed());
    EXPECT_FALSE(columns[2].Changed());
    EXPECT_TRUE(columns[3].Changed());
}

}  // namespace
}  // namespace tesselar
