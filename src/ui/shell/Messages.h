#pragma once

#include <QString>

class QStatusBar;
class QWidget;
class UserDialogs;

// What the controllers tell the user: a message over the window, a note on its status bar, and
// the window to put a dialog over.
class Messages {
public:
    Messages(UserDialogs& dialogs, QWidget& window, QStatusBar& statusBar);

    static inline const QString kProgramTitle = QStringLiteral("Program");

    // A modal information message with one OK button.
    void inform(const QString& text, const QString& title = kProgramTitle);
    void showStatus(const QString& text, int shownMs);
    // A yes/no question; true for yes.
    bool ask(const QString& text, const QString& title = kProgramTitle);

    UserDialogs& dialogs() { return m_dialogs; }
    QWidget& window() { return m_window; }

private:
    UserDialogs& m_dialogs;
    QWidget& m_window;
    QStatusBar& m_statusBar;
};
