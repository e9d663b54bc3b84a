#include "format/behaviour/Path_Class.h"

#include <gtest/gtest.h>

#include <cmath>

#include "format/behaviour/Path_Main.h"
#include "project/Project_Main.h"
#include "testkit/ProjectFiles.h"
#include "testkit/TestSupport.h"

namespace transvane {

namespace {

using namespace project;

// A path with these settings and its curve computed.
struct MakePath : CPath {
    MakePath(std::int32_t kind, std::int32_t end, std::int32_t depth, std::vector<PathPoint> points) {
        ConnectionKind = kind;
        EndAction = end;
        SmoothingDepth = depth;
        Points.assign(points.begin(), points.end());
        ComputeCurve();
    }
};

const std::vector<PathPoint> Triangle = {{0, 0, 100}, {30, 40, 50}, {30, 0, 100}};

std::vector<std::pair<double, double>> Positions(const CPath& path) {
    std::vector<std::pair<double, double>> positions;
    for (const CurvePoint& point : path.CurvePoints)
        positions.emplace_back(point.X, point.Y);
    return positions;
}

TEST(PathCurve, NoPointsNoCurve) {
    for (std::int32_t kind : {0, 1, 7})
        for (std::int32_t end : {0, 2, 3}) {
            const MakePath path(kind, end, 4, {});
            EXPECT_EQ(path.CurvePointCount(), 0);
            EXPECT_EQ(path.Length, 0);
        }
    CPath fresh;
    EXPECT_EQ(fresh.EndAction, 2);
    EXPECT_EQ(fresh.SmoothingDepth, 4);
    EXPECT_EQ(fresh.CurvePointCount(), 0);
}

TEST(PathCurve, StraightLines) {
    struct Case {
        std::int32_t end;
        std::vector<std::pair<double, double>> positions;
        std::vector<double> distances;
    };
    const Case cases[] = {
        {0, {{0, 0}, {30, 40}, {30, 0}}, {0, 50, 90}},
        {4, {{0, 0}, {30, 40}, {30, 0}}, {0, 50, 90}},
        {2, {{0, 0}, {30, 40}, {30, 0}, {0, 0}}, {0, 50, 90, 120}},
        {3, {{0, 0}, {30, 40}, {30, 0}, {30, 40}, {0, 0}}, {0, 50, 90, 130, 180}},
    };
    for (const Case& c : cases) {
        const MakePath path(0, c.end, 4, Triangle);
        EXPECT_EQ(Positions(path), c.positions) << c.end;
        std::vector<double> distances;
        for (const CurvePoint& point : path.CurvePoints)
            distances.push_back(point.Distance);
        EXPECT_EQ(distances, c.distances) << c.end;
        EXPECT_EQ(path.Length, c.distances.back()) << c.end;
    }
}

TEST(PathCurve, SmoothOpenPath) {
    const MakePath path(1, 0, 4, Triangle);
    ASSERT_EQ(path.CurvePointCount(), 17);
    EXPECT_EQ(Positions(path).front(), (std::pair<double, double>{0, 0}));
    EXPECT_EQ(Positions(path).back(), (std::pair<double, double>{30, 0}));
    // The one segment runs from (15,20) to (30,20) bent towards (30,40):
    // the quadratic curve at t = k/16, speed interpolated alike.
    for (int k = 1; k <= 15; ++k) {
        const double t = k / 16.0, u = 1 - t;
        const CurvePoint& point = path.CurvePoints[static_cast<std::size_t>(k)];
        EXPECT_DOUBLE_EQ(point.X, u * u * 15 + 2 * u * t * 30 + t * t * 30) << k;
        EXPECT_DOUBLE_EQ(point.Y, u * u * 20 + 2 * u * t * 40 + t * t * 20) << k;
        EXPECT_DOUBLE_EQ(point.Speed, u * u * 75 + 2 * u * t * 50 + t * t * 75) << k;
    }
    double length = 0;
    for (std::size_t j = 1; j < path.CurvePoints.size(); ++j) {
        length += std::hypot(path.CurvePoints[j].X - path.CurvePoints[j - 1].X,
                             path.CurvePoints[j].Y - path.CurvePoints[j - 1].Y);
        EXPECT_DOUBLE_EQ(path.CurvePoints[j].Distance, length);
    }
    EXPECT_DOUBLE_EQ(path.Length, length);

    EXPECT_EQ(Positions(MakePath(1, 0, 0, Triangle)), (std::vector<std::pair<double, double>>{{0, 0}, {30, 0}}));
}

TEST(PathCurve, SmoothClosedPath) {
    const MakePath path(1, 2, 4, Triangle);
    ASSERT_EQ(path.CurvePointCount(), 3 * 15 + 1);
    EXPECT_EQ(Positions(path).back(), Positions(path).front());
    // Neither P[0] nor the midpoints of the sides are curve points.
    for (const auto& position : Positions(path)) {
        EXPECT_NE(position, (std::pair<double, double>{0, 0}));
        EXPECT_NE(position, (std::pair<double, double>{15, 20}));
    }
    // Depth 0: nothing to close, so no point at all.
    EXPECT_EQ(MakePath(1, 2, 0, Triangle).CurvePointCount(), 0);
}

TEST(PathCurve, SmallSmoothPaths) {
    EXPECT_EQ(Positions(MakePath(1, 0, 4, {{5, 6, 100}})), (std::vector<std::pair<double, double>>{{5, 6}, {5, 6}}));
    EXPECT_EQ(MakePath(1, 0, 4, {{0, 0, 100}, {10, 0, 100}}).CurvePointCount(), 2);
    // Reverse on a smooth open curve: 17 there, 16 back.
    const MakePath reversed(5, 3, 4, Triangle);
    EXPECT_EQ(reversed.CurvePointCount(), 33);
    EXPECT_EQ(Positions(reversed).back(), (std::pair<double, double>{0, 0}));
}

TEST(PathCurve, DepthFromTheFileIsBounded) {
    // A negative depth draws no inner points; a hostile one is computed at
    // the largest depth, and the stored depth is kept.
    EXPECT_EQ(MakePath(1, 0, -3, Triangle).CurvePointCount(), 2);
    EXPECT_EQ(MakePath(1, 0, INT32_MIN, Triangle).CurvePointCount(), 2);
    const MakePath deep(1, 2, 40, Triangle);
    EXPECT_EQ(deep.SmoothingDepth, 40);
    EXPECT_EQ(deep.CurveDepth(), MaxCurveDepth);
    EXPECT_EQ(deep.CurvePointCount(), 3 * ((1 << MaxCurveDepth) - 1) + 1);

    // So many control points that even the largest depth would be too many
    // curve points: the depth is lowered for that path.
    std::vector<PathPoint> many(20000, PathPoint{1, 2, 100});
    const MakePath big(1, 3, 8, many);
    EXPECT_LT(big.CurveDepth(), 8);
    EXPECT_LE(big.CurvePointCount(), MaxCurvePoints);
}

TEST(PathRecord, RoundTripAndSizes) {
    const TPath record{
        .ConnectionKind = 1, .EndAction = 3, .SmoothingDepth = 40, .Points = {{1.5, -2.25, 100}, {1e300, 0, -7}}};
    CStream stream(RecordBytes(record));
    EXPECT_EQ(stream.Size(), 20u + 2 * 24);
    CPath path;
    ASSERT_TRUE(path.Load(stream));
    EXPECT_EQ(stream.Remaining(), 0u);
    EXPECT_GT(path.CurvePointCount(), 0);
    CStream saved;
    ASSERT_TRUE(path.Save(saved));
    EXPECT_EQ(saved.Bytes(), stream.Bytes());
    EXPECT_EQ(RecordBytes(TPath{}).size(), 20u);
}

TEST(PathRecord, Rejected) {
    CStream stream(RecordBytes(TPath{.Version = 421}));
    CPath path;
    EXPECT_FALSE(path.Load(stream));
    EXPECT_EQ(stream.Position(), 4u);

    // The point count follows four numbers.
    for (std::int32_t count : {-1, 3}) {
        CStream bad(Patched(RecordBytes(TPath{.Points = {{0, 0, 100}}}), 16, count));
        EXPECT_THROW(path.Load(bad), EReadError) << count;
    }
}

TEST(PathList, CurvesAreComputedOnLoading) {
    CProject project;
    ClearPaths(project.Behaviour);
    TList<TPath> list{420, {}};
    list.AddEmpty();
    list.Add("first", {.ConnectionKind = 1, .EndAction = 0, .SmoothingDepth = 2, .Points = {{1, 2, 3}, {4, 5, 6}}});
    CStream stream(ListBytes(list));
    ASSERT_TRUE(LoadPaths(project.Behaviour, stream));
    EXPECT_EQ(PathList(project.Behaviour).Get(1)->CurvePointCount(), 2);
    CStream saved;
    ASSERT_TRUE(SavePaths(project.Behaviour, saved));
    EXPECT_EQ(saved.Bytes(), stream.Bytes());
    ClearPaths(project.Behaviour);
}

}  // namespace

}  // namespace transvane
