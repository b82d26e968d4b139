#include "Messages.h"

#include "UserDialogs.h"

#include <QStatusBar>

Messages::Messages(UserDialogs& dialogs, QWidget& window, QStatusBar& statusBar)
    : m_dialogs(dialogs), m_window(window), m_statusBar(statusBar) {
}

void Messages::inform(const QString& text, const QString& title) {
    m_dialogs.information(&m_window, title, text);
}

bool Messages::ask(const QString& text, const QString& title) {
    return m_dialogs.question(&m_window, title, text);
}

void Messages::showStatus(const QString& text, int shownMs) {
    m_statusBar.showMessage(text, shownMs);
}
