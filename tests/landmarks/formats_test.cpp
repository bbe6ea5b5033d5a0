#include "landmarks/export_coordinates.hpp"
#include "landmarks/landmark_file.hpp"
#include "platform/numeric/files.hpp"
#include "platform/numeric/format.hpp"

#include "support/eigen_testing.hpp"
#include "support/growth_samples.hpp"
#include "support/scratch.hpp"

#include <gtest/gtest.h>

#include <fstream>

namespace kelmar {
namespace {

namespace fs = std::filesystem;
using testing::error_of;

// A synthetic sample of 7 specimens of 5 landmarks, its last column the centroid size.
struct Synthetic {
    Eigen::MatrixXd data;
    std::vector<std::string> names;
};

Synthetic synthetic() {
    std::mt19937 gen(21);
    Synthetic s;
    s.data = testing::growth_sample(7, 15, 0.5, gen);
    for (Eigen::Index i = 0; i < s.data.rows(); ++i) {
        Eigen::MatrixXd xyz = s.data.row(i).head(15).reshaped(3, 5).transpose();
        s.data(i, 15) = std::sqrt((xyz.rowwise() - xyz.colwise().mean()).squaredNorm());
        s.names.push_back("skull " + std::to_string(i + 1));
    }
    return s;
}

std::string number(double v) {
    return shortest_text(v);
}

void write(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// TPS with CRLF line ends, keywords in mixed case, SCALE 0.5 (the file holds twice the
// coordinates, exactly), an outline of two points after some specimens' landmarks, and the
// fields a digitiser writes.
std::string tps(const Synthetic& s) {
    std::string out;
    for (Eigen::Index i = 0; i < s.data.rows(); ++i) {
        out += (i % 2 ? "lm3=5\r\n" : "LM3=5\r\n");
        for (int k = 0; k < 5; ++k)
            out += number(2 * s.data(i, 3 * k)) + " " + number(2 * s.data(i, 3 * k + 1)) + "\t" +
                   number(2 * s.data(i, 3 * k + 2)) + "\r\n";
        if (i % 3 == 1)
            out += "CURVES=1\r\nPOINTS=2\r\n9 9 9\r\n8 8 8\r\n";
        out += "IMAGE=img" + std::to_string(i) + ".ply\r\nId=" + s.names[i] +
               "\r\nScale=0.5\r\nCOMMENT=adult?\r\nVARIABLES=age\r\n\r\n";
    }
    return out;
}

std::string morphologika(const Synthetic& s) {
    std::string out = "' written by hand\n[Individuals]\n7\n[landmarks]\n5\n[DIMENSIONS]\n3\n";
    out += "[names]\n";
    for (const std::string& n : s.names)
        out += n + "\n";
    out += "[groups]\nall 7\n[rawpoints]\n";
    for (Eigen::Index i = 0; i < s.data.rows(); ++i) {
        out += "'#" + std::to_string(i + 1) + "\n";
        for (int k = 0; k < 5; ++k)
            out += number(s.data(i, 3 * k)) + " " + number(s.data(i, 3 * k + 1)) + " " +
                   number(s.data(i, 3 * k + 2)) + "\n";
    }
    return out + "[wireframe]\n1 2\n2 3\n3 5\n";
}

std::string labelled(const Synthetic& s, char separator) {
    std::string out = "specimen";
    for (int k = 1; k <= 5; ++k)
        for (const char* axis : {"x", "y", "z"})
            out += separator + std::string(axis) + std::to_string(k);
    out += "\n";
    for (Eigen::Index i = 0; i < s.data.rows(); ++i) {
        out += s.names[i];
        for (int j = 0; j < 15; ++j)
            out += separator + number(s.data(i, j));
        out += "\n";
    }
    return out;
}

std::string fcsv(const Synthetic& s, Eigen::Index i) {
    // Columns in another order than Slicer's usual one: the columns line says where x, y, z are.
    std::string out =
        "# Markups fiducial file version = 4.11\n# CoordinateSystem = LPS\n"
        "# columns = id,label,z,x,y,vis\n";
    for (int k = 0; k < 5; ++k)
        out += std::to_string(k) + ",F-" + std::to_string(k + 1) + "," +
               number(s.data(i, 3 * k + 2)) + "," + number(s.data(i, 3 * k)) + "," +
               number(s.data(i, 3 * k + 1)) + ",1\n";
    return out;
}

std::string mrk_json(const Synthetic& s, Eigen::Index i) {
    std::string out = R"({"markups": [{"type": "Fiducial", "controlPoints": [)";
    for (int k = 0; k < 5; ++k)
        out += std::string(k ? "," : "") +
               R"({"label": "F", "positionStatus": "defined", "position": [)" +
               number(s.data(i, 3 * k)) + "," + number(s.data(i, 3 * k + 1)) + "," +
               number(s.data(i, 3 * k + 2)) + "]}";
    return out + "]}]}";
}

void expect_dataset(const LandmarkSample& read, const Synthetic& s, bool names = true) {
    ASSERT_EQ(read.data.rows(), s.data.rows());
    ASSERT_EQ(read.data.cols(), s.data.cols());
    EXPECT_TRUE(read.data.leftCols(15) == s.data.leftCols(15));
    EXPECT_TRUE(testing::matrices_near(read.data.col(15), s.data.col(15), 1e-12));
    if (names) {
        EXPECT_EQ(read.names, s.names);
    }
}

TEST(LandmarkFormats, EveryFormatGivesTheSameDataset) {
    const testing::ScratchFolder folder;
    const Synthetic s = synthetic();
    write(folder / "sample.tps", tps(s));
    write(folder / "morpho.txt", morphologika(s));
    write(folder / "semicolons.csv", labelled(s, ';'));
    write(folder / "tabs.txt", labelled(s, '\t'));
    fs::create_directory(folder / "slicer");
    for (Eigen::Index i = 0; i < s.data.rows(); ++i) {
        if (i % 2)
            write(folder / "slicer" / (s.names[i] + ".mrk.json"), mrk_json(s, i));
        else
            write(folder / "slicer" / (s.names[i] + ".fcsv"), fcsv(s, i));
    }
    write(folder / "slicer" / "notes.txt", "not a markup file\n");

    const LandmarkSample from_tps = read_landmark_sample((folder / "sample.tps").string());
    EXPECT_EQ(from_tps.format, LandmarkFormat::Tps);
    expect_dataset(from_tps, s);

    const LandmarkSample from_morpho = read_landmark_sample((folder / "morpho.txt").string());
    EXPECT_EQ(from_morpho.format, LandmarkFormat::Morphologika);
    expect_dataset(from_morpho, s);
    EXPECT_EQ(from_morpho.wirelist,
              (Eigen::MatrixXd(3, 3) << 1, 1, 2, 2, 2, 3, 3, 3, 5).finished());

    for (const char* name : {"semicolons.csv", "tabs.txt"}) {
        const LandmarkSample read = read_landmark_sample((folder / name).string());
        EXPECT_EQ(read.format, LandmarkFormat::Labelled) << name;
        expect_dataset(read, s);
    }

    // The folder, or any markup file in it, is the sample; the stray file is left alone.
    for (const fs::path& path : {folder / "slicer", folder / "slicer" / "skull 2.mrk.json"}) {
        const LandmarkSample read = read_landmark_sample(path.string());
        EXPECT_EQ(read.format, LandmarkFormat::Slicer);
        EXPECT_EQ(read.name, "slicer");
        expect_dataset(read, s);
    }

    // The plain table is still the plain table; a name that tells nothing takes the format named.
    std::string plain;
    for (Eigen::Index i = 0; i < s.data.rows(); ++i) {
        for (Eigen::Index j = 0; j < 16; ++j)
            plain += number(s.data(i, j)) + " ";
        plain += "\n";
    }
    write(folder / "plain.txt", plain);
    const LandmarkSample from_table = read_landmark_sample((folder / "plain.txt").string());
    EXPECT_EQ(from_table.format, LandmarkFormat::Table);
    EXPECT_TRUE(from_table.data == s.data);
    write(folder / "sample.dat", tps(s));
    expect_dataset(read_landmark_sample((folder / "sample.dat").string(), LandmarkFormat::Tps), s);
}

TEST(LandmarkFormats, ExportedCoordinatesReadBackExactly) {
    const testing::ScratchFolder folder;
    Synthetic s = synthetic();
    s.names[2] = "with, comma";
    s.names[3] = "  padded name ";
    s.names[4] = "say \"hi\", twice \"\"";
    s.data.col(15) *= 1.0 / 3.0;  // a recorded size, unlike the coordinates' own
    const Eigen::MatrixXd second = s.data.topRows(3) * 1.5;
    const std::vector<std::string> second_names = {"a", "b", "c"};
    const std::vector<ExportedSample> samples = {{s.data, s.names, 1}, {second, second_names, 2}};
    for (const char* name : {"out.csv", "out.TPS"}) {
        const std::string path = (folder / name).string();
        write(path, exported_coordinates(path, samples));
        const LandmarkSample read = read_landmark_sample(path);
        ASSERT_EQ(read.data.rows(), 10) << name;
        EXPECT_TRUE(read.data.topRows(7) == s.data) << name;
        EXPECT_TRUE(read.data.bottomRows(3) == second) << name;
        EXPECT_EQ(read.names[2], "with, comma");
        EXPECT_EQ(read.names[4], s.names[4]) << name;
        // Blanks at a name's ends survive the CSV (quoted); a TPS ID= line trims them.
        EXPECT_EQ(read.names[3], name == std::string("out.csv") ? s.names[3] : "padded name");
        EXPECT_EQ(read.names[9], "c");
        // The samples come apart again, in order, with their own specimens.
        const std::vector<LandmarkSample> parts = samples_by_group(read);
        ASSERT_EQ(parts.size(), 2u) << name;
        EXPECT_EQ(recorded_sample_count(read), 2u);
        EXPECT_EQ(parts[1].name, std::string(name) + " (sample 2)");
        EXPECT_TRUE(parts[0].data == s.data) << name;
        EXPECT_EQ(parts[1].names, second_names);
    }
    // Another column can hold the samples, in order of first appearance; a "sample" column is
    // then no coordinate either.
    write(folder / "sexes.csv", "id,sample,sex,x1,y1,z1\na,1,m,1,2,3\nb,1,f,4,5,6\nc,1,m,7,8,9\n");
    const LandmarkSample sexes =
        read_landmark_sample((folder / "sexes.csv").string(), std::nullopt, "SEX");
    const std::vector<LandmarkSample> by_sex = samples_by_group(sexes);
    ASSERT_EQ(by_sex.size(), 2u);
    EXPECT_EQ(by_sex[0].names, (std::vector<std::string>{"a", "c"}));
    EXPECT_EQ(by_sex[1].data.row(0).head(3), Eigen::RowVector3d(4, 5, 6));
    // A quoted field's doubled quotes are one quote each, in names and in samples.
    write(folder / "quoted.csv",
          "id,sample,x1,y1,z1\n\"a \"\"one\"\"\",\"x\"\"y\",1,2,3\nb,\"x\"\"y\",4,5,6\n");
    const LandmarkSample quoted = read_landmark_sample((folder / "quoted.csv").string());
    EXPECT_EQ(quoted.names[0], "a \"one\"");
    EXPECT_EQ(quoted.groups[1], "x\"y");
    // Control bytes of a recorded sample reach the sample's name escaped.
    write(folder / "control.csv", "id,sample,x1,y1,z1\na,\x1b[2J,1,2,3\nb,2,4,5,6\n");
    EXPECT_EQ(samples_by_group(read_landmark_sample((folder / "control.csv").string()))[0].name,
              "control.csv (sample \\x1b[2J)");
    // One recorded sample is the file itself.
    write(folder / "one.csv", "id,sample,x1,y1,z1\na,1,1,2,3\nb,1,4,5,6\n");
    const std::vector<LandmarkSample> one =
        samples_by_group(read_landmark_sample((folder / "one.csv").string()));
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0].name, "one.csv");
    EXPECT_NE(error_of([&] { exported_coordinates("out.txt", samples); }).find(".csv or .tps"),
              std::string::npos);
}

// 2D landmarks in every format that can say so: TPS LM=, a labelled table headed x and y alone,
// Morphologika [dimensions] 2, a plain table when told; the exports write LM= and x, y columns
// and read back exactly. Files that mix or miscount dimensions are refused naming both.
TEST(LandmarkFormats, TwoDimensionalLandmarksInEveryFormat) {
    const testing::ScratchFolder folder;
    std::mt19937 gen(8);
    Eigen::MatrixXd data = testing::growth_sample(6, 8, 0.5, gen);  // 4 landmarks in 2D
    std::vector<std::string> names;
    std::string tps_text,
        labelled_text = "id,X1,Y1,x2,y2,x3,y3,x4,y4,size\n",
        morpho = "[individuals]\n6\n[landmarks]\n4\n[dimensions]\n2\n[rawpoints]\n", table;
    for (Eigen::Index i = 0; i < data.rows(); ++i) {
        names.push_back("rat " + std::to_string(i + 1));
        tps_text += "LM=4\n";
        labelled_text += names.back();
        for (int k = 0; k < 4; ++k) {
            const std::string xy = number(data(i, 2 * k)) + " " + number(data(i, 2 * k + 1));
            tps_text += xy + "\n";
            morpho += xy + "\n";
            for (int j = 0; j < 2; ++j) {
                labelled_text += ',';
                labelled_text += number(data(i, 2 * k + j));
            }
            table += xy + " ";
        }
        tps_text += "ID=" + names.back() + "\nVARIABLES=size=" + number(data(i, 8)) + "\n";
        labelled_text += ',';
        labelled_text += number(data(i, 8)) + "\n";
        table += number(data(i, 8)) + "\n";
    }
    write(folder / "rats.tps", tps_text);
    write(folder / "rats.csv", labelled_text);
    write(folder / "rats.txt", morpho);
    write(folder / "plain.txt", table);
    for (const char* file : {"rats.tps", "rats.csv", "plain.txt"}) {
        const LandmarkSample read = read_landmark_sample((folder / file).string(), std::nullopt, "",
                                                         file == std::string("plain.txt") ? 2 : 3);
        EXPECT_EQ(read.dimensions, 2) << file;
        EXPECT_TRUE(read.data == data) << file;
    }
    const LandmarkSample morphologika = read_landmark_sample((folder / "rats.txt").string());
    EXPECT_EQ(morphologika.dimensions, 2);
    EXPECT_TRUE(morphologika.data.leftCols(8) == data.leftCols(8));
    // The plain table says nothing of its dimension: 9 columns read as 3D unless told.
    const LandmarkSample told_nothing = read_landmark_sample((folder / "plain.txt").string());
    EXPECT_EQ(told_nothing.dimensions, 3);

    const std::vector<ExportedSample> exported = {{data, names, 1, 2}};
    for (const char* name : {"out.csv", "out.tps"}) {
        const std::string path = (folder / name).string();
        write(path, exported_coordinates(path, exported));
        const LandmarkSample back = read_landmark_sample(path);
        EXPECT_EQ(back.dimensions, 2) << name;
        EXPECT_TRUE(back.data == data) << name;
        EXPECT_EQ(back.names, names) << name;
    }
    EXPECT_EQ(coordinates_csv(exported).substr(0, 30), "name,sample,size,x1,y1,x2,y2,x");

    write(folder / "mixed.tps", "LM=2\n1 2\n3 4\nLM3=2\n1 2 3\n4 5 6\n");
    EXPECT_EQ(error_of([&] { read_landmark_sample((folder / "mixed.tps").string()); }),
              "\"mixed.tps\", line 4: the file holds 3D landmarks (LM3=, line 4) and 2D landmarks "
              "(LM=, line 1); the specimens of one sample have one dimension");
    write(folder / "short.tps", "LM=2\n1 2 3\n4 5 6\n");
    EXPECT_NE(error_of([&] {
                  read_landmark_sample((folder / "short.tps").string());
              }).find("2D landmarks have 2 (x y)"),
              std::string::npos);
    write(folder / "five.txt",
          "[individuals]\n1\n[landmarks]\n2\n[dimensions]\n4\n"
          "[rawpoints]\n1 2 3 4\n5 6 7 8\n");
    EXPECT_NE(error_of([&] {
                  read_landmark_sample((folder / "five.txt").string());
              }).find("[dimensions] is 4"),
              std::string::npos);
}

TEST(LandmarkFormats, BadInputIsRefusedNamingFileSpecimenAndLine) {
    const testing::ScratchFolder folder;
    struct Case {
        const char* file;
        std::string text;
        std::vector<const char*> words;
    };
    const std::string lm = "LM3=2\n1 2 3\n4 5 6\nID=a\n";
    const std::vector<Case> cases = {
        {"short.tps", "LM3=3\n1 2 3\n4 5 6\nID=a\n", {"line 1", "announces 3", "only 2"}},
        {"flat.tps", "LM3=2\n1 2\n4 5\n", {"line 2", "has 2 coordinates"}},
        {"counts.tps",
         lm + "LM3=3\n1 2 3\n4 5 6\n7 8 9\nID=b\n",
         {"line 5", "\"b\" has 3", "\"a\" has 2"}},
        {"empty.tps", "\n\n", {"\"empty.tps\" holds no specimen"}},
        {"points.txt",
         "[individuals]\n2\n[landmarks]\n2\n[rawpoints]\n1 2 3\n4 5 6\n7 8 9\n",
         {"holds 3 points", "make 4"}},
        {"columns.csv", "id,x1,y1,z1,x2\na,1,2,3,4\n", {"4 coordinate columns"}},
        {"groupless.tps",
         "LM3=1\n1 2 3\nCOMMENT=sample 1\nLM3=1\n4 5 6\nCOMMENT=adult\n",
         {"line 4", "no COMMENT=sample line"}},
        {"nosample.csv", "id,sample,x1,y1,z1\na,,1,2,3\n", {"line 2", "sample column", "empty"}},
        // Values that overflow or are not numbers are named as the reader knows them: the
        // specimen, its landmark and coordinate, or its size.
        {"huge.tps",
         "LM3=2\n1 2 3\n4 5 6\nID=a\nSCALE=1e308\n",
         {"\"huge.tps\", line 1: specimen \"a\", landmark 1: its y coordinate is Inf"}},
        {"nansize.csv",
         "id,x1,y1,z1,x2,y2,z2,size\na,1,2,3,4,5,6,NaN\n",
         {"line 2", "the size is missing (\"NaN\")"}},
        {"wire.txt",
         "[individuals]\n1\n[landmarks]\n4\n[rawpoints]\n1 2 3\n4 5 6\n7 8 9\n1 0 1\n"
         "[wireframe]\n1 2\n0 4\n",
         {"\"wire.txt\", line 12"}},
        {"zero_size.csv",
         "id,x1,y1,z1,x2,y2,z2,size\nskull_7,1,2,3,4,5,6,0\n",
         {"line 2", "specimen \"skull_7\"", "size"}},
        {"point.tps",
         "LM3=2\n1 2 3\n1 2 3\nID=p\n",
         {"line 1: specimen \"p\": the centroid size is 0"}},
        // A specimen belongs to one sample; a sample line without a name is named as such.
        {"twice.tps",
         lm + "COMMENT=sample 1\nCOMMENT=sample 2\n",
         {"line 6", "second COMMENT=sample line", "\"2\" after \"1\""}},
        {"unnamed.tps",
         lm + "COMMENT=sample 1\n" + lm + "COMMENT=sample \n",
         {"line 10", "COMMENT=sample line names no sample"}},
        // A TPS file under a plain table's name is told how to be read.
        {"tps_named.txt", lm, {"LM3=2", "looks like TPS", "--format tps"}},
    };
    // A TPS file larger than the reader's 1 MiB chunks names a NUL by its byte in the file,
    // wherever the chunks begin, and never calls it UTF-16.
    std::string big;
    while (big.size() < 1400000)
        big += "LM3=2\n1 2 3\n4 5 6\nID=specimen\n";
    for (const std::size_t at :
         {std::size_t{1048576}, std::size_t{1048577}, std::size_t{1300004}}) {
        std::string damaged = big;
        damaged[at] = '\0';
        write(folder / "big.tps", damaged);
        EXPECT_EQ(error_of([&] { read_landmark_sample((folder / "big.tps").string()); }),
                  "\"big.tps\" is not a text file: it holds a NUL byte (byte " +
                      std::to_string(at + 1) + ")");
    }
    // SCALE= multiplies every coordinate, and so the centroid size, off the origin too.
    write(folder / "scaled.tps", "LM3=2\n3 4 5\n5 4 5\nID=s\nSCALE=1e200\n");
    const Eigen::MatrixXd scaled = read_landmark_sample((folder / "scaled.tps").string()).data;
    EXPECT_NEAR(scaled(0, 0) / 1e200, 3.0, 1e-15);
    EXPECT_NEAR(scaled(0, 3) / 1e200, 5.0, 1e-15);
    EXPECT_NEAR(scaled(0, 6) / 1e200, std::sqrt(2.0), 1e-15);
    // Coordinates whose squares would overflow still have their centroid size.
    write(folder / "far.tps", "LM3=2\n1e200 0 0\n-1e200 0 0\nID=far\n");
    EXPECT_NEAR(read_landmark_sample((folder / "far.tps").string()).data(0, 6) / 1e200,
                std::sqrt(2.0), 1e-15);
    for (const Case& c : cases) {
        write(folder / c.file, c.text);
        const std::string message =
            error_of([&] { read_landmark_sample((folder / c.file).string()); });
        for (const char* word : c.words)
            EXPECT_NE(message.find(word), std::string::npos) << c.file << ": " << message;
    }

    write(folder / "gap.csv", "id,x1,y1,z1,x2,y2,z2\na,1,2,3,4,5,6\nb,1,,3,4,5,6\n");
    EXPECT_NE(error_of([&] {
                  read_landmark_sample((folder / "gap.csv").string(), std::nullopt, "sex");
              }).find("names no column \"sex\""),
              std::string::npos);
    // A column of that name with another role is named with its role.
    EXPECT_NE(error_of([&] {
                  read_landmark_sample((folder / "gap.csv").string(), std::nullopt, "id");
              }).find("has \"id\" as its first column, which holds the specimens' names"),
              std::string::npos);
    EXPECT_NE(error_of([&] {
                  read_landmark_sample((folder / "nansize.csv").string(), std::nullopt, "size");
              }).find("has \"size\" as the column of the specimens' sizes"),
              std::string::npos);
    EXPECT_NE(error_of([&] {
                  read_landmark_sample((folder / "short.tps").string(), std::nullopt, "sex");
              }).find("labelled tables only"),
              std::string::npos);

    fs::create_directory(folder / "markups");
    EXPECT_NE(error_of([&] {
                  read_landmark_sample((folder / "markups").string());
              }).find("holds no 3D Slicer markup files"),
              std::string::npos);
}

// Landmarks marked missing in every format are NaN, with the first one's place kept for the
// messages; the sizes computed from them wait for the estimate, the sizes a file gives are kept,
// and a plain table's missing size is refused. A code such as -999 is marked the same way.
TEST(LandmarkFormats, MissingLandmarksAreMarkedWhereTheyStand) {
    const testing::ScratchFolder folder;
    struct Case {
        const char* file;
        std::string text;
        const char* place;
        Eigen::Index specimen;  // the row with a missing landmark
        bool size_given;        // its size is the file's
    };
    const std::vector<Case> cases = {
        {"missing.tps", "LM3=2\n1 2 3\n4 5 6\nID=a\nLM3=2\n1 2 3\nNA 5 6\nID=b\n",
         "\"missing.tps\", line 7 (specimen 2): a landmark is missing (\"NA\")", 1, false},
        {"gap.csv", "id,x1,y1,z1,x2,y2,z2,size\na,1,2,3,4,5,6,7\nb,1,2,3,4,,6,8\n",
         "\"gap.csv\", line 3 (specimen \"b\"): a landmark is missing (an empty field)", 1, true},
        {"raw.txt", "[individuals]\n1\n[landmarks]\n2\n[rawpoints]\n1 2 3\n? 5 6\n",
         "\"raw.txt\", line 7 (specimen \"1\"): a landmark is missing (\"?\")", 0, false},
        {"plain.txt", "1 2 3 4 5 6 10\n1 2 3 NA 5 6 11\n",
         "\"plain.txt\", line 2: a landmark is missing (\"NA\")", 1, true},
    };
    for (const Case& c : cases) {
        write(folder / c.file, c.text);
        const LandmarkSample sample = read_landmark_sample((folder / c.file).string());
        EXPECT_EQ(sample.first_missing, c.place);
        EXPECT_TRUE(sample.data.row(c.specimen).segment(3, 3).hasNaN()) << c.file;
        EXPECT_EQ(std::isnan(sample.data(c.specimen, 6)), !c.size_given) << c.file;
        for (Eigen::Index i = 0; i < sample.data.rows(); ++i)
            EXPECT_EQ(sample.data.row(i).hasNaN(), i == c.specimen) << c.file;
        EXPECT_EQ(count_missing(sample).landmarks, 1) << c.file;
    }
    write(folder / "nosize.txt", "1 2 3 4 5 6 NA\n");
    EXPECT_NE(error_of([&] {
                  read_landmark_sample((folder / "nosize.txt").string());
              }).find("the size (the last column) is missing"),
              std::string::npos);

    fs::create_directory(folder / "markups");
    write(folder / "markups" / "a.fcsv", "# columns = id,x,y,z\n0,1,2,3\n1,4,,6\n");
    EXPECT_EQ(read_landmark_sample((folder / "markups").string()).first_missing,
              "\"a.fcsv\", line 3 (specimen \"a\"): a landmark is missing (an empty field)");
    write(folder / "markups" / "a.fcsv", "# columns = id,x,y,z\n0,1,2,3\n1,4,5,6\n");
    for (const std::string status : {"missing", "undefined"}) {
        write(folder / "markups" / "b.mrk.json",
              R"({"markups":[{"controlPoints":[{"position":[1,2,3]},{"positionStatus":")" + status +
                  R"(","position":[4,5,6]}]}]})");
        const LandmarkSample sample = read_landmark_sample((folder / "markups").string());
        EXPECT_EQ(sample.first_missing,
                  "\"b.mrk.json\", control point 2 (specimen \"b\"): a "
                  "landmark is missing (its position is " +
                      status + ")");
        EXPECT_EQ(count_missing(sample).specimens, 1);
    }

    // A code for missing points: its landmarks are marked, a computed size waits, a given one
    // stays.
    write(folder / "coded.tps",
          "LM3=3\n1 2 3\n-999 -999 -999\n0 0 1\nID=a\n"
          "LM3=3\n1 2 3\n4 5 6\n0 0 1\nID=b\nVARIABLES=size=9\n"
          "LM3=3\n1 2 3\n4 5 -999\n0 0 1\nID=c\nVARIABLES=size=9\n");
    LandmarkSample coded = read_landmark_sample((folder / "coded.tps").string());
    mark_missing_value(coded, -999);
    EXPECT_EQ(coded.first_missing,
              "\"coded.tps\", specimen \"a\", landmark 2: a landmark is missing (-999)");
    EXPECT_TRUE(std::isnan(coded.data(0, 3)) && std::isnan(coded.data(0, 9)));
    EXPECT_FALSE(coded.data.row(1).hasNaN());
    EXPECT_EQ(coded.data(2, 9), 9.0);
    EXPECT_EQ(count_missing(coded).landmarks, 2);
    EXPECT_EQ(count_missing(coded).specimens, 2);
}

}  // namespace
}  // namespace kelmar
