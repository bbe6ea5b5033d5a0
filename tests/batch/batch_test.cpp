#include "batch/batch.hpp"
#include "landmarks/landmark_file.hpp"
#include "landmarks/table_file.hpp"
#include "platform/numeric/files.hpp"
#include "platform/numeric/format.hpp"
#include "session/session.hpp"

#include "support/scratch.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <Eigen/LU>
#include <Eigen/QR>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
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

// The JSON a run writes to standard output; the run must succeed.
nlohmann::ordered_json json_of(const std::vector<std::string>& args) {
    const BatchRun r = batch(args);
    EXPECT_EQ(r.status, 0) << r.err;
    return nlohmann::ordered_json::parse(r.out);
}

std::string example(const std::string& name) {
    return kExamples + "/" + name;
}

std::string read(const fs::path& p) {
    return read_file_bytes(p.string()).value_or("");
}

TEST(Batch, UsageErrorsExitWithTwo) {
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {},
             {"--boots", "30", "a.txt", "b.txt"},
             {"--size", "log", "a.txt", "b.txt"},
             {example("macaque_male.txt")},
             {"--isometry", "--common-reference", example("macaque_male.txt")},
             {"--permutations", "0", "--common-reference", "a.txt", "b.txt"},
             {"--permutations", "99", example("macaque_male.txt"), example("macaque_female.txt")},
             {"--permutations", "99", "--isometry", example("macaque_male.txt")},
             {"--format", "csv", "a.txt", "b.txt"},
             {"--export-coords", "out.txt", "a.txt", "b.txt"},
             {"--group-column", "", "a.txt"},
             {"--dimensions", "4", "a.txt", "b.txt"},
             // Three samples have a common frame only on one common reference.
             {example("growth_sample_a.txt"), example("growth_sample_b.txt"),
              example("growth_sample_c.txt")},
             {"--plot", "three.svg", "--common-reference", example("growth_sample_a.txt"),
              example("growth_sample_b.txt"), example("growth_sample_c.txt")},
             // The ANOVA is tested by permutations; the shape space pools the samples.
             {"--anova", "--common-reference", "a.txt", "b.txt"},
             {"--plot-shape-space", "s.svg", "a.txt", "b.txt"},
             {"--export-scores", "s.csv", "a.txt", "b.txt"},
             {"--export-scores", "s.txt", "--common-reference", "a.txt", "b.txt"},
             {"--form-space", "--common-reference", "a.txt", "b.txt"},
             {"--components", "1,2", "--common-reference", "a.txt", "b.txt"},
             {"--components", "2,2", "--plot-shape-space", "s.svg", "a.txt", "b.txt"}}) {
        const BatchRun r = batch(args);
        EXPECT_EQ(r.status, 2) << r.err;
        EXPECT_EQ(r.err.rfind("kelmar6-batch: ", 0), 0u) << r.err;
        EXPECT_TRUE(r.out.empty());
    }
    // A check's message names its option once.
    EXPECT_EQ(
        batch({"--boots", "100000020", "a.txt", "b.txt"}).err.substr(0, 83),
        "kelmar6-batch: --boots takes a multiple of 20 from 20 to 100000000, given 100000020");
    const std::string boots = batch({"--boots", "30", "a.txt", "b.txt"}).err;
    EXPECT_EQ(boots,
              "kelmar6-batch: --boots takes a multiple of 20 from 20 to 100000000, given 30\n"
              "Run with --help for more information.\n");
    EXPECT_EQ(batch({"--version"}).out, "kelmar6-batch " KELMAR_VERSION "\n");
}

