// Hostile values for the bridge's parameters (district, school, default calendar, import and log
// folders, data source, user): quotes, comment markers, semicolons, stacked statements, unions,
// stand-ins for NUL (a command line cannot carry the byte itself), path separators and parent steps,
// control characters, text beyond ASCII, format directives and very long values; alone, around a
// valid value and combined with each other. The list is the same on every call.
#pragma once

#include <QStringList>

namespace hostile {

// At least 1,000 distinct values, none empty; the first InjectionValueCount() are the injected
// statements alone and after "1" and "10" (the valid district and school).
QStringList ParameterValues();
qsizetype InjectionValueCount();

// The parent steps ("..") a value holds at most: a folder value rooted this deep in a scratch
// folder stays inside it.
constexpr int kMaxParentSteps = 6;

// The table the injected statements would drop, empty or fill, and the row it holds.
inline constexpr char kCanaryTable[] = "Canary";
inline constexpr char kCanaryRow[] = "alive";

}  // namespace hostile
