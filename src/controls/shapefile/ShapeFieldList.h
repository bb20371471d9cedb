#pragma once

#include <string>
#include <string_view>

namespace tesselar {

// One numeric column of the attribute table.
class ShapeField {
public:
    virtual ~ShapeField() = default;
    // The column's value for the shape being built, in fixed form with every digit of its
    // shortest exact text and zeros up to the column's decimals where they fit. A value that
    // needs more decimals or characters than the column has is rounded to as many digits as
    // fit, in fixed or exponent form, whichever reads back nearer (see WriteNumericText). A
    // value that is not a finite number is refused.
    virtual void Value(double value) = 0;
    // The column's value for the shape being built is null: the field is filled with
    // asterisks, the form shapelib, GDAL and pyshp write for a null number and read back as
    // null.
    virtual void SetNull() = 0;
};

// One text column of the attribute table.
class ShapeTextField {
public:
    virtual ~ShapeTextField() = default;
    // The column's text for the shape being built, padded with blanks to the column's width. A
    // text longer than the column is refused.
    virtual void Text(std::string_view text) = 0;
};

class ShapeFieldList {
public:
    virtual ~ShapeFieldList() = default;
    // Adds a numeric column (typeCode kFieldTypeNumeric) of `width` characters, at most 19, with
    // `decimals` decimals, at most 15 (0 for an integer column). Names longer than 10 bytes are
    // shortened without splitting a UTF-8 character, and a name that repeats another column's
    // (ignoring ASCII case) is made unique. The column returned is the handle that sets its
    // values.
    virtual ShapeField& AddField(const std::string& name, int typeCode, int width,
                                 int decimals) = 0;
    // Adds a text column of `width` bytes (1 to 254), named as AddField names its columns.
    virtual ShapeTextField& AddTextField(const std::string& name, int width) = 0;
};

class ShapeVertexList {
public:
    virtual ~ShapeVertexList() = default;
    // Vertices with the same part number form one ring; a ring is closed by the component and
    // written clockwise.
    virtual void AddVertex(double x, double y, int part) = 0;
};

}  // namespace tesselar
