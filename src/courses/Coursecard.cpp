#include "courses/Coursecard.h"

#include <QList>
#include <QString>
#include <cstdio>

#include "platform/Datafolder.h"

std::string CardEscape(const std::string& utf8) {
    const QString text = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
    std::string out;
    out.reserve(utf8.size());
    for (char32_t c : text.toUcs4()) {
        if (c == '&')
            out += "&amp;";
        else if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
        else if (c < 0x20 && c != '\t')
            continue; // no control characters in XML 1.0
        else if (c < 0x100)
            out += static_cast<char>(c);
        else
            out += "&#" + std::to_string(static_cast<unsigned long>(c)) + ";";
    }
    return out;
}

std::string CardColour(unsigned colour) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "%02X%02X%02X", colour & 0xFF, (colour >> 8) & 0xFF,
                  (colour >> 16) & 0xFF);
    return buffer;
}

std::string TeeNameOfHint(const std::string& hint) {
    const size_t at = hint.find("Tee:");
    return at == std::string::npos ? std::string() : hint.substr(at + 4);
}

namespace {
class CardLines {
  public:
    void Line(const std::string& s) { out_ += s + "\n"; }
    void Element(const std::string& tag, const std::string& value) {
        Line("<" + tag + ">" + CardEscape(value) + "</" + tag + ">");
    }
    std::string Take() { return std::move(out_); }

  private:
    std::string out_;
};
} // namespace

std::string CourseCardText(const TCardGrid& g, const std::string& cardTitle, int roundHcp,
                           int playingHcp) {
    const int tees = ClampTees(g.tees);
    const int par = tees + 1;
    const int stroke = tees + 2;
    const auto text = [&](int r, int c) -> const std::string& { return g.cell[r][c].text; };
    CardLines out;
    out.Line("<?xml version=\"1.0\" encoding=\"ISO-8859-1\" ?>");
    out.Line("<?xml-stylesheet type=\"text/xsl\" href=\"coursescorecard.xsl\"?>");
    out.Line("<course>");
    out.Element("name", cardTitle);
    out.Element("title", cardTitle);
    out.Element("holecount", g.rows == 22 ? "18" : "9");
    out.Line("<holes-a>");
    for (int r = 0; r <= 8; ++r) {
        out.Line("<hole number=\"" + std::to_string(r + 1) + "\">");
        out.Element("par", text(r, par));
        out.Element("handicap", text(r, stroke));
        out.Line("</hole>");
    }
    out.Line("<tees>");
    for (int t = 1; t <= tees; ++t) {
        out.Line("<tee nbr=\"" + std::to_string(t) + "\">");
        out.Element("name", TeeNameOfHint(g.cell[0][t].hint));
        out.Element("color", CardColour(g.cell[0][t].colour));
        out.Element("totlen", text(9, t));
        for (int r = 0; r <= 8; ++r)
            out.Element("len", text(r, t));
        out.Line("</tee>");
    }
    out.Line("</tees>");
    out.Line("<details>");
    out.Element("par", text(9, par));
    out.Line("</details>");
    out.Line("</holes-a>");
    if (g.rows > 10) {
        out.Line("<holes-b>");
        for (int r = 10; r <= 18; ++r) {
            out.Line("<hole number=\"" + std::to_string(r) + "\">");
            out.Element("par", text(r, par));
            out.Line("<puts></puts>");
            out.Element("handicap", text(r, stroke));
            out.Line("</hole>");
        }
        out.Line("<tees>");
        for (int t = 1; t <= tees; ++t) {
            out.Line("<tee nbr=\"" + std::to_string(t) + "\">");
            out.Element("name", TeeNameOfHint(g.cell[10][t].hint));
            out.Element("color", CardColour(g.cell[0][t].colour));
            out.Element("totlen", text(19, t));
            out.Element("totlenboth", text(21, t));
            for (int r = 10; r <= 18; ++r)
                out.Element("len", text(r, t));
            out.Line("</tee>");
        }
        out.Line("</tees>");
        out.Line("<details>");
        out.Element("par", text(19, par));
        out.Line("</details>");
        out.Line("</holes-b>");
    }
    const int total = g.rows > 10 ? 21 : 9;
    out.Line("<totals>");
    out.Element("par", text(total, par));
    out.Element("totlen", text(total, 1));
    out.Element("hcp", std::to_string(roundHcp));
    out.Element("net", std::to_string(static_cast<long long>(IntDef(text(total, 2), 0)) - playingHcp));
    out.Line("</totals>");
    out.Line("</course>");
    return out.Take();
}

bool WriteCourseCard(const std::string& path, const TCardGrid& grid, const std::string& cardTitle,
                     int roundHcp, int playingHcp) {
    return ReplaceFile(path, CourseCardText(grid, cardTitle, roundHcp, playingHcp), false);
}
