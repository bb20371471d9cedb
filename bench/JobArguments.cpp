#include "JobArguments.h"

#include <stdexcept>
#include <string_view>

namespace tesselar::bench {

namespace {

constexpr std::string_view kUsage =
    "-x X_FILE -y Y_FILE -a NAME=FILE [-a NAME=FILE ...] -o OUTPUT.shp [-t polygon|point] [-q]";

}  // namespace

JobArguments ParseJobArguments(int argc, char** argv) {
    JobArguments job;
    for (int index = 1; index < argc; ++index) {
        const std::string_view option = argv[index];
        if (option == "-q") {
            continue;
        }
        if (index + 1 >= argc) {
            throw std::invalid_argument("option " + std::string(option) +
                                        " needs a value; usage: " + std::string(kUsage));
        }
        const std::string value = argv[++index];
        if (option == "-x") {
            job.xFile = value;
        } else if (option == "-y") {
            job.yFile = value;
        } else if (option == "-o") {
            job.output = value;
        } else if (option == "-t") {
            if (value != "polygon" && value != "point") {
                throw std::invalid_argument("-t takes polygon or point, not " + value);
            }
            job.polygons = value == "polygon";
        } else if (option == "-a") {
            const auto equals = value.find('=');
            if (equals == std::string::npos || equals == 0) {
                throw std::invalid_argument("-a takes NAME=FILE, not " + value);
            }
            job.attributes.push_back({value.substr(0, equals), value.substr(equals + 1)});
        } else {
            throw std::invalid_argument("unknown option " + std::string(option) +
                                        "; usage: " + std::string(kUsage));
        }
    }
    if (job.xFile.empty() || job.yFile.empty() || job.output.empty() || job.attributes.empty()) {
        throw std::invalid_argument("usage: " + std::string(kUsage));
    }
    return job;
}

std::string OutputStem(const JobArguments& job) {
    constexpr std::string_view kExtension = ".shp";
    if (job.output.size() > kExtension.size() && job.output.ends_with(kExtension)) {
        return job.output.substr(0, job.output.size() - kExtension.size());
    }
    return job.output;
}

}  // namespace tesselar::bench
