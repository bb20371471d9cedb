// Whole conversions run from the window, their files read back with pyshp, and conversions
// that fail.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMouseEvent>
#include <QProcess>
#include <QRadioButton>
#include <set>
#include <utility>
#include <vector>

#include "controls/shapefile/ShapeFileError.h"
#include "controls/statusbar/ProgressBar.h"
#include "gui/MainWindowFixture.h"

namespace tesselar::test {
namespace {

const QString kNothingWritten = QStringLiteral("\n\nNo shape file was written.");
const QString kCreated = QStringLiteral("Polygon Shape File 'lagoon.shp' was created with success");

// The shape file as an independent reader sees it.
QJsonObject ReadWithPyshp(const QString& shpPath) {
    QProcess python;
    python.start(QStringLiteral(TESSELAR_PYTHON),
                 {QStringLiteral(TESSELAR_GUI_TEST_DIR "/dump_shapefile.py"), shpPath});
    EXPECT_TRUE(python.waitForFinished(60000));
    EXPECT_EQ(python.exitCode(), 0) << python.readAllStandardError().toStdString();
    return QJsonDocument::fromJson(python.readAllStandardOutput()).object();
}

double X(int i, int j) {
    return 1000.0 + 10.0 * i + 0.5 * j;
}
double Y(int i, int j) {
    return 2000.0 - 0.25 * i + 20.0 * j;
}
double Temperature(int i, int j) {
    return 10.5 + i + 0.25 * j;
}

// value(i, j) for i up to lastI and j up to lastJ, j varying fastest, as the files list them.
QStringList Values(int lastI, int lastJ, double (*value)(int, int)) {
    QStringList values;
    for (int i = 1; i <= lastI; ++i) {
        for (int j = 1; j <= lastJ; ++j) {
            values << QString::number(value(i, j), 'f', 4);
        }
    }
    return values;
}

// An input file as the modelling system writes it: header lines, the "<BeginData>" marker,
// then one value per line.
void WriteDataFile(const QString& path, const QStringList& header, const QStringList& values) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(
        ((header + QStringList{"<BeginData>"} + values).join('\n') + "\n<EndData>\n").toUtf8());
}

// The operating system's files, except that a click can be posted on a widget as the writer
// creates its file (a user who clicks while the conversion runs), a signal can arrive then, and
// the finished file can be refused its place.
class ScriptedFileSystem final : public OutputFileSystem {
public:
    std::unique_ptr<OutputFile> CreateFile(const std::string& destination) override {
        if (clickOn != nullptr) {
            const QPointF centre = QRectF(clickOn->rect()).center();
            for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
                QCoreApplication::postEvent(
                    clickOn, new QMouseEvent(type, centre, clickOn->mapToGlobal(centre),
                                             Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
            }
            clickOn = nullptr;
        }
        if (signalOnCreate != nullptr) {
            *signalOnCreate = SIGTERM;
        }
        return files_.CreateFile(destination);
    }
    std::unique_ptr<FolderLock> LockFolder(const std::string& folder) override {
        if (refusePlacing) {
            throw ShapeFileError("Cannot lock the folder '" + folder + "': Disk quota exceeded");
        }
        return files_.LockFolder(folder);
    }
    std::vector<std::string> ListFolder(const std::string& folder) override {
        return files_.ListFolder(folder);
    }
    void Rename(const std::string& from, const std::string& to) override {
        files_.Rename(from, to);
    }
    void Remove(const std::string& path) noexcept override { files_.Remove(path); }

    QWidget* clickOn = nullptr;
    volatile std::sig_atomic_t* signalOnCreate = nullptr;
    bool refusePlacing = false;

private:
    PosixFileSystem files_;
};

class ConversionFromWindowTest : public MainWindowTest {
protected:
    ConversionFromWindowTest() { files_.reset(fileSystem_); }

    void SetUp() override {
        MainWindowTest::SetUp();
        barPaints_ = std::make_unique<Paints>(Bar());
        Bar().repaint();  // so that the watch starts from what the screen shows
    }

    ProgressBar& Bar() const { return Find<ProgressBar>("ProgressBar1"); }

    // x.dat and y.dat of a grid of sizeI x sizeJ nodes, and t.dat with a temperature per cell.
    void WriteGrid(int sizeI, int sizeJ) const {
        WriteDataFile(InFolder("x.dat"),
                      {"Nerasco grid", QStringLiteral("SIZE_I : %1").arg(sizeI),
                       QStringLiteral("SIZE_J : %1").arg(sizeJ)},
                      Values(sizeI, sizeJ, X));
        WriteDataFile(InFolder("y.dat"), {"Nerasco grid, Y"}, Values(sizeI, sizeJ, Y));
        WriteDataFile(InFolder("t.dat"), {"Nerasco property"},
                      Values(sizeI - 1, sizeJ - 1, Temperature));
    }

