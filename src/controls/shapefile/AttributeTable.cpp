#include "controls/shapefile/AttributeTable.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "controls/shapefile/ByteOrder.h"
#include "controls/shapefile/FormatSizes.h"
#include "controls/shapefile/NumericText.h"
#include "controls/shapefile/ShapeFileError.h"
#include "controls/shapefile/ShapeFiles.h"

namespace tesselar {

namespace {

// dBASE III header (32 bytes), one descriptor of 32 bytes per column, and the terminator.
constexpr unsigned char kVersionDbase3 = 0x03;
constexpr unsigned char kHeaderTerminator = 0x0D;
constexpr unsigned char kNumericType = 'N';
// Both the header and the record lengths are stored in 16 bits.
constexpr std::size_t kMaxStoredLength = 65535;
// A null number fills its field with this character.
constexpr char kNullNumberFill = '*';

}  // namespace

DbfNumericColumn::DbfNumericColumn(AttributeTable& table, std::string name, std::size_t offset,
                                   int width, int decimals)
    : table_(table), name_(std::move(name)), offset_(offset), width_(width), decimals_(decimals) {}

void DbfNumericColumn::Value(double value) {
    if (!std::isfinite(value)) {
        throw ShapeFileError("cannot write " + NumberText(value) + " to the column '" + name_ +
                             "' of '" + table_.dbfName_ + "': it is not a finite number");
    }
    const NumericTextFit fit = WriteNumericText(value, width_, decimals_, &table_.record_[offset_]);
    if (fit == NumericTextFit::kTooWide) {
        throw ShapeFileError("cannot write " + NumberText(value) + " to the column '" + name_ +
                             "' of '" + table_.dbfName_ + "': it does not fit in " +
                             std::to_string(width_) + " characters");
    }
    MarkShortened(fit == NumericTextFit::kShortened, value);
}

void DbfNumericColumn::SetNull() {
    std::memset(&table_.record_[offset_], kNullNumberFill, static_cast<std::size_t>(width_));
    MarkShortened(false, 0.0);
}

ShortenedValues DbfNumericColumn::Shortened() const {
    return {name_, width_, shortenedCount_, firstShortened_, firstShortenedText_};
}

void DbfNumericColumn::MarkShortened(bool shortened, double value) {
    if (shortened && firstShortenedText_.empty()) {
        const std::string_view text =
            std::string_view(table_.record_).substr(offset_, static_cast<std::size_t>(width_));
        firstShortened_ = value;
        firstShortenedText_ = text.substr(text.find_first_not_of(' '));
    }
    if (shortened != shortened_) {
        table_.shortenedColumns_ += shortened ? 1 : -1;
        shortened_ = shortened;
    }
}

AttributeTable::AttributeTable(std::string dbfName) : dbfName_(std::move(dbfName)) {}

ShapeField& AttributeTable::AddField(const std::string& name, int typeCode, int width,
                                     int decimals) {
    const auto refuse = [&](const std::string& why) {
        throw ShapeFileError("cannot add the column '" + name.substr(0, name.find('\0')) +
                             "' to '" + dbfName_ + "': " + why);
    };
    // The table ends a name at its first NUL byte: two names could read as one.
    if (name.find('\0') != std::string::npos) {
        refuse("its name holds a NUL byte");
    }
    if (committed_) {
        refuse("the columns are already committed");
    }
    if (typeCode != kFieldTypeNumeric) {
        refuse("type code " + std::to_string(typeCode) + " is not a numeric column (" +
               std::to_string(kFieldTypeNumeric) + ")");
    }
    if (width < 1 || width > kMaxNumberWidth) {
        refuse("a width of " + std::to_string(width) + " is outside 1 to " +
               std::to_string(kMaxNumberWidth));
    }
    // A column with decimals needs room for the point and one digit before it.
    if (decimals < 0 || decimals > kMaxNumberDecimals || (decimals > 0 && decimals > width - 2)) {
        refuse(std::to_string(decimals) + " decimals do not fit a width of " +
               std::to_string(width));
    }
    const auto columnWidth = static_cast<std::size_t>(width);
    if (kDbfHeaderBytes + kDbfDescriptorBytes * (columns_.size() + 1) + 1 > kMaxStoredLength ||
        record_.size() + columnWidth > kMaxStoredLength) {
        refuse("a dBASE table cannot hold more columns");
    }

    DbfNumericColumn& column = columns_.emplace_back(*this, name, record_.size(), width, decimals);
    record_.append(columnWidth, ' ');
    return column;
}

void AttributeTable::Commit() {
    std::vector<std::string> names;
    names.reserve(columns_.size());
    for (const DbfNumericColumn& column : columns_) {
        names.push_back(column.Name());
    }
    columnNames_ = DbfColumnNames(names);
    committed_ = true;
}

void AttributeTable::CountShortenedColumns() {
    for (DbfNumericColumn& column : columns_) {
        if (column.shortened_) {
            ++column.shortenedCount_;
        }
    }
}

std::vector<ShortenedValues> AttributeTable::Shortened() const {
    std::vector<ShortenedValues> shortened;
    for (const DbfNumericColumn& column : columns_) {
        if (column.shortenedCount_ > 0) {
            shortened.push_back(column.Shortened());
        }
    }
    return shortened;
}

std::vector<unsigned char> AttributeTable::Header(std::chrono::year_month_day date,
                                                  std::uint32_t recordCount) const {
    const std::size_t headerBytes = kDbfHeaderBytes + kDbfDescriptorBytes * columns_.size() + 1;
    std::vector<unsigned char> header(headerBytes, 0);
    header[0] = kVersionDbase3;
    // The year counts from 1900 in one byte.
    header[1] =
        static_cast<unsigned char>(std::clamp(static_cast<int>(date.year()) - 1900, 0, 255));
    header[2] = static_cast<unsigned char>(static_cast<unsigned>(date.month()));
    header[3] = static_cast<unsigned char>(static_cast<unsigned>(date.day()));
    PutUInt32Little(&header[4], recordCount);
    PutUInt16Little(&header[8], static_cast<std::uint16_t>(headerBytes));
    PutUInt16Little(&header[10], static_cast<std::uint16_t>(record_.size()));

    unsigned char* descriptor = &header[kDbfHeaderBytes];
    for (std::size_t index = 0; index < columns_.size(); ++index) {
        const DbfNumericColumn& column = columns_[index];
        const std::string& stored = columnNames_.at(index).stored;
        // The name is padded with zero bytes to 11, so it always ends in one.
        std::memcpy(descriptor, stored.data(), stored.size());
        descriptor[11] = kNumericType;
        descriptor[16] = static_cast<unsigned char>(column.Width());
        descriptor[17] = static_cast<unsigned char>(column.Decimals());
        descriptor += kDbfDescriptorBytes;
    }
    *descriptor = kHeaderTerminator;
    return header;
}

}  // namespace tesselar
