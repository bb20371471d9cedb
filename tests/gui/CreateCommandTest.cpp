// The checks "Create Shape File" makes before it reads any file.
#include <gtest/gtest.h>

#include "gui/MainWindowFixture.h"

namespace tesselar::test {
namespace {

// In the order the checks run: the box (empty for the attribute list), the text a test types
// into it and the message when it is missing. The type and axys files are copied into the job
// once the checks of the axys files and the attribute have passed.
const struct MissingInput {
    const char* box;
    const char* text;
    const char* message;
} kInputs[] = {
    {"XAxysFile_TB", "x.dat", "Please select the file with X axys information"},
    {"YAxysFile_TB", "y.dat", "Please select the file with Y axys information"},
    {"", "", "Please add an attribute"},
    {"ShapeFolder_TB", "out", "Please select a folder for shape file"},
    {"ShapeFileName_TB", "lagoon", "Please type a name for shape file"},
};

class CreateCommandTest : public MainWindowTest {
protected:
    void SetUp() override {
        // Values left by an earlier press, which a failing check must keep.
        job_.ShapeType = ShapeType::Point;  // the window starts on Polygon
        job_.XAxysFile = "earlier_x.dat";
        job_.ShapeFolder = "earlier folder";
        MainWindowTest::SetUp();
    }
    void ExpectJob(ShapeType shapeType, const char* x, const char* folder) const {
        EXPECT_EQ(job_.ShapeType, shapeType);
        EXPECT_EQ(job_.XAxysFile, x);
        EXPECT_EQ(job_.ShapeFolder, folder);
        EXPECT_FALSE(job_.XCoords.Exists());
    }
};

TEST_F(CreateCommandTest, EveryMissingInputHasItsMessageInOrder) {
    QStringList all;
    for (const MissingInput& input : kInputs) {
        all << QString::fromLatin1(input.message);
    }
    Click("Command1");
    Click("Command1");  // each press checks afresh
    EXPECT_EQ(messages_.shown, all + all);
    ExpectJob(ShapeType::Point, "earlier_x.dat", "earlier folder");
    EXPECT_EQ(programEnd_.statuses, QList<int>{});
}

class MissingInputTest : public CreateCommandTest, public ::testing::WithParamInterface<int> {};

TEST_P(MissingInputTest, FailsAloneAndKeepsTheFieldsNotYetChecked) {
    const int missing = GetParam();
    for (int n = 0; n < static_cast<int>(std::size(kInputs)); ++n) {
        if (n != missing && kInputs[n].box[0] == '\0') {
            AddAttribute("Temperature", "t.dat");
        } else if (n != missing) {
            Type(kInputs[n].box, kInputs[n].text);
        }
    }
    const QString status = PanelText(1);
    Click("Command1");
    EXPECT_EQ(messages_.shown, QStringList{kInputs[missing].message});
    EXPECT_EQ(PanelText(1), status);
    if (missing >= 3) {
        ExpectJob(ShapeType::Polygon, "x.dat", "earlier folder");
    } else {
        ExpectJob(ShapeType::Point, "earlier_x.dat", "earlier folder");
    }
}

INSTANTIATE_TEST_SUITE_P(Inputs, MissingInputTest, ::testing::Range(0, 5));

// Blanks are text: they pass the checks and reach the job as typed, and only reading the
// files finds them wanting.
TEST_F(CreateCommandTest, BlanksPassTheChecksAndAreCopiedAsTyped) {
    Type("XAxysFile_TB", "  ");
    Type("YAxysFile_TB", " ");
    AddAttribute(" ", " ");
    Type("ShapeFolder_TB", " ");
    Type("ShapeFileName_TB", "   ");
    Click("Command1");
    ExpectJob(ShapeType::Polygon, "  ", " ");
    EXPECT_EQ(job_.YAxysFile, " ");
    EXPECT_EQ(job_.ShapeFileName, "   ");
    ASSERT_EQ(messages_.shown.size(), 1);
    EXPECT_TRUE(messages_.shown[0].endsWith(QStringLiteral("\n\nNo shape file was written.")));
}

}  // namespace
}  // namespace tesselar::test
