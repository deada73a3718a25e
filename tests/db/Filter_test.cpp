#include "db/Dbfixture.h"
#include "db/Jetfilter.h"

#include <QLocale>

namespace {

std::vector<long long> Ids(TTable& t) {
    std::vector<long long> r;
    for (t.First(); !t.Eof(); t.Next()) r.push_back(t.Fields(0).Value().AsInteger());
    return r;
}

}  // namespace

class FilterTest : public DbTest {
protected:
    void SetUp() override {
        DbTest::SetUp();
        for (const char* name : {"St Andrews", "Stoke Park", "Royal Troon", "O'Neill's Links", "100% Golf",
                                 "100x Golf", "Club_9", "Club-9"})
            courses.push_back(AppendRow("Course_General", {{"Course_Name", name}, {"U8_Name", "X"}, {"Tees", 2}}));
        r1 = AppendRow("Round", {{"UserId", 1}, {"CourseId", 1}, {"TeeNumber", 1}, {"Score", 80},
                                 {"RoundStartDate", "2003-06-01 10:00:00"}});
        r2 = AppendRow("Round", {{"UserId", 1}, {"CourseId", 1}, {"TeeNumber", 4}, {"Score", 72},
                                 {"RoundStartDate", "2004-02-11 08:15:00"}});
        r3 = AppendRow("Round", {{"UserId", 2}, {"CourseId", 3}, {"TeeNumber", 3}, {"Score", 90},
                                 {"RoundStartDate", "2003-09-20 14:00:00"}});
        // Holes of round r1: (hole, total, putts, FIR, GIR, bunker)
        const int holes[][6] = {{1, 5, 2, 1, 0, 0}, {2, 0, 0, 0, 0, 0}, {3, 4, 1, 1, 1, 2}, {4, 3, 0, 0, 1, 1}};
        for (const auto& h : holes)
            AppendRow("RoundHoles", {{"RoundId", r1}, {"HoleId", h[0]}, {"HoleShotsTotal", h[1]},
                                     {"HoleShotsPutter", h[2]}, {"FIR", h[3] != 0}, {"GIR", h[4] != 0},
                                     {"BunkerHits", h[5]}});
        for (int hole = 3; hole >= 1; --hole)
            for (int shot = 2; shot >= 1; --shot)
                AppendRow("RoundShots", {{"RoundId", r1}, {"HoleId", hole}, {"ShotNumber", shot}});
        AppendRow("RoundShots", {{"RoundId", r2}, {"HoleId", 1}, {"ShotNumber", 1}});
    }

    int Rows(const std::string& table, const std::string& filter) { return Count(table, filter); }

    std::vector<long long> courses;
    long long r1 = 0, r2 = 0, r3 = 0;
};

TEST_F(FilterTest, NumberFormsOfTheProgram) {
    const std::string n = std::to_string(r1);
    EXPECT_EQ(Rows("Round", "UserId = 1"), 2);
    EXPECT_EQ(Rows("Round", "UserId=1"), 2);
    EXPECT_EQ(Rows("GolfBag", "UserId=-1"), 0);
    AppendRow("GolfBag", {{"UserId", -1}, {"BagName", "New"}});
    EXPECT_EQ(Rows("GolfBag", "UserId=-1"), 1);
    EXPECT_EQ(Rows("Round", "RoundId = " + n), 1);
    EXPECT_EQ(Rows("Round", "RoundId=" + n), 1);
    EXPECT_EQ(Rows("ClubDetail", "ClubId=105"), 1);
    EXPECT_EQ(Rows("Clubs", "BagId=1"), 13);
    EXPECT_EQ(Rows("Clubs", "ClubId=111"), 1);
    EXPECT_EQ(Rows("RoundShots", "RoundId = " + n + " and HoleId = 2"), 2);
    EXPECT_EQ(Rows("RoundHoles", "RoundId = " + n + " and HoleId = 3"), 1);
    EXPECT_EQ(Rows("Round", "CourseId = 1 and TeeNumber > 2"), 1);
    // No blank before "and", as the hole scene and rounds list write it.
    EXPECT_EQ(Rows("Round", "CourseId = 1and TeeNumber > 2"), 1);
    EXPECT_EQ(Rows("Round", "UserId = 1and RoundStartDate Like '*2003*'"), 1);
    EXPECT_EQ(Rows("Round", "UserId = 1and RoundStartDate Like '**'"), 2);
    EXPECT_EQ(Rows("Round", "RoundStartDate Like '*2003*'"), 2);
    EXPECT_EQ(Rows("Round", "Score >= 80 AND Score <= 85"), 1);
    EXPECT_EQ(Rows("Round", "Score < 80 or Score > 85"), 2);
    EXPECT_EQ(Rows("Round", "NOT (UserId = 1)"), 1);
    EXPECT_EQ(Rows("Round", "(UserId = 1 Or UserId = 2) And Not Score = 72"), 2);
    EXPECT_EQ(Rows("Round", "RoundHCP Is Null"), 3);
    EXPECT_EQ(Rows("Round", "Score Is Not Null"), 3);
    EXPECT_EQ(Rows("Round", "[Round].[Score] = 72.0"), 1);
    EXPECT_EQ(Rows("Round", "Round.Score = 72"), 1);
    EXPECT_EQ(Rows("Round", "Score = '72'"), 1);  // a number given as text
    EXPECT_EQ(Rows("Datum", "Number > -0.5"), Rows("Datum", ""));
}

