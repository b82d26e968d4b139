#pragma once

#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>

class SequenceList;

// Steps on the clipboard as plain text in the sequence file's own format (thirteen
// TAB-terminated integers and CR LF a line), so a text editor or a spreadsheet can take them
// and give them back. Breakpoints are not carried.
namespace stepclipboard {

// The lines at rows, in the order given; rows outside the list are left out.
QString text(const SequenceList& list, const QList<int>& rows);

struct Reading {
    // Load-form list lines in clipboard order; empty when a line cannot be read.
    QStringList lines;
    // Names the line that cannot be read; empty when every line can.
    QString error;
};

// Reads with the sequence loader's rules, which take LF-only line ends, a last line without
// one and blank lines at the end. All lines or none: one that cannot be read is named.
// Reading stops after kMaxLines + 1 lines, as that many never fit the list.
Reading read(const QString& text, const QLocale& locale = QLocale());

// Whether pasting that many lines into a list of count lines would pass kMaxLines; the paste
// is then refused whole with kListFullMessage.
bool overflows(qsizetype pasted, int count);

} // namespace stepclipboard
