// The levels of the task's log records (BridgeTaskBase::Log): the lower the number, the more a
// record matters; the log level chosen for a run keeps the records at or below it.
#pragma once

inline constexpr int kCritical = 2;
inline constexpr int kError = 3;
inline constexpr int kWarning = 4;
inline constexpr int kProgress = 5;
inline constexpr int kInformational = 7;
inline constexpr int kDebug = 8;
inline constexpr int kProprietary = 9;
