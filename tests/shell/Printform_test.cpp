#include <QDate>
#include <QLocale>
#include <QPrinter>
#include <QScrollBar>
#include <QAbstractTextDocumentLayout>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTextLayout>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>

#include "Shellfixture.h"
#include "platform/Registry.h"
#include "common/Printform.h"

namespace {
const char* const MainKey = "Software\\Microsoft\\Internet Explorer\\Main";
const char* const PageSetupKey = "Software\\Microsoft\\Internet Explorer\\PageSetup";

// A nine-hole course card with two tees, as the course window writes it.
std::string CourseCard(const std::string& name) {
    std::string s = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\" ?>\n"
                    "<?xml-stylesheet type=\"text/xsl\" href=\"coursescorecard.xsl\"?>\n"
                    "<course>\n<name>" + name + "</name>\n<title>" + name + "</title>\n"
                    "<holecount>9</holecount>\n<holes-a>\n";
    for (int h = 1; h <= 9; ++h)
        s += "<hole number=\"" + std::to_string(h) + "\">\n<par>4</par>\n<handicap>" +
             std::to_string(10 - h) + "</handicap>\n</hole>\n";
    s += "<tees>\n";
    for (int t = 1; t <= 2; ++t) {
        s += "<tee nbr=\"" + std::to_string(t) + "\">\n<name>" + (t == 1 ? "Yellow" : "Red") +
             "</name>\n<color>" + (t == 1 ? "FFFF00" : "FF0000") + "</color>\n<totlen>" +
             std::to_string(3000 + t) + "</totlen>\n";
        for (int h = 1; h <= 9; ++h) s += "<len>" + std::to_string(300 + 10 * h + t) + "</len>\n";
        s += "</tee>\n";
    }
    s += "</tees>\n<details>\n<par>36</par>\n</details>\n</holes-a>\n"
         "<totals>\n<par>36</par>\n<totlen>3001</totlen>\n<hcp>0</hcp>\n<net>0</net>\n"
         "</totals>\n</course>\n";
    return s;
}

// An eighteen-hole round card with one tee.
std::string RoundCard(const std::string& name) {
    std::string s = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\" ?>\n"
                    "<?xml-stylesheet type=\"text/xsl\" href=\"scorecard.xsl\"?>\n"
                    "<course>\n<name>" + name + "</name>\n<title>Club medal</title>\n"
                    "<datum>2026-05-01</datum>\n<player>Ann Putter</player>\n<hcp>18.4</hcp>\n"
                    "<marker>Bob</marker>\n<bag>Default</bag>\n<tee>Yellow</tee>\n"
                    "<fir>7</fir>\n<gir>5</gir>\n<puts>33</puts>\n<bir>2</bir>\n"
                    "<holecount>18</holecount>\n";
    for (int half = 0; half < 2; ++half) {
        s += half == 0 ? "<holes-a>\n" : "<holes-b>\n";
        for (int h = 1 + 9 * half; h <= 9 + 9 * half; ++h)
            s += "<hole number=\"" + std::to_string(h) + "\">\n<par>4</par>\n<shots>" +
                 std::to_string(h == 17 ? 9 : 5) + "</shots>\n<changed>" +
                 (h == 17 ? "true" : "false") + "</changed>\n<points>1</points>\n<puts></puts>\n"
                 "<handicap>" + std::to_string(h) + "</handicap>\n</hole>\n";
        s += "<tees>\n<tee nbr=\"1\">\n<name>Yellow</name>\n<color>FFFF00</color>\n"
             "<totlen>2900</totlen>\n";
        if (half == 1) s += "<totlenboth>5800</totlenboth>\n";
        for (int h = 0; h < 9; ++h) s += "<len>322</len>\n";
        s += "</tee>\n</tees>\n<details>\n<par>36</par>\n<shots>49</shots>\n<points>9</points>\n"
             "</details>\n";
        s += half == 0 ? "</holes-a>\n" : "</holes-b>\n";
    }
    s += "<totals>\n<par>72</par>\n<shots>94</shots>\n<points>18</points>\n<totlen>5800</totlen>\n"
         "<hcp>18</hcp>\n<net>76</net>\n</totals>\n</course>\n";
    return s;
}

void Write(const std::string& path, const std::string& text) { std::ofstream(path) << text; }

bool Exists(const std::string& path) { return std::filesystem::exists(path); }

std::string PdfText(const std::string& pdf) {
    const std::string txt = pdf + ".txt";
    const std::string cmd = "pdftotext -layout '" + pdf + "' '" + txt + "' 2>/dev/null";
    if (std::system(cmd.c_str()) != 0) return "";
    std::ifstream in(txt);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

bool HavePdfToText() { return std::system("command -v pdftotext >/dev/null 2>&1") == 0; }

// The printed page as a picture.
QImage PdfPicture(const std::string& pdf) {
    if (std::system(("pdftoppm -r 100 -png -singlefile '" + pdf + "' '" + pdf + "'").c_str()) != 0) return {};
    return QImage(QString::fromStdString(pdf + ".png"));
}
} // namespace

class PrintTest : public ShellTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(CreateApplicationWindows());
        form = PrintingForm;
        ASSERT_NE(form, nullptr);
        // A dark desktop, which paper does not follow: a card's black text
        // gives thousands of near-black pixels, a tee's name and the date a
        // few hundred.
        QApplication::setPalette(QPalette(QColor(53, 53, 53)));
        ProcessEventsFor(50);
    }
    void TearDown() override { QApplication::setPalette(desktop); ShellTest::TearDown(); }
    std::string Shown() const { return form->PrintWebBrowser->toPlainText().toStdString(); }
    const QPalette desktop = QApplication::palette();
    TPrintingForm* form = nullptr;
};

