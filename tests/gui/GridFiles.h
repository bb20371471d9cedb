#pragma once

#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QTextStream>
#include <functional>
#include <stdexcept>

namespace tesselar::test {

// Writes an input file as the modelling system does: header lines, the "<BeginData>" marker,
// then one value per line.
inline void WriteDataFile(const QString& path, const QStringList& header,
                          const QStringList& values) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) {
        throw std::runtime_error("cannot write " + path.toStdString());
    }
    QTextStream out(&file);
    for (const QString& line : header) {
        out << line << '\n';
    }
    out << "<BeginData>\n";
    for (const QString& value : values) {
        out << value << '\n';
    }
    out << "<EndData>\n";
}

// A grid of sizeI x sizeJ nodes, its X and Y axys files and one attribute file per attribute,
// with the values a function of the node or cell. Node (i, j) is listed with j varying fastest.
struct GridFiles {
    int sizeI;
    int sizeJ;
    std::function<double(int i, int j)> x;
    std::function<double(int i, int j)> y;

    void WriteAxys(const QString& xPath, const QString& yPath) const {
        QStringList xs;
        QStringList ys;
        for (int i = 1; i <= sizeI; ++i) {
            for (int j = 1; j <= sizeJ; ++j) {
                xs << QString::number(x(i, j), 'f', 3);
                ys << QString::number(y(i, j), 'f', 3);
            }
        }
        const QStringList header = {"Nerasco grid", QStringLiteral("SIZE_I : %1").arg(sizeI),
                                    QStringLiteral("SIZE_J : %1").arg(sizeJ)};
        WriteDataFile(xPath, header, xs);
        WriteDataFile(yPath, {"Nerasco grid, Y"}, ys);
    }

    // One value per cell (i, j), i < sizeI and j < sizeJ.
    void WriteCellAttribute(const QString& path,
                            const std::function<double(int i, int j)>& value) const {
        QStringList values;
        for (int i = 1; i < sizeI; ++i) {
            for (int j = 1; j < sizeJ; ++j) {
                values << QString::number(value(i, j), 'f', 4);
            }
        }
        WriteDataFile(path, {"Nerasco property"}, values);
    }
};

}  // namespace tesselar::test
