// Path and file-system helpers. "\" and "/" both separate directories in every path given to them.
#pragma once

#include "qzstring.h"

// The path as the operating system takes it: every "\" becomes "/".
qzString qzNativePath(const char* path);

// Everything before the last "\" or "/", or empty when there is none.
qzString qzGetDirectoryPart(const char* path);
