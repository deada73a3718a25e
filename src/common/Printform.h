#pragma once
#include <QDialog>
#include <functional>
#include <string>

class QPrinter;
class QPushButton;
class QTextBrowser;

// A print file rendered through the stylesheet its xml-stylesheet
// instruction names (looked for beside the file, then among the program's
// resources). On failure the result is empty and *error says why.
std::string TransformCardFile(const std::string& xmlPath, std::string* error);

// "Print preview": shows the card file of the current mode, prints it, and
// deletes that file when it closes.
class TPrintingForm : public QDialog {
public:
    explicit TPrintingForm(QWidget* owner = nullptr);
    ~TPrintingForm() override;

    int TeeCount = 0;
    int RowCount = 0;
    std::string CardTitle;
    int RoundHcp = 0;
    int PlayingHcp = 0;
    int PrintMode = 0;  // 0 course card, otherwise round card
    std::string ProgramFolder;

    // The card file of the current mode, in the data folder.
    std::string CardFile() const;
    // Prints the shown card: backgrounds, no header, the date as footer.
    // False when the printer (or its file) did not take the card.
    bool PrintTo(QPrinter& printer);
    void PrintButtonClick();
    void CancelButtonClick();

    // Asks the user for a printer; false when cancelled. Replaceable (tests).
    std::function<bool(QPrinter&)> ChoosePrinter;

    QTextBrowser* PrintWebBrowser;
    QPushButton* PrintButton;
    QPushButton* CancelButton;

    void done(int result) override;

protected:
    void showEvent(QShowEvent* e) override;

private:
    void FormShow();
    void FormClose();
    void WriteBackPageSetup();
};

extern TPrintingForm* PrintingForm;
