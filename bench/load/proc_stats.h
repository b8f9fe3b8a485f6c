#pragma once

// What /proc tells about a running process and the machine: processor time,
// peak resident memory and the load average.

#include <sys/types.h>

#include <cstdint>
#include <string>

namespace kvt::load {

// User plus system time the process has used, in clock ticks (utime + stime
// of /proc/<pid>/stat); -1 when it cannot be read.
std::int64_t cpuTicks(pid_t pid);

// Clock ticks per second.
long ticksPerSecond();

// The largest resident set the process has had (VmHWM), in KiB; -1 when unknown.
long peakRssKib(pid_t pid);

// The one-minute load average of the machine.
double loadAverage();

}  // namespace kvt::load
