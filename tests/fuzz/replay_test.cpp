// Every seed of the fuzz targets and every input that ever made one fail, run again: each must
// end with an Error or with nothing at all.
#include "targets.hpp"

#include "platform/numeric/files.hpp"

#include <gtest/gtest.h>

#include <filesystem>

namespace kelmar {
namespace {

namespace fs = std::filesystem;

TEST(FuzzReplay, SeedsAndKeptInputsRunCleanly) {
    int inputs = 0;
    for (const fuzz::Target& target : fuzz::targets()) {
        for (const char* kind : {"corpus", "crashes"}) {
            const fs::path folder = fs::path(KELMAR_FUZZ_DIR) / kind / target.name;
            ASSERT_TRUE(fs::is_directory(folder)) << folder;
            for (const auto& entry : fs::directory_iterator(folder)) {
                if (entry.path().filename() == ".keep")
                    continue;
                const std::string data = read_file_bytes(entry.path().string()).value();
                EXPECT_NO_THROW(target.run(data)) << entry.path();
                ++inputs;
            }
        }
    }
    EXPECT_GT(inputs, 10);
}

}  // namespace
}  // namespace kelmar