// The command line as people type it: values of any case, a near miss of an option named with
// the option meant, a value left out said in words, the short forms people expect.
TEST(Batch, CommandLineAsPeopleTypeIt) {
    const std::string a = example("macaque_male.txt"), b = example("macaque_female.txt");
    const BatchRun lower = batch({"--size", "cs", "--format", "table", a, b});
    const BatchRun upper = batch({"--size", "CS", "--format", "Table", a, b});
    ASSERT_EQ(upper.status, 0) << upper.err;
    EXPECT_EQ(upper.out, lower.out);
    EXPECT_NE(upper.out.find("Regression was on CS"), std::string::npos);
    const auto message = [&](std::vector<std::string> args) {
        const BatchRun r = batch(std::move(args));
        EXPECT_NE(r.status, 0);
        return r.err.substr(0, r.err.find('\n'));
    };
    EXPECT_EQ(message({"--boot", "100", a, b}),
              "kelmar6-batch: --boot is not an option; did you mean --boots?");
    EXPECT_EQ(message({"--common-referance", a, b}),
              "kelmar6-batch: --common-referance is not an option; did you mean "
              "--common-reference?");
    EXPECT_EQ(message({"--Seed=4", a, b}),
              "kelmar6-batch: --Seed is not an option; did you mean --seed?");
    EXPECT_EQ(message({"--frobnicate", a, b}), "kelmar6-batch: --frobnicate is not an option");
    EXPECT_EQ(message({"--boots"}),
              "kelmar6-batch: --boots needs a number of replicates, a positive multiple of 20");
    EXPECT_EQ(message({a}),
              "kelmar6-batch: a comparison needs two samples: give a second "
              "landmark file among SAMPLES, or --isometry");
    // A sample taken as an output's name is said to be one, and left as it was.
    EXPECT_EQ(message({"--report", a, b}),
              "kelmar6-batch: --report \"" + a +
                  "\" looks like a sample: a comparison needs two samples; give --report the "
                  "name of the file to write");
    // Files after "--" are samples, whatever their names.
    EXPECT_EQ(message({"--", "--boot"}).find("is not an option"), std::string::npos);
    EXPECT_EQ(batch({"-V"}).out, "kelmar6-batch " KELMAR_VERSION "\n");
    EXPECT_EQ(batch({"-q", a, b}).out, batch({"--quiet", a, b}).out);
}

// The help names its groups and values, ends with examples and fits in 80 columns.
TEST(Batch, HelpFitsEightyColumns) {
    const BatchRun help = batch({"--help"});
    EXPECT_EQ(help.status, 0);
    for (const char* part : {"Input:", "Analysis:", "Outputs:", "--boots N", "--json FILE",
                             "Examples:\n  kelmar6-batch "}) {
        EXPECT_NE(help.out.find(part), std::string::npos) << part;
    }
    std::istringstream lines(help.out);
    for (std::string line; std::getline(lines, line);)
        EXPECT_LE(line.size(), 80u) << line;
}