TEST_F(PrintTest, ShowsCourseCardAsWrittenAndPrintsItWithTheDate) {
    Write(DataPath("coursescorecard.xml"), CourseCard("A &amp; B &lt;C&gt;"));
    form->PrintMode = 0;
    form->show();
    EXPECT_NE(Shown().find("A & B <C>"), std::string::npos) << Shown();
    EXPECT_NE(Shown().find("Yellow"), std::string::npos);
    EXPECT_NE(Shown().find("3001"), std::string::npos);
    EXPECT_NE(Shown().find("392"), std::string::npos);  // hole 9, tee 2
    EXPECT_GT(DarkPixels(form->PrintWebBrowser->viewport()->grab().toImage(), 60), 1500);
    EXPECT_EQ(RegReadString(RegRoot::CurrentUser, MainKey, "Print_Background"), "yes");
    EXPECT_EQ(RegReadString(RegRoot::CurrentUser, PageSetupKey, "footer"), "&d");
    EXPECT_EQ(RegReadString(RegRoot::CurrentUser, PageSetupKey, "header"), "");

    if (!HavePdfToText()) GTEST_SKIP() << "pdftotext is not installed";
    const std::string pdf = home.File("card.pdf");
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(pdf));
    form->PrintTo(printer);
    EXPECT_GT(DarkPixels(PdfPicture(pdf), 60), 1500);
    const std::string text = PdfText(pdf);
    EXPECT_NE(text.find("A & B <C>"), std::string::npos) << text;
    const std::string today =
        QLocale().toString(QDate::currentDate(), QLocale::ShortFormat).toStdString();
    EXPECT_NE(text.find(today), std::string::npos) << today << "\n" << text;
    form->close();
}

