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
double Salinity(int i, int j) {
    return -(30.0 + i * 0.01 + j);
}

// An input file as the modelling system writes it: header lines, the "<BeginData>" marker,
// then value(i, j) for i up to lastI and j up to lastJ, j varying fastest.
void WriteDataFile(const QString& path, const QStringList& header, int lastI, int lastJ,
                   double (*value)(int, int)) {
    QStringList lines = header + QStringList{"<BeginData>"};
    for (int i = 1; i <= lastI; ++i) {
        for (int j = 1; j <= lastJ; ++j) {
            lines << QString::number(value(i, j), 'f', 4);
        }
    }
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write((lines.join('\n') + "\n<EndData>\n").toUtf8());
}

// The operating system's files, except that a click can be posted on a widget as the writer
// creates its file (a user who clicks while the conversion runs) and the finished file can be
// refused its place.
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
    bool refusePlacing = false;

private:
    PosixFileSystem files_;
};

class ConversionFromWindowTest : public MainWindowTest {
protected:
    ConversionFromWindowTest() { files_.reset(fileSystem_); }

    // x.dat and y.dat of a grid of sizeI x sizeJ nodes, and t.dat with a temperature per cell.
    void WriteGrid(int sizeI, int sizeJ) const {
        WriteDataFile(InFolder("x.dat"),
                      {"Nerasco grid", QStringLiteral("SIZE_I : %1").arg(sizeI),
                       QStringLiteral("SIZE_J : %1").arg(sizeJ)},
                      sizeI, sizeJ, X);
        WriteDataFile(InFolder("y.dat"), {"Nerasco grid, Y"}, sizeI, sizeJ, Y);
        WriteDataFile(InFolder("t.dat"), {"Nerasco property"}, sizeI - 1, sizeJ - 1, Temperature);
    }

    ScriptedFileSystem* const fileSystem_ = new ScriptedFileSystem;  // owned by files_
};

// A click on "Create Shape File" while the conversion runs is ignored.
TEST_F(ConversionFromWindowTest, PolygonGridWithTwoAttributes) {
    WriteGrid(6, 3);  // 5 x 2 cells
    WriteDataFile(InFolder("s.dat"), {}, 5, 2, Salinity);
    FillInputs("lagoon");
    AddAttribute("Salinity", InFolder("s.dat"));
    fileSystem_->clickOn = &Find<QPushButton>("Command1");
    Click("Command1");
    QApplication::processEvents();

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
    for (int n = 0; n < 10; ++n) {
        const int i = 1 + n / 2;  // j runs fastest
        const int j = 1 + n % 2;
        SCOPED_TRACE(testing::Message() << "cell " << i << ", " << j);
        const QJsonArray ring = shapes[n].toArray();
        ASSERT_EQ(ring.size(), 5);
        EXPECT_EQ(ring.first(), ring.last());
        std::set<std::pair<double, double>> corners;
        for (const QJsonValue point : ring) {
            corners.emplace(point.toArray()[0].toDouble(), point.toArray()[1].toDouble());
        }
        EXPECT_EQ(corners, (std::set<std::pair<double, double>>{{X(i, j), Y(i, j)},
                                                                {X(i + 1, j), Y(i + 1, j)},
                                                                {X(i + 1, j + 1), Y(i + 1, j + 1)},
                                                                {X(i, j + 1), Y(i, j + 1)}}));
        EXPECT_DOUBLE_EQ(records[n].toArray()[0].toDouble(), Temperature(i, j));
        EXPECT_DOUBLE_EQ(records[n].toArray()[1].toDouble(), Salinity(i, j));
    }
}

