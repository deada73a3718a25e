#include "common/Printform.h"

#include <QAbstractTextDocumentLayout>
#include <QDate>
#include <QHBoxLayout>
#include <QLocale>
#include <QPainter>
#include <QPalette>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QTextBrowser>
#include <QTextDocument>
#include <QVBoxLayout>
#include <filesystem>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxslt/security.h>
#include <libxslt/transform.h>
#include <libxslt/xslt.h>
#include <libxslt/xsltInternals.h>
#include <libxslt/xsltutils.h>
#include <memory>

#include "platform/Datafolder.h"
#include "platform/Messagebox.h"
#include "platform/Registry.h"

TPrintingForm* PrintingForm = nullptr;

namespace {
const char* const MainKey = "Software\\Microsoft\\Internet Explorer\\Main";
const char* const PageSetupKey = "Software\\Microsoft\\Internet Explorer\\PageSetup";

std::string g_xmlErrors;

void CollectError(void*, const char* format, ...) {
    char buffer[512];
    va_list args;
    va_start(args, format);
    vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (g_xmlErrors.size() < 2000) g_xmlErrors += buffer;
}

void CollectStructuredError(void*, xmlErrorPtr error) {
    if (error && error->message && g_xmlErrors.size() < 2000) {
        if (error->line > 0) g_xmlErrors += "line " + std::to_string(error->line) + ": ";
        g_xmlErrors += error->message;
    }
}

struct XmlDocFree {
    void operator()(xmlDocPtr d) const { xmlFreeDoc(d); }
};
struct StylesheetFree {
    void operator()(xsltStylesheetPtr s) const { xsltFreeStylesheet(s); }
};
struct SecurityFree {
    void operator()(xsltSecurityPrefsPtr p) const { xsltFreeSecurityPrefs(p); }
};

// href of the document's xml-stylesheet instruction, "" when there is none.
std::string StylesheetHref(xmlDocPtr doc) {
    for (xmlNodePtr n = doc->children; n; n = n->next) {
        if (n->type != XML_PI_NODE || xmlStrcmp(n->name, BAD_CAST "xml-stylesheet") != 0) continue;
        const std::string content = n->content ? reinterpret_cast<const char*>(n->content) : "";
        const size_t at = content.find("href=");
        if (at == std::string::npos || at + 5 >= content.size()) continue;
        const char quote = content[at + 5];
        if (quote != '"' && quote != '\'') continue;
        const size_t end = content.find(quote, at + 6);
        if (end == std::string::npos) continue;
        return content.substr(at + 6, end - at - 6);
    }
    return "";
}

// Paper: black text on white, whatever the desktop's colours.
QPalette PaperPalette() {
    return QPalette(Qt::white);
}

std::string EscapeHtml(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}
} // namespace

