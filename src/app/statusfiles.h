// The small one-line files the front-end watches in the output folder: the running marker, the
// status file and the finished file. Single-byte text, CR LF line end.
#pragma once

#include <QString>

namespace StatusFiles {

// The folder used when none is given: "Kestrane Software/Logs" under the user's documents folder.
QString defaultFolder();
bool remove(const QString &folder, const QString &name);
// Replaces the file's content with text and a CR LF.
bool write(const QString &folder, const QString &name, const QString &text);
// True when the file holds "Succeeded" in any case; false when it cannot be read.
bool containsSuccess(const QString &folder, const QString &name);
// The local time as status files carry it.
QString timeStamp();

}  // namespace StatusFiles
