// Whole conversions run from the window, their files read back with pyshp.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRadioButton>
#include <QTemporaryDir>
#include <set>
#include <utility>

#include "controls/statusbar/ProgressBar.h"
#include "gui/GridFiles.h"
#include "gui/MainWindowFixture.h"

namespace tesselar::test {
namespace {

// The shape file as an independent reader sees it.
QJsonObject ReadWithPyshp(const QString& shpPath) {
    QProcess python;
    python.start(QStringLiteral(TESSELAR_PYTHON),
                 {QStringLiteral(TESSELAR_GUI_TEST_DIR "/dump_shapefile.py"), shpPath});
    EXPECT_TRUE(python.waitForFinished(60000));
    EXPECT_EQ(python.exitCode(), 0) << python.readAllStandardError().toStdString();
    return QJsonDocument::fromJson(python.readAllStandardOutput()).object();
}

QStringList FieldNames(const QJsonObject& file) {
    QStringList names;
    for (const QJsonValue field : file["fields"].toArray()) {
        names << field.toArray()[0].toString();
    }
    return names;
}

std::set<std::pair<double, double>> Corners(const QJsonArray& ring) {
    std::set<std::pair<double, double>> corners;
    for (const QJsonValue point : ring) {
        corners.emplace(point.toArray()[0].toDouble(), point.toArray()[1].toDouble());
    }
    return corners;
}

class ConversionFromWindowTest : public MainWindowTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder_.isValid());
        MainWindowTest::SetUp();
    }

    QString InFolder(const QString& name) const { return folder_.filePath(name); }

    void AddAttribute(const QString& name, const QString& file) {
        Type("AttribName_TB", name);
        Type("AttribFile_TB", file);
        Click("AddAttribute");
    }

    QTemporaryDir folder_;
};

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

TEST_F(ConversionFromWindowTest, PolygonGridWithTwoAttributes) {
    const GridFiles grid{6, 3, X, Y};  // 5 x 2 cells
    grid.WriteAxys(InFolder("x.dat"), InFolder("y.dat"));
    grid.WriteCellAttribute(InFolder("t.dat"), Temperature);
    grid.WriteCellAttribute(InFolder("s.dat"), Salinity);

    Type("XAxysFile_TB", InFolder("x.dat"));
    Type("YAxysFile_TB", InFolder("y.dat"));
    AddAttribute("Temp", InFolder("t.dat"));
    AddAttribute("Salinity", InFolder("s.dat"));
    Type("ShapeFolder_TB", folder_.path());
    Type("ShapeFileName_TB", "lagoon");
    Click("Command1");

    EXPECT_EQ(messages_.shown,
              QStringList{"Polygon Shape File 'lagoon.shp' was created with success"});
    EXPECT_EQ(programEnd_.count, 1);
    EXPECT_EQ(PanelText(1), QStringLiteral("Shape file Created."));
    EXPECT_TRUE(PanelText(3).startsWith(QStringLiteral("Time elapsed: ")));
    EXPECT_TRUE(PanelText(4).startsWith(QStringLiteral("Time remaining: ")));
    const auto& bar = Find<ProgressBar>("ProgressBar1");
    EXPECT_EQ(bar.value(), bar.maximum());  // 10 shapes: the bar ends full

    const QJsonObject file = ReadWithPyshp(InFolder("lagoon.shp"));
    EXPECT_EQ(file["shapeType"].toInt(), 5);
    EXPECT_EQ(FieldNames(file), (QStringList{"Temp", "Salinity"}));
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

TEST_F(ConversionFromWindowTest, PointFileNamedWithItsExtension) {
    const int sizeI = 5;  // four particles
    QStringList xs;
    QStringList ys;
    QStringList depths;
    for (int p = 1; p < sizeI; ++p) {
        xs << QString::number(X(p, 1));
        ys << QString::number(Y(p, 1));
        depths << QString::number(-1.5 * p);
    }
    WriteDataFile(InFolder("px.dat"), {QStringLiteral("SIZE_I: %1").arg(sizeI)}, xs);
    WriteDataFile(InFolder("py.dat"), {}, ys);
    WriteDataFile(InFolder("depth.dat"), {}, depths);

    Type("XAxysFile_TB", InFolder("px.dat"));
    Type("YAxysFile_TB", InFolder("py.dat"));
    AddAttribute("Depth", InFolder("depth.dat"));
    QTest::mouseClick(&Find<QRadioButton>("Point_OB"), Qt::LeftButton);
    Type("ShapeFolder_TB", folder_.path());
    Type("ShapeFileName_TB", "drifters.shp");
    Click("Command1");

    EXPECT_EQ(messages_.shown,
              QStringList{"Point Shape File 'drifters.shp.shp' was created with success"});
    const QJsonObject file = ReadWithPyshp(InFolder("drifters.shp.shp"));
    EXPECT_EQ(file["shapeType"].toInt(), 1);
    const QJsonArray shapes = file["shapes"].toArray();
    const QJsonArray records = file["records"].toArray();
    ASSERT_EQ(shapes.size(), sizeI - 1);
    ASSERT_EQ(records.size(), sizeI - 1);
    for (int p = 1; p < sizeI; ++p) {
        const QJsonArray point = shapes[p - 1].toArray()[0].toArray();
        EXPECT_DOUBLE_EQ(point[0].toDouble(), X(p, 1)) << p;
        EXPECT_DOUBLE_EQ(point[1].toDouble(), Y(p, 1)) << p;
        EXPECT_DOUBLE_EQ(records[p - 1].toArray()[0].toDouble(), -1.5 * p) << p;
    }
}

// A value too wide for its column is still written, with fewer decimals, and the user is told
// after the success.
TEST_F(ConversionFromWindowTest, ValuesTooWideForTheirColumnAreReported) {
    const GridFiles grid{2, 3, X, Y};  // 1 x 2 cells
    grid.WriteAxys(InFolder("x.dat"), InFolder("y.dat"));
    WriteDataFile(InFolder("v.dat"), {}, {"12345678.91", "1.5"});
    Type("XAxysFile_TB", InFolder("x.dat"));
    Type("YAxysFile_TB", InFolder("y.dat"));
    AddAttribute("Volume", InFolder("v.dat"));
    Type("ShapeFolder_TB", folder_.path());
    Type("ShapeFileName_TB", "wide");
    Click("Command1");

    EXPECT_EQ(messages_.shown,
              (QStringList{"Polygon Shape File 'wide.shp' was created with success",
                           "1 value did not fit the 10-character column and was rounded to "
                           "fewer digits."}));
    EXPECT_EQ(programEnd_.count, 1);
    const QJsonArray records = ReadWithPyshp(InFolder("wide.shp"))["records"].toArray();
    ASSERT_EQ(records.size(), 2);
    EXPECT_NEAR(records[0].toArray()[0].toDouble(), 12345678.91, 0.05);
    EXPECT_DOUBLE_EQ(records[1].toArray()[0].toDouble(), 1.5);
}

}  // namespace
}  // namespace tesselar::test
