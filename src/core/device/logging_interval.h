// The interval of display-value logging: which intervals are accepted and
// the timer period each gives.
#ifndef TAVIX_CORE_DEVICE_LOGGING_INTERVAL_H
#define TAVIX_CORE_DEVICE_LOGGING_INTERVAL_H

// An interval is accepted when its 32-bit value is greater than the 64-bit
// 0.1: 0.1f is 0.100000001490116, just above 0.1, so an interval typed as 0.1
// is accepted. NaN is refused.
bool LoggingIntervalAccepted(float seconds);

// The period of the logging timer: seconds x 1000 in 32-bit float,
// truncated toward zero (1.0005 s gives 1000 ms, 2.5 s gives 2500 ms). A
// period beyond what a timer holds (about 24.8 days) is held at the longest
// one instead of overflowing.
int LoggingPeriodMs(float seconds);

#endif