// Each value of the round card's header ends well before the caption that
// follows it on its line, long values included.
TEST_F(PrintTest, RoundCardHeaderKeepsAGapAfterEachValue) {
    std::string card = RoundCard("Heath");
    card.replace(card.find("Club medal"), 10, "Spring Medal Competition");
    card.replace(card.find("Ann Putter"), 10, "Annabelle Featherstonehaugh");
    card.replace(card.find("<bag>Default"), 12, "<bag>Tournament bag");
    Write(DataPath("scorecard.xml"), card);
    form->PrintMode = 1;
    form->show();
    QTextDocument* doc = form->PrintWebBrowser->document();
    QAbstractTextDocumentLayout* layout = doc->documentLayout();
    // Where a block's text starts and ends across the page, on its first line.
    const auto extent = [&](const QString& text) {
        for (QTextBlock b = doc->begin(); b.isValid(); b = b.next())
            if (b.text() == text && b.layout() && b.layout()->lineCount() > 0) {
                const QRectF r = layout->blockBoundingRect(b);
                const QTextLine line = b.layout()->lineAt(0);
                return std::make_pair(r.x() + line.x(), r.x() + line.x() + line.naturalTextWidth());
            }
        ADD_FAILURE() << text.toStdString() << " is not on the card";
        return std::make_pair(0.0, 0.0);
    };
    const QFontMetricsF fm(doc->defaultFont());
    const std::pair<const char*, const char*> pairs[] = {
        {"Spring Medal Competition", "Date:"}, {"Annabelle Featherstonehaugh", "Handicap:"},
        {"Bob", "Bag:"}, {"Yellow", "Holes:"}};
    for (const auto& [value, caption] : pairs) {
        const double end = extent(value).second;
        const double next = extent(caption).first;
        EXPECT_GE(next - end, 2 * fm.averageCharWidth()) << value << " runs into " << caption;
    }
    // A caption keeps its gap before its own value too.
    EXPECT_GT(extent("Spring Medal Competition").first, extent("Title:").second);
    form->close();
}

TEST_F(PrintTest, CancelDeletesOnlyTheCurrentModesFileAndResetsPageSetup) {
    Write(DataPath("coursescorecard.xml"), CourseCard("Old Course"));
    Write(DataPath("scorecard.xml"), RoundCard("Links"));
    form->PrintMode = 1;
    form->show();
    EXPECT_NE(Shown().find("Ann Putter"), std::string::npos) << Shown();
    EXPECT_NE(Shown().find("5800"), std::string::npos);
    EXPECT_GT(DarkPixels(form->PrintWebBrowser->viewport()->grab().toImage(), 60), 1500);
    // Only the page is paper: the scroll bar keeps the dark desktop's colours.
    EXPECT_GT(DarkPixels(form->PrintWebBrowser->verticalScrollBar()->grab().toImage(), 128), 3000);
    form->CancelButtonClick();
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(Exists(DataPath("scorecard.xml")));
    EXPECT_TRUE(Exists(DataPath("coursescorecard.xml")));
    EXPECT_EQ(RegReadString(RegRoot::CurrentUser, MainKey, "Print_Background"), "no");
    EXPECT_EQ(RegReadString(RegRoot::CurrentUser, PageSetupKey, "footer"), "&u&b&d");
    EXPECT_EQ(RegReadString(RegRoot::CurrentUser, PageSetupKey, "header"), "&w&bPage &p of &P");
}

TEST_F(PrintTest, CloseBoxDeletesTheFileButLeavesPageSetup) {
    Write(DataPath("coursescorecard.xml"), CourseCard("Heath"));
    Write(DataPath("scorecard.xml"), RoundCard("Links"));
    form->TeeCount = 2;
    form->RowCount = 10;
    form->CardTitle = "Heath";
    form->RoundHcp = 17;
    form->PlayingHcp = 19;
    form->PrintMode = 0;
    form->show();
    form->close();
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(Exists(DataPath("coursescorecard.xml")));
    EXPECT_TRUE(Exists(DataPath("scorecard.xml")));
    EXPECT_EQ(RegReadString(RegRoot::CurrentUser, MainKey, "Print_Background"), "yes");
    EXPECT_EQ(RegReadString(RegRoot::CurrentUser, PageSetupKey, "footer"), "&d");
    EXPECT_EQ(RegReadString(RegRoot::CurrentUser, PageSetupKey, "header"), "");
    // The members keep their values for the next card.
    EXPECT_EQ(form->TeeCount, 2);
    EXPECT_EQ(form->RowCount, 10);
    EXPECT_EQ(form->CardTitle, "Heath");
    EXPECT_EQ(form->RoundHcp, 17);
    EXPECT_EQ(form->PlayingHcp, 19);
}

