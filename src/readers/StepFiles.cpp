#include "readers/StepFiles.h"

#include <glob.h>

#include <algorithm>
#include <cctype>
#include <new>

#include "conversion/PrintableText.h"

namespace tesselar {

namespace {

bool IsPatternCharacter(char c) {
    return c == '*' || c == '?' || c == '[';
}

bool IsDigit(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

std::string_view DigitRun(std::string_view text, std::size_t start) {
    std::size_t end = start;
    while (end < text.size() && IsDigit(text[end])) {
        ++end;
    }
    return text.substr(start, end - start);
}

// -1, 0 or 1 as the numbers `a` and `b` (runs of digits) compare by value.
int CompareNumbers(std::string_view a, std::string_view b) {
    const auto significant = [](std::string_view digits) {
        const std::size_t first = digits.find_first_not_of('0');
        return first == std::string_view::npos ? std::string_view() : digits.substr(first);
    };
    const std::string_view x = significant(a);
    const std::string_view y = significant(b);
    if (x.size() != y.size()) {
        return x.size() < y.size() ? -1 : 1;
    }
    const int order = x.compare(y);
    return order < 0 ? -1 : order > 0 ? 1 : 0;
}

}  // namespace

bool IsFilePattern(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\') {
            ++i;  // the next character stands for itself
        } else if (IsPatternCharacter(text[i])) {
            return true;
        }
    }
    return false;
}

std::string PlainFileName(std::string_view text) {
    std::string name;
    name.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && IsPatternCharacter(text[i + 1])) {
            continue;
        }
        name += text[i];
    }
    return name;
}

bool NaturalLess(std::string_view a, std::string_view b) {
    std::size_t i = 0;
    std::size_t j = 0;
    int leadingZeros = 0;  // the first difference in length of equal numbers
    while (i < a.size() && j < b.size()) {
        if (IsDigit(a[i]) && IsDigit(b[j])) {
            const std::string_view x = DigitRun(a, i);
            const std::string_view y = DigitRun(b, j);
            if (const int order = CompareNumbers(x, y); order != 0) {
                return order < 0;
            }
            if (leadingZeros == 0 && x.size() != y.size()) {
                leadingZeros = x.size() < y.size() ? -1 : 1;
            }
            i += x.size();
            j += y.size();
        } else if (a[i] != b[j]) {
            return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]);
        } else {
            ++i;
            ++j;
        }
    }
    if (a.size() - i != b.size() - j) {
        return a.size() - i < b.size() - j;
    }
    return leadingZeros < 0;
}

std::vector<std::string> PatternMatches(const std::string& attributeName,
                                        const std::string& pattern) {
    const std::string what =
        "attribute " + QuotedPrintable(attributeName) + ": the pattern " + QuotedPrintable(pattern);
    glob_t found{};
    // GLOB_MARK ends the names of folders with "/", so that they can be left out.
    const int result = glob(pattern.c_str(), GLOB_MARK, nullptr, &found);
    std::vector<std::string> files;
    if (result == 0) {
        for (std::size_t n = 0; n < found.gl_pathc; ++n) {
            const std::string path = found.gl_pathv[n];
            if (!path.ends_with('/')) {
                files.push_back(path);
            }
        }
    }
    globfree(&found);
    if (result == GLOB_NOSPACE) {
        throw std::bad_alloc();
    }
    if (result == GLOB_ABORTED) {
        throw StepSeriesError(what + " cannot be matched: a folder on its way cannot be read");
    }
    if (files.empty()) {
        throw StepSeriesError(what + " matches no file");
    }
    std::sort(files.begin(), files.end(),
              [](const std::string& a, const std::string& b) { return NaturalLess(a, b); });
    return files;
}

StepFiles::StepFiles(const std::vector<std::pair<std::string, std::string>>& attributes) {
    std::string counts;
    bool countsDiffer = false;
    for (const auto& [name, text] : attributes) {
        const bool pattern = IsFilePattern(text);
        varies_.push_back(pattern);
        if (!pattern) {
            files_.push_back({PlainFileName(text)});
            continue;
        }
        files_.push_back(PatternMatches(name, text));
        const std::size_t count = files_.back().size();
        if (hasPattern_ && count != stepCount_) {
            countsDiffer = true;
        }
        if (!hasPattern_) {
            stepCount_ = count;
            hasPattern_ = true;
        }
        counts += (counts.empty() ? "" : ", ") + QuotedPrintable(text) + " (" +
                  PrintableText(name) + ") matches " + std::to_string(count);
    }
    if (countsDiffer) {
        throw StepSeriesError("the patterns match different numbers of files: " + counts +
                              "; every pattern must match one file per step");
    }
}

const std::string& StepFiles::File(std::size_t attribute, std::size_t step) const {
    const std::vector<std::string>& files = files_.at(attribute);
    return files.size() == 1 ? files.front() : files.at(step);
}

}  // namespace tesselar
