#include "batch/batch.hpp"
#include "landmarks/dload.hpp"
#include "session/session.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace kelmar {
namespace {

namespace fs = std::filesystem;

const std::string kExamples = KELMAR_EXAMPLES_DIR;

struct BatchRun {
    int status;
    std::string out;
    std::string err;
};

BatchRun batch(std::vector<std::string> args) {
    args.insert(args.begin(), "kelmar6-batch");
    std::vector<const char*> argv;
    for (const std::string& a : args)
        argv.push_back(a.c_str());
    std::ostringstream out, err;
    const int status = run_batch(static_cast<int>(argv.size()), argv.data(), out, err, false);
    return {status, out.str(), err.str()};
}

std::string example(const std::string& name) {
    return kExamples + "/" + name;
}

std::string read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(Batch, UsageErrorsExitWithTwo) {
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {},
             {"--boots", "30", "a.txt", "b.txt"},
             {"--boots", "0", "a.txt", "b.txt"},
             {"--size", "log", "a.txt", "b.txt"},
             {"--threads", "-1", "a.txt", "b.txt"},
             {"--no-such-option", "a.txt"},
             {example("macaque_male.txt")},
             {"--isometry", "--common-reference", example("macaque_male.txt")}}) {
        const BatchRun r = batch(args);
        EXPECT_EQ(r.status, 2) << r.err;
        EXPECT_FALSE(r.err.empty());
        EXPECT_TRUE(r.out.empty());
    }
    const BatchRun help = batch({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--common-reference"), std::string::npos);
    EXPECT_EQ(batch({"--version"}).out, "kelmar6-batch " KELMAR_VERSION "\n");
}

TEST(Batch, DataErrorsExitWithOneAndNameTheProblem) {
    const BatchRun missing = batch({"no-such-file.txt", example("macaque_male.txt")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "kelmar6-batch: cannot open \"no-such-file.txt\"\n");
    const BatchRun mismatch = batch({example("macaque_male.txt"), example("growth_sample_a.txt")});
    EXPECT_EQ(mismatch.status, 1);
    EXPECT_NE(mismatch.err.find("Mismatch on landmark number"), std::string::npos);
    const BatchRun wires = batch({"--wirelist", example("growth_wirelist.txt"),
                                  example("macaque_male.txt"), example("macaque_female.txt")});
    EXPECT_EQ(wires.status, 1);  // its landmark numbers go beyond the macaques' 7
    EXPECT_NE(wires.err.find("growth_wirelist.txt\", line"), std::string::npos);
}

TEST(Batch, ReportIsTheSessionsReport) {
    const fs::path folder =
        fs::temp_directory_path() / ("kelmar_batch_" + std::to_string(::getpid()));
    fs::create_directories(folder);
    const fs::path report = folder / "report.txt";
    const BatchRun r =
        batch({"--common-reference", "--boots", "200", "--size", "cs", "--seed", "7", "--report",
               report.string(), example("macaque_male.txt"), example("macaque_female.txt")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.out.empty());

    // The steps of a desktop session with the same choices.
    Session session(7);
    std::ostringstream console;
    session.set_console(&console);
    session.load1(*dload(example("macaque_male.txt")), "macaque_male.txt");
    session.load2(*dload(example("macaque_female.txt")), "macaque_female.txt", true);
    session.angle_between(false, 200);
    EXPECT_EQ(read(report), session.report_text());
    fs::remove_all(folder);

    const BatchRun to_stdout =
        batch({"--common-reference", "--boots", "200", "--size", "cs", "--seed", "7",
               example("macaque_male.txt"), example("macaque_female.txt")});
    EXPECT_EQ(to_stdout.out, session.report_text());
}

TEST(Batch, JsonCarriesTheResultsExactly) {
    const std::vector<std::string> args = {"--json",
                                           "-",
                                           "--boots",
                                           "100",
                                           "--threads",
                                           "1",
                                           example("growth_sample_a.txt"),
                                           example("growth_sample_b.txt")};
    const BatchRun r = batch(args);
    ASSERT_EQ(r.status, 0) << r.err;
    const nlohmann::ordered_json j = nlohmann::ordered_json::parse(r.out);  // only JSON on stdout
    std::vector<std::string> keys;
    for (const auto& item : j.items())
        keys.push_back(item.key());
    EXPECT_EQ(keys, (std::vector<std::string>{"program", "version", "analysis", "size_variable",
                                              "bootstraps", "seed", "common_reference", "samples",
                                              "angle", "ranges", "degenerate_replicates",
                                              "growth_vectors"}));
    EXPECT_EQ(j["analysis"], "between");
    EXPECT_EQ(j["samples"][1]["specimens"], 32);
    EXPECT_EQ(j["samples"][1]["landmarks"], 16);

    Session session;
    std::ostringstream console;
    session.set_console(&console);
    session.load1(*dload(example("growth_sample_a.txt")), "growth_sample_a.txt");
    session.load2(*dload(example("growth_sample_b.txt")), "growth_sample_b.txt", false);
    const AngleOutcome angle = session.angle_between(true, 100);
    // Numbers read back exactly.
    EXPECT_EQ(j["angle"].get<double>(), angle.angle);
    const Eigen::VectorXd& gv1 = *session.variables().gv1;
    const std::vector<double> written = j["growth_vectors"]["sample1"];
    EXPECT_EQ(written, std::vector<double>(gv1.data(), gv1.data() + gv1.size()));
    EXPECT_EQ(j["ranges"]["sample2"][2].get<double>(), (*session.variables().AW2R)(2));

    // Any number of threads gives the same output.
    std::vector<std::string> two = args;
    two[5] = "2";
    EXPECT_EQ(batch(two).out, r.out);

    const BatchRun iso = batch({"--isometry", "--json", "-", example("growth_sample_a.txt")});
    ASSERT_EQ(iso.status, 0) << iso.err;
    const auto k = nlohmann::json::parse(iso.out);
    EXPECT_TRUE(k["ranges"]["sample2"].is_null());
    EXPECT_FALSE(k.contains("note"));
}

}  // namespace
}  // namespace kelmar
