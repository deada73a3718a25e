// Faults a user met with stored data and files: a player row another program
// wrote that the player window cannot read, reference tables without a
// column, a black tee, and a named pipe chosen as a player file.
#include <QColorDialog>
#include <QComboBox>
#include <QGuiApplication>
#include <QProcess>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <xcb/xcb.h>

#include "common/Printform.h"
#include "courses/Coursechild.h"
#include "courses/Createcourse.h"
#include "courses/Mcourse.h"
#include "journey/Journeyfixture.h"
#include "players/Childwin.h"
#include "players/Playereditor.h"
#include "transfer/Transw31.h"
#include "transfer/Transw34.h"
#include "transfer/Webupload.h"

namespace {
// A colour value (0x00BBGGRR) no eye tells from black, and not the stored
// "no colour" 0.
bool StoredBlack(long long value) {
    const auto v = static_cast<unsigned long long>(value);
    return value > 0 && value <= 0xFFFFFF && (v & 0xFF) < 8 && ((v >> 8) & 0xFF) < 8 && ((v >> 16) & 0xFF) < 8;
}

// The same for a colour written as six hexadecimal digits (RRGGBB).
bool TextBlack(const std::string& hex) {
    if (hex.size() != 6) return false;
    char* end = nullptr;
    const unsigned long rgb = std::strtoul(hex.c_str(), &end, 16);
    return *end == '\0' && (rgb & 0xFF) < 8 && ((rgb >> 8) & 0xFF) < 8 && ((rgb >> 16) & 0xFF) < 8;
}

// The text between the first open and close tag of the name after from.
std::string Element(const std::string& text, const std::string& tag, size_t from = 0) {
    const size_t start = text.find("<" + tag + ">", from);
    if (start == std::string::npos) return "<none>";
    const size_t at = start + tag.size() + 2;
    return text.substr(at, text.find("</" + tag + ">", at) - at);
}

// Whether a window of the title is on the screen: a program started beside
// the test shows its windows on the same X server.
bool ScreenShows(const std::string& title) {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* c = x11 ? x11->connection() : nullptr;
    const xcb_window_t root = c ? xcb_setup_roots_iterator(xcb_get_setup(c)).data->root : 0;
    xcb_query_tree_reply_t* tree = c ? xcb_query_tree_reply(c, xcb_query_tree(c, root), nullptr) : nullptr;
    bool found = false;
    for (int i = 0; tree && i < xcb_query_tree_children_length(tree) && !found; ++i) {
        xcb_get_property_reply_t* p = xcb_get_property_reply(
            c, xcb_get_property(c, 0, xcb_query_tree_children(tree)[i], XCB_ATOM_WM_NAME, XCB_ATOM_ANY, 0, 64), nullptr);
        found = p && std::string(static_cast<const char*>(xcb_get_property_value(p)),
                                 size_t(xcb_get_property_value_length(p))) == title;
        free(p);
    }
    free(tree);
    return found;
}
} // namespace

class DataFaultsTest : public JourneyTest {};

// Reference tables another program spoilt: the country list filled at start
// and the settings window's datum lists are told as failed loads and stay
// empty; the program, and the program itself started on the file, run on.
TEST_F(DataFaultsTest, ASpoiltReferenceTableIsToldAndTheProgramRunsOn) {
    AppendRowBeforeStart("PlayerDetail", {{"UserId", 1}, {"FirstName", "Ann"}, {"LastName", "Berg"},
                                          {"HCP", 20.0}, {"Country", "SE"}});
    {
        TDatabase db;
        db.SetDatabaseName(DataPath("kx.mdb"));
        db.Open();
        db.Execute("ALTER TABLE Country DROP COLUMN Country; ALTER TABLE Datum DROP COLUMN Name");
    }
    // The program itself, started on the file, runs on with its message up.
    QProcess program;
    program.start(CADDORA_PATH, {});
    ASSERT_TRUE(program.waitForStarted(30000));
    WaitFor([&] { return program.state() != QProcess::Running || ScreenShows("Error"); }, 60000);
    EXPECT_EQ(program.state(), QProcess::Running) << program.readAllStandardError().toStdString();
    EXPECT_TRUE(ScreenShows("Error"));
    program.kill();
    program.waitForFinished(10000);

    Start();
    EXPECT_EQ(log.Texts(), std::vector<std::string>{"Country: Field 'Country' not found."});
    EXPECT_EQ(TransWiz34->CountryComboBox->count(), 0);
    log.Clear();
    TSettingsForm* settings = OpenSettings(false);
    ASSERT_NE(settings, nullptr);
    EXPECT_EQ(log.Texts(), std::vector<std::string>{"Datum: Field 'Name' not found."});
    EXPECT_EQ(settings->DatumCombo->count(), 0);
}

