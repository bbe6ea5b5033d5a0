// Test helpers for file-system work and errors: a scratch folder of the running test (unique per
// process and test, removed afterwards, optionally the working folder meanwhile), and the message
// of the Error a piece of code raises.
#pragma once

#include "platform/numeric/error.hpp"

#include <gtest/gtest.h>

#include <unistd.h>
#include <filesystem>
#include <functional>
#include <string>

namespace kelmar::testing {

class ScratchFolder {
  public:
    explicit ScratchFolder(bool make_working_folder = false)
        : start_(std::filesystem::current_path()),
          path_(std::filesystem::temp_directory_path() /
                ("kelmar_" + std::to_string(::getpid()) + "_" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name())) {
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
        if (make_working_folder)
            std::filesystem::current_path(path_);
    }
    ~ScratchFolder() {
        std::filesystem::current_path(start_);
        std::filesystem::remove_all(path_);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

  private:
    std::filesystem::path start_;
    std::filesystem::path path_;
};

// The message of the Error that `f` raises, or "" when it raises none.
inline std::string error_of(const std::function<void()>& f) {
    try {
        f();
    } catch (const Error& e) {
        return e.what();
    }
    return "";
}

}  // namespace kelmar::testing
