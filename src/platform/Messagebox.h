#pragma once
#include <exception>
#include <functional>
#include <string>

// Buttons and answers as the Windows message box had them.
enum MessageButtons { MB_OK = 0, MB_OKCANCEL = 1, MB_YESNOCANCEL = 3, MB_YESNO = 4 };
enum MessageIcon { MB_ICONNONE = 0, MB_ICONERROR = 0x10, MB_ICONQUESTION = 0x20,
                   MB_ICONWARNING = 0x30, MB_ICONINFORMATION = 0x40 };
enum MessageAnswer { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };

struct MessageRequest {
    std::string text;
    std::string caption;
    int buttons = MB_OK;
    int icon = MB_ICONNONE;
};

// Shows a modal message box and returns the answer (IDOK, IDYES, ...).
// With a responder installed, the responder answers instead and nothing is shown.
int MessageBox(const std::string& text, const std::string& caption, int buttons = MB_OK,
               int icon = MB_ICONNONE);
// A message box with the application title as caption and an OK button.
void ShowMessage(const std::string& text);
// An error caught where the user acted: its text with an OK button and the
// error icon.
void ShowErrorMessage(const std::exception& e, const std::string& caption = "Error");

using MessageResponder = std::function<int(const MessageRequest&)>;
// Installs a responder (tests); an empty function restores the real dialog.
void SetMessageResponder(MessageResponder responder);

// Runs before every message box, shown or answered by a responder (the
// start-up picture closes itself so that no message hides under it).
void SetBeforeMessageBox(std::function<void()> hook);
