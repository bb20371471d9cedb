// Whole conversions run from the window, their files read back with pyshp, and conversions
// that fail or are interrupted.
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
#include <QTextStream>
#include <set>
#include <utility>

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

std::set<std::pair<double, double>> Corners(const QJsonArray& ring) {
    std::set<std::pair<double, double>> corners;
    for (const QJsonValue point : ring) {
        corners.emplace(point.toArray()[0].toDouble(), point.toArray()[1].toDouble());
    }
    return corners;
}

// Writes an input file as the modelling system does: header lines, the "<BeginData>" marker,
// then one value per line.
void WriteDataFile(const QString& path, const QStringList& header, const QStringList& values) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Text)) << path.toStdString();
    QTextStream(&file)
        << (header + QStringList{"<BeginData>"} + values + QStringList{"<EndData>"}).join('\n')
        << '\n';
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
double Salinity(int i, int j) {
    return -(30.0 + i * 0.01 + j);
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

// The operating system's files, except that the test can have a click posted on a widget as the
// writer creates its file, as a user who clicks while the conversion runs, or have a signal
// arrive then, and can have the finished file refused its place.
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
        auto& bar = Find<ProgressBar>("ProgressBar1");
        barPaints_ = std::make_unique<BarPaints>(bar);
        bar.repaint();  // so that the watch starts from what the screen shows
    }

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

    // After a failure the window shows that no shape file was written and nothing of the run.
    void ExpectNothingShownOfTheRun() const {
        EXPECT_EQ(PanelText(1), QStringLiteral("Shape file not created."));
        EXPECT_EQ(PanelText(3), QString());
        EXPECT_EQ(PanelText(4), QString());
        auto& bar = Find<ProgressBar>("ProgressBar1");
        EXPECT_EQ(bar.value(), bar.minimum());
        EXPECT_EQ(barPaints_->lastValue, bar.minimum());
    }

    QStringList FilesInFolder() const {
        return QDir(folder_.path()).entryList(QDir::Files, QDir::Name);
    }

    ScriptedFileSystem* const fileSystem_ = new ScriptedFileSystem;  // owned by files_
    std::unique_ptr<BarPaints> barPaints_;
};

TEST_F(ConversionFromWindowTest, PolygonGridWithTwoAttributes) {
    WriteGrid(6, 3);  // 5 x 2 cells
    WriteDataFile(InFolder("s.dat"), {}, Values(5, 2, Salinity));
    FillInputs("lagoon");
    AddAttribute("Salinity", InFolder("s.dat"));
    Click("Command1");

    EXPECT_EQ(messages_.shown, QStringList{kCreated});
    EXPECT_EQ(programEnd_.count, 1);
    EXPECT_EQ(PanelText(1), QStringLiteral("Shape file Created."));
    EXPECT_TRUE(PanelText(3).startsWith(QStringLiteral("Time elapsed: ")));
    EXPECT_TRUE(PanelText(4).startsWith(QStringLiteral("Time remaining: ")));
    const auto& bar = Find<ProgressBar>("ProgressBar1");
    EXPECT_EQ(bar.value(), bar.maximum());  // 10 shapes: the bar ends full

    const QJsonObject file = ReadWithPyshp(InFolder("lagoon.shp"));
    EXPECT_EQ(file["shapeType"].toInt(), 5);
    const QJsonArray fields = file["fields"].toArray();
    ASSERT_EQ(fields.size(), 2);
    EXPECT_EQ(fields[0].toArray()[0].toString(), QStringLiteral("Temp"));
    EXPECT_EQ(fields[1].toArray()[0].toString(), QStringLiteral("Salinity"));
    const QJsonArray shapes = file["shapes"].toArray();
    const QJsonArray records = file["records"].toArray();
    ASSERT_EQ(shapes.size(), 10);
    ASSERT_EQ(records.size(), 10);
    int n = 0;
    for (int i = 1; i <= 5; ++i) {
        for (int j = 1; j <= 2; ++j, ++n) {
            SCOPED_TRACE(testing::Message() << "cell " << i << ", " << j);
            const QJsonArray ring = shapes[n].toArray();
            ASSERT_EQ(ring.size(), 5);
            EXPECT_EQ(ring.first(), ring.last());
            const std::set<std::pair<double, double>> expected = {
                {X(i, j), Y(i, j)},
                {X(i + 1, j), Y(i + 1, j)},
                {X(i + 1, j + 1), Y(i + 1, j + 1)},
                {X(i, j + 1), Y(i, j + 1)}};
            EXPECT_EQ(Corners(ring), expected);
            const QJsonArray values = records[n].toArray();
            EXPECT_DOUBLE_EQ(values[0].toDouble(), Temperature(i, j));
            EXPECT_DOUBLE_EQ(values[1].toDouble(), Salinity(i, j));
        }
    }
}

