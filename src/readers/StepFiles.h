#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "conversion/ConversionError.h"

namespace tesselar {

// A model run's steps cannot be made from what was asked: a pattern matching nothing, patterns
// matching different numbers of files, times that do not fit the steps.
class StepSeriesError : public ConversionError {
public:
    using ConversionError::ConversionError;
};

// Whether the text after the "=" of NAME=FILE is a file-name pattern: it holds a "*", "?" or
// "[" that no backslash escapes.
bool IsFilePattern(std::string_view text);

// The file a text that is no pattern names: a backslash before "*", "?" or "[" is dropped, and
// every other character stays as written.
std::string PlainFileName(std::string_view text);

// Natural order: runs of digits compare by their value (temp_2 before temp_10), everything else
// byte by byte; names that differ only in leading zeros put the shorter first.
bool NaturalLess(std::string_view a, std::string_view b);

// The files (not folders) that `pattern` (glob(3): "*", "?", "[...]", a backslash escaping the
// next character) matches, in natural order. Throws StepSeriesError naming `attributeName` and
// the pattern when it matches nothing or a folder cannot be read.
std::vector<std::string> PatternMatches(const std::string& attributeName,
                                        const std::string& pattern);

// The files of every attribute, step by step: an attribute given by a pattern has a file per
// step, one given as a plain file the same file in every step.
class StepFiles {
public:
    // `attributes`: name and text after the "=", in column order. Throws StepSeriesError when
    // a pattern matches nothing, or the patterns match different numbers of files (naming
    // each pattern and its count).
    explicit StepFiles(const std::vector<std::pair<std::string, std::string>>& attributes);

    // N: the count of every pattern's matches, or 1 without a pattern.
    std::size_t StepCount() const { return stepCount_; }
    bool HasPattern() const { return hasPattern_; }
    // Whether attribute `attribute` (from 0) changes from step to step.
    bool Varies(std::size_t attribute) const { return varies_.at(attribute); }
    // The file of attribute `attribute` (from 0) in step `step` (from 0).
    const std::string& File(std::size_t attribute, std::size_t step) const;
    std::size_t AttributeCount() const { return files_.size(); }

private:
    std::size_t stepCount_ = 1;
    bool hasPattern_ = false;
    std::vector<bool> varies_;
    std::vector<std::vector<std::string>> files_;
};

}  // namespace tesselar