TEST_F(FilterTest, CountersOfTheStatisticsWindow) {
    EXPECT_EQ(Rows("RoundHoles", "HoleShotsTotal<>0"), 3);
    EXPECT_EQ(Rows("RoundHoles", "FIR=true and HoleShotsTotal<>0"), 2);
    EXPECT_EQ(Rows("RoundHoles", "GIR=true and HoleShotsTotal<>0"), 2);
    EXPECT_EQ(Rows("RoundHoles", "GIR=false"), 2);
    TTable t(&db, "RoundHoles");
    t.SetFilter("BunkerHits<>0 and HoleShotsTotal<>0");
    t.Open();
    int bunker = 0;
    for (t.First(); !t.Eof(); t.Next()) bunker += t.FieldByName("BunkerHits").AsInteger();
    EXPECT_EQ(bunker, 3);
    t.SetFilter("HoleShotsPutter<>0 and HoleShotsTotal<>0");
    int putts = 0;
    for (t.First(); !t.Eof(); t.Next()) putts += t.FieldByName("HoleShotsPutter").AsInteger();
    EXPECT_EQ(putts, 3);
}

TEST_F(FilterTest, TextFormsOfTheProgram) {
    EXPECT_EQ(Rows("GolfBag", "BagName='Default'"), 1);
    EXPECT_EQ(Rows("GolfBag", "BagName=\"Default\""), 1);
    EXPECT_EQ(Rows("GolfBag", "BagName='dEFAULT'"), 1);  // texts compare in any case
    EXPECT_EQ(Rows("Country", "CountryId=\"DE\""), 1);
    EXPECT_EQ(Rows("Country", "Country='Germany'"), 1);
    EXPECT_EQ(Rows("States", "CountryId = 'US'"), 51);
    EXPECT_EQ(Rows("States", "StateName='California'"), 1);
    EXPECT_EQ(Rows("States", "StateId=\"ca\""), 1);
    EXPECT_EQ(Rows("Course_General", "Course_Name = 'Royal Troon'"), 1);
    // The course list's prefix filter: typed text + "*".
    EXPECT_EQ(Rows("Course_General", "Course_Name Like 'St*'"), 2);
    EXPECT_EQ(Rows("Course_General", "Course_Name Like 'st*'"), 2);
    EXPECT_EQ(Rows("Course_General", "Course_Name Like '*'"), 8);
    EXPECT_EQ(Rows("Course_General", "Course_Name Like 'Roy?l*'"), 1);
    EXPECT_EQ(Rows("Course_General", "Course_Name Not Like 'St*'"), 6);
    // % and _ are plain characters in a Jet pattern.
    EXPECT_EQ(Rows("Course_General", "Course_Name Like '100%*'"), 1);
    EXPECT_EQ(Rows("Course_General", "Course_Name Like 'Club_*'"), 1);
    EXPECT_EQ(Rows("Course_General", "Course_Name Like 'Club?9'"), 2);
    // Every letter matches in either case, not only A to Z.
    for (const char* name : {"Åre Golf", "Örebro GK"})
        AppendRow("Course_General", {{"Course_Name", name}, {"U8_Name", "X"}, {"Tees", 2}});
    const std::pair<const char*, int> folded[] = {{"Course_Name Like 'å*'", 1}, {"Course_Name Like 'åre*'", 1},
                                                  {"Course_Name Like 'ö*'", 1}, {"Course_Name = 'örebro gk'", 1},
                                                  {"Course_Name <> 'åre golf'", 9}};
    for (const auto& [filter, rows] : folded) EXPECT_EQ(Rows("Course_General", filter), rows) << filter;
    // Marks beside plain letters, and letters whose fold is shorter in UTF-8 (ẞ, ſ, the Kelvin sign).
    for (const char* name : {"Golfbanan Brännaslätt", "GROẞE ſtraße", "\u212Aelvin Golf € Club"})
        AppendRow("Course_General", {{"Course_Name", name}, {"U8_Name", "X"}, {"Tees", 2}});
    const std::pair<const char*, int> mixed[] = {
        {"Course_Name Like 'GOLFBANAN BRÄNN*'", 1}, {"Course_Name Like 'golfbanan br?nnasl?tt'", 1},
        {"Course_Name Like 'große s*'", 1},         {"Course_Name = 'große straße'", 1},
        {"Course_Name Like 'kelvin*'", 1},          {"Course_Name Like '*golf ? club'", 1}};
    for (const auto& [filter, rows] : mixed) EXPECT_EQ(Rows("Course_General", filter), rows) << filter;
}