TEST_F(DataFaultsTest, APlayerWindowThatFailedToLoadNeverSaves) {
    const std::string memo(64 * 1024, 'M');
    AppendRowBeforeStart("PlayerDetail", {{"UserId", 1}, {"FirstName", "Ann"}, {"LastName", "Berg"},
                                          {"HCP", 20.0}, {"Country", "SE"}, {"Sex", true},
                                          {"GolfClub", "Heath GC"}, {"UserDesc", memo}});
    {
        // Another program's row: a handicap that is no number.
        TDatabase db;
        db.SetDatabaseName(DataPath("kx.mdb"));
        db.Open();
        db.Execute("UPDATE PlayerDetail SET HCP = 'abc' WHERE UserId = 1");
        db.Close();
    }
    Start();
    MainForm->Player1->trigger();
    Flush();
    ASSERT_EQ(log.Texts().size(), 1u);
    EXPECT_NE(log.Texts()[0].find("'abc' is not a valid floating point value"), std::string::npos)
        << log.Texts()[0];
    // The user types a handicap and clicks OK, if a window is still there.
    if (auto* child = Child<TMDIChild>()) {
        child->Editor->HandicapEdit->selectAll();
        QTest::keyClicks(child->Editor->HandicapEdit, "12");
        child->Editor->OKBtn->click();
        Flush();
    }
    EXPECT_EQ(ChildCount<TMDIChild>(), 0);
    EXPECT_TRUE(MainForm->Player1->isEnabled());
    EXPECT_TRUE(MainForm->PlayerTB->isEnabled());
    EXPECT_EQ(Value("PlayerDetail", "UserId=1", "GolfClub").AsString(), "Heath GC");
    EXPECT_EQ(Value("PlayerDetail", "UserId=1", "UserDesc").AsString().size(), memo.size());
    EXPECT_EQ(Value("PlayerDetail", "UserId=1", "HCP").AsString(), "abc");
    EXPECT_EQ(Value("PlayerDetail", "UserId=1", "FirstName").AsString(), "Ann");

    // Mended by the other program, the row opens and saves as ever.
    {
        TTable player(&MainForm->Database, "PlayerDetail");
        player.SetFilter("UserId=1");
        player.Open();
        player.Edit();
        player.FieldByName("HCP").SetAsFloat(18.0);
        player.Post();
    }
    log.Clear();
    MainForm->Player1->trigger();
    Flush();
    auto* child = Child<TMDIChild>();
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(child->Editor->HomeClubEdit->text(), "Heath GC");
    child->Editor->HandicapEdit->selectAll();
    QTest::keyClicks(child->Editor->HandicapEdit, "12");
    child->Editor->OKBtn->click();
    Flush();
    EXPECT_TRUE(log.Empty()) << log.Texts().front();
    EXPECT_EQ(ChildCount<TMDIChild>(), 0);
    EXPECT_DOUBLE_EQ(Value("PlayerDetail", "UserId=1", "HCP").AsFloat(), 12.0);
    EXPECT_EQ(Value("PlayerDetail", "UserId=1", "GolfClub").AsString(), "Heath GC");
    EXPECT_EQ(Value("PlayerDetail", "UserId=1", "UserDesc").AsString().size(), memo.size());
}

