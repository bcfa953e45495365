// A fresh directory under the system's temporary directory, removed with everything in it at the end.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>

class TempDirectory {
public:
    TempDirectory() {
        // A name no one else has taken: create_directory answers false for one that exists.
        static std::mt19937_64 random(
            std::random_device{}() ^
            static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
        const std::filesystem::path base = std::filesystem::temp_directory_path();
        for (int attempt = 0; attempt < 100; ++attempt) {
            std::filesystem::path candidate = base / ("qztest." + std::to_string(random() % 1000000000));
            if (std::filesystem::create_directory(candidate)) {
                path = candidate.string();
                return;
            }
        }
        throw std::runtime_error("no temporary directory could be made");
    }
    ~TempDirectory() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    TempDirectory(const TempDirectory&) = delete;
    TempDirectory& operator=(const TempDirectory&) = delete;

    std::string operator/(const std::string& name) const { return path + "/" + name; }

    void Put(const std::string& name, const std::string& bytes) const {
        std::ofstream out(*this / name, std::ios::binary);
        out << bytes;
    }
    std::string Get(const std::string& name) const {
        std::ifstream in(*this / name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    bool Exists(const std::string& name) const { return std::filesystem::exists(*this / name); }

    std::string path;
};