TEST_F(FilterTest, QuotesInNames) {
    // QuotedStr doubles the apostrophe, so the name stays data.
    EXPECT_EQ(Rows("Course_General", "Course_Name = " + QuotedStr("O'Neill's Links")), 1);
    EXPECT_EQ(Rows("Course_General", "Course_Name Like " + QuotedStr("O'Neill*")), 1);
    // A double-quoted text with a doubled double quote inside.
    AppendRow("GolfBag", {{"UserId", 1}, {"BagName", "My \"Big\" Bag"}});
    EXPECT_EQ(Rows("GolfBag", "BagName=\"My \"\"Big\"\" Bag\""), 1);
    EXPECT_EQ(Rows("GolfBag", "BagName=" + QuotedStr("My \"Big\" Bag")), 1);
    // Quotes that are not doubled cannot leak into the SQL.
    EXPECT_EQ(Rows("Course_General", "Course_Name = 'x'' OR 1=1 --'"), 0);
    const std::string unescaped = "Course_Name = 'O'Neill's Links'";
    const std::string error = ErrorOf([&] { Rows("Course_General", unescaped); });
    EXPECT_NE(error.find(unescaped), std::string::npos) << error;
    // The bag-name test with a double quote in the typed name is an error, not a crash.
    const std::string bagTest = "BagName=\"" + std::string("Big\"One") + "\"";
    const std::string bagError = ErrorOf([&] { Rows("GolfBag", bagTest); });
    EXPECT_NE(bagError.find(bagTest), std::string::npos) << bagError;
}

TEST_F(FilterTest, BadFiltersRaiseErrorsWithTheText) {
    for (const std::string bad : {"UserId = ", "UserId = 1 and", "(UserId = 1", "UserId = 1)", "UserId == 1",
                                  "UserId = 'open", "[UserId = 1", "UserId = 1 ; DROP TABLE Round",
                                  "UserId Is 1", "Score Like", "= 1", "UserId = 1 UserId = 2", "UserId @ 1",
                                  "Round. = 1", "Not"}) {
        const std::string error = ErrorOf([&] { Rows("Round", bad); });
        EXPECT_NE(error.find(bad), std::string::npos) << bad << " -> " << error;
    }
    EXPECT_EQ(Rows("Round", ""), 3);  // the table survived
    // Unknown columns, bare, bracketed or with another table's name.
    for (const std::string bad : {"NoSuch = 1", "[No Such] = 1", "Holes.Score = 1", "UserId = Bogus"}) {
        const std::string error = ErrorOf([&] { Rows("Round", bad); });
        EXPECT_NE(error.find(bad), std::string::npos) << bad << " -> " << error;
    }
}

