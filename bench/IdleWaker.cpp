// A process that does nothing but wake: RATE times a second for SECONDS, then
// prints the CPU it took as a percentage of one core. What the machine itself
// charges for a wake-up, beside bench_poll_cost, which wakes as often.
// Usage: bench_idle_waker RATE SECONDS
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

double seconds(const timespec& time) {
    return double(time.tv_sec) + double(time.tv_nsec) / 1e9;
}

} // namespace

int main(int argc, char** argv) {
    const double rate = argc > 1 ? std::atof(argv[1]) : 0;
    const double duration = argc > 2 ? std::atof(argv[2]) : 0;
    if (rate <= 0 || duration <= 0) {
        std::fprintf(stderr, "usage: bench_idle_waker RATE SECONDS\n");
        return 2;
    }
    timespec next{};
    clock_gettime(CLOCK_MONOTONIC, &next);
    const long step = long(1e9 / rate);
    const long wakeUps = long(rate * duration);
    for (long wake = 0; wake < wakeUps; ++wake) {
        next.tv_nsec += step;
        next.tv_sec += next.tv_nsec / 1'000'000'000;
        next.tv_nsec %= 1'000'000'000;
        clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
    }
    timespec used{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &used);
    std::printf("%.3f\n", 100 * seconds(used) / duration);
    return 0;
}
