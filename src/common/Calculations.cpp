#include "common/Calculations.h"

#include <cmath>
#include <cstdio>
#include <limits>

#include "db/Table.h"

namespace {
std::function<std::string()>& UnitSource() {
    static std::function<std::string()> source;
    return source;
}

std::string CurrentUnit() {
    auto& source = UnitSource();
    return source ? source() : std::string("true");
}

constexpr double kMetresToYards = 1.0936111111154856;  // 1 / 0.9144018288
constexpr double kYardsToMetres = 0.9144018288;
constexpr double kPi = 3.14159265358979323846;
} // namespace

double ParseCoordinate(char hemisphere, double magnitude) {
    double m = std::fabs(magnitude);
    return hemisphere == 'W' || hemisphere == 'S' ? -m : m;
}

THemisphereCoordinate SplitCoordinate(double degrees, unsigned char isLatitude) {
    THemisphereCoordinate c;
    if (!(degrees >= 0)) {
        c.Hemisphere = isLatitude ? 'S' : 'W';
        c.Degrees = -degrees;
    } else {
        c.Hemisphere = isLatitude ? 'N' : 'E';
        c.Degrees = degrees;
    }
    return c;
}

std::string FormatCoordinate(double degrees, unsigned char isLatitude) {
    THemisphereCoordinate c = SplitCoordinate(degrees, isLatitude);
    // Sized for any magnitude, not only those up to 180 degrees.
    int n = std::snprintf(nullptr, 0, "%c %.7f", c.Hemisphere, c.Degrees);
    std::string text(n > 0 ? static_cast<size_t>(n) : 0, '\0');
    std::snprintf(text.data(), text.size() + 1, "%c %.7f", c.Hemisphere, c.Degrees);
    return text;
}

int StablefordPoints(int h, int s, int i, int p, int holes) {
    if (s < 1) return 0;
    // Every full round of the handicap is a stroke on every hole; the rest is
    // one more on the holes of the lowest indexes. A handicap below 0 gives
    // strokes back the same way, from the holes of the highest indexes.
    long long r;
    if (h >= 0) {
        r = h / holes + (i >= 1 && i <= h % holes ? 1 : 0);
    } else {
        const long long k = -static_cast<long long>(h);
        r = -(k / holes + (i > holes - k % holes && i <= holes ? 1 : 0));
    }
    // In long long: a stored par or score near the int range cannot overflow.
    const long long q = static_cast<long long>(p) - (s - r) + 2;
    return q > 0 ? WholeNumber(static_cast<double>(q)) : 0;
}

int WholeNumber(double v) {
    if (std::isnan(v)) return 0;
    if (v >= static_cast<double>(std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
    if (v <= static_cast<double>(std::numeric_limits<int>::min())) return std::numeric_limits<int>::min();
    return static_cast<int>(std::trunc(v));
}

int MetresToDisplay(int metres, const std::string& isMeter) {
    if (isMeter != "false") return metres;
    return WholeNumber(metres * kMetresToYards + 0.5);
}

int DisplayToMetres(int distance, const std::string& isMeter) {
    if (isMeter != "false") return distance;
    return WholeNumber(distance * kYardsToMetres + 0.5);
}

int MetresToDisplay(int metres) { return MetresToDisplay(metres, CurrentUnit()); }
int DisplayToMetres(int distance) { return DisplayToMetres(distance, CurrentUnit()); }

void SetDisplayUnitSource(std::function<std::string()> source) { UnitSource() = std::move(source); }

int GeodesicDistance(double lat1, double lon1, double lat2, double lon2, double h1, double h2) {
    const double a = 6378137.0;
    const double b = 6356752.3142;
    const double d = h2 - h1;
    const double k = (b * b) / (a * a);
    const double rad = kPi / 180.0;

    auto point = [&](double lat, double& x, double& z) {
        double psi = std::atan(k * std::tan(lat * rad));
        double c = std::cos(psi), s = std::sin(psi);
        double r = 1.0 / std::sqrt(c * c / (a * a) + s * s / (b * b)) + d;
        x = r * c;
        z = r * s;
    };
    double x1, z1, x2, z2;
    point(lat1, x1, z1);
    point(lat2, x2, z2);
    double m = std::sqrt((x1 - x2) * (x1 - x2) + (z1 - z2) * (z1 - z2));

    // The shorter way round: two points either side of the date line are close.
    double dlon = std::fmod(lon1 - lon2, 360.0);
    if (dlon > 180.0) dlon -= 360.0;
    if (dlon < -180.0) dlon += 360.0;
    double e = ((x1 + x2) / 2.0) * dlon * 2.0 * kPi / 360.0;
    double dist = std::sqrt(m * m + e * e);
    return static_cast<int>(dist);
}

int ShotStrokes(int penId) {
    long long c = 0;
    if (penId != 9) c += 1;
    if (penId > 0 && penId < 9) c += 1;
    if (penId > 9) c += 2LL * penId - 20;
    return WholeNumber(static_cast<double>(c));
}

bool HolePlayed(int strokes, int shots) { return strokes > 0 || shots > 0; }

const char* const PlayedHoleCondition =
    "(h.HoleShotsTotal > 0 OR EXISTS (SELECT 1 FROM RoundShots s"
    " WHERE s.RoundId = h.RoundId AND s.HoleId = h.HoleId))";

void ValidateRound(TTable& roundTable, TTable& roundHolesTable, TTable& roundShotsTable,
                   int roundId) {
    const std::string round = std::to_string(roundId);
    const std::string byRound = "RoundId = " + round;
    // Closed tables open on this round's rows only, not on every stored round;
    // open ones are read again, as other tables may have written since.
    auto roundRows = [&](TTable& t) {
        t.SetFilter(byRound);
        if (!t.Active()) t.Open();
    };
    roundRows(roundTable);
    roundRows(roundHolesTable);
    if (!roundShotsTable.Active()) roundRows(roundShotsTable);

    TTransaction tx(*roundTable.Database());
    // A round number without a row: nothing to mark (an edit would append).
    const bool haveRound = !roundTable.IsEmpty();
    if (haveRound) {
        roundTable.First();
        roundTable.Edit();
        roundTable.FieldByName("Invalid").SetAsBoolean(false);
    }

    roundHolesTable.First();
    while (!roundHolesTable.Eof()) {
        roundHolesTable.Edit();
        roundHolesTable.FieldByName("Invalid").SetAsBoolean(false);
        const std::string hole = std::to_string(roundHolesTable.FieldByName("HoleId").AsInteger());

        roundShotsTable.SetFilter("RoundId = " + round + " and HoleId = " + hole);
        long long count = 0;
        for (roundShotsTable.First(); !roundShotsTable.Eof(); roundShotsTable.Next())
            count += ShotStrokes(roundShotsTable.FieldByName("PenId").AsInteger());

        TField total = roundHolesTable.FieldByName("HoleShotsTotal");
        // A missing total never matches the shots.
        if (total.IsNull() || total.AsInteger() != count) {
            if (haveRound) roundTable.FieldByName("Invalid").SetAsBoolean(true);
            roundHolesTable.FieldByName("Invalid").SetAsBoolean(true);
        }
        roundHolesTable.Post();
        roundHolesTable.Next();
    }
    if (haveRound) roundTable.Post();
    tx.Commit();
}