TEST(Batch, DataErrorsExitWithOneAndNameTheProblem) {
    const BatchRun missing = batch({"no-such-file.txt", example("macaque_male.txt")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "kelmar6-batch: cannot open \"no-such-file.txt\": no such file\n");
    EXPECT_EQ(batch({example("macaque_male.txt"), example("growth_sample_a.txt")}).status, 1);
    const BatchRun column =
        batch({"--group-column", "sex", "--isometry", example("macaque_male.txt")});
    EXPECT_EQ(column.status, 1);
    EXPECT_NE(column.err.find("labelled tables only"), std::string::npos) << column.err;
}

TEST(Batch, ReportIsTheSessionsReport) {
    const testing::ScratchFolder folder;
    const fs::path report = folder / "report.txt";
    const BatchRun r =
        batch({"--common-reference", "--boots", "200", "--size", "cs", "--seed", "7", "--report",
               report.string(), example("macaque_male.txt"), example("macaque_female.txt")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.out.empty());

    // The steps of a desktop session with the same choices.
    Session session(7);
    session.load1(*read_table_file(example("macaque_male.txt")), "macaque_male.txt");
    session.load2(*read_table_file(example("macaque_female.txt")), "macaque_female.txt", true);
    session.angle_between(SizeVariable::centroid_size, 200);
    EXPECT_EQ(read(report), session.report_text());
}

// Coordinates analysed as read are named on standard error, with the option that superimposes
// them; the report says which coordinates it analysed.
TEST(Batch, AnalysesOfCoordinatesAsReadSaySo) {
    const std::string a = example("growth_sample_a.txt"), b = example("growth_sample_b.txt");
    const BatchRun as_read = batch({a, b});
    EXPECT_NE(as_read.err.find("note: the growth vectors are of the coordinates as read"),
              std::string::npos);
    EXPECT_NE(as_read.err.find("--common-reference"), std::string::npos);
    EXPECT_NE(as_read.out.find("\nAnalysed coordinates as read\n"), std::string::npos);
    const BatchRun common = batch({"--common-reference", a, b});
    EXPECT_EQ(common.err, "");
    EXPECT_NE(common.out.find("\nAnalysed on the common Procrustes GLS reference\n"),
              std::string::npos);
    EXPECT_EQ(batch({"--isometry", a, b}).err, "");  // isometry is compared as read
    EXPECT_EQ(batch({"--quiet", a, b}).err, "");
}

TEST(Batch, JsonCarriesTheResultsExactly) {
    const BatchRun r = batch({"--json", "-", "--threads", "1", example("growth_sample_a.txt"),
                              example("growth_sample_b.txt")});
    ASSERT_EQ(r.status, 0) << r.err;
    const nlohmann::ordered_json j = nlohmann::ordered_json::parse(r.out);  // only JSON on stdout
    std::vector<std::string> keys;
    for (const auto& item : j.items())
        keys.push_back(item.key());
    EXPECT_EQ(keys, (std::vector<std::string>{"program", "version", "analysis", "size_variable",
                                              "bootstraps", "seed", "common_reference",
                                              "scores_projection", "samples", "angle", "ranges",
                                              "degenerate_replicates", "growth_vectors"}));
    // The allometry plot's numbers, each sample on its own growth direction (no common frame).
    EXPECT_EQ(j["scores_projection"], "each sample's own growth direction");
    EXPECT_EQ(j["samples"][1]["scores"].size(), 32u);
    EXPECT_EQ(j["samples"][1]["sizes"].size(), 32u);
    EXPECT_EQ(j["samples"][1]["specimens"], 32);

    Session session;
    session.load1(*read_table_file(example("growth_sample_a.txt")), "growth_sample_a.txt");
    session.load2(*read_table_file(example("growth_sample_b.txt")), "growth_sample_b.txt", false);
    const AngleResult angle = session.angle_between(SizeVariable::log_centroid_size, 100);
    // Numbers read back exactly.
    EXPECT_EQ(j["angle"].get<double>(), angle.angle);
    const Eigen::VectorXd& gv1 = angle.growth_vector1;
    const std::vector<double> written = j["growth_vectors"]["sample1"];
    EXPECT_EQ(written, std::vector<double>(gv1.data(), gv1.data() + gv1.size()));
    EXPECT_EQ(j["ranges"]["sample2"][2].get<double>(), angle.range2(2));

    // The sizes are the size variable: log centroid size by default, centroid size on CS.
    const Eigen::MatrixXd b = *read_table_file(example("growth_sample_b.txt"));
    EXPECT_EQ(j["samples"][1]["sizes"][0].get<double>(), std::log(b(0, b.cols() - 1)));
    const BatchRun cs = batch({"--json", "-", "--size", "cs", example("growth_sample_a.txt"),
                               example("growth_sample_b.txt")});
    ASSERT_EQ(cs.status, 0) << cs.err;
    EXPECT_EQ(nlohmann::ordered_json::parse(cs.out)["samples"][1]["sizes"][0].get<double>(),
              b(0, b.cols() - 1));
}

// The permutation test draws after the bootstraps: asking for it changes no other number, and
// it adds a JSON key and a report section at the end.
TEST(Batch, PermutationTestAddsItsResultsAndChangesNoOther) {
    const testing::ScratchFolder folder;
    const auto run = [&](const std::string& name, std::vector<std::string> extra) {
        std::vector<std::string> args = {"--common-reference", "--json", "-", "--report",
                                         (folder / name).string()};
        args.insert(args.end(), extra.begin(), extra.end());
        args.push_back(example("growth_sample_a.txt"));
        args.push_back(example("growth_sample_b.txt"));
        return json_of(args);
    };
    nlohmann::ordered_json with = run("with.txt", {"--permutations", "199"});
    const nlohmann::ordered_json without = run("without.txt", {});
    const nlohmann::ordered_json test = with["permutation_test"];
    EXPECT_EQ(test["permutations"], 199);
    EXPECT_EQ(test["angle"], with["angle"]);
    EXPECT_EQ(test["null"], "common slope");
    const double p = test["p_value"];
    EXPECT_EQ(p * 200, std::round(p * 200));
    EXPECT_GT(p, 0.0);
    EXPECT_TRUE(test["ucl95"].is_number() && test["z"].is_number());
    EXPECT_EQ(with["pairwise"][0]["angle"], with["angle"]);
    EXPECT_EQ(with["pairwise"][0]["p_value"]["angle"], p);
    EXPECT_EQ(with["common_slopes_test"]["permutations"], 199);
    with.erase("permutation_test");
    with.erase("pairwise");
    with.erase("common_slopes_test");
    EXPECT_EQ(with, without);

    const std::string report = read(folder / "with.txt");
    std::string plain = read(folder / "without.txt");
    plain.resize(plain.rfind("\nAnalysed"));  // the last lines say where the stream stood
    EXPECT_EQ(report.substr(0, plain.size()), plain);
    EXPECT_NE(report.find(", 199 permutations, regression on LCS:\n", plain.size()),
              std::string::npos);
    // The position before the tests is where the stream stood after the bootstraps.
    Session session;
    session.load1(*read_table_file(example("growth_sample_a.txt")), "a");
    session.load2(*read_table_file(example("growth_sample_b.txt")), "b", true);
    session.angle_between(SizeVariable::log_centroid_size, 100);
    const std::string ending = "\nRandom numbers: seed 5489, 0 drawn before the bootstrap, " +
                               std::to_string(session.random_stream().drawn()) +
                               " before the permutation tests\n";
    EXPECT_TRUE(report.ends_with(ending)) << report;
}

// --anova adds the table after the permutation tests, its last line the common slopes' test, and
// changes nothing else; the JSON's rows are the report's.
TEST(Batch, AnovaTableFollowsThePermutationTests) {
    const testing::ScratchFolder folder;
    const auto run = [&](const std::string& name, std::vector<std::string> extra) {
        std::vector<std::string> args = {
            "--common-reference", "--permutations",        "199", "--json", "-",
            "--report",           (folder / name).string()};
        args.insert(args.end(), extra.begin(), extra.end());
        for (const char* sample :
             {"growth_sample_a.txt", "growth_sample_b.txt", "growth_sample_c.txt"})
            args.push_back(example(sample));
        return json_of(args);
    };
    nlohmann::ordered_json with = run("with.txt", {"--anova"});
    const nlohmann::ordered_json without = run("without.txt", {});
    const nlohmann::ordered_json rows = with["anova"];
    ASSERT_EQ(rows.size(), 5u);
    const char* terms[] = {"size", "sample", "size_by_sample", "residual", "total"};
    const int df[] = {1, 2, 2, 108 - 6, 107};  // 40 + 32 + 36 specimens, 3 samples
    double sum = 0.0;
    for (std::size_t t = 0; t < 5; ++t) {
        EXPECT_EQ(rows[t]["term"], terms[t]);
        EXPECT_EQ(rows[t]["df"], df[t]);
        if (t < 4)
            sum += rows[t]["ss"].get<double>();
    }
    EXPECT_NEAR(sum, rows[4]["ss"].get<double>(), 1e-12 * sum);
    EXPECT_EQ(rows[2]["f"], with["common_slopes_test"]["f"]);
    EXPECT_EQ(rows[2]["p_value"], with["common_slopes_test"]["p_value"]);
    EXPECT_EQ(rows[2]["z"], with["common_slopes_test"]["z"]);
    with.erase("anova");
    EXPECT_EQ(with, without);

    const std::string report = read(folder / "with.txt");
    const std::string plain = read(folder / "without.txt");
    const std::size_t table = report.find(
        "\nProcrustes ANOVA (sequential sums of squares), 199 "
        "permutations, regression on LCS:\n");
    ASSERT_NE(table, std::string::npos);
    EXPECT_EQ(report.substr(0, table), plain.substr(0, table));
    EXPECT_EQ(report.substr(report.find("\nAnalysed")), plain.substr(plain.find("\nAnalysed")));
    const std::string common =
        format_text("Size x sample       2 %12.6g %12.6g %8.4f %10.4f %8.2f %9.4g ",
                    {rows[2]["ss"].get<double>(), rows[2]["ms"].get<double>(),
                     rows[2]["r_squared"].get<double>(), rows[2]["f"].get<double>(),
                     rows[2]["z"].get<double>(), rows[2]["p_value"].get<double>()});
    EXPECT_NE(report.find(common, table), std::string::npos) << report.substr(table);
}

// The scores exported are the JSON's, each specimen named with its sample and size; form space
// adds log size as one more variable; the picture names its components and samples.
TEST(Batch, ShapeSpaceScoresAndPicture) {
    const testing::ScratchFolder folder;
    const auto run = [&](std::vector<std::string> extra) {
        std::vector<std::string> args = {"--common-reference", "--json", "-", "--report",
                                         (folder / "report.txt").string()};
        args.insert(args.end(), extra.begin(), extra.end());
        args.push_back(example("growth_sample_a.txt"));
        args.push_back(example("growth_sample_b.txt"));
        return json_of(args);
    };
    const std::string csv = (folder / "scores.csv").string();
    const nlohmann::ordered_json shape = run({"--export-scores", csv});
    const nlohmann::ordered_json space = shape["shape_space"];
    EXPECT_EQ(space["space"], "shape");
    const std::vector<double> shares = space["shares"];
    double total = 0.0;
    for (double share : shares)
        total += share;
    EXPECT_NEAR(total, 1.0, 1e-12);
    EXPECT_EQ(space["loadings"]["PC1"].size(), 48u);
    const nlohmann::ordered_json specimens = space["specimens"];
    ASSERT_EQ(specimens.size(), 72u);
    std::istringstream lines(read(csv));
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line.rfind("name,sample,size,PC1,PC2,", 0), 0u);
    EXPECT_TRUE(line.ends_with(",PC20"));
    for (std::size_t i = 0; std::getline(lines, line); ++i) {
        ASSERT_LT(i, specimens.size());
        std::vector<std::string> fields;
        std::stringstream split(line);
        for (std::string field; std::getline(split, field, ',');)
            fields.push_back(field);
        ASSERT_EQ(fields.size(), 23u);
        EXPECT_EQ(fields[0], specimens[i]["name"]);
        EXPECT_EQ(std::stoi(fields[1]), specimens[i]["sample"]);
        for (std::size_t c = 0; c < 20; ++c)
            EXPECT_EQ(std::stod(fields[3 + c]), specimens[i]["scores"][c].get<double>());
    }
    // The report is the one without the shape space.
    const nlohmann::ordered_json form = run({"--export-scores", csv, "--form-space"});
    EXPECT_EQ(form["shape_space"]["space"], "form");
    EXPECT_EQ(form["shape_space"]["loadings"]["PC1"].size(), 49u);
    nlohmann::ordered_json plain = shape;
    plain.erase("shape_space");
    EXPECT_EQ(plain, run({}));

#ifdef KELMAR_HAS_EXPORT
    // The drawing module lies beside the program, so the picture is drawn by the program itself.
    const std::string svg = (folder / "space.svg").string();
    const std::string json = (folder / "space.json").string();
    std::string command;
    for (const std::string& word :
         {std::string(KELMAR_BATCH_PROGRAM), std::string("-q"), std::string("--common-reference"),
          std::string("--plot-shape-space"), svg, std::string("--components"), std::string("2,3"),
          std::string("--json"), json, std::string("--report"), (folder / "r.txt").string(),
          example("growth_sample_a.txt"), example("growth_sample_b.txt")}) {
        command += " '";
        command += word;
        command += "'";
    }
    ASSERT_EQ(std::system(command.c_str()), 0);
    const nlohmann::ordered_json drawn = nlohmann::ordered_json::parse(read(json));
    const std::string picture = read(svg);
    const std::vector<double> drawn_shares = drawn["shape_space"]["shares"];
    for (const std::string& words :
         {"PC2 (" + format_text("%.1f", {100 * drawn_shares[1]}) + " %)",
          "PC3 (" + format_text("%.1f", {100 * drawn_shares[2]}) + " %)",
          std::string("growth_sample_a.txt"), std::string("growth_sample_b.txt")})
        EXPECT_NE(picture.find(words), std::string::npos) << words;
    EXPECT_EQ(drawn["shape_space"]["components"], nlohmann::ordered_json({2, 3}));
    EXPECT_EQ(drawn["shape_space"]["trajectories"].size(), 2u);
    // Components that do not vary are refused before anything is written.
    const BatchRun beyond =
        batch({"--common-reference", "--plot-shape-space", svg, "--components", "1,200",
               example("growth_sample_a.txt"), example("growth_sample_b.txt")});
    EXPECT_EQ(beyond.status, 1);
    EXPECT_NE(beyond.err.find("--components 1,200: the pooled specimens have"), std::string::npos)
        << beyond.err;
#endif
}

// Missing landmarks: refused with their count and the option; estimated with it, named in the
// report, the JSON and both exports; a file that codes them as -999 gives the same analysis.
TEST(Batch, MissingLandmarksAreEstimatedAndSaidSo) {
    const testing::ScratchFolder folder;
    const std::string damaged = example("growth_sample_a_missing.txt");
    const BatchRun refused = batch({"--common-reference", damaged, example("growth_sample_b.txt")});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("; 12 landmarks of 8 specimens are missing in all: give "
                               "--estimate-missing"),
              std::string::npos)
        << refused.err;
    const auto run = [&](const std::string& sample, const std::string& csv,
                         std::vector<std::string> extra) {
        std::vector<std::string> args = {"--common-reference",
                                         "--estimate-missing",
                                         "--json",
                                         "-",
                                         "--report",
                                         (folder / "report.txt").string(),
                                         "--export-coords",
                                         csv};
        args.insert(args.end(), extra.begin(), extra.end());
        args.push_back(sample);
        args.push_back(example("growth_sample_b.txt"));
        return json_of(args);
    };
    const std::string csv = (folder / "completed.csv").string();
    nlohmann::ordered_json with_na = run(damaged, csv, {});
    EXPECT_NE(read(folder / "report.txt")
                  .find("  16 Landmarks and   40 Sample points\n12 landmarks of 8 specimens "
                        "estimated (thin-plate spline)\n"),
              std::string::npos);
    const nlohmann::ordered_json estimated = with_na["samples"][0]["estimated"];
    ASSERT_EQ(estimated.size(), 12u);
    EXPECT_FALSE(with_na["samples"][1].contains("estimated"));
    // The CSV names each specimen's estimated landmarks in its last column, as the JSON does.
    std::istringstream lines(read(csv));
    std::string line;
    std::getline(lines, line);
    EXPECT_TRUE(line.ends_with(",z16,estimated"));
    std::map<std::string, std::string> marked;
    while (std::getline(lines, line)) {
        const std::string last = line.substr(line.rfind(',') + 1);
        if (!last.empty())
            marked[line.substr(0, line.find(','))] = last;
    }
    std::map<std::string, std::string> expected;
    for (const auto& e : estimated) {
        std::string& text = expected[e["specimen"].get<std::string>()];
        if (!text.empty())
            text += ' ';
        text += std::to_string(e["landmark"].get<int>());
    }
    EXPECT_EQ(marked, expected);
    // TPS says it in a comment line.
    const std::string tps = (folder / "completed.tps").string();
    run(damaged, tps, {});
    std::string comment = "ID=1\nCOMMENT=sample 1\nCOMMENT=estimated landmarks ";
    comment += expected.at("1");
    comment += "\n";
    EXPECT_NE(read(tps).find(comment), std::string::npos);

    // The same file with its missing points written -999.
    std::string text = read(damaged);
    for (std::size_t at; (at = text.find("NA")) != std::string::npos;)
        text.replace(at, 2, "-999");
    write_file_atomically((folder / "coded.txt").string(), text);
    nlohmann::ordered_json coded =
        run((folder / "coded.txt").string(), csv, {"--missing-value", "-999"});
    coded["samples"][0]["file"] = with_na["samples"][0]["file"];
    EXPECT_EQ(coded, with_na);
}

