#pragma once
// The clocks every benchmark program reads.

#include <sys/resource.h>

#include <chrono>

namespace bench {

inline double wall_seconds() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// Processor time of this thread only: the simulated controller runs on its own thread.
inline double thread_cpu_seconds() {
  rusage usage{};
  getrusage(RUSAGE_THREAD, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

}  // namespace bench
