// A shared library loaded at run time by name, and the addresses of its symbols. A library or symbol that
// is missing is an answer the caller reports (with the system's reason), not a fault of the program.
#pragma once

#include <string>

class qzLibrary {
public:
    qzLibrary() = default;
    ~qzLibrary() { Free(); }
    qzLibrary(const qzLibrary&) = delete;
    qzLibrary& operator=(const qzLibrary&) = delete;

    // Loads the library by the system's search rules (a file name) or from a path, with every symbol
    // bound at once. False when it cannot be loaded; GetError then says why. A library loaded before is
    // freed first.
    bool Load(const char* name);
    // The address of a symbol, or null when the library has none of that name (GetError says why).
    void* GetSymbol(const char* name);
    // A symbol as a function pointer of type Function, or null.
    template <class Function> Function GetFunction(const char* name) {
        return reinterpret_cast<Function>(GetSymbol(name));
    }
    void Free();
    bool IsLoaded() const { return handle != nullptr; }
    // The system's text for the last failure of Load or GetSymbol.
    const std::string& GetError() const { return error; }

private:
    void* handle = nullptr;
    std::string error;
};
