#pragma once
#include <string>
#include <vector>

// Text between our UTF-8 strings and the web documents, which are declared
// ISO-8859-15.
//
// XmlValue: a value for element content: "&", "<" and ">" as entities, each
// character ISO-8859-15 has as its byte, any other as a character reference
// ("&#8364;" is never needed: the euro sign is 0xA4). Control characters other
// than tab, line feed and carriage return cannot stand in XML and are left out;
// bytes that are not UTF-8 are taken as Latin-1.
std::string XmlValue(const std::string& utf8);
// XmlText: the reverse for a value read from a reply: ISO-8859-15 bytes to
// UTF-8, the five named entities and numeric references to their characters.
// An entity that is not one of those stays as written. What XmlValue leaves
// out is dropped, and so is a carriage return.
std::string XmlText(const std::string& iso);

// Numbers as the documents write them, with "." whatever the locale.
std::string FixedText(double v);   // "%f": six decimals
std::string RatingText(double v);  // shortest form of at most 15 significant digits
// A Windows colour (red in the low byte) as six upper-case hex digits, red first.
std::string ColourText(int colour);

// A request document, one element per line. Values are escaped as they are
// written; the body ends every line with the chosen line end.
class TRequestDocument {
public:
    // A line of markup as it stands.
    void Raw(const std::string& line);
    // tabs tabs, then <tag>value</tag>, the value escaped.
    void Text(int tabs, const std::string& tag, const std::string& value);
    void Int(int tabs, const std::string& tag, long long value);
    // Empty element when the value is 0 / 0.0 / "".
    void IntOrEmpty(int tabs, const std::string& tag, long long value);
    void Fixed(int tabs, const std::string& tag, double value);
    void FixedOrEmpty(int tabs, const std::string& tag, double value);
    void RatingOrEmpty(int tabs, const std::string& tag, double value);
    void ColourOrEmpty(int tabs, const std::string& tag, int colour);
    void Element(int tabs, const std::string& tag, const std::string& escapedValue);

    // Lines ended by "\r\n"; a line break inside a value (a memo) becomes a
    // line end of its own, as when the file is read back and rewritten.
    std::string Crlf() const;
    // Lines ended by "\n" as written.
    std::string Lf() const;

private:
    std::vector<std::string> lines_;
};

// Writes a request file into the data folder, readable by its owner only, and
// deletes it when the object ends, on every way out. Throws std::runtime_error
// when the file cannot be written or read back. The file is read back through
// its own open description, and removed only while the name is still its own:
// another program's request of the same name is neither read nor removed.
class TRequestFile {
public:
    TRequestFile(const std::string& name, const std::string& body);
    ~TRequestFile();
    TRequestFile(const TRequestFile&) = delete;
    TRequestFile& operator=(const TRequestFile&) = delete;
    const std::string& Path() const { return path_; }
    // The file's bytes as read back, the body that is posted.
    std::string Read() const;

private:
    void Remove();
    std::string path_;
    int fd_ = -1;
};

// Request files ("test.xml", "transfer.xml", "transfer1.xml", ...) may hold
// the password: a program that was killed during a request leaves them. The
// start removes them.
bool IsRequestFileName(const std::string& name);
void RemoveLeftoverRequestFiles();
