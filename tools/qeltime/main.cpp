// qeltime: runs a command and reports its wall time, CPU time and peak memory,
// for the benchmark on machines without GNU time. The peak of the command's
// own process is its VmHWM, sampled from /proc while it runs (the high-water
// mark only grows, so the last sample is the peak up to a few milliseconds
// before the end); the peak over the command and the children it waited for
// comes from wait4.
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

double now_seconds() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + ts.tv_nsec / 1e9;
}

// VmHWM of a running process in KiB, or -1 when it cannot be read.
long read_high_water_mark(pid_t pid) {
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%d/status", static_cast<int>(pid));
    std::FILE* f = std::fopen(path, "r");
    if (!f) return -1;
    char line[256];
    long kib = -1;
    while (std::fgets(line, sizeof line, f))
        if (std::strncmp(line, "VmHWM:", 6) == 0) kib = std::atol(line + 6);
    std::fclose(f);
    return kib;
}

double seconds(const timeval& tv) {
    return static_cast<double>(tv.tv_sec) + tv.tv_usec / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argv[1][0] == '-') {
        std::fprintf(stderr,
                     "usage: qeltime COMMAND [ARG...]\n"
                     "Runs COMMAND and prints to standard error one line:\n"
                     "  qeltime: wall=S user=S sys=S peak_kib=K tree_peak_kib=K status=N\n");
        return 2;
    }
    double start = now_seconds();
    pid_t pid = fork();
    if (pid < 0) {
        std::perror("qeltime: fork");
        return 2;
    }
    if (pid == 0) {
        execvp(argv[1], argv + 1);
        std::perror("qeltime: exec");
        _exit(127);
    }
    long peak = -1;
    int status = 0;
    rusage usage{};
    for (;;) {
        pid_t done = wait4(pid, &status, WNOHANG, &usage);
        if (done == pid) break;
        if (done < 0) {
            std::perror("qeltime: wait4");
            return 2;
        }
        long hwm = read_high_water_mark(pid);
        if (hwm > peak) peak = hwm;
        usleep(2000);
    }
    double wall = now_seconds() - start;
    int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    if (peak < 0) peak = usage.ru_maxrss;
    std::fprintf(stderr, "qeltime: wall=%.3f user=%.3f sys=%.3f peak_kib=%ld tree_peak_kib=%ld status=%d\n", wall,
                 seconds(usage.ru_utime), seconds(usage.ru_stime), peak, usage.ru_maxrss, code);
    return code;
}