// A value too wide for its column is still written, with fewer decimals, and the user is told
// after the success.
TEST_F(ConversionFromWindowTest, PointFileNamedWithItsExtensionAndAValueTooWide) {
    const QStringList depths = {"12345678.91", "-1.5", "-3", "-4.5"};
    WriteDataFile(InFolder("x.dat"), {"SIZE_I: 5"}, Values(4, 1, X));  // four particles
    WriteDataFile(InFolder("y.dat"), {}, Values(4, 1, Y));
    WriteDataFile(InFolder("t.dat"), {}, depths);
    FillInputs("drifters.shp");
    QTest::mouseClick(&Find<QRadioButton>("Point_OB"), Qt::LeftButton);
    Click("Command1");

    EXPECT_EQ(messages_.shown,
              (QStringList{"Point Shape File 'drifters.shp.shp' was created with success",
                           "1 value did not fit the 10-character column and was rounded to "
                           "fewer digits."}));
    EXPECT_EQ(programEnd_.status, 0);
    EXPECT_EQ(programEnd_.count, 1);
    const QJsonObject file = ReadWithPyshp(InFolder("drifters.shp.shp"));
    EXPECT_EQ(file["shapeType"].toInt(), 1);
    const QJsonArray shapes = file["shapes"].toArray();
    const QJsonArray records = file["records"].toArray();
    ASSERT_EQ(shapes.size(), 4);
    ASSERT_EQ(records.size(), 4);
    for (int p = 1; p <= 4; ++p) {
        const QJsonArray point = shapes[p - 1].toArray()[0].toArray();
        EXPECT_DOUBLE_EQ(point[0].toDouble(), X(p, 1)) << p;
        EXPECT_DOUBLE_EQ(point[1].toDouble(), Y(p, 1)) << p;
        const double depth = records[p - 1].toArray()[0].toDouble();
        EXPECT_NEAR(depth, depths[p - 1].toDouble(), p == 1 ? 0.05 : 0.0) << p;
    }
}

// A file that cannot be read: the user learns which and why, keeps every input and can try
// again once it is put right.
TEST_F(ConversionFromWindowTest, UnreadableInputIsReportedAndTheWindowStaysForARetry) {
    WriteGrid(4, 3);
    FillInputs("lagoon");
    Find<QLineEdit>("XAxysFile_TB").setText(InFolder("missing_x.dat"));
    Click("Command1");

    ASSERT_EQ(messages_.shown.size(), 1);
    const QString& report = messages_.shown[0];
    EXPECT_TRUE(report.contains(InFolder("missing_x.dat"))) << report.toStdString();
    EXPECT_TRUE(report.endsWith(kNothingWritten)) << report.toStdString();
    EXPECT_EQ(programEnd_.count, 0);
    ExpectNothingShownOfTheRun();
    EXPECT_EQ(TextOf("XAxysFile_TB"), InFolder("missing_x.dat"));
    EXPECT_EQ(TextOf("ShapeFileName_TB"), QStringLiteral("lagoon"));
    EXPECT_FALSE(FilesInFolder().contains(QStringLiteral("lagoon.shp")));
    EXPECT_TRUE(Find<QPushButton>("Command1").isEnabled());
    EXPECT_TRUE(Find<QGroupBox>("IndexCreation_frame").isEnabled());
    EXPECT_EQ(window_->focusWidget(), &Find<QPushButton>("Command1"));

    Find<QLineEdit>("XAxysFile_TB").setText(InFolder("x.dat"));
    Click("Command1");
    EXPECT_EQ(messages_.shown.value(1), kCreated);
    EXPECT_EQ(programEnd_.count, 1);
    EXPECT_EQ(PanelText(1), QStringLiteral("Shape file Created."));
}