TEST_F(PrintTest, PrintButtonPrintsThenClosesAndResets) {
    Write(DataPath("scorecard.xml"), RoundCard("Dunes"));
    form->PrintMode = 1;
    std::string pdf = home.File("gone/round.pdf");
    int asked = 0;
    form->ChoosePrinter = [&](QPrinter& printer) {
        ++asked;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(pdf));
        return true;
    };
    form->show();
    // A file that cannot be written: said, and the card stays for another try.
    form->PrintButtonClick();
    EXPECT_EQ(log.Texts(), std::vector<std::string>{"The card was not printed.\nThe file " + pdf + " cannot be written."});
    EXPECT_TRUE(form->isVisible());
    pdf = home.File("round.pdf");
    form->PrintButtonClick();
    EXPECT_EQ(asked, 2);
    EXPECT_TRUE(Exists(pdf));
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(Exists(DataPath("scorecard.xml")));
    EXPECT_EQ(RegReadString(RegRoot::CurrentUser, MainKey, "Print_Background"), "no");
    if (HavePdfToText()) {
        EXPECT_NE(PdfText(pdf).find("Dunes"), std::string::npos);
        EXPECT_GT(DarkPixels(PdfPicture(pdf), 60), 1500);
    }

    // A cancelled print dialog prints nothing but still resets and closes.
    std::filesystem::remove(pdf);
    Write(DataPath("scorecard.xml"), RoundCard("Dunes"));
    form->ChoosePrinter = [](QPrinter&) { return false; };
    form->show();
    form->PrintButtonClick();
    EXPECT_FALSE(Exists(pdf));
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(Exists(DataPath("scorecard.xml")));
}

TEST_F(PrintTest, BrokenOrMissingCardShowsAnErrorNotAStaleCard) {
    Write(DataPath("coursescorecard.xml"), CourseCard("Stale Course"));
    form->PrintMode = 0;
    form->show();
    ASSERT_NE(Shown().find("Stale Course"), std::string::npos);
    form->close();

    // Unescaped markup in a value: the file is not well-formed.
    Write(DataPath("coursescorecard.xml"), CourseCard("A & B <C>"));
    form->show();
    EXPECT_EQ(Shown().find("Stale Course"), std::string::npos);
    EXPECT_NE(Shown().find("cannot be displayed"), std::string::npos) << Shown();
    form->close();

    form->PrintMode = 1;  // no scorecard.xml at all
    form->show();
    EXPECT_NE(Shown().find("not found"), std::string::npos) << Shown();
    form->close();
}

TEST_F(PrintTest, StylesheetBesideTheCardIsPreferred) {
    Write(DataPath("coursescorecard.xsl"),
          "<?xml version=\"1.0\"?>\n<xsl:stylesheet version=\"1.0\" "
          "xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">\n<xsl:output method=\"html\"/>\n"
          "<xsl:template match=\"/\"><p>Local sheet: <xsl:value-of select=\"course/name\"/></p>"
          "</xsl:template>\n</xsl:stylesheet>\n");
    Write(DataPath("coursescorecard.xml"), CourseCard("Moor"));
    std::string error;
    const std::string html = TransformCardFile(DataPath("coursescorecard.xml"), &error);
    EXPECT_NE(html.find("Local sheet: Moor"), std::string::npos) << html << error;

    // Only the file name of the instruction counts.
    std::string card = CourseCard("Moor");
    card.replace(card.find("href=\"coursescorecard.xsl\""), 26, "href=\"/etc/passwd.xsl\"");
    Write(DataPath("other.xml"), card);
    EXPECT_EQ(TransformCardFile(DataPath("other.xml"), &error), "");
    EXPECT_NE(error.find("passwd.xsl was not found"), std::string::npos) << error;

    // A named pipe of the sheet's name is no sheet: the program's own serves.
    std::filesystem::remove(DataPath("coursescorecard.xsl"));
    ASSERT_EQ(::mkfifo(DataPath("coursescorecard.xsl").c_str(), 0600), 0);
    const std::string own = TransformCardFile(DataPath("coursescorecard.xml"), &error);
    EXPECT_EQ(own.find("Local sheet"), std::string::npos);
    EXPECT_NE(own.find("Moor"), std::string::npos) << error;
}
