// The checks "Create Shape File" makes before it reads any file.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <string_view>

#include "gui/MainWindowFixture.h"

namespace tesselar::test {
namespace {

// An input of "Create Shape File", the text a test types into it and the message when it is
// missing; the type and the axys files are copied into the job once their checks have passed.
struct MissingInput {
    const char* name;
    const char* box;  // empty for the attribute list
    const char* text;
    const char* message;
    bool gridCopied;
};

// In the order the checks run.
const MissingInput kMissingInputs[] = {
    {"X", "XAxysFile_TB", "x.dat", "Please select the file with X axys information", false},
    {"Y", "YAxysFile_TB", "y.dat", "Please select the file with Y axys information", false},
    {"Attribute", "", "", "Please add an attribute", false},
    {"Folder", "ShapeFolder_TB", "out", "Please select a folder for shape file", true},
    {"Name", "ShapeFileName_TB", "lagoon", "Please type a name for shape file", true},
};

class CreateCommandTest : public MainWindowTest {
protected:
    void SetUp() override {
        // Values left by an earlier press, which a failing check must keep.
        job_.ShapeType = ShapeType::Point;  // the window starts on Polygon
        job_.XAxysFile = "earlier_x.dat";
        job_.YAxysFile = "earlier_y.dat";
        job_.ShapeFolder = "earlier folder";
        job_.ShapeFileName = "earlier";
        MainWindowTest::SetUp();
    }

    // The shape file's own fields are copied only once every check has passed.
    void ExpectJobFields(ShapeType shapeType, const char* x, const char* y) const {
        EXPECT_EQ(job_.ShapeType, shapeType);
        EXPECT_EQ(job_.XAxysFile, x);
        EXPECT_EQ(job_.YAxysFile, y);
        EXPECT_EQ(job_.ShapeFolder, "earlier folder");
        EXPECT_EQ(job_.ShapeFileName, "earlier");
        EXPECT_FALSE(job_.XCoords.Exists());
    }
};

TEST_F(CreateCommandTest, EveryMissingInputHasItsMessageInOrder) {
    QStringList expected;
    for (const MissingInput& input : kMissingInputs) {
        expected << QString::fromLatin1(input.message);
    }
    Click("Command1");
    EXPECT_EQ(messages_.shown, expected);
    ExpectJobFields(ShapeType::Point, "earlier_x.dat", "earlier_y.dat");
    EXPECT_TRUE(PanelText(1).isEmpty());
    EXPECT_EQ(programEnd_.count, 0);

    // Each press checks afresh.
    Click("Command1");
    EXPECT_EQ(messages_.shown, expected + expected);
}

void PrintTo(const MissingInput& input, std::ostream* out) {
    *out << input.name;
}

class MissingInputTest : public CreateCommandTest,
                         public ::testing::WithParamInterface<MissingInput> {};

TEST_P(MissingInputTest, FailsAloneAndKeepsTheFieldsNotYetChecked) {
    for (const MissingInput& input : kMissingInputs) {
        if (std::string_view(input.name) == GetParam().name) {
            continue;
        }
        if (input.box[0] == '\0') {
            AddAttribute("Temperature", "t.dat");
        } else {
            Type(input.box, input.text);
        }
    }
    const QString status = PanelText(1);
    Click("Command1");

    EXPECT_EQ(messages_.shown, QStringList{GetParam().message});
    EXPECT_EQ(PanelText(1), status);
    if (GetParam().gridCopied) {
        ExpectJobFields(ShapeType::Polygon, "x.dat", "y.dat");
    } else {
        ExpectJobFields(ShapeType::Point, "earlier_x.dat", "earlier_y.dat");
    }
}

INSTANTIATE_TEST_SUITE_P(Inputs, MissingInputTest, ::testing::ValuesIn(kMissingInputs),
                         [](const auto& input) { return std::string(input.param.name); });

// Blanks are text: they pass the checks and reach the job as typed, and only reading the
// files finds them wanting.
TEST_F(CreateCommandTest, BlanksPassTheChecksAndAreCopiedAsTyped) {
    Type("XAxysFile_TB", "  ");
    Type("YAxysFile_TB", " ");
    AddAttribute(" ", " ");
    Type("ShapeFolder_TB", " ");
    Type("ShapeFileName_TB", "   ");
    Click("Command1");
    EXPECT_EQ(job_.ShapeType, ShapeType::Polygon);
    EXPECT_EQ(job_.XAxysFile, "  ");
    EXPECT_EQ(job_.YAxysFile, " ");
    EXPECT_EQ(job_.ShapeFolder, " ");
    EXPECT_EQ(job_.ShapeFileName, "   ");
    ASSERT_EQ(messages_.shown.size(), 1);
    EXPECT_TRUE(messages_.shown[0].endsWith(QStringLiteral("\n\nNo shape file was written.")))
        << messages_.shown[0].toStdString();
    EXPECT_EQ(programEnd_.count, 0);
}

}  // namespace
}  // namespace tesselar::test
