#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tesselar {

// A step's time, to the second, in UTC.
using StepTime = std::chrono::sys_seconds;

// An ISO 8601 date-time from 0000-01-01 to 9999-12-31: "YYYY-MM-DDTHH:MM" or "...:SS", then
// "Z", a zone offset ("+02:00", "-0530", "+02") or nothing for UTC; the offset is taken out,
// so the time is UTC. Nothing when the text is none.
std::optional<StepTime> ParseDateTime(std::string_view text);

// The time between steps: an ISO 8601 duration of weeks, days, hours, minutes and seconds
// ("PT1H", "PT30M", "P1D", "P1DT12H", "P2W"), or a whole number of seconds ("3600"). Nothing
// when the text is none or the duration is not longer than 0 (years and months, which differ
// in length, are none).
std::optional<std::chrono::seconds> ParseDuration(std::string_view text);

// "2024-01-01T00:00:00Z": the 20 characters of a TIME column.
std::string IsoUtcText(StepTime time);
// "20240101T000000Z": the form {time} takes in a file name.
std::string CompactUtcText(StepTime time);

// `count` times from `start`, `step` apart. Throws StepSeriesError when the last one passes
// the year 9999.
std::vector<StepTime> RegularTimes(StepTime start, std::chrono::seconds step, std::size_t count);

// The times of a --times file: one ISO 8601 date-time per line (blank lines at its end left
// out), `count` of them, each later than the one before. Throws StepSeriesError naming the file
// and the line that is wrong, or both counts.
std::vector<StepTime> ReadTimesFile(const std::string& path, std::size_t count);

}  // namespace tesselar