// Three samples: the report is the session's, the JSON carries every sample and pair, and the
// coordinates exported in one file, given alone, are read as the three samples again.
TEST(Batch, SeveralSamplesAndOneFileThatRecordsThem) {
    const testing::ScratchFolder folder;
    const std::vector<std::string> files = {example("growth_sample_a.txt"),
                                            example("growth_sample_b.txt"),
                                            example("growth_sample_c.txt")};
    const fs::path report = folder / "report.txt";
    const fs::path csv = folder / "all.csv";
    const fs::path tps = folder / "all.tps";
    std::vector<std::string> args = {
        "--common-reference", "--permutations",  "99",        "--json", "-", "--report",
        report.string(),      "--export-coords", csv.string()};
    args.insert(args.end(), files.begin(), files.end());
    const BatchRun r = batch(args);
    ASSERT_EQ(r.status, 0) << r.err;
    const nlohmann::ordered_json j = nlohmann::ordered_json::parse(r.out);
    ASSERT_EQ(j["samples"].size(), 3u);
    EXPECT_EQ(j["samples"][2]["specimens"], 36);
    EXPECT_EQ(j["samples"][1]["ranges"].size(), 3u);
    ASSERT_EQ(j["pairwise"].size(), 3u);
    EXPECT_EQ(j["pairwise"][2]["a"], 2);
    EXPECT_EQ(j["pairwise"][2]["b"], 3);
    EXPECT_TRUE(j["pairwise"][1]["p_value"]["length_difference"].is_number());
    EXPECT_EQ(j["common_slopes_test"]["permutations"], 99);

    Session session;
    session.load1(*read_table_file(files[0]), "growth_sample_a.txt");
    std::vector<SampleInput> further;
    further.push_back({*read_table_file(files[1]), "growth_sample_b.txt", {}});
    further.push_back({*read_table_file(files[2]), "growth_sample_c.txt", {}});
    session.load_samples(std::move(further));
    const SampleAngles& angles =
        session.angles_between_samples(SizeVariable::log_centroid_size, 100);
    const std::uint64_t after_bootstrap = session.random_stream().drawn();
    session.permutation_test(SizeVariable::log_centroid_size, 99);
    EXPECT_EQ(read(report), session.report_text());
    EXPECT_TRUE(
        read(report).ends_with("\nRandom numbers: seed 5489, 0 drawn before the bootstrap, " +
                               std::to_string(after_bootstrap) + " before the permutation tests\n"))
        << read(report);
    EXPECT_EQ(j["pairwise"][1]["angle"].get<double>(), angles.angles(0, 2));

    // The export holds the three samples; as CSV and as TPS it is read as them again.
    ASSERT_EQ(
        batch({"--common-reference", "--export-coords", tps.string(), files[0], files[1], files[2]})
            .status,
        0);
    for (const fs::path& one : {csv, tps}) {
        const BatchRun again = batch({"--common-reference", "--json", "-", one.string()});
        ASSERT_EQ(again.status, 0) << again.err;
        const nlohmann::ordered_json k = nlohmann::ordered_json::parse(again.out);
        ASSERT_EQ(k["samples"].size(), 3u);
        EXPECT_EQ(k["samples"][1]["file"], one.string() + " (sample 2)");
        for (std::size_t p = 0; p < 3; ++p) {
            EXPECT_NEAR(k["pairwise"][p]["angle"].get<double>(),
                        j["pairwise"][p]["angle"].get<double>(), 1e-6);
        }
    }
    // Given with other files, such a file would be pooled: refused.
    const BatchRun pooled = batch({"--common-reference", csv.string(), files[0]});
    EXPECT_EQ(pooled.status, 1);
    EXPECT_NE(pooled.err.find("records 3 samples; give it alone"), std::string::npos) << pooled.err;

    // Against isometry, every sample, each on its own coordinates.
    std::vector<std::string> isometry = {"--isometry", "--json", "-"};
    isometry.insert(isometry.end(), files.begin(), files.end());
    const BatchRun iso = batch(isometry);
    ASSERT_EQ(iso.status, 0) << iso.err;
    const nlohmann::ordered_json i = nlohmann::ordered_json::parse(iso.out);
    EXPECT_TRUE(i["samples"][2]["angle_to_isometry"].is_number());
    EXPECT_FALSE(i.contains("pairwise"));
}

