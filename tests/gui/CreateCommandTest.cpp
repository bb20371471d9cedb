#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QGroupBox>
#include <QMouseEvent>
#include <QRadioButton>
#include <QTemporaryDir>

#include "controls/shapefile/ShapeFileError.h"
#include "gui/GridFiles.h"
#include "gui/MainWindowFixture.h"

namespace tesselar::test {
namespace {

const QString kNoX = QStringLiteral("Please select the file with X axys information");
const QString kNoY = QStringLiteral("Please select the file with Y axys information");
const QString kNoAttribute = QStringLiteral("Please add an attribute");
const QString kNoFolder = QStringLiteral("Please select a folder for shape file");
const QString kNoName = QStringLiteral("Please type a name for shape file");
const QString kNothingWritten = QStringLiteral("\n\nNo shape file was written.");

class CreateCommandTest : public MainWindowTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder_.isValid());
        // Values left by an earlier press, which a failing check must keep.
        job_.ShapeType = "Earlier";
        job_.XAxysFile = "earlier_x.dat";
        job_.YAxysFile = "earlier_y.dat";
        job_.ShapeFolder = "earlier folder";
        job_.ShapeFileName = "earlier";
        MainWindowTest::SetUp();
    }

    QString InFolder(const QString& name) const { return folder_.filePath(name); }

    // A 4 x 3 node grid with one attribute, all in the temporary folder.
    void WriteGrid() const {
        const GridFiles grid{4, 3, [](int i, int j) { return 100.0 * i + j; },
                             [](int i, int j) { return 500.0 + 10.0 * j - i; }};
        grid.WriteAxys(InFolder("x.dat"), InFolder("y.dat"));
        grid.WriteCellAttribute(InFolder("t.dat"), [](int i, int j) { return i + 0.25 * j; });
    }

    void AddAttribute(const QString& name, const QString& file) {
        Type("AttribName_TB", name);
        Type("AttribFile_TB", file);
        Click("AddAttribute");
    }

    void FillGridInputs() {
        WriteGrid();
        Type("XAxysFile_TB", InFolder("x.dat"));
        Type("YAxysFile_TB", InFolder("y.dat"));
        AddAttribute("Temperature", InFolder("t.dat"));
    }

    void ExpectEarlierGridFields() const {
        EXPECT_EQ(job_.ShapeType, "Earlier");
        EXPECT_EQ(job_.XAxysFile, "earlier_x.dat");
        EXPECT_EQ(job_.YAxysFile, "earlier_y.dat");
    }
    void ExpectEarlierShapeFields() const {
        EXPECT_EQ(job_.ShapeFolder, "earlier folder");
        EXPECT_EQ(job_.ShapeFileName, "earlier");
    }

    QStringList FilesInFolder() const {
        return QDir(folder_.path()).entryList(QDir::Files, QDir::Name);
    }

    QTemporaryDir folder_;
};

TEST_F(CreateCommandTest, EveryMissingInputHasItsMessageInOrder) {
    Click("Command1");
    EXPECT_EQ(messages_.shown, (QStringList{kNoX, kNoY, kNoAttribute, kNoFolder, kNoName}));
    ExpectEarlierGridFields();
    ExpectEarlierShapeFields();
    EXPECT_FALSE(job_.XCoords.Exists());
    EXPECT_TRUE(PanelText(1).isEmpty());
    EXPECT_EQ(programEnd_.count, 0);

    // Each press checks afresh.
    Click("Command1");
    EXPECT_EQ(messages_.shown.size(), 10);
}

TEST_F(CreateCommandTest, MissingGridInputKeepsEveryJobField) {
    Type("YAxysFile_TB", "y.dat");
    AddAttribute("Temperature", "t.dat");
    Type("ShapeFolder_TB", "out");
    Type("ShapeFileName_TB", "lagoon");
    Click("Command1");
    EXPECT_EQ(messages_.shown, QStringList{kNoX});
    ExpectEarlierGridFields();
    ExpectEarlierShapeFields();
    EXPECT_EQ(PanelText(1), QStringLiteral("Attribute with name 'Temperature' added"));
}

TEST_F(CreateCommandTest, MissingFolderHasAlreadyCopiedTheGridInputs) {
    Type("XAxysFile_TB", "x.dat");
    Type("YAxysFile_TB", "y.dat");
    AddAttribute("Temperature", "t.dat");
    QTest::mouseClick(&Find<QRadioButton>("Point_OB"), Qt::LeftButton);
    Type("ShapeFileName_TB", "drifters");
    Click("Command1");
    EXPECT_EQ(messages_.shown, QStringList{kNoFolder});
    EXPECT_EQ(job_.ShapeType, "Point");
    EXPECT_EQ(job_.XAxysFile, "x.dat");
    EXPECT_EQ(job_.YAxysFile, "y.dat");
    ExpectEarlierShapeFields();
    EXPECT_FALSE(job_.XCoords.Exists());
}

// Blanks are text: they pass the checks and reach the job as typed, and only reading the
// files finds them wanting.
TEST_F(CreateCommandTest, BlanksPassTheChecksAndAreCopiedAsTyped) {
    Type("XAxysFile_TB", "  ");
    Type("YAxysFile_TB", " ");
    AddAttribute(" ", " ");
    Type("ShapeFolder_TB", " ");
    Type("ShapeFileName_TB", "   ");
    Click("Command1");
    EXPECT_EQ(job_.ShapeType, "Polygon");
    EXPECT_EQ(job_.XAxysFile, "  ");
    EXPECT_EQ(job_.YAxysFile, " ");
    EXPECT_EQ(job_.ShapeFolder, " ");
    EXPECT_EQ(job_.ShapeFileName, "   ");
    ASSERT_EQ(messages_.shown.size(), 1);
    EXPECT_TRUE(messages_.shown[0].endsWith(kNothingWritten)) << messages_.shown[0].toStdString();
    EXPECT_EQ(programEnd_.count, 0);
}