TEST_F(FilterTest, SettingAFilterOnAnOpenTable) {
    TTable t(&db, "Round");
    t.SetFilter("UserId = 1");
    t.Open();
    EXPECT_EQ(t.RecordCount(), 2);
    t.Next();
    t.SetFilter("UserId = 2");  // re-read at once, on the first row
    EXPECT_EQ(t.RecordCount(), 1);
    EXPECT_EQ(t.RecNo(), 0);
    EXPECT_EQ(t.FieldByName("RoundId").AsInteger(), r3);
    EXPECT_THROW(t.SetFilter("UserId = = 2"), EDatabaseError);
    EXPECT_EQ(t.Filter(), "UserId = 2");  // a bad filter changes nothing
    EXPECT_EQ(t.RecordCount(), 1);
    t.SetFilter("");
    EXPECT_EQ(t.RecordCount(), 3);
    // A pending edit is posted before the re-read.
    t.Edit();
    t.FieldByName("MarkerName").SetAsString("Bob");
    t.SetFilter("MarkerName = 'bob'");
    EXPECT_EQ(t.RecordCount(), 1);
}

TEST_F(FilterTest, SortFormsOfTheProgram) {
    TTable rounds(&db, "Round");
    rounds.AddSort("[RoundStartDate] DESC");
    rounds.Open();
    EXPECT_EQ(Ids(rounds), (std::vector<long long>{r2, r3, r1}));
    rounds.ClearSort();
    rounds.AddSort("[RoundStartDate]ASC");
    rounds.ApplySort();
    EXPECT_EQ(Ids(rounds), (std::vector<long long>{r1, r3, r2}));
    rounds.AddSort("[RoundStartDate]ASC");  // repeated terms do no harm
    rounds.ApplySort();
    EXPECT_EQ(rounds.SortTerms().size(), 2u);
    EXPECT_EQ(Ids(rounds), (std::vector<long long>{r1, r3, r2}));

    TTable shots(&db, "RoundShots");
    shots.AddSort("[RoundId] ASC");
    shots.AddSort("[HoleId] ASC");
    shots.AddSort("[ShotNumber] ASC");
    shots.SetFilter("RoundId = " + std::to_string(r1));
    shots.Open();
    std::vector<std::string> order;
    for (shots.First(); !shots.Eof(); shots.Next())
        order.push_back(shots.FieldByName("HoleId").AsString() + "." + shots.FieldByName("ShotNumber").AsString());
    EXPECT_EQ(order, (std::vector<std::string>{"1.1", "1.2", "2.1", "2.2", "3.1", "3.2"}));
    shots.ClearSort();
    shots.AddSort("[ShotNumber] DESC");
    shots.AddSort("[HoleId] DESC");
    shots.ApplySort();
    shots.First();
    EXPECT_EQ(shots.FieldByName("HoleId").AsInteger(), 3);
    EXPECT_EQ(shots.FieldByName("ShotNumber").AsInteger(), 2);
    shots.Last();
    EXPECT_EQ(shots.FieldByName("HoleId").AsInteger(), 1);
    EXPECT_EQ(shots.FieldByName("ShotNumber").AsInteger(), 1);

    TTable names(&db, "Course_General");
    names.AddSort("[Course_Name] ASC");
    names.SetFilter("Course_Name Like 's*'");
    names.Open();
    std::vector<std::string> got;
    for (names.First(); !names.Eof(); names.Next()) got.push_back(names.FieldByName("Course_Name").AsString());
    EXPECT_EQ(got, (std::vector<std::string>{"St Andrews", "Stoke Park"}));
    // Names in the order of the user's language, case ignored (C: by character).
    for (const char* name : {"ängby", "Zeta", "abbey", "Ängsö"})
        AppendRow("Course_General", {{"Course_Name", name}, {"U8_Name", "X"}, {"Tees", 3}});
    const QLocale before;
    const std::pair<QLocale, std::string> orders[] = {
        {QLocale::c(), "abbey Zeta ängby Ängsö"},
        {QLocale(QLocale::German, QLocale::Germany), "abbey ängby Ängsö Zeta"},
        {QLocale(QLocale::Swedish, QLocale::Sweden), "abbey Zeta ängby Ängsö"}};
    for (const auto& [locale, order] : orders) {
        QLocale::setDefault(locale);
        names.SetFilter("Tees = 3");
        std::string listed;
        for (names.First(); !names.Eof(); names.Next())
            listed += (listed.empty() ? "" : " ") + names.FieldByName("Course_Name").AsString();
        EXPECT_EQ(listed, order) << locale.name().toStdString();
    }
    QLocale::setDefault(before);

    TTable countries(&db, "Country");
    countries.AddSort("[Country] ASC");
    countries.Open();
    countries.First();
    EXPECT_EQ(countries.FieldByName("Country").AsString(), "Afghanistan");

    for (const char* term : {"[ClubName] ASC", "[OrderNumber] ASC", "[CourseId] ASC", "[HoleNumber] ASC",
                             "[HoleId] ASC", "[Type] ASC", "[Tee] ASC"})
        EXPECT_NO_THROW(JetSortToSql(term, nullptr)) << term;
}