// The exported coordinates are on the common reference already: analysed as they stand, they
// give the run's angle again, and they carry the files' specimen names.
TEST(Batch, ExportedCoordinatesGiveTheSameAngleAgain) {
    const testing::ScratchFolder folder;
    for (const char* name : {"coords.csv", "coords.tps"}) {
        const std::string path = (folder / name).string();
        const BatchRun r = batch({"--common-reference", "--json", "-", "--export-coords", path,
                                  example("formats/growth_sample_a.csv"),
                                  example("formats/growth_sample_b_slicer")});
        ASSERT_EQ(r.status, 0) << r.err;
        const nlohmann::ordered_json j = nlohmann::ordered_json::parse(r.out);
        EXPECT_EQ(j["samples"][1]["names"][0], "b_01");
        const LandmarkSample coords = read_landmark_sample(path);
        EXPECT_EQ(coords.names.front(), "a_01");
        const Eigen::Index n1 = j["samples"][0]["specimens"];
        Session session;
        session.load1(coords.data.topRows(n1), "1");
        session.load2(coords.data.bottomRows(coords.data.rows() - n1), "2", false);
        EXPECT_EQ(session.angle_between(SizeVariable::log_centroid_size, 20).angle,
                  j["angle"].get<double>())
            << name;
    }
}