// A file that cannot be read: the user learns which and why, keeps every input and can try
// again once it is put right.
TEST_F(CreateCommandTest, UnreadableInputIsReportedAndTheWindowStaysForARetry) {
    FillGridInputs();
    Find<QLineEdit>("XAxysFile_TB").setText(InFolder("missing_x.dat"));
    Type("ShapeFolder_TB", folder_.path());
    Type("ShapeFileName_TB", "lagoon");
    Click("Command1");

    ASSERT_EQ(messages_.shown.size(), 1);
    const QString& report = messages_.shown[0];
    EXPECT_TRUE(report.contains(InFolder("missing_x.dat"))) << report.toStdString();
    EXPECT_TRUE(report.endsWith(kNothingWritten)) << report.toStdString();
    EXPECT_EQ(programEnd_.count, 0);
    EXPECT_EQ(PanelText(1), QStringLiteral("Attribute with name 'Temperature' added"));
    EXPECT_EQ(TextOf("XAxysFile_TB"), InFolder("missing_x.dat"));
    EXPECT_EQ(TextOf("ShapeFileName_TB"), QStringLiteral("lagoon"));
    EXPECT_FALSE(FilesInFolder().contains(QStringLiteral("lagoon.shp")));
    EXPECT_TRUE(Find<QPushButton>("Command1").isEnabled());
    EXPECT_TRUE(Find<QGroupBox>("IndexCreation_frame").isEnabled());
    EXPECT_EQ(window_->focusWidget(), &Find<QPushButton>("Command1"));

    Find<QLineEdit>("XAxysFile_TB").setText(InFolder("x.dat"));
    Click("Command1");
    EXPECT_EQ(messages_.shown.value(1),
              QStringLiteral("Polygon Shape File 'lagoon.shp' was created with success"));
    EXPECT_EQ(programEnd_.count, 1);
    EXPECT_EQ(PanelText(1), QStringLiteral("Shape file Created."));
}

// The output file system refuses to put the finished file in place.
class RefusingFileSystem final : public OutputFileSystem {
public:
    std::unique_ptr<OutputFile> CreateTemporary(const std::string& destination,
                                                std::string& temporaryPath) override {
        return files_.CreateTemporary(destination, temporaryPath);
    }
    void Rename(const std::string& from, const std::string& to) override {
        throw ShapeFileError("Cannot move '" + from + "' to '" + to + "': Disk quota exceeded");
    }
    void Remove(const std::string& path) noexcept override { files_.Remove(path); }

private:
    PosixFileSystem files_;
};

class RefusedWriteTest : public CreateCommandTest {
protected:
    RefusedWriteTest() { files_ = std::make_unique<RefusingFileSystem>(); }
};

TEST_F(RefusedWriteTest, FailedWriteIsReportedAndLeavesNoFile) {
    FillGridInputs();
    Type("ShapeFolder_TB", folder_.path());
    Type("ShapeFileName_TB", "lagoon");
    const QStringList inputs = FilesInFolder();
    Click("Command1");

    ASSERT_EQ(messages_.shown.size(), 1);
    EXPECT_TRUE(messages_.shown[0].contains(QStringLiteral("Disk quota exceeded")));
    EXPECT_TRUE(messages_.shown[0].endsWith(kNothingWritten));
    EXPECT_EQ(PanelText(1), QStringLiteral("Creating shape file..."));
    EXPECT_EQ(programEnd_.count, 0);
    EXPECT_EQ(FilesInFolder(), inputs);
}

// Posts a click on a button the first time the writer reads the clock, as a user who clicks
// while the conversion runs.
class ClickingClock final : public Clock {
public:
    explicit ClickingClock(QWidget*& target) : target_(target) {}
    std::chrono::steady_clock::time_point Now() const override {
        if (target_ != nullptr && !clicked_) {
            clicked_ = true;
            const QPointF centre = QRectF(target_->rect()).center();
            for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
                QCoreApplication::postEvent(
                    target_, new QMouseEvent(type, centre, target_->mapToGlobal(centre),
                                             Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
            }
        }
        return clock_.Now();
    }
    std::chrono::system_clock::time_point CalendarNow() const override {
        return clock_.CalendarNow();
    }

private:
    QWidget*& target_;
    mutable bool clicked_ = false;
    SystemClock clock_;
};

class BusyWindowTest : public CreateCommandTest {
protected:
    BusyWindowTest() { clock_ = std::make_unique<ClickingClock>(target_); }
    QWidget* target_ = nullptr;
};

TEST_F(BusyWindowTest, ClicksDuringTheConversionAreIgnored) {
    FillGridInputs();
    Type("ShapeFolder_TB", folder_.path());
    Type("ShapeFileName_TB", "lagoon");
    target_ = &Find<QPushButton>("Command1");
    Click("Command1");
    QApplication::processEvents();
    EXPECT_EQ(messages_.shown,
              QStringList{"Polygon Shape File 'lagoon.shp' was created with success"});
    EXPECT_EQ(programEnd_.count, 1);
}

}  // namespace
}  // namespace tesselar::test
