#include "platform/numeric/files.hpp"
#include "platform/numeric/paths.hpp"
#include "support/scratch.hpp"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <algorithm>
#include <fstream>
#include <sstream>
#include <thread>

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

// The names in `folder`, to see that no temporary or backup file is left behind.
std::vector<std::string> names_in(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(Files, LinksAreFollowedDevicesWrittenInPlaceAndPermissionsKept) {
    ScratchFolder folder;
    const fs::path target = folder / "report.txt";
    std::ofstream(target) << "old";
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    const fs::path link = folder / "latest.txt";
    fs::create_symlink("report.txt", link);
    write_file_atomically(link.string(), "new");
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(contents(target), "new");
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    // A link to a file still to be made creates that file.
    fs::create_symlink("later.txt", folder / "dangling.txt");
    write_file_atomically((folder / "dangling.txt").string(), "made");
    EXPECT_EQ(contents(folder / "later.txt"), "made");

    write_file_atomically("/dev/null", "nothing");
    EXPECT_TRUE(fs::is_character_file("/dev/null"));

    const fs::path fifo = folder / "pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::string received;
    std::thread reader([&] { received = contents(fifo); });
    write_file_atomically(fifo.string(), "through the pipe");
    reader.join();
    EXPECT_EQ(received, "through the pipe");
    EXPECT_TRUE(fs::is_fifo(fifo));
    EXPECT_EQ(names_in(folder.path()),
              (std::vector<std::string>{"dangling.txt", "later.txt", "latest.txt", "pipe",
                                        "report.txt"}));
    EXPECT_NE(error_of([&] {
                  write_file_atomically(folder.path().string(), "x");
              }).find("it is a folder"),
              std::string::npos);
}

TEST(Files, AFailedWriteReplacesNothing) {
    ScratchFolder folder;
    const fs::path report = folder / "report.txt";
    const fs::path json = folder / "results.json";
    std::ofstream(report) << "old report";
    std::ofstream(json) << "old json";

    // Under a file-size limit the second, larger file fails part-way: the first is not replaced.
    rlimit old_limit{};
    ::getrlimit(RLIMIT_FSIZE, &old_limit);
    rlimit limit = old_limit;
    limit.rlim_cur = 100000;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
    const std::string large(300000, 'x');
    const FileText both[] = {{report.string(), "new report"}, {json.string(), large}};
    const std::string message = error_of([&] { write_files_atomically(both); });
    const std::string single = error_of([&] { write_file_atomically(json.string(), large); });
    ::setrlimit(RLIMIT_FSIZE, &old_limit);
    EXPECT_NE(message.find("results.json\" failed: the file would exceed the size limit"),
              std::string::npos)
        << message;
    EXPECT_NE(single.find("results.json"), std::string::npos);
    EXPECT_EQ(contents(report), "old report");
    EXPECT_EQ(contents(json), "old json");
    EXPECT_EQ(names_in(folder.path()), (std::vector<std::string>{"report.txt", "results.json"}));

    // When the second target cannot take its file at the last step, the first gets its old
    // contents back.
    AtomicFileWriter first(report.string());
    AtomicFileWriter second(json.string());
    first.write("new report");
    second.write("new json");
    fs::remove(json);
    fs::create_directories(json / "in the way");
    AtomicFileWriter* writers[] = {&first, &second};
    EXPECT_NE(error_of([&] { commit_together(writers); }), "");
    EXPECT_EQ(contents(report), "old report");
    fs::remove_all(json);
    EXPECT_EQ(names_in(folder.path()), (std::vector<std::string>{"report.txt"}));

    // A first target that did not exist before is removed again.
    const fs::path fresh = folder / "fresh.txt";
    AtomicFileWriter made(fresh.string());
    AtomicFileWriter blocked(json.string());
    made.write("new file");
    blocked.write("new json");
    fs::create_directories(json / "in the way");
    AtomicFileWriter* fresh_first[] = {&made, &blocked};
    EXPECT_NE(error_of([&] { commit_together(fresh_first); }), "");
    fs::remove_all(json);
    EXPECT_EQ(names_in(folder.path()), (std::vector<std::string>{"report.txt"}));
}

TEST(Files, OpenFailuresSayWhyAndSameFilesAreRecognised) {
    ScratchFolder folder;
    const fs::path a = folder / "a.txt";
    std::ofstream(a) << "1";
    EXPECT_EQ(cannot_open_message((folder / "b.txt").string()),
              "cannot open \"" + (folder / "b.txt").string() + "\": no such file");
    EXPECT_EQ(cannot_open_message(folder.path().string()),
              "cannot open \"" + folder.path().string() + "\": it is a folder");
    EXPECT_EQ(read_file_bytes(folder.path().string()), std::nullopt);
    fs::create_hard_link(a, folder / "same.txt");
    EXPECT_TRUE(same_file(a.string(), (folder / "same.txt").string()));
    EXPECT_TRUE(
        same_file(a.string(), (folder / ".." / folder.path().filename() / "a.txt").string()));
    EXPECT_FALSE(same_file(a.string(), (folder / "b.txt").string()));
}

}  // namespace
}  // namespace kelmar
