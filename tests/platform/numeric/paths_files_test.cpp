#include "platform/numeric/error.hpp"
#include "platform/numeric/files.hpp"
#include "platform/numeric/paths.hpp"

#include <gtest/gtest.h>

#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace kelmar {
namespace {

namespace fs = std::filesystem;

struct SplitCase {
    const char* path;
    PathParts expected;
};

TEST(Paths, SplitIntoFolderNameAndExtension) {
    for (const SplitCase& c :
         {SplitCase{"/data/macaque_male.txt", {"/data", "macaque_male", ".txt"}},
          SplitCase{"macaque_male.txt", {"", "macaque_male", ".txt"}},
          SplitCase{"/a.txt", {"/", "a", ".txt"}},
          SplitCase{"dir//Kelmar6", {"dir", "Kelmar6", ""}},
          SplitCase{"a/b.tar.gz", {"a", "b.tar", ".gz"}},
          SplitCase{"v1.2/.profile", {"v1.2", ".profile", ""}},
          SplitCase{"folder/", {"folder", "", ""}}}) {
        const PathParts got = split_path(c.path);
        EXPECT_EQ(got.folder, c.expected.folder) << c.path;
        EXPECT_EQ(got.name, c.expected.name) << c.path;
        EXPECT_EQ(got.extension, c.expected.extension) << c.path;
    }
}

TEST(Paths, JoinAndTrailingSeparators) {
    EXPECT_EQ(join_path("/data", "a.txt"), "/data/a.txt");
    EXPECT_EQ(join_path("/data/", "a.txt"), "/data/a.txt");
    EXPECT_EQ(join_path("/data//", "/a.txt"), "/data/a.txt");
    EXPECT_EQ(join_path("", "a.txt"), "a.txt");
    EXPECT_EQ(join_path("/", "a.txt"), "/a.txt");
    EXPECT_EQ(with_trailing_separator("/data"), "/data/");
    EXPECT_EQ(with_trailing_separator(""), "");
    EXPECT_EQ(file_name_of("/data/a.txt"), "a.txt");
    EXPECT_EQ(file_name_of("a.txt"), "a.txt");
}

class FileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() /
                  ("kelmar_files_" + std::to_string(::getpid()) + "_" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        start_ = fs::current_path();
    }
    void TearDown() override {
        fs::current_path(start_);
        fs::remove_all(folder_);
    }
    static std::string contents(const fs::path& p) {
        std::ifstream in(p, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::size_t entries() const {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder_), {}));
    }
    fs::path folder_;
    fs::path start_;
};

TEST_F(FileTest, WorkingFolderChangesAndFailuresNameTheFolder) {
    change_folder(folder_.string());
    EXPECT_EQ(fs::path(current_folder()), fs::canonical(folder_));
    const std::string missing = (folder_ / "no such folder").string();
    try {
        change_folder(missing);
        FAIL() << "changed into a missing folder";
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find(missing), std::string::npos);
    }
    EXPECT_EQ(fs::path(current_folder()), fs::canonical(folder_));
}

TEST_F(FileTest, BytesAreReadUntranslated) {
    const fs::path file = folder_ / "crlf.txt";
    std::ofstream(file, std::ios::binary) << "1 2\r\n\r\n3";
    EXPECT_EQ(read_file_bytes(file.string()), std::optional<std::string>("1 2\r\n\r\n3"));
    EXPECT_EQ(read_file_bytes((folder_ / "missing.txt").string()), std::nullopt);
}

TEST_F(FileTest, AtomicWriterReplacesOnlyOnCommit) {
    const fs::path target = folder_ / "report.txt";
    std::ofstream(target) << "old report";
    {
        AtomicFileWriter writer(target.string());
        writer.print(R"(Angle %3.1f\n)", {25.04});
        EXPECT_EQ(contents(target), "old report");  // nothing replaced before the commit
    }
    EXPECT_EQ(contents(target), "old report");  // abandoned: old file kept, temporary removed
    EXPECT_EQ(entries(), 1u);

    AtomicFileWriter writer(target.string());
    writer.print(R"(Angle %3.1f\n)", {25.04});
    writer.write("end\n");
    writer.commit();
    EXPECT_EQ(contents(target), "Angle 25.0\nend\n");
    EXPECT_EQ(entries(), 1u);
    EXPECT_THROW(writer.write("late"), Error);

    EXPECT_THROW(AtomicFileWriter((folder_ / "no folder" / "r.txt").string()), Error);
}

}  // namespace
}  // namespace kelmar
