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
constexpr unsigned char kTextType = 'C';
// A text column's width is one byte; dBASE III readers take at most 254.
constexpr int kMaxTextWidth = 254;
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

DbfTextColumn::DbfTextColumn(AttributeTable& table, std::string name, std::size_t offset, int width)
    : table_(table), name_(std::move(name)), offset_(offset), width_(width) {}

void DbfTextColumn::Text(std::string_view text) {
    const auto width = static_cast<std::size_t>(width_);
    if (text.size() > width) {
        throw ShapeFileError("cannot write the text '" + std::string(text) + "' to the column '" +
                             name_ + "' of '" + table_.dbfName_ + "': it is longer than " +
                             std::to_string(width_) + " bytes");
    }
    std::memcpy(&table_.record_[offset_], text.data(), text.size());
    std::memset(&table_.record_[offset_ + text.size()], ' ', width - text.size());
}

AttributeTable::AttributeTable(std::string dbfName) : dbfName_(std::move(dbfName)) {}

void AttributeTable::RefuseColumn(const std::string& name, const std::string& why) const {
    throw ShapeFileError("cannot add the column '" + name.substr(0, name.find('\0')) + "' to '" +
                         dbfName_ + "': " + why);
}

void AttributeTable::CheckNewColumn(const std::string& name, int width) const {
    // The table ends a name at its first NUL byte: two names could read as one.
    if (name.find('\0') != std::string::npos) {
        RefuseColumn(name, "its name holds a NUL byte");
    }
    if (committed_) {
        RefuseColumn(name, "the columns are already committed");
    }
    if (kDbfHeaderBytes + kDbfDescriptorBytes * (descriptors_.size() + 1) + 1 > kMaxStoredLength ||
        record_.size() + static_cast<std::size_t>(std::max(width, 0)) > kMaxStoredLength) {
        RefuseColumn(name, "a dBASE table cannot hold more columns");
    }
}

std::size_t AttributeTable::AppendColumn(const std::string& name, unsigned char type, int width,
                                         int decimals) {
    const std::size_t offset = record_.size();
    descriptors_.push_back({name, type, width, decimals});
    record_.append(static_cast<std::size_t>(width), ' ');
    return offset;
}

ShapeField& AttributeTable::AddField(const std::string& name, int typeCode, int width,
                                     int decimals) {
    CheckNewColumn(name, width);
    if (typeCode != kFieldTypeNumeric) {
        RefuseColumn(name, "type code " + std::to_string(typeCode) + " is not a numeric column (" +
                               std::to_string(kFieldTypeNumeric) + ")");
    }
    if (width < 1 || width > kMaxNumberWidth) {
        RefuseColumn(name, "a width of " + std::to_string(width) + " is outside 1 to " +
                               std::to_string(kMaxNumberWidth));
    }
    // A column with decimals needs room for the point and one digit before it.
    if (decimals < 0 || decimals > kMaxNumberDecimals || (decimals > 0 && decimals > width - 2)) {
        RefuseColumn(name, std::to_string(decimals) + " decimals do not fit a width of " +
                               std::to_string(width));
    }
    const std::size_t offset = AppendColumn(name, kNumericType, width, decimals);
    return columns_.emplace_back(*this, name, offset, width, decimals);
}

ShapeTextField& AttributeTable::AddTextField(const std::string& name, int width) {
    CheckNewColumn(name, width);
    if (width < 1 || width > kMaxTextWidth) {
        RefuseColumn(name, "a width of " + std::to_string(width) + " is outside 1 to " +
                               std::to_string(kMaxTextWidth));
    }
    const std::size_t offset = AppendColumn(name, kTextType, width, 0);
    return textColumns_.emplace_back(*this, name, offset, width);
}

void AttributeTable::Commit() {
    std::vector<std::string> names;
    names.reserve(descriptors_.size());
    for (const Descriptor& column : descriptors_) {
        names.push_back(column.name);
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
    const std::size_t headerBytes = kDbfHeaderBytes + kDbfDescriptorBytes * descriptors_.size() + 1;
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
    for (std::size_t index = 0; index < descriptors_.size(); ++index) {
        const Descriptor& column = descriptors_[index];
        const std::string& stored = columnNames_.at(index).stored;
        // The name is padded with zero bytes to 11, so it always ends in one.
        std::memcpy(descriptor, stored.data(), stored.size());
        descriptor[11] = column.type;
        descriptor[16] = static_cast<unsigned char>(column.width);
        descriptor[17] = static_cast<unsigned char>(column.decimals);
        descriptor += kDbfDescriptorBytes;
    }
    *descriptor = kHeaderTerminator;
    return header;
}

}  // namespace tesselar
