#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "controls/shapefile/DbfFieldNames.h"
#include "controls/shapefile/ShapeFieldList.h"
#include "controls/shapefile/ShortenedValues.h"

namespace tesselar {

class AttributeTable;

// One numeric column. Its text in the current record stays as last set: a value is kept for
// every following record until it is set again, and a column never set is blank, which dBASE
// readers take as "no value".
class DbfNumericColumn final : public ShapeField {
public:
    DbfNumericColumn(AttributeTable& table, std::string name, std::size_t offset, int width,
                     int decimals);
    void Value(double value) override;
    void SetNull() override;

    const std::string& Name() const { return name_; }
    int Width() const { return width_; }
    int Decimals() const { return decimals_; }

    // The values counted so far that this column holds with fewer digits than they have.
    ShortenedValues Shortened() const;

private:
    friend class AttributeTable;

    void MarkShortened(bool shortened, double value);

    AttributeTable& table_;
    std::string name_;
    std::size_t offset_;
    int width_;
    int decimals_;
    // Whether the current record's text lost digits of the value.
    bool shortened_ = false;
    std::int64_t shortenedCount_ = 0;
    double firstShortened_ = 0.0;
    std::string firstShortenedText_;
};

// One text column; blank until its text is set, then kept for every following record.
class DbfTextColumn final : public ShapeTextField {
public:
    DbfTextColumn(AttributeTable& table, std::string name, std::size_t offset, int width);
    void Text(std::string_view text) override;

private:
    AttributeTable& table_;
    std::string name_;
    std::size_t offset_;
    int width_;
};

// The dBASE III attribute table: its columns, and the record holding their current values.
class AttributeTable final : public ShapeFieldList {
public:
    // `dbfName` is the .dbf path the user knows, used in messages.
    explicit AttributeTable(std::string dbfName);
    AttributeTable(const AttributeTable&) = delete;
    AttributeTable& operator=(const AttributeTable&) = delete;

    ShapeField& AddField(const std::string& name, int typeCode, int width, int decimals) override;
    ShapeTextField& AddTextField(const std::string& name, int width) override;

    // Fixes the columns and their stored names; adding one is refused from then on.
    void Commit();
    // Each column's name as given and as stored, in column order; empty before Commit.
    const std::vector<DbfColumnName>& ColumnNames() const { return columnNames_; }
    // The file header with its column descriptors, for a table of `recordCount` records last
    // changed on `date`.
    std::vector<unsigned char> Header(std::chrono::year_month_day date,
                                      std::uint32_t recordCount) const;
    // The record of the current values: a blank deletion flag, then each column's text.
    std::string_view Record() const { return record_; }
    // Counts the values of the current record that lost digits, as the record is written.
    void CountShortened() {
        if (shortenedColumns_ > 0) [[unlikely]] {
            CountShortenedColumns();
        }
    }
    // The columns holding values counted so far that lost digits, in column order.
    std::vector<ShortenedValues> Shortened() const;

private:
    friend class DbfNumericColumn;
    friend class DbfTextColumn;

    // What the header says of a column.
    struct Descriptor {
        std::string name;
        unsigned char type;
        int width;
        int decimals;
    };

    [[noreturn]] void RefuseColumn(const std::string& name, const std::string& why) const;
    // Refuses a column that the table cannot take, whatever its type.
    void CheckNewColumn(const std::string& name, int width) const;
    // Records the column's descriptor and its room in the record; returns its offset there.
    std::size_t AppendColumn(const std::string& name, unsigned char type, int width, int decimals);

    void CountShortenedColumns();

    std::string dbfName_;
    std::deque<DbfNumericColumn> columns_;
    std::deque<DbfTextColumn> textColumns_;
    std::vector<Descriptor> descriptors_;  // every column, in column order
    // The stored column names, set by Commit: each depends on all the others.
    std::vector<DbfColumnName> columnNames_;
    std::string record_ = " ";
    // How many columns hold a value in the current record that lost digits.
    int shortenedColumns_ = 0;
    bool committed_ = false;
};

}  // namespace tesselar