// Every exported specimen of the bundled samples is its configuration as read, centred, scaled
// and turned: a proper rotation, never its mirror image.
TEST(Batch, ExportedSpecimensAreTurnedNotMirrored) {
    const testing::ScratchFolder folder;
    const std::string path = (folder / "coords.csv").string();
    const std::vector<std::string> files = {example("macaque_male.txt"),
                                            example("macaque_female.txt")};
    const BatchRun r =
        batch({"--common-reference", "--quiet", "--report", (folder / "r.txt").string(),
               "--export-coords", path, files[0], files[1]});
    ASSERT_EQ(r.status, 0) << r.err;
    const Eigen::MatrixXd exported = read_landmark_sample(path).data;
    Eigen::Index row = 0;
    for (const std::string& file : files) {
        const Eigen::MatrixXd read = read_landmark_sample(file).data;
        const Eigen::Index p = (read.cols() - 1) / 3;
        for (Eigen::Index i = 0; i < read.rows(); ++i, ++row) {
            Eigen::MatrixXd as_read = read.row(i).head(3 * p).reshaped(3, p).transpose();
            as_read.rowwise() -= as_read.colwise().mean();
            as_read /= as_read.norm();
            const Eigen::MatrixXd fitted = exported.row(row).head(3 * p).reshaped(3, p).transpose();
            const Eigen::Matrix3d turn = as_read.colPivHouseholderQr().solve(fitted);
            EXPECT_LT((as_read * turn - fitted).norm(), 1e-9) << file << " specimen " << i + 1;
            EXPECT_NEAR(turn.determinant(), 1.0, 1e-9) << file << " specimen " << i + 1;
        }
    }
    EXPECT_EQ(row, exported.rows());
}

