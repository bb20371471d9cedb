// Runs one command and reports how long it took and how much memory it held, measured from
// outside as a user would see it:
//
//   tesselar-bench-run REPORT_FILE COMMAND [ARGUMENTS...]
//
// appends "wall_s user_s sys_s max_rss_kib exit_status" as one line to REPORT_FILE once the
// command has ended, and exits with the command's status. The command's own output passes
// through. The report file is not passed on to the command.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>

namespace {

double Seconds(const timeval& time) {
    return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fputs("usage: tesselar-bench-run REPORT_FILE COMMAND [ARGUMENTS...]\n", stderr);
        return 2;
    }
    std::FILE* report = std::fopen(argv[1], "ae");
    if (report == nullptr) {
        std::fprintf(stderr, "tesselar-bench-run: %s: %s\n", argv[1], std::strerror(errno));
        return 2;
    }
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = ::fork();
    if (child < 0) {
        std::fprintf(stderr, "tesselar-bench-run: fork: %s\n", std::strerror(errno));
        return 2;
    }
    if (child == 0) {
        ::execvp(argv[2], argv + 2);
        std::fprintf(stderr, "tesselar-bench-run: %s: %s\n", argv[2], std::strerror(errno));
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    while (::wait4(child, &status, 0, &usage) < 0) {
        if (errno != EINTR) {
            std::fprintf(stderr, "tesselar-bench-run: wait: %s\n", std::strerror(errno));
            return 2;
        }
    }
    const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - start;
    const int exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    std::fprintf(report, "%.6f %.6f %.6f %ld %d\n", wall.count(), Seconds(usage.ru_utime),
                 Seconds(usage.ru_stime), usage.ru_maxrss, exitStatus);
    if (std::fclose(report) != 0) {
        std::fprintf(stderr, "tesselar-bench-run: %s: %s\n", argv[1], std::strerror(errno));
        return 2;
    }
    return exitStatus;
}
