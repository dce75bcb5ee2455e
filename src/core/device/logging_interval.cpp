#include "core/device/logging_interval.h"

#include <climits>

bool LoggingIntervalAccepted(float seconds)
{
    return static_cast<double>(seconds) > 0.1;
}

int LoggingPeriodMs(float seconds)
{
    const float ms = seconds * 1000.0f;
    if (!(ms < 2147483648.0f))
        return INT_MAX;
    return ms < 0.0f ? 0 : static_cast<int>(ms);
}
