// The value getters of the conduct exports.
#pragma once

#include <QString>

class ExpEngine;

namespace get {

// On an outcome's comments: the comment + " " when not empty, then "Removal Reason: " + the
// removalReason declared beside it when that is not empty.
QString CndOutNote(ExpEngine &engine);

}  // namespace get
