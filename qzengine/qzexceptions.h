// The engine's four exception classes: Direct3D-side, operating-system, file and data-format failures.
#pragma once

#include <cerrno>
#include <exception>

class qzD3DException : public std::exception {
public:
    qzD3DException(const char* where, const char* call) : where(where), call(call) {}
    const char* what() const noexcept override;

    const char* where;
    const char* call;

private:
    mutable char text[256] = {};
};

class qzWindowsException : public std::exception {
public:
    // The error code (errno, or GetLastError on Windows) is read here, before anything else can change it.
    qzWindowsException(const char* where, const char* call);
    const char* what() const noexcept override;

    const char* where;
    const char* call;
    unsigned long error;

private:
    mutable char text[256] = {};
};

class qzIOException : public std::exception {
public:
    // errno is read here, so that a caller can tell the user why; the text stays the same. On Windows the
    // engine's file calls set errno to the counterpart of the system's error before they throw.
    qzIOException() : error(errno) {}
    const char* what() const noexcept override { return "qzEngine IO exception"; }

    int error;
};

class qzFormatException : public std::exception {
public:
    const char* what() const noexcept override { return "qzEngine format exception"; }
};
