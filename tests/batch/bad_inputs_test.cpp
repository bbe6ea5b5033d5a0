// kelmar6-batch run as a user runs it, on inputs and outputs that once crashed it, lost data or
// were misread: each case gives the command, the exit status, the words the messages must hold
// and the files that must come out untouched.
#include "platform/numeric/files.hpp"

#include "support/scratch.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <map>
#include <sstream>

namespace kelmar {
namespace {

namespace fs = std::filesystem;

const std::string kExamples = KELMAR_EXAMPLES_DIR;
const std::string kBatch = KELMAR_BATCH_PROGRAM;

std::string contents(const fs::path& p) {
    return read_file_bytes(p.string()).value_or("<missing>");
}

void write(const fs::path& p, const std::string& text) {
    std::ofstream(p, std::ios::binary) << text;
}

// Every number of a table changed by `coordinate` (or by `size` in its last column), written so
// that it reads back exactly.
template <typename Coordinate, typename Size>
std::string changed_table(const std::string& table, Coordinate coordinate, Size size) {
    std::istringstream lines(table);
    std::string line, out;
    while (std::getline(lines, line)) {
        std::istringstream numbers(line);
        std::vector<double> row;
        double v = 0;
        while (numbers >> v)
            row.push_back(v);
        for (std::size_t j = 0; j < row.size(); ++j) {
            char buffer[40];
            std::snprintf(buffer, sizeof buffer, "%.17g ",
                          j + 1 < row.size() ? coordinate(row[j]) : size(row[j]));
            out += buffer;
        }
        out += "\n";
    }
    return out;
}

// Every coordinate of a table (and with `sizes_too` every size) multiplied by 2^exponent.
std::string scaled_table(const std::string& table, int exponent, bool sizes_too = false) {
    const auto scale = [exponent](double v) { return std::ldexp(v, exponent); };
    return changed_table(table, scale, [&](double v) { return sizes_too ? scale(v) : v; });
}

// The table scaled by the largest power of two that keeps its coordinates finite.
std::string edge_table(const std::string& table) {
    std::istringstream numbers(table);
    double largest = 0, v = 0;
    while (numbers >> v)
        largest = std::max(largest, std::abs(v));  // sizes too: they are smaller here
    return scaled_table(table, std::ilogb(std::numeric_limits<double>::max() / largest));
}

// The inputs every case may use, in the case's own folder.
void make_inputs(const fs::path& dir) {
    const std::string a = contents(kExamples + "/growth_sample_a.txt");
    const std::string b = contents(kExamples + "/growth_sample_b.txt");
    write(dir / "a.txt", a);
    write(dir / "b.txt", b);
    write(dir / "wires.txt", contents(kExamples + "/growth_wirelist.txt"));
    write(dir / "old_report.txt", "old report");
    write(dir / "old.json", "old json");
    fs::create_symlink("a.txt", dir / "link_to_a.txt");
    fs::create_hard_link(dir / "a.txt", dir / "hard_a.txt");
    write(dir / "caf\xe9.txt", a);
    std::size_t line_31 = 0;
    for (int i = 0; i < 30; ++i)
        line_31 = a.find('\n', line_31) + 1;
    write(dir / "blank.txt", a.substr(0, line_31) + "\n" + a.substr(line_31));
    const std::size_t second_line = a.find('\n') + 1;
    write(dir / "bom.txt", "\xEF\xBB\xBF" + a);
    std::string commas = a;
    for (char& c : commas)
        c = c == '.' ? ',' : c;
    write(dir / "commas.txt", commas);
    std::string cr = a;
    for (char& c : cr)
        c = c == '\n' ? '\r' : c;
    write(dir / "cr.txt", cr);
    std::string utf16 = "\xFF\xFE";
    for (char c : a.substr(0, 200))
        utf16 += std::string{c, '\0'};
    write(dir / "utf16.txt", utf16);
    write(dir / "control.txt", "1 2 3 4\n5 \x1b[31mred 7 8\n");
    write(dir / "huge.txt", scaled_table(a, 1000));
    write(dir / "tiny.txt", scaled_table(a, -1000));
    // Sample a moved 1e10 along every axis: its shape keeps about 6 significant digits.
    const std::string far = changed_table(
        a, [](double v) { return v + 1e10; }, [](double v) { return v; });
    write(dir / "far.txt", far);
    write(dir / "one_group.csv",
          "id,sample,x1,y1,z1,x2,y2,z2\na,adult,1,2,3,4,5,7\n"
          "b,adult,2,1,3,5,4,6\nc,adult,0,2,1,3,3,3\n");
    for (const int exponent : {1000, -1000}) {
        const std::string name = exponent > 0 ? "huge" : "tiny";
        write(dir / (name + "_a.txt"), scaled_table(a, exponent, true));
        write(dir / (name + "_b.txt"), scaled_table(b, exponent, true));
    }
    write(dir / "one_landmark.txt", "1 2 3 10\n2 3 5 20\n3 1 4 30\n");
    std::string same;  // one shape at many sizes
    for (int i = 0; i < 12; ++i)
        same += "1 2 3 4 6 5 7 9 8 0 1 1 " + std::to_string(20 + 5 * i) + "\n";
    write(dir / "same.txt", same);
    write(dir / "two.txt", a.substr(0, a.find('\n', second_line) + 1));
    write(dir / "wire_inf.txt", "1 1 2\ninf 2 3\n");
    fs::create_directory(dir / "folder");
    fs::copy(kExamples + "/formats/growth_sample_b_slicer", dir / "sl");
    write(dir / "sample.svg", a);  // a plain table, whatever its name
    write(dir / "labelled.csv", contents(kExamples + "/formats/growth_sample_a.csv"));
    write(dir / "male.txt", contents(kExamples + "/macaque_male.txt"));
    write(dir / "female.txt", contents(kExamples + "/macaque_female.txt"));
    const std::string tps = contents(kExamples + "/formats/macaque_male.tps");
    write(dir / "male.tps", tps);
    std::string cr_tps = tps;
    for (char& c : cr_tps)
        c = c == '\n' ? '\r' : c;
    write(dir / "cr.tps", cr_tps);
    write(dir / "no_individuals.txt", "[landmarks]\n2\n[rawpoints]\n1 2 3\n4 5 6\n");
    write(dir / "edge_male.txt", edge_table(contents(kExamples + "/macaque_male.txt")));
    write(dir / "edge_female.txt", edge_table(contents(kExamples + "/macaque_female.txt")));
}

struct Case {
    std::string name = {};
    std::string args = {};  // shell words after the program, run in the case's folder
    int status = 0;
    std::vector<std::string> words = {};      // in standard error: the message or a warning
    std::vector<std::string> untouched = {};  // files that must keep their contents
    std::string output = ">stdout.txt";       // where standard output goes
    std::string limit = {};                   // a ulimit for the run
};

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

// Runs the program in `dir` through bash, so `args` may quote and escape as a user types.
Outcome run(const fs::path& dir, const std::string& args, const std::string& output = ">stdout.txt",
            const std::string& limit = "") {
    const std::string command = "cd '" + dir.string() + "' && " +
                                (limit.empty() ? "" : "ulimit " + limit + " && ") + "'" + kBatch +
                                "' --quiet " + args + " " + output + " 2>stderr.txt";
    const int raw = std::system(("bash -c \"" + command + "\"").c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, contents(dir / "stdout.txt"),
            contents(dir / "stderr.txt")};
}

TEST(BatchBadInputs, EachIsRefusedOrToldAndNothingIsLost) {
    const std::vector<Case> cases = {
        // Names and outputs.
        {"name not UTF-8", "--json out.json caf$'\\xe9'.txt b.txt", 0, {}, {"a.txt"}},
        {"report over an input",
         "--report a.txt a.txt b.txt",
         2,
         {"names the input file"},
         {"a.txt", "b.txt"}},
        {"JSON over sample 2", "--json b.txt a.txt b.txt", 2, {"names the input file"}, {"b.txt"}},
        {"report over a link to an input",
         "--report link_to_a.txt a.txt b.txt",
         2,
         {"names the input file"},
         {"a.txt"}},
        {"report over a hard link to an input",
         "--report hard_a.txt a.txt b.txt",
         2,
         {"names the input file"},
         {"a.txt", "hard_a.txt"}},
        {"report over the wirelist",
         "--wirelist wires.txt --report ./wires.txt a.txt b.txt",
         2,
         {"names the input file"},
         {"wires.txt"}},
        {"report and JSON one file",
         "--report r.txt --json ./r.txt a.txt b.txt",
         2,
         {"name one file"}},
        {"both to standard output", "--report - --json - a.txt b.txt", 2, {"standard output"}},
        {"empty wirelist name", "--wirelist '' a.txt b.txt", 2, {"--wirelist"}},
        {"standard output full", "a.txt b.txt", 1, {"standard output"}, {}, ">/dev/full"},
        {"standard output closed", "a.txt b.txt", 1, {"standard output"}, {}, ">&-"},
        {"second write over the size limit",
         "--report old_report.txt --json old.json a.txt b.txt",
         1,
         {"old.json", "size limit"},
         {"old_report.txt", "old.json"},
         ">stdout.txt",
         "-f 2"},
        {"plot of an unknown kind", "--plot out.gif a.txt b.txt", 2, {".emf, .svg, .pdf or .png"}},
        {"plot over the report", "--plot r.png --report ./r.png a.txt b.txt", 2, {"name one file"}},
        {"plot over an input", "--plot a.txt a.txt b.txt", 2, {"names the input file"}, {"a.txt"}},
        {"view without plot", "--view 0,0 a.txt b.txt", 2, {"--view needs --plot"}},
        {"allometry plot of an unknown kind",
         "--plot-allometry a.gif a.txt b.txt",
         2,
         {"--plot-allometry \"a.gif\": the file name must end in .emf, .svg, .pdf or .png"}},
        {"distributions over an input",
         "--plot-distributions sample.svg sample.svg b.txt",
         2,
         {"--plot-distributions", "names the input file"},
         {"sample.svg"}},
        {"magnification not positive",
         "--plot-growth g.svg --magnify 0 a.txt b.txt",
         2,
         {"--magnify takes a number from 0.001 to 1000, given \"0\""}},
        {"magnification not finite",
         "--plot-growth g.svg --magnify inf a.txt b.txt",
         2,
         {"--magnify takes a number from 0.001 to 1000, given \"inf\""}},
        {"magnification beyond its range",
         "--plot-growth g.svg --magnify 1e300 a.txt b.txt",
         2,
         {"--magnify takes a number from 0.001 to 1000, given \"1e300\""}},
        {"one recorded sample",
         "one_group.csv",
         2,
         {"\"one_group.csv\" records one sample, \"adult\"",
          "give a second landmark file among SAMPLES, or --isometry"}},
        {"coordinates far from the origin",
         "far.txt b.txt",
         0,
         {"\"far.txt\", line ", "times their spread from the origin", "significant digits"}},
        {"standard output fails after the files",
         "--report old_report.txt --json - a.txt b.txt",
         1,
         {"writing to standard output failed"},
         {"old_report.txt"},
         ">/dev/full"},
        {"isometry beside a sample 2 of other landmarks",
         "--isometry --json r.json --plot-allometry a.svg --plot-growth g.svg male.txt b.txt", 0},
        {"new markup file in a folder sample",
         "--report sl/b_00.fcsv sl b.txt",
         2,
         {"--report \"sl/b_00.fcsv\" lies in the folder of sample 1", "one more specimen"}},
        {"new markup file beside a markup file given",
         "--json sl/new.mrk.json a.txt sl/b_01.fcsv",
         2,
         {"--json", "folder of sample 2"}},
        {"report over sample 1",
         "--report a.txt a.txt b.txt",
         2,
         {"--report \"a.txt\" names the input file"},
         {"a.txt"}},
        {"allometry plot over sample 1",
         "--plot-allometry sample.svg sample.svg b.txt",
         2,
         {"--plot-allometry", "names the input file"},
         {"sample.svg"}},
        {"growth plot over sample 1",
         "--plot-growth sample.svg sample.svg b.txt",
         2,
         {"--plot-growth", "names the input file"},
         {"sample.svg"}},
        {"drawing over sample 2",
         "--plot sample.svg b.txt sample.svg",
         2,
         {"--plot", "names the input file"},
         {"sample.svg"}},
        {"skip below zero",
         "--skip -1 a.txt b.txt",
         2,
         {"--skip takes a whole number from 0 to 1000000000000, given \"-1\""}},
        {"skip beyond the largest",
         "--skip 18446744073709551616 a.txt b.txt",
         2,
         {"--skip takes a whole number from 0 to 1000000000000"}},
        {"skip of a negative that would wrap to 1",
         "--skip -18446744073709551615 a.txt b.txt",
         2,
         {"--skip takes a whole number"}},
        {"empty seed",
         "--seed '' a.txt b.txt",
         2,
         {"--seed takes a whole number from 0 to 4294967295, given \"\""}},
        {"permutations not a number",
         "--common-reference --permutations abc a.txt b.txt",
         2,
         {"--permutations takes a whole number from 1 to 100000000, given \"abc\""}},
        {"permutations with an exponent",
         "--common-reference --permutations 1e2 a.txt b.txt",
         2,
         {"--permutations takes a whole number from 1 to 100000000, given \"1e2\""}},
        {"magnification without its drawing", "--magnify 2 a.txt b.txt", 2, {"--magnify needs"}},
        {"report over a specimen of a folder sample",
         "--report sl/b_01.fcsv sl b.txt",
         2,
         {"\"sl/b_01.fcsv\" names the input file"},
         {"sl/b_01.fcsv"}},
        {"JSON over a specimen of the folder a markup stands for",
         "--json sl/b_03.fcsv sl/b_01.fcsv a.txt",
         2,
         {"names the input file"},
         {"sl/b_03.fcsv"}},
        {"export over a labelled input",
         "--export-coords ./labelled.csv labelled.csv b.txt",
         2,
         {"--export-coords", "names the input file"},
         {"labelled.csv"}},
        {"isometry with permutations",
         "--isometry --common-reference --permutations 99 a.txt b.txt",
         2,
         {"--permutations tests the slopes between samples, not --isometry"}},
        {"view not two numbers", "--plot p.png --view 10 a.txt b.txt", 2, {"AZ,EL"}},
        // Files that cannot be read.
        {"missing sample", "nothing.txt b.txt", 1, {"\"nothing.txt\": no such file"}},
        {"folder as sample", "folder b.txt", 1, {"\"folder\": it is a folder"}},
        {"decimal commas", "commas.txt b.txt", 1, {"decimal commas"}},
        {"UTF-16", "utf16.txt b.txt", 1, {"UTF-16"}},
        {"carriage returns alone", "cr.txt b.txt", 1, {"carriage returns alone"}},
        {"control characters", "control.txt b.txt", 1, {"\\x1b[31mred"}},
        {"one landmark", "one_landmark.txt one_landmark.txt", 1, {"one landmark"}},
        {"wirelist not finite",
         "--wirelist wire_inf.txt a.txt b.txt",
         1,
         {"\"wire_inf.txt\", line 2: value Inf (number 1 of the line) is not a finite number"}},
        {"TPS with carriage returns alone", "--isometry cr.tps", 1, {"carriage returns alone"}},
        {"Morphologika without its individuals",
         "--isometry no_individuals.txt",
         1,
         {"the Morphologika section [individuals] is missing"}},
        {"a device of zeros",
         "--isometry /dev/zero",
         1,
         {"\"zero\" is not a text file: it holds a NUL byte"}},
        // Read, with a word to the user.
        {"TPS redirected from a file", "--isometry --format tps /dev/stdin <male.tps", 0, {}},
        {"TPS through a pipe", "--isometry --format tps <(cat male.tps)", 0, {}},
        {"blank line inside",
         "blank.txt b.txt",
         0,
         {"line 31 is blank and ends the data; 10 non-blank lines were not read"}},
        {"byte-order mark", "bom.txt b.txt", 0, {}},
        {"two specimens", "--boots 20 two.txt b.txt", 0, {"replicates of sample 1 had no slope"}},
        // Analyses that would give noise.
        {"identical shapes", "same.txt same.txt", 1, {"do not change with size beyond rounding"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const testing::ScratchFolder folder;
        make_inputs(folder.path());
        std::map<std::string, std::string> before;
        for (const std::string& f : c.untouched)
            before[f] = contents(folder / f);
        const Outcome r = run(folder.path(), c.args, c.output, c.limit);
        EXPECT_EQ(r.status, c.status) << r.err;
        for (const std::string& word : c.words)
            EXPECT_NE(r.err.find(word), std::string::npos)
                << "missing \"" << word << "\" in " << r.err;
        for (const auto& [f, text] : before)
            EXPECT_EQ(contents(folder / f), text) << f;
        for (const auto& entry : fs::directory_iterator(folder.path()))
            EXPECT_EQ(entry.path().filename().string().find(".tmp-"), std::string::npos);
        EXPECT_TRUE(fs::is_symlink(folder / "link_to_a.txt"));
    }
}

TEST(BatchBadInputs, RunningOutOfMemorySaysSo) {
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "AddressSanitizer reserves more address space than the limit allows";
#endif
    const testing::ScratchFolder folder;
    make_inputs(folder.path());
    std::ofstream(folder / "large.txt").close();
    fs::resize_file(folder / "large.txt", std::uintmax_t{2} << 30);  // sparse: takes no disk
    const Outcome r = run(folder.path(), "--threads 1 large.txt b.txt", ">stdout.txt", "-v 300000");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "kelmar6-batch: not enough memory to read \"large.txt\"\n");
}

// A drawing module that is there but cannot be loaded is named as such, with the loader's reason.
TEST(BatchBadInputs, ADamagedDrawingModuleIsToldAsSuch) {
    const testing::ScratchFolder folder;
    make_inputs(folder.path());
    fs::copy_file(kBatch, folder / "kelmar6-batch");
    write(folder / "kelmar6-plot.so", "not a shared object");
    const std::string command = "cd '" + folder.path().string() +
                                "' && ./kelmar6-batch --quiet --plot p.svg a.txt b.txt "
                                ">stdout.txt 2>stderr.txt";
    const int raw = std::system(("bash -c \"" + command + "\"").c_str());
    EXPECT_EQ(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, 1);
    const std::string err = contents(folder / "stderr.txt");
    EXPECT_NE(err.find("kelmar6-plot.so\" could not be loaded: "), std::string::npos) << err;
    EXPECT_FALSE(fs::exists(folder / "p.svg"));
}

// A FIFO output whose reader never comes: the run waits for it before touching any file, and
// an interrupt then leaves every target as it was, with no temporary file or backup behind.
TEST(BatchBadInputs, AnInterruptWhileAFifoWaitsChangesNothing) {
    const testing::ScratchFolder folder;
    make_inputs(folder.path());
    ASSERT_EQ(::mkfifo((folder / "a.svg").c_str(), 0600), 0);
    std::vector<std::string> listing_before;
    for (const auto& entry : fs::directory_iterator(folder.path()))
        listing_before.push_back(entry.path().filename().string());
    std::sort(listing_before.begin(), listing_before.end());
    for (const int signal : {SIGTERM, SIGINT}) {
        const std::string report = contents(folder / "old_report.txt");
        const std::string json = contents(folder / "old.json");
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            if (::chdir(folder.path().c_str()) != 0)
                ::_exit(99);
            std::freopen("/dev/null", "w", stderr);
            ::execl(kBatch.c_str(), kBatch.c_str(), "--quiet", "--report", "old_report.txt",
                    "--json", "old.json", "--plot-allometry", "a.svg", "a.txt", "b.txt",
                    static_cast<char*>(nullptr));
            ::_exit(98);
        }
        // Waits until the run has stopped using the processor: it waits for the reader.
        const auto cpu_ticks = [child]() -> long {
            std::ifstream stat("/proc/" + std::to_string(child) + "/stat");
            std::string field;
            long ticks = 0;
            for (int k = 1; k <= 15 && stat >> field; ++k) {
                if (k == 14 || k == 15)
                    ticks += std::stol(field);
            }
            return ticks;
        };
        long last = -1;
        for (int still = 0, tries = 0; still < 5 && tries < 600; ++tries) {
            ::usleep(100000);
            const long now = cpu_ticks();
            still = now == last ? still + 1 : 0;
            last = now;
        }
        ASSERT_EQ(::kill(child, signal), 0);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFSIGNALED(status)) << "signal " << signal;
        EXPECT_EQ(contents(folder / "old_report.txt"), report);
        EXPECT_EQ(contents(folder / "old.json"), json);
        std::vector<std::string> listing;
        for (const auto& entry : fs::directory_iterator(folder.path()))
            listing.push_back(entry.path().filename().string());
        std::sort(listing.begin(), listing.end());
        EXPECT_EQ(listing, listing_before) << "signal " << signal;
    }
}

// Asking for more output never changes whether a run succeeds: every output of a sample scaled
// near 1e301 or 1e-301, on either size variable, and with three samples.
TEST(BatchBadInputs, EveryOutputTakesExtremeMagnitudes) {
    const testing::ScratchFolder folder;
    make_inputs(folder.path());
    for (const std::string size : {"cs", "lcs"}) {
        for (const std::string scale : {"huge", "tiny"}) {
            // One sample scaled, coordinates and sizes; on one common reference, both.
            const std::string one = scale + "_a.txt b.txt";
            const std::string both = scale + "_a.txt " + scale + "_b.txt";
            for (const std::string& args :
                 {"--json r.json " + one, "--plot-allometry a.svg " + one,
                  "--plot-growth g.svg " + one, "--plot-distributions d.svg " + one,
                  "--export-coords c.csv " + one, "--isometry --json r.json " + one,
                  "--common-reference --permutations 19 --json r.json " + both,
                  "--common-reference --json r.json --plot-allometry a.svg " + both,
                  "--common-reference --json r.json " + both + " " + scale + "_a.txt",
                  "--common-reference --permutations 19 --plot-distributions d.svg " + both + " " +
                      scale + "_b.txt"}) {
                const Outcome r = run(folder.path(), "--size " + size + " " + args);
                EXPECT_EQ(r.status, 0) << size << " " << args << ": " << r.err;
            }
        }
    }
    // The scores in the samples' own units: those of a sample scaled by 2^1000 are 2^1000 times
    // as large.
    const Outcome plain = run(folder.path(), "--json - a.txt b.txt");
    const Outcome scaled = run(folder.path(), "--json - huge.txt b.txt");
    ASSERT_EQ(plain.status, 0) << plain.err;
    ASSERT_EQ(scaled.status, 0) << scaled.err;
    const nlohmann::json p = nlohmann::json::parse(plain.out),
                         q = nlohmann::json::parse(scaled.out);
    const double expected = p["samples"][0]["scores"][3].get<double>();
    EXPECT_NEAR(std::ldexp(q["samples"][0]["scores"][3].get<double>(), -1000) / expected, 1.0,
                1e-12);
}

TEST(BatchBadInputs, OutputsGoWhereTheyAreNamed) {
    const testing::ScratchFolder folder;
    make_inputs(folder.path());
    const Outcome plain = run(folder.path(), "a.txt b.txt");
    ASSERT_EQ(plain.status, 0) << plain.err;
    EXPECT_NE(plain.out.find("Angle between Growth Vectors"), std::string::npos);

    // The same analysis of coordinates scaled near 1e301 and 1e-301: the same report but for the
    // file name.
    for (const char* sample : {"huge.txt", "tiny.txt"}) {
        const Outcome far = run(folder.path(), std::string(sample) + " b.txt");
        std::string expected = plain.out;
        expected.replace(expected.find("a.txt"), 5, sample);
        EXPECT_EQ(far.out, expected) << far.err;
    }
    // Coordinates just below the largest double, where the slopes on log size overflow: the
    // growth vectors and the angles of the unscaled samples, also against isometry.
    for (const char* options : {"", "--isometry ", "--size cs "}) {
        std::string expected = run(folder.path(), std::string(options) + "male.txt female.txt").out;
        for (const std::string name : {" male.txt", " female.txt"}) {
            if (const std::size_t at = expected.find(name); at != std::string::npos)
                expected.replace(at, name.size(), " edge_" + name.substr(1));
        }
        const Outcome edge =
            run(folder.path(), std::string(options) + "edge_male.txt edge_female.txt");
        EXPECT_EQ(edge.status, 0) << edge.err;
        EXPECT_EQ(edge.out, expected) << options;
    }

    // "-" is standard output; devices and links are written through.
    EXPECT_EQ(run(folder.path(), "--report - a.txt b.txt").out, plain.out);
    EXPECT_FALSE(fs::exists(folder / "-"));
    EXPECT_EQ(run(folder.path(), "--report /dev/stdout a.txt b.txt").out, plain.out);
    EXPECT_EQ(run(folder.path(), "--report /dev/null a.txt b.txt").out, "");
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
    fs::create_symlink("old_report.txt", folder / "latest.txt");
    EXPECT_EQ(run(folder.path(), "--report latest.txt a.txt b.txt").status, 0);
    EXPECT_TRUE(fs::is_symlink(folder / "latest.txt"));
    EXPECT_EQ(contents(folder / "old_report.txt"), plain.out);

    // The drawing goes into the file named, in the format its extension names.
    ASSERT_EQ(
        run(folder.path(), "--wirelist wires.txt --plot shapes.emf --view 30,20 a.txt").status,
        2);  // sample 2 is needed unless --isometry
    ASSERT_EQ(run(folder.path(), "--isometry --wirelist wires.txt --plot shapes.emf a.txt").status,
              0);
    EXPECT_EQ(contents(folder / "shapes.emf").substr(40, 4), " EMF");

    // Replicates without a slope are counted in the report too.
    EXPECT_NE(run(folder.path(), "--boots 20 two.txt b.txt")
                  .out.find("Replicates without a slope (resampled sizes all equal): "),
              std::string::npos);

    // A name that is not UTF-8 reaches the JSON as valid UTF-8, its bad byte replaced.
    const Outcome latin = run(folder.path(), "--json - caf$'\\xe9'.txt b.txt");
    ASSERT_EQ(latin.status, 0) << latin.err;
    const nlohmann::json j = nlohmann::json::parse(latin.out);
    EXPECT_EQ(j["samples"][0]["file"], "caf\xEF\xBF\xBD.txt");
}

}  // namespace
}  // namespace kelmar