std::string TransformCardFile(const std::string& xmlPath, std::string* error) {
    namespace fs = std::filesystem;
    static const bool initialised = [] {
        xmlInitParser();
        return true;
    }();
    (void)initialised;
    g_xmlErrors.clear();
    xmlSetGenericErrorFunc(nullptr, CollectError);
    xmlSetStructuredErrorFunc(nullptr, CollectStructuredError);
    xsltSetGenericErrorFunc(nullptr, CollectError);
    struct RestoreHandlers {
        ~RestoreHandlers() {
            xmlSetGenericErrorFunc(nullptr, nullptr);
            xmlSetStructuredErrorFunc(nullptr, nullptr);
            xsltSetGenericErrorFunc(nullptr, nullptr);
        }
    } restore;
    const auto fail = [&](const std::string& what) {
        if (error) *error = g_xmlErrors.empty() ? what : what + "\n" + g_xmlErrors;
        return std::string();
    };

    std::error_code ec;
    // Only regular files are read: a named pipe or a device of the name
    // would hold the reader, or never end.
    if (!fs::is_regular_file(xmlPath, ec)) return fail("The file " + xmlPath + " was not found.");
    std::unique_ptr<xmlDoc, XmlDocFree> doc(
        xmlReadFile(xmlPath.c_str(), nullptr, XML_PARSE_NONET));
    if (!doc) return fail("The file " + xmlPath + " is not a readable card.");

    // Only a plain file name is taken from the instruction.
    std::string href = fs::path(StylesheetHref(doc.get())).filename().string();
    if (href.empty() || href == "." || href == "..")
        return fail("The file " + xmlPath + " names no stylesheet.");
    std::string sheetPath = (fs::path(xmlPath).parent_path() / href).string();
    if (!fs::is_regular_file(sheetPath, ec)) sheetPath = ResourcePath(href);
    if (!fs::is_regular_file(sheetPath, ec)) return fail("The stylesheet " + href + " was not found.");

    std::unique_ptr<xsltStylesheet, StylesheetFree> sheet(
        xsltParseStylesheetFile(BAD_CAST sheetPath.c_str()));
    if (!sheet) return fail("The stylesheet " + sheetPath + " cannot be read.");

    // A stylesheet may read its own documents, nothing more.
    std::unique_ptr<xsltSecurityPrefs, SecurityFree> security(xsltNewSecurityPrefs());
    for (xsltSecurityOption option : {XSLT_SECPREF_WRITE_FILE, XSLT_SECPREF_CREATE_DIRECTORY,
                                      XSLT_SECPREF_READ_NETWORK, XSLT_SECPREF_WRITE_NETWORK})
        xsltSetSecurityPrefs(security.get(), option, xsltSecurityForbid);
    xsltTransformContextPtr context = xsltNewTransformContext(sheet.get(), doc.get());
    if (!context) return fail("The card cannot be transformed.");
    xsltSetCtxtSecurityPrefs(security.get(), context);
    std::unique_ptr<xmlDoc, XmlDocFree> result(
        xsltApplyStylesheetUser(sheet.get(), doc.get(), nullptr, nullptr, nullptr, context));
    xsltFreeTransformContext(context);
    if (!result) return fail("The card cannot be transformed.");

    xmlChar* bytes = nullptr;
    int length = 0;
    if (xsltSaveResultToString(&bytes, &length, result.get(), sheet.get()) != 0 || !bytes)
        return fail("The card cannot be transformed.");
    std::string html(reinterpret_cast<const char*>(bytes), static_cast<size_t>(length));
    xmlFree(bytes);
    return html;
}

TPrintingForm::TPrintingForm(QWidget* owner) : QDialog(owner) {
    setObjectName("PrintingForm");
    setWindowTitle("Print preview");
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    PrintWebBrowser = new QTextBrowser(this);
    PrintWebBrowser->setObjectName("PrintWebBrowser");
    PrintWebBrowser->setOpenLinks(false);
    PrintWebBrowser->setMinimumSize(796, 497);
    // Only the page is paper: the scroll bars keep the desktop's colours.
    QPalette page;
    for (QPalette::ColorRole role : {QPalette::Base, QPalette::Text, QPalette::Link})
        page.setBrush(role, PaperPalette().brush(role));
    PrintWebBrowser->setPalette(page);
    PrintButton = new QPushButton("Print", this);
    PrintButton->setObjectName("PrintButton");
    CancelButton = new QPushButton("Cancel", this);
    CancelButton->setObjectName("CancelButton");
    connect(PrintButton, &QPushButton::clicked, this, [this] { PrintButtonClick(); });
    connect(CancelButton, &QPushButton::clicked, this, [this] { CancelButtonClick(); });
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 8);
    layout->addWidget(PrintWebBrowser, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(PrintButton);
    buttons->addWidget(CancelButton);
    buttons->addSpacing(8);
    layout->addLayout(buttons);
    resize(796, 545);
    ChoosePrinter = [this](QPrinter& printer) {
        QPrintDialog dialog(&printer, this);
        return dialog.exec() == QDialog::Accepted;
    };
}

TPrintingForm::~TPrintingForm() {
    if (PrintingForm == this) PrintingForm = nullptr;
}

std::string TPrintingForm::CardFile() const {
    return ProgramFolder + (PrintMode == 0 ? "coursescorecard.xml" : "scorecard.xml");
}

