#include "platform/numeric/files.hpp"
#include "platform/numeric/paths.hpp"
#include "support/scratch.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace kelmar {
namespace {

namespace fs = std::filesystem;
using testing::error_of;
using testing::ScratchFolder;

TEST(Paths, SplitAndJoin) {
    struct Case {
        const char* path;
        PathParts expected;
    };
    for (const Case& c :
         {Case{"/data/macaque_male.txt", {"/data", "macaque_male", ".txt"}},
          Case{"/a.txt", {"/", "a", ".txt"}}, Case{"dir//Kelmar6", {"dir", "Kelmar6", ""}},
          Case{"v1.2/.profile", {"v1.2", ".profile", ""}}}) {
        const PathParts got = split_path(c.path);
        EXPECT_EQ(got.folder + "|" + got.name + "|" + got.extension,
                  c.expected.folder + "|" + c.expected.name + "|" + c.expected.extension);
    }
    EXPECT_EQ(join_path("/data//", "/a.txt"), "/data/a.txt");
    EXPECT_EQ(join_path("", "a.txt"), "a.txt");
    EXPECT_EQ(join_path("/", "a.txt"), "/a.txt");
}

std::string contents(const fs::path& p) {
    return read_file_bytes(p.string()).value_or("");
}

TEST(Files, WorkingFolderAndUntranslatedBytes) {
    ScratchFolder folder(true);
    EXPECT_EQ(fs::path(current_folder()), fs::canonical(folder.path()));
    const std::string missing = (folder / "no such folder").string();
    EXPECT_NE(error_of([&] { change_folder(missing); }).find(missing), std::string::npos);

    std::ofstream(folder / "crlf.txt", std::ios::binary) << "1 2\r\n\r\n3";
    EXPECT_EQ(read_file_bytes("crlf.txt"), std::optional<std::string>("1 2\r\n\r\n3"));
    EXPECT_EQ(read_file_bytes("missing.txt"), std::nullopt);
}

TEST(Files, AtomicWriterReplacesOnlyOnCommit) {
    ScratchFolder folder;
    const fs::path target = folder / "report.txt";
    std::ofstream(target) << "old report";
    {
        AtomicFileWriter writer(target.string());
        writer.print(R"(Angle %3.1f\n)", {25.04});
        EXPECT_EQ(contents(target), "old report");
    }
    // Abandoned: the old file is kept and the temporary removed.
    EXPECT_EQ(contents(target), "old report");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), {}), 1);

    write_file_atomically(target.string(), "Angle 25.0\n");
    EXPECT_EQ(contents(target), "Angle 25.0\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), {}), 1);
    EXPECT_NE(error_of([&] { write_file_atomically((folder / "no" / "r.txt").string(), ""); }), "");
}

}  // namespace
}  // namespace kelmar