// One growth series split at its median size and loaded as two samples on the common
// reference: the allometry plot draws one trajectory, the two lines meeting where it was split.
TEST(Batch, OneGrowthSeriesSplitLiesOnOneLine) {
    const Eigen::MatrixXd all = read_landmark_sample(example("growth_sample_a.txt")).data;
    const Eigen::Index c = all.cols() - 1;
    Eigen::VectorXd sizes = all.col(c);
    std::sort(sizes.begin(), sizes.end());
    const double split = (sizes(all.rows() / 2 - 1) + sizes(all.rows() / 2)) / 2;
    Eigen::MatrixXd small(0, all.cols()), large(0, all.cols());
    for (Eigen::Index i = 0; i < all.rows(); ++i) {
        Eigen::MatrixXd& half = all(i, c) < split ? small : large;
        half.conservativeResize(half.rows() + 1, Eigen::NoChange);
        half.bottomRows(1) = all.row(i);
    }
    Session session;
    session.set_drawings(false);
    session.load1(small, "small");
    session.load2(large, "large", true);
    session.angle_between(SizeVariable::log_centroid_size, 20);
    const AllometryScores scores = session.allometry();
    ASSERT_TRUE(scores.common_direction);
    double lo = 1e300, hi = -1e300;
    for (const AllometryScores::Sample& s : scores.samples) {
        lo = std::min(lo, s.scores.minCoeff());
        hi = std::max(hi, s.scores.maxCoeff());
    }
    const auto height = [&](const AllometryScores::Sample& s) {
        return s.mean_score + s.slope * (std::log(split) - s.mean_size);
    };
    EXPECT_LT(std::fabs(height(scores.samples[0]) - height(scores.samples[1])), 0.05 * (hi - lo));
}