void TPrintingForm::showEvent(QShowEvent* e) {
    FormShow();
    QDialog::showEvent(e);
}

void TPrintingForm::FormShow() {
    RegWriteString(RegRoot::CurrentUser, MainKey, "Print_Background", "yes");
    RegWriteString(RegRoot::CurrentUser, PageSetupKey, "footer", "&d");
    RegWriteString(RegRoot::CurrentUser, PageSetupKey, "header", "");
    // The card writers and this window share the data folder.
    ProgramFolder = DataFolder() + "/";
    std::string error;
    const std::string html = TransformCardFile(CardFile(), &error);
    if (html.empty()) {
        PrintWebBrowser->setHtml(QString::fromStdString(
            "<h3>The card cannot be displayed</h3><p>" + EscapeHtml(error) + "</p>"));
    } else {
        PrintWebBrowser->setHtml(QString::fromUtf8(html.data(), static_cast<qsizetype>(html.size())));
    }
}

void TPrintingForm::WriteBackPageSetup() {
    RegWriteString(RegRoot::CurrentUser, MainKey, "Print_Background", "no");
    RegWriteString(RegRoot::CurrentUser, PageSetupKey, "footer", "&u&b&d");
    RegWriteString(RegRoot::CurrentUser, PageSetupKey, "header", "&w&bPage &p of &P");
}

bool TPrintingForm::PrintTo(QPrinter& printer) {
    std::unique_ptr<QTextDocument> doc(PrintWebBrowser->document()->clone());
    QPainter painter;
    if (!painter.begin(&printer)) return false;
    const QRectF paper = printer.pageLayout().paintRectPixels(printer.resolution());
    doc->documentLayout()->setPaintDevice(&printer);
    QFont footerFont = doc->defaultFont();
    painter.setFont(QFont(footerFont, &printer));
    const qreal footerHeight = painter.fontMetrics().height() * 2.0;
    const QSizeF body(paper.width(), paper.height() - footerHeight);
    doc->setPageSize(body);
    const QString footer = QLocale().toString(QDate::currentDate(), QLocale::ShortFormat);
    const int pages = std::max(1, doc->pageCount());
    bool paged = true;
    for (int page = 0; page < pages; ++page) {
        if (page > 0 && !printer.newPage()) {
            paged = false;
            break;
        }
        painter.save();
        painter.translate(0, -page * body.height());
        const QRectF visible(0, page * body.height(), body.width(), body.height());
        painter.setClipRect(visible);
        QAbstractTextDocumentLayout::PaintContext context;
        context.clip = visible;
        context.palette = PaperPalette();
        doc->documentLayout()->draw(&painter, context);
        painter.restore();
        painter.drawText(QRectF(0, body.height(), body.width(), footerHeight),
                         Qt::AlignLeft | Qt::AlignVCenter, footer);
    }
    const bool ended = painter.end();
    return paged && ended && printer.printerState() != QPrinter::Error &&
           printer.printerState() != QPrinter::Aborted;
}

void TPrintingForm::PrintButtonClick() {
    QPrinter printer(QPrinter::HighResolution);
    if (ChoosePrinter && ChoosePrinter(printer) && !PrintTo(printer)) {
        // The card stays on the screen for another try.
        const std::string where = printer.outputFileName().isEmpty()
            ? "The printer " + printer.printerName().toStdString() + " did not take it."
            : "The file " + printer.outputFileName().toStdString() + " cannot be written.";
        MessageBox("The card was not printed.\n" + where, "Error", MB_OK, MB_ICONERROR);
        return;
    }
    WriteBackPageSetup();
    close();
}

void TPrintingForm::CancelButtonClick() {
    WriteBackPageSetup();
    close();
}

// Every way of closing comes here: the file of the current mode goes.
void TPrintingForm::done(int result) {
    FormClose();
    QDialog::done(result);
}

void TPrintingForm::FormClose() {
    if (ProgramFolder.empty()) return;
    std::error_code ec;
    std::filesystem::remove(CardFile(), ec);
}
