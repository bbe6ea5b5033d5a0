#include "results_json.hpp"

#include <nlohmann/json.hpp>

#include <cmath>

#ifndef KELMAR_VERSION
#define KELMAR_VERSION "unknown"
#endif

namespace kelmar {
namespace {

using Json = nlohmann::ordered_json;

constexpr const char* kIsometryNote =
    "after a common Procrustes superimposition every growth vector is orthogonal to the "
    "isometric vector, so the angle to isometry is always 90 degrees and carries no "
    "information";

Json vector_json(const Eigen::VectorXd& v) {
    return std::vector<double>(v.data(), v.data() + v.size());
}

Json range_json(const Eigen::Vector3d& r) {
    return {r(0), r(1), r(2)};
}

// A number, or null where it is not one (the Z of values that are all equal).
Json number_json(double x) {
    if (!std::isfinite(x))
        return nullptr;
    return x;
}

// What every analysis states first: the program, the choices and the seed.
Json header_json(const BatchOptions& o) {
    return {{"program", "kelmar6-batch"},
            {"version", KELMAR_VERSION},
            {"analysis", o.isometry ? "isometry" : "between"},
            {"size_variable", short_name(o.size)},
            {"bootstraps", o.boots},
            {"seed", o.seed},
            {"common_reference", o.common_reference}};
}

Json sample_json(const std::string& file, const Sample& s) {
    Json j = {{"file", file},
              {"specimens", s.specimens()},
              {"landmarks", s.landmarks()},
              {"dimensions", s.dimensions},
              {"names", s.specimen_names}};
    if (!s.estimated.empty()) {
        Json estimated = Json::array();
        for (const EstimatedLandmark& e : s.estimated) {
            estimated.push_back(
                {{"specimen", s.specimen_names[static_cast<std::size_t>(e.specimen)]},
                 {"landmark", e.landmark + 1}});
        }
        j["estimated"] = estimated;
    }
    return j;
}

// Every pair's statistics, with their tests when permutations were run.
Json pairwise_json(const SlopeComparison& t) {
    Json pairs = Json::array();
    for (const PairwiseSlopes& p : t.pairs) {
        Json pair = {{"a", p.a},
                     {"b", p.b},
                     {"angle", p.angle},
                     {"length_difference", p.length_difference},
                     {"distance", p.distance}};
        if (t.permutations > 0) {
            const auto three = [&](auto member) {
                return Json{{"angle", number_json(p.angle_test.*member)},
                            {"length_difference", number_json(p.length_test.*member)},
                            {"distance", number_json(p.distance_test.*member)}};
            };
            pair["p_value"] = three(&PermutedStatistic::p_value);
            pair["ucl95"] = three(&PermutedStatistic::ucl95);
            pair["z"] = three(&PermutedStatistic::z);
        }
        pairs.push_back(pair);
    }
    return pairs;
}

Json common_slopes_json(const SlopeComparison& t) {
    return {{"permutations", t.permutations},
            {"f", number_json(t.f)},
            {"p_value", number_json(t.f_test.p_value)},
            {"z", number_json(t.f_test.z)}};
}

// The allometry plot's numbers of sample g.
void add_scores(Json& sample, const AllometryScores& scores, std::size_t g) {
    if (g >= scores.samples.size())
        return;
    sample["sizes"] = vector_json(scores.samples[g].sizes);
    sample["scores"] = vector_json(scores.samples[g].scores);
}

const char* projection_name(const AllometryScores& scores) {
    return scores.common_direction ? "common growth direction"
                                   : "each sample's own growth direction";
}

// The table's terms, then the residuals and the total.
Json anova_json(const ProcrustesAnova& t) {
    Json rows = Json::array();
    for (const AnovaTerm& term : t.terms) {
        rows.push_back({{"term", term_key(term.kind)},
                        {"df", term.df},
                        {"ss", term.ss},
                        {"ms", term.ms},
                        {"r_squared", term.r_squared},
                        {"f", number_json(term.f)},
                        {"z", number_json(term.test.z)},
                        {"p_value", number_json(term.test.p_value)}});
    }
    rows.push_back({{"term", "residual"},
                    {"df", t.residual_df},
                    {"ss", t.residual_ss},
                    {"ms", t.residual_ms},
                    {"r_squared", t.residual_r_squared}});
    rows.push_back({{"term", "total"}, {"df", t.total_df}, {"ss", t.total_ss}});
    return rows;
}

// The shares of every component, each specimen's first scores, the loadings of the components
// drawn (or chosen) and each sample's trajectory through them.
Json shape_space_json(const ShapeSpace& space, const Session& session,
                      const std::array<Eigen::Index, 2>& components) {
    Json specimens = Json::array();
    const Eigen::Index kept = std::min(space.scores.cols(), kScoresKept);
    for (std::size_t g = 0; g < space.first.size(); ++g) {
        const std::vector<std::string>& names =
            session.sample(static_cast<int>(g + 1)).specimen_names;
        for (Eigen::Index i = 0; i < space.count[g]; ++i) {
            const Eigen::VectorXd row = space.scores.row(space.first[g] + i).head(kept);
            specimens.push_back({{"name", names[static_cast<std::size_t>(i)]},
                                 {"sample", g + 1},
                                 {"scores", vector_json(row)}});
        }
    }
    // Without a drawing the default components may be more than the data have.
    const bool drawable = std::max(components[0], components[1]) <= space.scores.cols();
    Json loadings = Json::object();
    for (const Eigen::Index c : components) {
        if (drawable)
            loadings["PC" + std::to_string(c)] = vector_json(space.loadings.col(c - 1));
    }
    Json lines = Json::array();
    const std::vector<Trajectory> drawn =
        drawable ? trajectories(space, components[0] - 1, components[1] - 1)
                 : std::vector<Trajectory>();
    for (std::size_t g = 0; g < drawn.size(); ++g) {
        const Trajectory& t = drawn[g];
        lines.push_back({{"sample", g + 1},
                         {"size_from", t.size_from},
                         {"size_to", t.size_to},
                         {"from", {t.from.x(), t.from.y()}},
                         {"to", {t.to.x(), t.to.y()}}});
    }
    return {{"space", space.form_space ? "form" : "shape"},
            {"components", {components[0], components[1]}},
            {"shares", vector_json(space.shares)},
            {"variances", vector_json(space.variances)},
            {"loadings", loadings},
            {"trajectories", lines},
            {"specimens", specimens}};
}

// What follows the angles: the ANOVA table and the shape space, when they were asked for.
void add_anova_and_shape_space(Json& j, const BatchOptions& o, const Session& session,
                               const ShapeSpace* space) {
    if (const ProcrustesAnova* table = session.anova())
        j["anova"] = anova_json(*table);
    if (space != nullptr)
        j["shape_space"] = shape_space_json(*space, session, o.components);
}

std::string text_of(const Json& j) {
    // Names that are not valid UTF-8 go in with their bad bytes replaced.
    return j.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

}  // namespace

std::string two_sample_json(const BatchOptions& o, const std::vector<std::string>& files,
                            const Session& session, const AngleResult& angle,
                            const std::optional<SlopeComparison>& permutation,
                            const AllometryScores& scores, const ShapeSpace* space) {
    Json samples = Json::array();
    for (std::size_t g = 0; g < files.size(); ++g) {
        samples.push_back(sample_json(files[g], session.sample(static_cast<int>(g + 1))));
        add_scores(samples.back(), scores, g);
    }
    Json j = header_json(o);
    j["scores_projection"] = projection_name(scores);
    j["samples"] = samples;
    j["angle"] = angle.angle;
    j["ranges"] = {{"sample1", range_json(angle.range1)},
                   {"sample2", angle.isometry ? nullptr : range_json(angle.range2)}};
    j["degenerate_replicates"] = {
        {"sample1", angle.degenerate1},
        {"sample2", angle.isometry ? Json(nullptr) : Json(angle.degenerate2)}};
    j["growth_vectors"] = {{"sample1", vector_json(angle.growth_vector1)},
                           {"sample2", vector_json(angle.growth_vector2)}};
    if (permutation) {
        const PairwiseSlopes& p = permutation->pairs.front();
        j["permutation_test"] = {{"permutations", permutation->permutations},
                                 {"angle", p.angle},
                                 {"p_value", number_json(p.angle_test.p_value)},
                                 {"ucl95", number_json(p.angle_test.ucl95)},
                                 {"z", number_json(p.angle_test.z)},
                                 {"null", "common slope"}};
        j["pairwise"] = pairwise_json(*permutation);
        j["common_slopes_test"] = common_slopes_json(*permutation);
    }
    add_anova_and_shape_space(j, o, session, space);
    if (angle.isometry && angle.common_reference)
        j["note"] = kIsometryNote;
    return text_of(j);
}

std::string samples_json(const BatchOptions& o, const std::vector<std::string>& files,
                         const Session& session, const SampleAngles& angles,
                         const std::optional<SlopeComparison>& slopes,
                         const AllometryScores& scores, const ShapeSpace* space) {
    Json samples = Json::array();
    for (std::size_t g = 0; g < files.size(); ++g) {
        Json s = sample_json(files[g], session.sample(static_cast<int>(g + 1)));
        s["ranges"] = range_json(angles.ranges[g]);
        s["degenerate_replicates"] = angles.degenerate[g];
        if (angles.isometry)
            s["angle_to_isometry"] = angles.angles(static_cast<Eigen::Index>(g), 0);
        s["growth_vector"] = vector_json(angles.growth_vectors[g]);
        add_scores(s, scores, g);
        samples.push_back(s);
    }
    Json j = header_json(o);
    j["scores_projection"] = projection_name(scores);
    j["samples"] = samples;
    if (slopes) {
        j["pairwise"] = pairwise_json(*slopes);
        if (slopes->permutations > 0)
            j["common_slopes_test"] = common_slopes_json(*slopes);
    }
    add_anova_and_shape_space(j, o, session, space);
    if (angles.isometry && session.common_reference_used())
        j["note"] = kIsometryNote;
    return text_of(j);
}

}  // namespace kelmar
