// Test helpers: a fresh directory under the system's temporary directory for every test,
// whole files in and out as bytes, and the kind of a thrown DataError.
#pragma once

#include <gtest/gtest.h>

#include <csignal>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include <sys/resource.h>

#include "files/error.h"
#include "support/row_name.h"

namespace valmor::test {

using Bytes = std::vector<std::uint8_t>;

// Fixture base: dir_ is a new, empty directory, removed with everything in it afterwards.
class TempDirTest : public ::testing::Test {
protected:
    TempDirTest() {
        std::mt19937_64 random{std::random_device{}()};
        do {
            dir_ = std::filesystem::temp_directory_path() /
                   ("valmor-test-" + std::to_string(random()));
        } while (!std::filesystem::create_directory(dir_));
    }
    ~TempDirTest() override {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    std::filesystem::path file(std::string_view name) const { return dir_ / name; }

    std::filesystem::path dir_;
};

inline void writeText(const std::filesystem::path& path, std::string_view text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    ASSERT_TRUE(out.good()) << path;
}

inline void writeBytes(const std::filesystem::path& path, const Bytes& bytes) {
    writeText(path, {reinterpret_cast<const char*>(bytes.data()), bytes.size()});
}

inline Bytes readBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::string readText(const std::filesystem::path& path) {
    const Bytes bytes = readBytes(path);
    return {bytes.begin(), bytes.end()};
}

// The kind of the DataError that `action` throws; nothing when it returns normally.
template <typename Action> std::optional<ErrorKind> errorKindOf(Action&& action) {
    try {
        action();
    } catch (const DataError& error) {
        return error.kind();
    }
    return std::nullopt;
}

// Lowers the largest file this process may write, so that a write fails as on a full disk.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        handler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lower = saved_;
        lower.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &lower);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, handler_);
    }

private:
    rlimit saved_{};
    void (*handler_)(int) = SIG_DFL;
};

} // namespace valmor::test