TEST_F(FilterTest, BadSortTerms) {
    TTable t(&db, "Round");
    t.Open();
    EXPECT_THROW(t.AddSort("[Score] UP"), EDatabaseError);
    EXPECT_THROW(t.AddSort("[Score ASC"), EDatabaseError);
    EXPECT_THROW(t.AddSort("[Nothing] ASC"), EDatabaseError);
    EXPECT_THROW(t.AddSort("[Score] ASC; DROP TABLE Round"), EDatabaseError);
    EXPECT_TRUE(t.SortTerms().empty());
}

TEST(FilterText, TranslationIsParameterised) {
    std::vector<TVariant> params;
    EXPECT_EQ(TTable::TranslateFilter("UserId = 1and RoundStartDate Like '*20_3*'", &params),
              "\"UserId\" = ? AND \"RoundStartDate\" LIKE ? ESCAPE '\\'");
    ASSERT_EQ(params.size(), 2u);
    EXPECT_EQ(params[0], TVariant(1));
    EXPECT_EQ(params[1], TVariant("%20\\_3%"));

    params.clear();
    EXPECT_EQ(TTable::TranslateFilter("[18Holes]=true and 18Holes<>False And X = -2.5", &params),
              "\"18Holes\" = 1 AND \"18Holes\" <> 0 AND \"X\" = ?");
    ASSERT_EQ(params.size(), 1u);
    EXPECT_EQ(params[0], TVariant(-2.5));

    params.clear();
    EXPECT_EQ(TTable::TranslateFilter("Name = \"a\"\"b\" OR Name = 'c''d'", &params),
              "\"Name\" = ? COLLATE JETTEXT OR \"Name\" = ? COLLATE JETTEXT");
    EXPECT_EQ(params[0], TVariant("a\"b"));
    EXPECT_EQ(params[1], TVariant("c'd"));

    params.clear();
    EXPECT_EQ(TTable::TranslateFilter("[Odd\"Name] = 1", &params), "\"Odd\"\"Name\" = ?");
}

TEST_F(FilterTest, FilterOfAClosedTableIsCheckedAtOnce) {
    TTable t(&db, "Round");
    EXPECT_THROW(t.SetFilter("UserId = (1"), EDatabaseError);
    EXPECT_EQ(t.Filter(), "");
    t.SetFilter("UserId = 2");
    t.Open();
    EXPECT_EQ(t.RecordCount(), 1);
    t.Close();
    EXPECT_THROW(t.SetFilter("Nobody = 2"), EDatabaseError);  // columns are known by now
    t.Open();
    EXPECT_EQ(t.RecordCount(), 1);
}
