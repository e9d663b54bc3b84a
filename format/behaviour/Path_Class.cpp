#include "format/behaviour/Path_Class.h"

#include <algorithm>
#include <cmath>

namespace transvane {

namespace {

PathPoint Midpoint(const PathPoint& a, const PathPoint& b) {
    return {(a.X + b.X) / 2, (a.Y + b.Y) / 2, (a.Speed + b.Speed) / 2};
}

// The point halfway along the quadratic Bezier curve from a to c with
// control point b.
PathPoint CurveMiddle(const PathPoint& a, const PathPoint& b, const PathPoint& c) {
    return {(a.X + b.X + b.X + c.X) / 4, (a.Y + b.Y + b.Y + c.Y) / 4, (a.Speed + b.Speed + b.Speed + c.Speed) / 4};
}

}  // namespace

CPath::CPath(CMemoryResource* memory) : Points(memory), CurvePoints(memory) { ComputeCurve(); }

void CPath::Clear() {
    Points.clear();
    ComputeCurve();
}

void CPath::AddCurvePoint(double x, double y, double speed) { CurvePoints.push_back({x, y, speed, 0}); }

// Adds the 2^depth - 1 inner points of the quadratic Bezier curve from a to
// c with control point b, at the parameters k / 2^depth in increasing
// order; a and c themselves are not added.  The depth is at most
// MaxCurveDepth, which bounds the recursion.
void CPath::SubdivideSegment(int depth, const PathPoint& a, const PathPoint& b, const PathPoint& c) {
    if (depth <= 0)
        return;
    const PathPoint middle = CurveMiddle(a, b, c);
    SubdivideSegment(depth - 1, a, Midpoint(a, b), middle);
    AddCurvePoint(middle);
    SubdivideSegment(depth - 1, middle, Midpoint(b, c), c);
}

// How many curve points ComputeCurve makes at this depth, before any are
// made, so the depth can be lowered for a huge path and the array sized once.
std::int64_t CPath::PlannedCurvePoints(int depth) const {
    const std::int64_t n = PointCount();
    if (n <= 0)
        return 0;
    const bool closed = EndAction == PathEndMoveToStart;
    std::int64_t count = 0;
    if (ConnectionKind == PathStraight) {
        count = n + (closed ? 1 : 0);
    } else {
        const std::int64_t segments = std::max<std::int64_t>(0, closed ? n : n - 2);
        count = segments * ((std::int64_t{1} << depth) - 1);
        if (!closed)
            count += 2;
        else if (count > 0)
            count += 1;
    }
    if (EndAction == PathEndReverse && count > 0)
        count = 2 * count - 1;
    return count;
}

int CPath::CurveDepth() const {
    int depth = std::clamp<std::int32_t>(SmoothingDepth, 0, MaxCurveDepth);
    while (depth > 0 && PlannedCurvePoints(depth) > MaxCurvePoints)
        --depth;
    return depth;
}

void CPath::ComputeCurve() {
    CurvePoints.clear();
    Length = 0;
    const int n = PointCount();
    if (n <= 0)
        return;
    const int depth = CurveDepth();
    CurvePoints.reserve(static_cast<std::size_t>(PlannedCurvePoints(depth)));
    const bool closed = EndAction == PathEndMoveToStart;

    if (ConnectionKind == PathStraight) {
        for (const PathPoint& point : Points)
            AddCurvePoint(point);
        if (closed)
            AddCurvePoint(Points[0]);
    } else {
        // Each segment runs from the midpoint of one pair of control points
        // to the midpoint of the next, bent towards the point they share.
        // An open curve starts and ends at its end points; a closed one
        // wraps round.
        if (!closed)
            AddCurvePoint(Points[0]);
        const int last = closed ? n - 1 : n - 3;
        const auto at = [&](int i) -> const PathPoint& { return Points[static_cast<std::size_t>(i % n)]; };
        for (int i = 0; i <= last; ++i)
            SubdivideSegment(depth, Midpoint(at(i), at(i + 1)), at(i + 1), Midpoint(at(i + 1), at(i + 2)));
        if (!closed)
            AddCurvePoint(Points[static_cast<std::size_t>(n - 1)]);
        // A closed curve of depth 0 has no point to return to.
        if (closed && !CurvePoints.empty()) {
            const CurvePoint first = CurvePoints.front();
            AddCurvePoint(first.X, first.Y, first.Speed);
        }
    }

    // Reverse: run back to the start without repeating the last point.
    if (EndAction == PathEndReverse) {
        for (std::size_t j = CurvePoints.size(); j >= 2; --j) {
            const CurvePoint point = CurvePoints[j - 2];
            AddCurvePoint(point.X, point.Y, point.Speed);
        }
    }

    for (std::size_t j = 1; j < CurvePoints.size(); ++j) {
        const double dx = CurvePoints[j].X - CurvePoints[j - 1].X;
        const double dy = CurvePoints[j].Y - CurvePoints[j - 1].Y;
        Length += std::sqrt(dx * dx + dy * dy);
        CurvePoints[j].Distance = Length;
    }
}

bool CPath::Load(CStream& stream) {
    if (stream.ReadInt() != PathTag)
        return false;
    ConnectionKind = stream.ReadInt();
    EndAction = stream.ReadInt();
    SmoothingDepth = stream.ReadInt();
    // A negative point count fails the load.
    const std::int32_t count = stream.ReadInt();
    stream.ExpectItems(count, 24);
    Points.resize(static_cast<std::size_t>(count));
    for (PathPoint& point : Points) {
        point.X = stream.ReadReal();
        point.Y = stream.ReadReal();
        point.Speed = stream.ReadReal();
    }
    // A few stored points make a curve of up to some hundred thousand: the
    // load is charged for it before it is computed.
    CLoadBudget::Charge(stream.Core(), static_cast<std::size_t>(PlannedCurvePoints(CurveDepth())) * sizeof(CurvePoint));
    ComputeCurve();
    return true;
}

bool CPath::Save(CStream& stream) {
    stream.WriteInt(PathTag);
    stream.WriteInt(ConnectionKind);
    stream.WriteInt(EndAction);
    stream.WriteInt(SmoothingDepth);
    stream.WriteInt(PointCount());
    for (const PathPoint& point : Points) {
        stream.WriteReal(point.X);
        stream.WriteReal(point.Y);
        stream.WriteReal(point.Speed);
    }
    return true;
}

}  // namespace transvane