// The bundled examples in the field's formats hold the plain tables' samples: the same results,
// up to the rounding of the tables' written sizes.
TEST(Batch, BundledFormatExamplesMatchThePlainTables) {
    const auto results = [](const std::string& a, const std::string& b) {
        const BatchRun r = batch({"--common-reference", "--json", "-", example(a), example(b)});
        EXPECT_EQ(r.status, 0) << r.err;
        return nlohmann::ordered_json::parse(r.status == 0 ? r.out : "{}");
    };
    for (const auto& [plain, formats] :
         {std::pair{results("macaque_male.txt", "macaque_female.txt"),
                    results("formats/macaque_male.tps", "formats/macaque_female_morphologika.txt")},
          std::pair{results("growth_sample_a.txt", "growth_sample_b.txt"),
                    results("formats/growth_sample_a.csv", "formats/growth_sample_b_slicer")}}) {
        EXPECT_NEAR(plain["angle"].get<double>(), formats["angle"].get<double>(), 1e-9);
        EXPECT_NEAR(plain["ranges"]["sample2"][2].get<double>(),
                    formats["ranges"]["sample2"][2].get<double>(), 1e-9);
    }
}

// A 2D pair as TPS and as plain tables told --dimensions 2 gives one analysis, with the
// dimension in the JSON; a 2D sample beside a 3D one is refused naming both.
TEST(Batch, TwoDimensionalSamplesInEveryFormGiveOneAnalysis) {
    const testing::ScratchFolder folder;
    std::vector<std::string> tables;
    for (const char* name : {"flat_growth_a", "flat_growth_b"}) {
        const LandmarkSample tps = read_landmark_sample(example(std::string(name) + ".tps"));
        std::string text;
        for (Eigen::Index i = 0; i < tps.data.rows(); ++i) {
            for (Eigen::Index j = 0; j < tps.data.cols(); ++j) {
                text += shortest_text(tps.data(i, j));
                text += j + 1 < tps.data.cols() ? ' ' : '\n';
            }
        }
        tables.push_back((folder / (std::string(name) + ".txt")).string());
        write_file_atomically(tables.back(), text);
    }
    const BatchRun tps = batch({"--common-reference", "--json", "-", example("flat_growth_a.tps"),
                                example("flat_growth_b.tps")});
    const BatchRun plain =
        batch({"--common-reference", "--dimensions", "2", "--json", "-", tables[0], tables[1]});
    ASSERT_EQ(tps.status, 0) << tps.err;
    ASSERT_EQ(plain.status, 0) << plain.err;
    const auto a = nlohmann::ordered_json::parse(tps.out),
               b = nlohmann::ordered_json::parse(plain.out);
    EXPECT_EQ(a["samples"][0]["dimensions"], 2);
    EXPECT_EQ(a["samples"][1]["landmarks"], 10);
    EXPECT_EQ(a["angle"], b["angle"]);
    EXPECT_EQ(a["ranges"], b["ranges"]);
    // Told nothing, the plain table's 21 numbers a line are no 3D landmarks, and the message says
    // they fit 2D; a 3D sample beside a 2D one is refused naming both.
    const BatchRun untold = batch({example("flat_growth_a.tps"), tables[1]});
    EXPECT_EQ(untold.status, 1);
    EXPECT_NE(untold.err.find("3p + 1 numbers: 4, 7, 10, ...); as 2D landmarks"), std::string::npos)
        << untold.err;
    const BatchRun mixed = batch({example("flat_growth_a.tps"), example("growth_sample_b.txt")});
    EXPECT_EQ(mixed.status, 1);
    EXPECT_NE(mixed.err.find("holds 2D landmarks, \"growth_sample_b.txt\" 3D landmarks"),
              std::string::npos)
        << mixed.err;
}

}  // namespace
}  // namespace kelmar
