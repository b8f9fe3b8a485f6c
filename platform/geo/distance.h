#pragma once

// The distance between two geographic points, as the mapping component gave it
// to the route densification: the geodesic on the WGS84 ellipsoid.

namespace kvt::geo {

// Kilometres along the shortest path on the WGS84 ellipsoid from (lon1, lat1)
// to (lon2, lat2), all in signed degrees (negative for south and west), in the
// mapping component's argument order: longitude before latitude. Never
// negative. A point that cannot be on the ellipsoid (a latitude beyond 90
// degrees either way, or a value that is not a finite number) gives 0: no
// distance can be measured to it.
double Distance(double lon1, double lat1, double lon2, double lat2);

}  // namespace kvt::geo
