// Path and file-system helpers. "\" and "/" both separate directories in every path given to them; the paths
// they return use the system's own separator ("/" on POSIX, "\" on Windows). The helpers that answer true or
// false report the system's success (a failed system call leaves its cause in errno, on Windows too); the
// others throw qzIOException.
#pragma once

#include "qzstring.h"

// The path as the operating system takes it: every separator becomes the system's own.
qzString qzNativePath(const char* path);

// Everything before the last "\" or "/", or empty when there is none.
qzString qzGetDirectoryPart(const char* path);

qzString qzGetCurrentDirectory();
bool qzSetCurrentDirectory(const char* path);

// The full path of the running program.
qzString qzGetExecutablePath();

// The absolute path of path, taken from the current directory when it is relative, with "." and ".."
// resolved by name (the file need not exist). On Windows a path may begin with a drive ("C:\", or "C:" for
// that drive's current directory) or name a share ("\\server\share\").
qzString qzGetFullPath(const char* path);

// Attributes: whether anything exists at path, and whether it is a directory.
bool qzFileExists(const char* path);
bool qzIsDirectory(const char* path);

bool qzCreateDirectory(const char* path);
// Copies the bytes and the permissions (the attributes on Windows). With failifexists an existing target is
// left alone and the copy fails.
bool qzCopyFile(const char* from, const char* to, bool failifexists);
// Moves a file or directory; with replaceexisting an existing file at the target is replaced.
bool qzMoveFile(const char* from, const char* to, bool replaceexisting);
bool qzDeleteFile(const char* path);