// The write fails once every shape is written, the bar at 1 of 1.2 and the times shown.
TEST_F(ConversionFromWindowTest, FailedWriteIsReportedAndLeavesNoFile) {
    fileSystem_->refusePlacing = true;
    WriteGrid(5, 4);
    FillInputs("lagoon");
    const QStringList inputs = FilesInFolder();
    Click("Command1");

    ASSERT_EQ(messages_.shown.size(), 1);
    EXPECT_TRUE(messages_.shown[0].contains(QStringLiteral("Disk quota exceeded")));
    EXPECT_TRUE(messages_.shown[0].endsWith(kNothingWritten));
    ExpectNothingShownOfTheRun();
    EXPECT_EQ(programEnd_.count, 0);
    EXPECT_EQ(FilesInFolder(), inputs);
}

// The coordinate system comes from the .prj beside the X axys file: one PROJ cannot read is
// reported before anything is read or written; once put right, the shapefile gets its .prj.
TEST_F(ConversionFromWindowTest, SidecarProjectionGivesTheCoordinateSystem) {
    WriteGrid(4, 3);
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
    EXPECT_EQ(programEnd_.count, 0);
    EXPECT_EQ(FilesInFolder(), inputs);

    writeSidecar("EPSG:32633");
    Click("Command1");
    EXPECT_EQ(messages_.shown.value(1), kCreated);
    QFile projection(InFolder("lagoon.prj"));
    ASSERT_TRUE(projection.open(QIODevice::ReadOnly));
    EXPECT_TRUE(projection.readAll().startsWith("PROJCS[\"WGS_1984_UTM_Zone_33N\""));
}

// After the success, one box lists every warning, a sentence per line.
TEST_F(ConversionFromWindowTest, OneBoxListsEveryWarning) {
    WriteGrid(4, 3);  // 3 x 2 cells
    WriteDataFile(InFolder("wide.dat"), {}, {"1", "123456789.5", "2", "3", "4", "5"});
    WriteDataFile(InFolder("small.dat"), {}, {"0.004", "0", "-0.003", "1", "2", "3"});
    FillInputs("lagoon");
    AddAttribute("Temperature_surface", InFolder("wide.dat"));
    AddAttribute("Temperatur", InFolder("small.dat"));
    Click("Command1");

    EXPECT_EQ(messages_.shown,
              (QStringList{kCreated,
                           "Attribute 'Temperature_surface' is stored as column 'Temperat_1'.\n"
                           "2 values other than 0 became 0 when rounded to 2 decimals; the "
                           "first is '0.004' on line 2 of Attribute 'Temperatur' file '" +
                               InFolder("small.dat") +
                               "'.\n"
                               "1 value did not fit the 10-character column and was rounded to "
                               "fewer digits."}));
    EXPECT_EQ(programEnd_.count, 1);
    const QJsonArray fields = ReadWithPyshp(InFolder("lagoon.shp"))["fields"].toArray();
    ASSERT_EQ(fields.size(), 3);
    EXPECT_EQ(fields[1].toArray()[0].toString(), QStringLiteral("Temperat_1"));
    EXPECT_EQ(fields[2].toArray()[0].toString(), QStringLiteral("Temperatur"));
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

// The bar counts tens of shapes, yet once the shape file is written the screen shows it full.
TEST_F(ConversionFromWindowTest, BarEndsFullAndPaintedOnceTheFileIsWritten) {
    const QSize grids[] = {{5, 4}, {4, 3}, {6, 3}};  // 12, 6 and 10 cells
    auto& bar = Find<ProgressBar>("ProgressBar1");
    for (const QSize& grid : grids) {
        SCOPED_TRACE(testing::Message() << grid.width() << " x " << grid.height());
        WriteGrid(grid.width(), grid.height());
        if (TextOf("ShapeFileName_TB").isEmpty()) {
            FillInputs("lagoon");
        }
        Click("Command1");
        EXPECT_EQ(messages_.shown.value(messages_.shown.size() - 1), kCreated);
        EXPECT_EQ(bar.value(), bar.maximum());
        EXPECT_EQ(barPaints_->lastValue, bar.maximum());
    }
}

TEST_F(ConversionFromWindowTest, ClicksDuringTheConversionAreIgnored) {
    WriteGrid(4, 3);
    FillInputs("lagoon");
    fileSystem_->clickOn = &Find<QPushButton>("Command1");
    Click("Command1");
    QApplication::processEvents();
    EXPECT_EQ(messages_.shown, QStringList{kCreated});
    EXPECT_EQ(programEnd_.count, 1);
}

}  // namespace
}  // namespace tesselar::test