    // The bar counts tens of shapes, yet once the shape file is written the screen shows it
    // full; the program ends with status 0.
    void ExpectCreated() const {
        EXPECT_EQ(PanelText(1), QStringLiteral("Shape file Created."));
        EXPECT_EQ(Bar().value(), Bar().maximum());
        EXPECT_EQ(barPaints_->lastValue, Bar().maximum());
        EXPECT_EQ(programEnd_.count, 1);
        EXPECT_EQ(programEnd_.status, 0);
    }

    // After a failure the window shows that no shape file was written and nothing of the run,
    // and the folder holds what it held.
    void ExpectNothingShownOfTheRun(const QStringList& files) const {
        EXPECT_EQ(PanelText(1), QStringLiteral("Shape file not created."));
        EXPECT_EQ(PanelText(3), QString());
        EXPECT_EQ(PanelText(4), QString());
        EXPECT_EQ(Bar().value(), Bar().minimum());
        EXPECT_EQ(barPaints_->lastValue, Bar().minimum());
        EXPECT_EQ(FilesInFolder(), files);
        EXPECT_EQ(programEnd_.count, 0);
    }

    QStringList FilesInFolder() const {
        return QDir(folder_.path()).entryList(QDir::Files, QDir::Name);
    }

    ScriptedFileSystem* const fileSystem_ = new ScriptedFileSystem;  // owned by files_
    std::unique_ptr<Paints> barPaints_;
};

// A click on "Create Shape File" while the conversion runs is ignored. After the success, one
// box lists every warning, a sentence per line.
TEST_F(ConversionFromWindowTest, PolygonGridAndOneBoxListingEveryWarning) {
    WriteGrid(6, 3);  // 5 x 2 cells
    WriteDataFile(InFolder("wide.dat"), {},
                  {"1", "123456789.5", "2", "3", "4", "5", "6", "7", "8", "9"});
    WriteDataFile(InFolder("small.dat"), {},
                  {"0.004", "0", "-0.003", "1", "2", "3", "4", "5", "6", "7"});
    FillInputs("lagoon");
    AddAttribute("Temperature_surface", InFolder("wide.dat"));
    AddAttribute("Temperatur", InFolder("small.dat"));
    fileSystem_->clickOn = &Find<QPushButton>("Command1");
    Click("Command1");
    QApplication::processEvents();

    EXPECT_EQ(messages_.shown,
              (QStringList{kCreated,
                           "Attribute 'Temperature_surface' is stored as column 'Temperat_1'.\n"
                           "2 values other than 0 became 0 when rounded to 2 decimals; the "
                           "first is '0.004' on line 2 of Attribute 'Temperatur' file '" +
                               InFolder("small.dat") +
                               "'.\n"
                               "1 value did not fit the 10-character column and was rounded to "
                               "fewer digits."}));
    ExpectCreated();
    EXPECT_TRUE(PanelText(3).startsWith(QStringLiteral("Time elapsed: ")));
    EXPECT_TRUE(PanelText(4).startsWith(QStringLiteral("Time remaining: ")));

    const QJsonObject file = ReadWithPyshp(InFolder("lagoon.shp"));
    EXPECT_EQ(file["shapeType"].toInt(), 5);
    QStringList fields;
    for (const QJsonValue field : file["fields"].toArray()) {
        fields << field.toArray()[0].toString();
    }
    EXPECT_EQ(fields, (QStringList{"Temp", "Temperat_1", "Temperatur"}));
    const QJsonArray records = file["records"].toArray();
    ASSERT_EQ(records.size(), 10);
    ASSERT_EQ(file["shapes"].toArray().size(), 10);
    for (int n = 0; n < 10; ++n) {  // j runs fastest
        EXPECT_DOUBLE_EQ(records[n].toArray()[0].toDouble(), Temperature(1 + n / 2, 1 + n % 2));
    }
    // The last cell, 5, 2: its corners, the ring closed.
    const QJsonArray ring = file["shapes"].toArray()[9].toArray();
    std::set<std::pair<double, double>> corners;
    for (const QJsonValue point : ring) {
        corners.emplace(point.toArray()[0].toDouble(), point.toArray()[1].toDouble());
    }
    EXPECT_EQ(ring.size(), 5);
    EXPECT_EQ(corners,
              (std::set<std::pair<double, double>>{
                  {X(5, 2), Y(5, 2)}, {X(6, 2), Y(6, 2)}, {X(6, 3), Y(6, 3)}, {X(5, 3), Y(5, 3)}}));
}

TEST_F(ConversionFromWindowTest, PointFileNamedWithItsExtension) {
    WriteDataFile(InFolder("x.dat"), {"SIZE_I: 5"}, Values(4, 1, X));  // four particles
    WriteDataFile(InFolder("y.dat"), {}, Values(4, 1, Y));
    WriteDataFile(InFolder("t.dat"), {}, Values(4, 1, Temperature));
    FillInputs("drifters.shp");
    QTest::mouseClick(&Find<QRadioButton>("Point_OB"), Qt::LeftButton);
    Click("Command1");

    EXPECT_EQ(messages_.shown,
              QStringList{"Point Shape File 'drifters.shp.shp' was created with success"});
    ExpectCreated();
    const QJsonObject file = ReadWithPyshp(InFolder("drifters.shp.shp"));
    EXPECT_EQ(file["shapeType"].toInt(), 1);
    const QJsonArray shapes = file["shapes"].toArray();
    ASSERT_EQ(shapes.size(), 4);
    for (int p = 1; p <= 4; ++p) {
        const QJsonArray point = shapes[p - 1].toArray()[0].toArray();
        EXPECT_DOUBLE_EQ(point[0].toDouble(), X(p, 1)) << p;
        EXPECT_DOUBLE_EQ(point[1].toDouble(), Y(p, 1)) << p;
        EXPECT_DOUBLE_EQ(file["records"].toArray()[p - 1].toArray()[0].toDouble(),
                         Temperature(p, 1));
    }
}

// A file that cannot be written (once every shape is written, the bar at 1 of 1.2 and the
// times shown) or read: the user learns which and why, no file is left, the window shows
// nothing of the run and keeps every input for a retry.
TEST_F(ConversionFromWindowTest, FailuresAreReportedAndTheWindowStaysForARetry) {
    WriteGrid(5, 4);  // 12 cells
    FillInputs("lagoon");
    const QStringList inputs = FilesInFolder();
    fileSystem_->refusePlacing = true;
    Click("Command1");
    ExpectNothingShownOfTheRun(inputs);
    fileSystem_->refusePlacing = false;
    Find<QLineEdit>("XAxysFile_TB").setText(InFolder("missing_x.dat"));
    Click("Command1");
    ExpectNothingShownOfTheRun(inputs);

    ASSERT_EQ(messages_.shown.size(), 2);
    EXPECT_TRUE(messages_.shown[0].contains(QStringLiteral("Disk quota exceeded")));
    EXPECT_TRUE(messages_.shown[1].contains(InFolder("missing_x.dat")));
    for (const QString& report : messages_.shown) {
        EXPECT_TRUE(report.endsWith(kNothingWritten)) << report.toStdString();
    }
    EXPECT_EQ(TextOf("ShapeFileName_TB"), QStringLiteral("lagoon"));
    EXPECT_TRUE(Find<QGroupBox>("IndexCreation_frame").isEnabled());
    EXPECT_EQ(window_->focusWidget(), &Find<QPushButton>("Command1"));

    Find<QLineEdit>("XAxysFile_TB").setText(InFolder("x.dat"));
    Click("Command1");
    EXPECT_EQ(messages_.shown.value(2), kCreated);
    ExpectCreated();
}

// The coordinate system comes from the .prj beside the X axys file: one PROJ cannot read is
// reported before anything is read or written; once put right, the shapefile gets its .prj.
TEST_F(ConversionFromWindowTest, SidecarProjectionGivesTheCoordinateSystem) {
    WriteGrid(4, 3);  // 6 cells
    FillInputs("lagoon");
    const auto writeSidecar = [this](const char* text) {
        QFile sidecar(InFolder("x.prj"));
        ASSERT_TRUE(sidecar.open(QIODevice::WriteOnly));
        sidecar.write(text);
    };
    writeSidecar("PROJCS[\"broken\"");
    const QStringList inputs = FilesInFolder();
    Click("Command1");

    ASSERT_EQ(messages_.shown.size(), 1);
    EXPECT_TRUE(messages_.shown[0].startsWith("Coordinate system file '" + InFolder("x.prj")))
        << messages_.shown[0].toStdString();
    EXPECT_TRUE(messages_.shown[0].endsWith(kNothingWritten));
    ExpectNothingShownOfTheRun(inputs);

    writeSidecar("EPSG:32633");
    Click("Command1");
    EXPECT_EQ(messages_.shown.value(1), kCreated);
    ExpectCreated();
    QFile projection(InFolder("lagoon.prj"));
    ASSERT_TRUE(projection.open(QIODevice::ReadOnly));
    EXPECT_TRUE(projection.readAll().startsWith("PROJCS[\"WGS_1984_UTM_Zone_33N\""));
}

// A signal during the conversion: no box waits for the user, the program ends with 128 + the
// signal's number, and no file is left.
TEST_F(ConversionFromWindowTest, ASignalEndsTheProgramWithoutAFile) {
    WriteGrid(4, 3);
    FillInputs("lagoon");
    const QStringList inputs = FilesInFolder();
    fileSystem_->signalOnCreate = &stopSignal_;
    Click("Command1");

    EXPECT_EQ(messages_.shown, QStringList{});
    EXPECT_EQ(programEnd_.count, 1);
    EXPECT_EQ(programEnd_.status, 128 + SIGTERM);
    EXPECT_EQ(FilesInFolder(), inputs);
}

}  // namespace
}  // namespace tesselar::test
