#include "readers/StepTimes.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <limits>

#include "conversion/PrintableText.h"
#include "readers/StepFiles.h"

namespace tesselar {

namespace {

using std::chrono::days;
using std::chrono::hours;
using std::chrono::minutes;
using std::chrono::seconds;

constexpr int kLastYear = 9999;

// Reads exactly `width` digits at `at`, moving past them.
std::optional<int> Digits(std::string_view text, std::size_t& at, std::size_t width) {
    if (at + width > text.size()) {
        return std::nullopt;
    }
    int value = 0;
    for (std::size_t n = 0; n < width; ++n) {
        const char c = text[at + n];
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    at += width;
    return value;
}

bool Take(std::string_view text, std::size_t& at, char expected) {
    if (at < text.size() && text[at] == expected) {
        ++at;
        return true;
    }
    return false;
}

// What follows the time: "Z", "+HH:MM", "+HHMM", "+HH" (or "-"), or nothing.
std::optional<seconds> ZoneOffset(std::string_view text, std::size_t at) {
    if (at == text.size()) {
        return seconds(0);
    }
    if (text.substr(at) == "Z" || text.substr(at) == "z") {
        return seconds(0);
    }
    const char sign = text[at];
    if (sign != '+' && sign != '-') {
        return std::nullopt;
    }
    ++at;
    const auto offsetHours = Digits(text, at, 2);
    int offsetMinutes = 0;
    if (at < text.size()) {
        Take(text, at, ':');
        const auto digits = Digits(text, at, 2);
        if (!digits) {
            return std::nullopt;
        }
        offsetMinutes = *digits;
    }
    if (!offsetHours || at != text.size() || *offsetHours > 23 || offsetMinutes > 59) {
        return std::nullopt;
    }
    const seconds offset = hours(*offsetHours) + minutes(offsetMinutes);
    return sign == '+' ? offset : -offset;
}

}  // namespace

std::optional<StepTime> ParseDateTime(std::string_view text) {
    std::size_t at = 0;
    const auto year = Digits(text, at, 4);
    const bool dateDashes = Take(text, at, '-');
    const auto month = Digits(text, at, 2);
    const bool secondDash = Take(text, at, '-');
    const auto day = Digits(text, at, 2);
    const bool separator = Take(text, at, 'T') || Take(text, at, 't');
    const auto hour = Digits(text, at, 2);
    const bool colon = Take(text, at, ':');
    const auto minute = Digits(text, at, 2);
    int second = 0;
    if (Take(text, at, ':')) {
        const auto digits = Digits(text, at, 2);
        if (!digits) {
            return std::nullopt;
        }
        second = *digits;
    }
    if (!year || !dateDashes || !month || !secondDash || !day || !separator || !hour || !colon ||
        !minute) {
        return std::nullopt;
    }
    const std::chrono::year_month_day date{std::chrono::year(*year),
                                           std::chrono::month(static_cast<unsigned>(*month)),
                                           std::chrono::day(static_cast<unsigned>(*day))};
    // 24:00 and leap seconds are left out: a step has one name for its time.
    if (!date.ok() || *hour > 23 || *minute > 59 || second > 59) {
        return std::nullopt;
    }
    const auto offset = ZoneOffset(text, at);
    if (!offset) {
        return std::nullopt;
    }
    const StepTime local =
        std::chrono::sys_days(date) + hours(*hour) + minutes(*minute) + seconds(second);
    const StepTime utc = local - *offset;
    const auto utcYear =
        static_cast<int>(std::chrono::year_month_day(std::chrono::floor<days>(utc)).year());
    if (utcYear < 0 || utcYear > kLastYear) {
        return std::nullopt;
    }
    return utc;
}

std::optional<seconds> ParseDuration(std::string_view text) {
    constexpr long long kLargest = std::numeric_limits<long long>::max() / 1000;
    const auto number = [](std::string_view digits, std::size_t& at) -> std::optional<long long> {
        const std::size_t start = at;
        long long value = 0;
        while (at < digits.size() && digits[at] >= '0' && digits[at] <= '9') {
            value = value * 10 + (digits[at] - '0');
            if (value > kLargest) {
                return std::nullopt;
            }
            ++at;
        }
        if (at == start) {
            return std::nullopt;
        }
        return value;
    };
    std::size_t at = 0;
    long long total = 0;
    if (!text.starts_with('P') && !text.starts_with('p')) {
        const auto plain = number(text, at);
        if (!plain || at != text.size() || *plain == 0) {
            return std::nullopt;
        }
        return seconds(*plain);
    }
    ++at;
    bool timePart = false;
    bool anyPart = false;
    std::string_view unitsLeft = "WD";  // the units still allowed, in their order
    while (at < text.size()) {
        if (!timePart && (text[at] == 'T' || text[at] == 't')) {
            timePart = true;
            unitsLeft = "HMS";
            ++at;
            if (at == text.size()) {
                return std::nullopt;
            }
            continue;
        }
        const auto value = number(text, at);
        if (!value || at == text.size()) {
            return std::nullopt;
        }
        const char unit = static_cast<char>(text[at] & ~0x20);  // upper case
        const std::size_t place = unitsLeft.find(unit);
        if (place == std::string_view::npos) {
            return std::nullopt;
        }
        unitsLeft = unitsLeft.substr(place + 1);
        ++at;
        const long long factor = unit == 'W'   ? 7 * 86400
                                 : unit == 'D' ? 86400
                                 : unit == 'H' ? 3600
                                 : unit == 'M' ? 60
                                               : 1;
        if (*value > (kLargest - total) / factor) {
            return std::nullopt;
        }
        total += *value * factor;
        anyPart = true;
    }
    if (!anyPart || total == 0) {
        return std::nullopt;
    }
    return seconds(total);
}

std::string IsoUtcText(StepTime time) {
    const auto day = std::chrono::floor<days>(time);
    const std::chrono::year_month_day date(day);
    const std::chrono::hh_mm_ss clock(time - day);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ",
                  static_cast<int>(date.year()), static_cast<unsigned>(date.month()),
                  static_cast<unsigned>(date.day()), static_cast<int>(clock.hours().count()),
                  static_cast<int>(clock.minutes().count()),
                  static_cast<int>(clock.seconds().count()));
    return text;
}

std::string CompactUtcText(StepTime time) {
    std::string compact;
    for (const char c : IsoUtcText(time)) {
        if (c != '-' && c != ':') {
            compact += c;
        }
    }
    return compact;
}

std::vector<StepTime> RegularTimes(StepTime start, seconds step, std::size_t count) {
    const StepTime last =
        std::chrono::sys_days(std::chrono::year(kLastYear) / std::chrono::December / 31) + days(1) -
        seconds(1);
    std::vector<StepTime> times;
    times.reserve(count);
    for (std::size_t n = 0; n < count; ++n) {
        const StepTime time = n == 0 ? start : times.back() + step;
        if (time > last) {
            throw StepSeriesError("the time of step " + std::to_string(n + 1) + " of " +
                                  std::to_string(count) + " lies beyond the year 9999");
        }
        times.push_back(time);
    }
    return times;
}

std::vector<StepTime> ReadTimesFile(const std::string& path, std::size_t count) {
    const std::string label = "times file '" + PrintableText(path) + "'";
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw StepSeriesError(label + " cannot be opened: " + std::strerror(errno));
    }
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        if (line.ends_with('\r')) {
            line.pop_back();
        }
        lines.push_back(std::move(line));
    }
    if (in.bad()) {
        throw StepSeriesError(label + " cannot be read: " + std::strerror(errno));
    }
    while (!lines.empty() && lines.back().find_first_not_of(" \t") == std::string::npos) {
        lines.pop_back();
    }
    std::vector<StepTime> times;
    for (std::size_t n = 0; n < lines.size(); ++n) {
        const std::string at = label + ", line " + std::to_string(n + 1) + ": ";
        const auto time = ParseDateTime(lines[n]);
        if (!time) {
            throw StepSeriesError(at + QuotedPrintable(lines[n]) +
                                  " is not an ISO 8601 date-time such as 2024-01-01T00:00:00Z");
        }
        if (!times.empty() && *time <= times.back()) {
            throw StepSeriesError(at + IsoUtcText(*time) + " is not later than " +
                                  IsoUtcText(times.back()) + " on line " + std::to_string(n) +
                                  ": the times must increase from line to line");
        }
        times.push_back(*time);
    }
    if (times.size() != count) {
        throw StepSeriesError(label + " holds " + std::to_string(times.size()) +
                              (times.size() == 1 ? " time" : " times") +
                              (count == 1 ? " but there is 1 step"
                                          : " but there are " + std::to_string(count) + " steps") +
                              ": give one time per step, one per line");
    }
    return times;
}

}  // namespace tesselar
