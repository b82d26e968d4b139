#pragma once

#include <QObject>

class Messages;
class Panel;
class QLabel;
struct Menus;

// Edit's commands on the selected lines: the clipboard (in the sequence file's own text, so an
// editor or a spreadsheet can take the lines and give them back), Duplicate, and moving the
// lines up or down. Each is one undo step.
class ComposeController : public QObject {
    Q_OBJECT
public:
    ComposeController(Panel& panel, Messages& messages, const Menus& menus, QLabel& stepLabel);

    void cut();
    void copy();
    // After the current line (at the top when none); what went in is selected. A line that
    // cannot be read is named and nothing goes in; so is a paste that would pass the limit.
    void paste();
    void duplicate();
    // by -1 up, 1 down.
    void moveLines(int by);

private:
    void showSelectedInLabel();

    Panel& m_panel;
    Messages& m_messages;
    QLabel& m_stepLabel;
};
