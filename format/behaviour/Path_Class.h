// A path: control points with a position and a relative speed, how they are
// connected, what happens at the end, and how finely a smooth curve is
// subdivided.  From these the path computes its curve, a polyline with the
// distance travelled to each point.  The curve is never stored.
//
// Path record (read and written):
//
//   int32 tag 420
//   int32 ConnectionKind     0 straight lines, anything else a smooth curve
//   int32 EndAction          0 stop, 1 jump to start, 2 move to start (closed),
//                            3 reverse, 4 continue
//   int32 SmoothingDepth
//   int32 n
//   n x (real X, real Y, real Speed)
#pragma once

#include <cstdint>
#include <vector>

#include "format/core/Support_Arena.h"
#include "format/core/Support_Stream.h"

namespace transvane {

inline constexpr std::int32_t PathTag = 420;

inline constexpr std::int32_t PathStraight = 0;
inline constexpr std::int32_t PathEndMoveToStart = 2;
inline constexpr std::int32_t PathEndReverse = 3;

// The stored depth is written back as read, but the curve is computed with
// at most this many subdivision levels: each level doubles the points of a
// segment, so a depth of 40 from a file would ask for a trillion points per
// segment.  Eight levels (255 points per segment) are finer than any curve
// an author draws needs; a depth below 0 counts as 0.
inline constexpr int MaxCurveDepth = 8;
// A path with so many control points that even that depth would give more
// curve points than this is computed with fewer levels, down to 0.
inline constexpr std::int64_t MaxCurvePoints = std::int64_t{1} << 20;

struct PathPoint {
    double X = 0;
    double Y = 0;
    double Speed = 100;
};

struct CurvePoint {
    double X = 0;
    double Y = 0;
    double Speed = 0;
    double Distance = 0;
};

class CPath {
public:
    // The defaults, with the (empty) curve computed; the points are
    // allocated from memory.
    explicit CPath(CMemoryResource* memory = HeapMemory());
    virtual ~CPath() = default;

    CPath(const CPath&) = delete;
    CPath& operator=(const CPath&) = delete;

    int PointCount() const { return static_cast<int>(Points.size()); }
    int CurvePointCount() const { return static_cast<int>(CurvePoints.size()); }

    // No control points; the curve recomputed.
    void Clear();
    // Rebuilds CurvePoints and Length from the control points and settings.
    void ComputeCurve();
    // The number of subdivision levels ComputeCurve uses (see MaxCurveDepth).
    int CurveDepth() const;

    bool Load(CStream& stream);
    bool Save(CStream& stream);

    CVector<PathPoint> Points;
    std::int32_t ConnectionKind = PathStraight;
    std::int32_t EndAction = PathEndMoveToStart;
    std::int32_t SmoothingDepth = 4;
    CVector<CurvePoint> CurvePoints;
    double Length = 0;

private:
    void AddCurvePoint(double x, double y, double speed);
    void AddCurvePoint(const PathPoint& point) { AddCurvePoint(point.X, point.Y, point.Speed); }
    void SubdivideSegment(int depth, const PathPoint& a, const PathPoint& b, const PathPoint& c);
    std::int64_t PlannedCurvePoints(int depth) const;
};

}  // namespace transvane
