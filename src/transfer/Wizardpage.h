#pragma once
// What the wizard pages share: nested modal runs that survive hiding the
// page, the white header band, the button row and the step to the next page
// (hide, place, show modally, come back on "< Back").
#include <QDialog>
#include <QString>

class QBoxLayout;
class QPixmap;
class QSize;
class QFrame;
class QLabel;
class QPushButton;
class QRadioButton;

// The wizard's own pictures, drawn by the program: the tall side pictures of
// the welcome, bag and query pages and the small one of the header panels.
enum class TWizardArt { Welcome, Bags, Query, Header };
QPixmap WizardPicture(TWizardArt art, QSize size);

namespace wizard {
// Modal results of the pages.
constexpr int Finished = 1;
constexpr int Cancelled = 2;
constexpr int Back = 3;
}  // namespace wizard

class TWizardPage : public QDialog {
public:
    explicit TWizardPage(QWidget* owner = nullptr);

    // Shows the page modally until done() is called; hiding the page (while a
    // later page is shown) does not end the run. FormShow runs on every show.
    int exec() override;
    void done(int r) override;
    // The page's show handler.
    virtual void FormShow() {}
    // True while the page's modal run waits for the user (not while its show
    // handler works).
    bool InLoop() const { return inLoop_; }
    // Shows the page again (after "< Back" on a later page).
    void ShowAgain();

    // Shows next modally at this page's place, this page hidden (hideFirst).
    // "< Back" there brings this page back where next was left; any other
    // result closes this page too, so the wizard unwinds. Returns next's result.
    int OpenNext(QDialog* next, bool hideFirst = true);

protected:
    // The space between a page's content and its side edges.
    static constexpr int PageMargin = 12;
    static QFrame* HeaderPanel(QWidget* page, const QString& heading, const QString& line);
    // A page's bold heading (named "Heading"), and the white background of
    // header panels and white pages.
    static QLabel* HeadingLabel(QWidget* parent, const QString& text);
    static void WhiteBackground(QWidget* w);
    // A white page with its picture down the left side; returns the layout
    // for the page's own content, right of the picture.
    QBoxLayout* PictureSide(TWizardArt art);
    // "< Back" (result 3), the forward button and "Cancel" (result 2).
    void ButtonRow(QBoxLayout* layout, QPushButton*& back, QPushButton*& next,
                   QPushButton*& cancel, const QString& nextCaption = "Next >");
    QRadioButton* Choice(QBoxLayout* layout, const char* name, const QString& text);

private:
    void ShowHandler();
    bool closed_ = false;
    bool inLoop_ = false;
};
