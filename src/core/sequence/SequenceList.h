#pragma once

#include "core/StepRecord.h"
#include "core/sequence/StepLine.h"

#include <QAbstractListModel>
#include <QLocale>
#include <QString>
#include <QStringList>

#include <vector>

// The step list: at most kMaxLines text lines and the one selected line (-1 for none). A view
// shows it directly; every edit keeps the selection on the same line the way a list box does.
// Each line is read once when it enters, so a line that cannot be read never gets in and the
// step table can be refreshed without reading the texts again.
class SequenceList : public QAbstractListModel {
    Q_OBJECT

public:
    explicit SequenceList(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    int count() const { return static_cast<int>(m_lines.size()); }
    bool isFull() const { return count() >= kMaxLines; }
    QString line(int index) const;
    QStringList lines() const;
    // ParseStepLine of the line at index, which is always readable.
    const stepline::StepValues& values(int index) const;
    bool hasBreakMark(int index) const;
    bool isReadable(const QString& text) const;
    const QLocale& locale() const { return m_locale; }

    // Each returns false and changes nothing when the index is out of range, the list would
    // exceed kMaxLines, or a text cannot be read.
    bool insertLine(int index, const QString& text);
    bool removeLine(int index);
    bool setLine(int index, const QString& text);
    bool moveLine(int from, int to);
    // Replaces the line at index by a block of lines; the selection moves as if the block had
    // been inserted after the line and the line then deleted.
    bool replaceLine(int index, const QStringList& texts);
    bool setLines(const QStringList& texts);
    void clear();

    int selectedIndex() const { return m_selected; }
    // Accepts -1 and 0..count() - 1 only.
    bool setSelectedIndex(int index);

signals:
    void selectedIndexChanged(int index);

private:
    struct Line {
        QString text;
        stepline::StepValues values;
        bool marked = false;
    };

    bool read(const QString& text, Line& line) const;
    void changeSelection(int index);

    std::vector<Line> m_lines;
    int m_selected = -1;
    QLocale m_locale;
};