// A value too wide for its column is still written, with fewer decimals, and the user is told
// after the success.
TEST_F(ConversionFromWindowTest, PointFileNamedWithItsExtensionAndAValueTooWide) {
    WriteDataFile(InFolder("x.dat"), {"SIZE_I: 5"}, 4, 1, X);  // four particles
    WriteDataFile(InFolder("y.dat"), {}, 4, 1, Y);
    WriteDataFile(InFolder("t.dat"), {}, 4, 1, [](int i, int) { return 12345678.91 - 1.5 * i; });
    FillInputs("drifters.shp");
    QTest::mouseClick(&Find<QRadioButton>("Point_OB"), Qt::LeftButton);
    Click("Command1");

    EXPECT_EQ(messages_.shown,
              (QStringList{"Point Shape File 'drifters.shp.shp' was created with success",
                           "4 values did not fit the 10-character column and were rounded to "
                           "fewer digits."}));
    const QJsonObject file = ReadWithPyshp(InFolder("drifters.shp.shp"));
    EXPECT_EQ(file["shapeType"].toInt(), 1);
    const QJsonArray shapes = file["shapes"].toArray();
    ASSERT_EQ(shapes.size(), 4);
    for (int p = 1; p <= 4; ++p) {
        const QJsonArray point = shapes[p - 1].toArray()[0].toArray();
        EXPECT_DOUBLE_EQ(point[0].toDouble(), X(p, 1)) << p;
        EXPECT_DOUBLE_EQ(point[1].toDouble(), Y(p, 1)) << p;
        const double depth = file["records"].toArray()[p - 1].toArray()[0].toDouble();
        EXPECT_NEAR(depth, 12345678.91 - 1.5 * p, 0.05) << p;
    }
}

// A file that cannot be written or read: the user learns which and why, no file is left, and
// the window keeps every input for a retry.
TEST_F(ConversionFromWindowTest, FailuresAreReportedAndTheWindowStaysForARetry) {
    WriteGrid(4, 3);
    FillInputs("lagoon");
    const QStringList inputs = QDir(folder_.path()).entryList(QDir::Files);
    fileSystem_->refusePlacing = true;
    Click("Command1");
    EXPECT_EQ(PanelText(1), QStringLiteral("Creating shape file..."));
    fileSystem_->refusePlacing = false;
    Find<QLineEdit>("XAxysFile_TB").setText(InFolder("missing_x.dat"));
    Click("Command1");

    ASSERT_EQ(messages_.shown.size(), 2);
    EXPECT_TRUE(messages_.shown[0].contains(QStringLiteral("Disk quota exceeded")));
    EXPECT_TRUE(messages_.shown[1].contains(InFolder("missing_x.dat")));
    for (const QString& report : messages_.shown) {
        EXPECT_TRUE(report.endsWith(kNothingWritten)) << report.toStdString();
    }
    EXPECT_EQ(programEnd_.count, 0);
    EXPECT_EQ(QDir(folder_.path()).entryList(QDir::Files), inputs);
    EXPECT_EQ(TextOf("ShapeFileName_TB"), QStringLiteral("lagoon"));
    EXPECT_TRUE(Find<QGroupBox>("IndexCreation_frame").isEnabled());
    EXPECT_EQ(window_->focusWidget(), &Find<QPushButton>("Command1"));

    Find<QLineEdit>("XAxysFile_TB").setText(InFolder("x.dat"));
    Click("Command1");
    EXPECT_EQ(messages_.shown.value(2), kCreated);
    EXPECT_EQ(programEnd_.count, 1);
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
    const QStringList inputs = QDir(folder_.path()).entryList(QDir::Files);
    Click("Command1");

    ASSERT_EQ(messages_.shown.size(), 1);
    EXPECT_TRUE(messages_.shown[0].startsWith("Coordinate system file '" + InFolder("x.prj")))
        << messages_.shown[0].toStdString();
    EXPECT_TRUE(messages_.shown[0].endsWith(kNothingWritten));
    EXPECT_EQ(programEnd_.count, 0);
    EXPECT_EQ(QDir(folder_.path()).entryList(QDir::Files), inputs);

    writeSidecar("EPSG:32633");
    Click("Command1");
    EXPECT_EQ(messages_.shown.value(1), kCreated);
    QFile projection(InFolder("lagoon.prj"));
    ASSERT_TRUE(projection.open(QIODevice::ReadOnly));
    EXPECT_TRUE(projection.readAll().startsWith("PROJCS[\"WGS_1984_UTM_Zone_33N\""));
}

}  // namespace
}  // namespace tesselar::test
