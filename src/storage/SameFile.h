#pragma once

#include <QString>

// Whether writing to a and writing to b would reach the same file. Each path is walked as the
// writer walks it (WalkToFile): links followed one by one to the end of their chain, also where
// the end does not exist yet, a relative target taken from the link's own folder. Where both walks
// end in existing files, these are the same file (also two hard links of one); otherwise they end
// at the same name in the same folder, whatever links or folder links led there. A path whose
// walk fails (a missing folder on the way, a link the writer would refuse, a loop) is compared as
// its cleaned absolute path. An empty path names no file.
bool IsSameFile(const QString& a, const QString& b);