TEST_F(DataFaultsTest, ABlackTeeStaysBlackOnEveryEditCardAndUpload) {
    AppendRowBeforeStart("PlayerDetail", {{"UserId", 1}, {"FirstName", "Ann"}, {"LastName", "Berg"},
                                          {"HCP", 20.0}, {"Country", "SE"}});
    Start();
    TCourseForm* list = nullptr;
    TCourseFrm* course = nullptr;
    NewNineHoleCourse(list, course, [](TCreateCourseForm* create) {
        create->TeesComboBox->setCurrentIndex(1);
        create->Tee[0]->setText("Black");
        create->Tee[1]->setText("Yellow");
        // Black from the colour dialog for the first tee.
        Steps colour;
        colour.Then([create] { return Up(create->ColorDialog); }, [create] {
            create->ColorDialog->setCurrentColor(Qt::black);
            create->ColorDialog->accept();
        });
        EXPECT_EQ(colour.Run([create] { create->TeeBtn[0]->click(); }), 1u);
        EXPECT_TRUE(StoredBlack(TCreateCourseForm::BoxColour(create->Tee[0])));
    });
    ASSERT_NE(course, nullptr);
    course->NameEdit->setText("Heath");
    course->U8NameEdit->setText("HEATH");
    course->OKBtn->click();
    Flush();
    ASSERT_TRUE(log.Empty()) << log.Texts().front();
    const int id = Value("Course_General", "Course_Name='Heath'", "CourseId").AsInteger();
    const std::string card = "CourseId=" + std::to_string(id);
    EXPECT_TRUE(StoredBlack(Value("ScoreCard", card, "Tee1Col").AsInteger()))
        << Value("ScoreCard", card, "Tee1Col").AsInteger();

    // Hole settings show it black, and OK without a change keeps it.
    list->CourseGrid->selectRow(0);
    list->Editcourse1Click();
    Flush();
    course = Child<TCourseFrm>();
    ASSERT_NE(course, nullptr);
    log.QueueAnswer(IDNO);  // should it ask to save first: nothing was changed
    course->AdvancedButton->click();
    Flush();
    log.Clear();
    auto* create = Child<TCreateCourseForm>();
    ASSERT_NE(create, nullptr);
    EXPECT_EQ(create->windowTitle(), "Edit course");
    EXPECT_TRUE(StoredBlack(TCreateCourseForm::BoxColour(create->Tee[0])));
    EXPECT_LT(create->Tee[0]->palette().color(QPalette::Base).lightness(), 8);
    create->Button8->click();
    Flush();
    course = Child<TCourseFrm>();
    ASSERT_NE(course, nullptr);
    course->OKBtn->click();
    Flush();
    ASSERT_TRUE(log.Empty()) << log.Texts().front();
    EXPECT_TRUE(StoredBlack(Value("ScoreCard", card, "Tee1Col").AsInteger()))
        << Value("ScoreCard", card, "Tee1Col").AsInteger();
    EXPECT_EQ(Value("ScoreCard", card, "Tee2Col").AsInteger(), 0x00FFFF);

    // The printed course card.
    list->CourseGrid->selectRow(0);
    list->Viewcourse1Click();
    Flush();
    course = Child<TCourseFrm>();
    ASSERT_NE(course, nullptr);
    std::string printed;
    QTimer::singleShot(0, [&] {
        std::ifstream in(DataPath("coursescorecard.xml"));
        printed.assign(std::istreambuf_iterator<char>(in), {});
        PrintingForm->CancelButtonClick();
    });
    course->PrintButton->click();
    Flush();
    const size_t tee1 = printed.find("<tee nbr=\"1\">");
    ASSERT_NE(tee1, std::string::npos) << printed;
    EXPECT_EQ(Element(printed, "name", tee1), "Black");
    EXPECT_TRUE(TextBlack(Element(printed, "color", tee1))) << Element(printed, "color", tee1);

    // The web upload of the course.
    TTransWiz4::CourseHeader header;
    FillCourse(MainForm->Database, id, "Heath", header);
    const std::string doc = CourseUploadDocument(header, TUploadAccount{"1", "ann", "pw"}, [](int) { return 1; });
    EXPECT_TRUE(TextBlack(Element(doc, "TEE1COL"))) << Element(doc, "TEE1COL");
}

TEST_F(DataFaultsTest, ANamedPipeChosenAsPlayerFileIsRefused) {
    AppendRowBeforeStart("PlayerDetail", {{"UserId", 1}, {"FirstName", "Ann"}, {"LastName", "Berg"},
                                          {"HCP", 20.0}, {"Country", "SE"}});
    AppendRowBeforeStart("PlayerDetail", {{"UserId", 2}, {"FirstName", "Bo"}, {"LastName", "Lund"},
                                          {"HCP", 10.0}, {"Country", "SE"}});
    Start();
    // A pipe fed a valid line as soon as a reader waits on it.
    const std::string pipe = home.File("Smith.kx");
    PipeFeeder feeder(pipe, "userid=2\n");
    ASSERT_TRUE(feeder.Made());
    // (What File > Open does once its file dialog gives the path.)
    EXPECT_FALSE(MainForm->OpenPlayerFile(pipe));
    Flush();
    EXPECT_EQ(log.Texts(), std::vector<std::string>{"Not a valid player"});
    EXPECT_EQ(ChildCount<TMDIChild>(), 0);
    EXPECT_EQ(MainForm->GetUserId(), 1);

    // The program goes on: a player file opens its player.
    log.Clear();
    const std::string file = home.File("Lund.kx");
    std::ofstream(file) << "userid=2\n";
    EXPECT_TRUE(MainForm->OpenPlayerFile(file));
    Flush();
    EXPECT_TRUE(log.Empty()) << log.Texts().front();
    EXPECT_EQ(MainForm->GetUserId(), 2);
    ASSERT_EQ(ChildCount<TMDIChild>(), 1);
    EXPECT_EQ(Child<TMDIChild>()->windowTitle(), "Player - Lund");
    Child<TMDIChild>()->Editor->CancelBtn->click();
    Flush();
}
