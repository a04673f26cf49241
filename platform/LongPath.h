#pragma once

#include <QString>

// The absolute canonical path of an existing file (links resolved, no "." or ".." parts);
// the empty string for an empty path or a file that does not exist.
QString longPathName(const QString &path);
