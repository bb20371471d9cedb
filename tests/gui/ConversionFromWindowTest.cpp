// Whole conversions run from the window, their files read back with pyshp, and conversions
// that fail.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMouseEvent>
#include <QProcess>
#include <QRadioButton>
#include <QTemporaryDir>
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

// The coordinates of node (i, j) and the temperature of cell (i, j).
constexpr auto X = [](int i, int j) { return 1000.0 + 10.0 * i + 0.5 * j; };
constexpr auto Y = [](int i, int j) { return 2000.0 - 0.25 * i + 20.0 * j; };
constexpr auto Temperature = [](int i, int j) { return 10.5 + i + 0.25 * j; };

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

void WriteFile(const QString& path, const QByteArray& text) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(text);
}

// An input file as the modelling system writes it: header lines, the "<BeginData>" marker,
// then one value per line.
void WriteDataFile(const QString& path, QStringList header, const QStringList& values) {
    WriteFile(path, ((header << "<BeginData>") + values).join('\n').toUtf8() + "\n<EndData>\n");
}

// The operating system's files, except that a click can be posted on a widget as the writer
// creates its file (a user who clicks while the conversion runs), a signal can arrive then, and
// the finished file can be refused its place.
class ScriptedFileSystem final : public OutputFileSystem {
public:
    std::unique_ptr<OutputFile> CreateFile(const std::string& destination) override {
        if (QWidget* button = std::exchange(clickOn, nullptr)) {
            const QPointF centre = QRectF(button->rect()).center();
            for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
                QCoreApplication::postEvent(
                    button, new QMouseEvent(type, centre, button->mapToGlobal(centre),
                                            Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
            }
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
    void RemoveAbandoned(const std::string& path) noexcept override {
        files_.RemoveAbandoned(path);
    }

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
        ASSERT_TRUE(folder_.isValid());
        MainWindowTest::SetUp();
        barPaints_ = std::make_unique<Paints>(Bar());
        Bar().repaint();  // so that the watch starts from what the screen shows
    }

    ProgressBar& Bar() const { return Find<ProgressBar>("ProgressBar1"); }
    QString InFolder(const QString& name) const { return folder_.filePath(name); }
    // The window has no coordinate system of its own: without a sidecar, a warning.
    QString NoPrjWarning() const {
        return "no coordinate system was given, so the shapefile has no .prj: put one beside the "
               "X axys file as '" +
               InFolder("x.prj") + "' (or, with tesselar-convert, give --crs).";
    }
    QStringList FilesInFolder() const {
        return QDir(folder_.path()).entryList(QDir::Files, QDir::Name);
    }

    // x.dat and y.dat of nodes (i, j) up to lastI, lastJ and t.dat with a temperature per cell
    // of the grid, or per node for particles.
    void WriteInputs(int lastI, int lastJ, bool particles = false) const {
        const int cell = particles ? 0 : 1;  // SIZE_I - 1 particles
        WriteDataFile(InFolder("x.dat"),
                      {QStringLiteral("SIZE_I : %1").arg(lastI + 1 - cell),
                       QStringLiteral("SIZE_J : %1").arg(lastJ)},
                      Values(lastI, lastJ, X));
        WriteDataFile(InFolder("y.dat"), {}, Values(lastI, lastJ, Y));
        WriteDataFile(InFolder("t.dat"), {}, Values(lastI - cell, lastJ - cell, Temperature));
    }

    // Types the inputs of a conversion of x.dat and y.dat, with the attribute "Temp" from
    // t.dat, into `name`.shp in the same folder.
    void FillInputs(const QString& name) const {
        Type("XAxysFile_TB", InFolder("x.dat"));
        Type("YAxysFile_TB", InFolder("y.dat"));
        AddAttribute("Temp", InFolder("t.dat"));
        Type("ShapeFolder_TB", folder_.path());
        Type("ShapeFileName_TB", name);
    }

    // Clicks "Create Shape File" and returns the boxes it showed.
    QStringList Create() {
        messages_.shown.clear();
        Click("Command1");
        QApplication::processEvents();
        return messages_.shown;
    }

    // The bar counts tens of shapes, yet once the shape file is written the screen shows it
    // full; the program ends with status 0.
    void ExpectCreated() const {
        EXPECT_EQ(PanelText(1), QStringLiteral("Shape file Created."));
        EXPECT_EQ(barPaints_->lastValue, Bar().maximum());
        EXPECT_EQ(programEnd_.statuses, QList<int>{0});
    }

    // After a failure the window shows that no shape file was written and nothing of the run,
    // the folder holds what it held and the focus returns to the button (the retry at the end
    // shows that the inputs stayed and the program did not end).
    void ExpectNothingShownOfTheRun(const QStringList& files) const {
        EXPECT_EQ((QStringList{PanelText(1), PanelText(3), PanelText(4)}),
                  (QStringList{"Shape file not created.", "", ""}));
        EXPECT_EQ(barPaints_->lastValue, Bar().minimum());
        EXPECT_EQ(FilesInFolder(), files);
        EXPECT_EQ(window_->focusWidget(), &Find<QPushButton>("Command1"));
    }

    QTemporaryDir folder_;
    ScriptedFileSystem* const fileSystem_ = new ScriptedFileSystem;  // owned by files_
    std::unique_ptr<Paints> barPaints_;
};

// A click on "Create Shape File" while the conversion runs is ignored. After the success, one
// box lists every warning, a sentence per line.
TEST_F(ConversionFromWindowTest, PolygonGridAndOneBoxListingEveryWarning) {
    WriteInputs(6, 3);  // 5 x 2 cells
    WriteDataFile(InFolder("wide.dat"), {},
                  {"1", "123456789.5", "2", "3", "4", "5", "6", "7", "8", "9"});
    WriteDataFile(InFolder("small.dat"), {},
                  {"0.004", "0", "-0.003", "1", "2", "3", "4", "5", "6", "7"});
    FillInputs("lagoon");
    AddAttribute("Temperature_surface", InFolder("wide.dat"));
    AddAttribute("Temperatur", InFolder("small.dat"));
    fileSystem_->clickOn = &Find<QPushButton>("Command1");

    EXPECT_EQ(Create(),
              (QStringList{kCreated,
                           NoPrjWarning() + "\n" +
                               "Attribute 'Temperature_surface' is stored as column 'Temperat_1'.\n"
                               "2 values other than 0 became 0 when rounded to 2 decimals; the "
                               "first is '0.004' on line 2 of Attribute 'Temperatur' file '" +
                               InFolder("small.dat") +
                               "'.\n"
                               "1 value of attribute 'Temperature_surface' did not fit its "
                               "10-character column and was rounded to fewer digits: 123456789.5 "
                               "was written as 123456790."}));
    ExpectCreated();
    EXPECT_TRUE(PanelText(3).startsWith(QStringLiteral("Time elapsed: ")));
    EXPECT_TRUE(PanelText(4).startsWith(QStringLiteral("Time remaining: ")));

    const QJsonObject file = ReadWithPyshp(InFolder("lagoon.shp"));
    EXPECT_EQ(file["shapeType"].toInt(), 5);
    EXPECT_EQ(file["fields"].toVariant().toStringList(),
              (QStringList{"Temp", "Temperat_1", "Temperatur"}));
    ASSERT_EQ(file["records"].toArray().size(), 10);
    ASSERT_EQ(file["shapes"].toArray().size(), 10);
    for (int n = 0; n < 10; ++n) {  // j runs fastest
        EXPECT_DOUBLE_EQ(file["records"][n][0].toDouble(), Temperature(1 + n / 2, 1 + n % 2));
    }
    // The last cell, 5, 2: its corners clockwise, as shapefiles draw outer rings, closed.
    QJsonArray ring;
    for (const auto& [i, j] : {std::pair{5, 2}, {5, 3}, {6, 3}, {6, 2}, {5, 2}}) {
        ring.append(QJsonArray{X(i, j), Y(i, j)});
    }
    EXPECT_EQ(file["shapes"][9], ring);
}

TEST_F(ConversionFromWindowTest, PointFileNamedWithItsExtension) {
    WriteInputs(4, 1, true);  // four particles
    FillInputs("drifters.shp");
    Find<QRadioButton>("Point_OB").click();

    EXPECT_EQ(Create(), (QStringList{"Point Shape File 'drifters.shp.shp' was created with success",
                                     NoPrjWarning()}));
    ExpectCreated();
    const QJsonObject file = ReadWithPyshp(InFolder("drifters.shp.shp"));
    EXPECT_EQ(file["shapeType"].toInt(), 1);
    QJsonArray points;
    QJsonArray temperatures;
    for (int p = 1; p <= 4; ++p) {
        points.append(QJsonArray{QJsonArray{X(p, 1), Y(p, 1)}});
        temperatures.append(QJsonArray{Temperature(p, 1)});
    }
    EXPECT_EQ(file["shapes"], points);
    EXPECT_EQ(file["records"], temperatures);
}

// A file that cannot be written (once every shape is written, the bar at 1 of 1.2 and the
// times shown) or read, and a .prj beside the X axys file that PROJ cannot read, reported before
// anything is read: the user learns which and why and can retry. Once the coordinate system is
// put right, the shapefile gets its .prj.
TEST_F(ConversionFromWindowTest, FailuresAreReportedAndTheWindowStaysForARetry) {
    WriteInputs(5, 4);  // 12 cells
    QStringList inputs = FilesInFolder();
    fileSystem_->refusePlacing = true;
    FillInputs("lagoon");
    QStringList shown = Create();
    ExpectNothingShownOfTheRun(inputs);
    fileSystem_->refusePlacing = false;
    Find<QLineEdit>("XAxysFile_TB").setText(InFolder("missing_x.dat"));
    shown += Create();
    ExpectNothingShownOfTheRun(inputs);
    Find<QLineEdit>("XAxysFile_TB").setText(InFolder("x.dat"));
    WriteFile(InFolder("x.prj"), "PROJCS[\"broken\"");
    inputs = FilesInFolder();
    shown += Create();
    ExpectNothingShownOfTheRun(inputs);

    ASSERT_EQ(shown.size(), 3);
    EXPECT_TRUE(shown[0].contains(QStringLiteral("Disk quota exceeded")));
    EXPECT_TRUE(shown[1].contains(InFolder("missing_x.dat")));
    EXPECT_TRUE(shown[2].startsWith("Coordinate system file '" + InFolder("x.prj")));
    for (const QString& report : shown) {
        EXPECT_TRUE(report.endsWith(kNothingWritten)) << report.toStdString();
    }
    WriteFile(InFolder("x.prj"), "EPSG:32633");
    EXPECT_EQ(Create(), QStringList{kCreated});
    ExpectCreated();
    QFile projection(InFolder("lagoon.prj"));
    ASSERT_TRUE(projection.open(QIODevice::ReadOnly));
    EXPECT_TRUE(projection.readAll().startsWith("PROJCS[\"WGS_1984_UTM_Zone_33N\""));
}

// A signal during the conversion: no box waits for the user, the program ends with 128 + the
// signal's number, and no file is left.
TEST_F(ConversionFromWindowTest, ASignalEndsTheProgramWithoutAFile) {
    WriteInputs(4, 3);
    const QStringList inputs = FilesInFolder();
    fileSystem_->signalOnCreate = &stopSignal_;
    FillInputs("lagoon");
    EXPECT_EQ(Create(), QStringList{});
    EXPECT_EQ(programEnd_.statuses, QList<int>{128 + SIGTERM});
    EXPECT_EQ(FilesInFolder(), inputs);
}

}  // namespace
}  // namespace tesselar::test
