#pragma once

#include "core/StepRecord.h"
#include "core/sequence/SequenceEditor.h"
#include "core/sequence/SequenceList.h"

#include <QString>

// The sequence a command works on: a file read with the panel's loader into the panel's list
// and step table, so the command line accepts what the window accepts.
class CliSequence {
public:
    CliSequence();

    // Empty when the file was read whole; otherwise what to tell the user, naming the line.
    QString load(const QString& path);
    // Set when the file held more lines than the list takes: the first kMaxLines were read.
    bool cutAtLimit() const { return m_cutAtLimit; }

    SequenceEditor& editor() { return m_editor; }
    SequenceList& list() { return m_list; }
    int count() const { return m_list.count(); }
    const SequenceTable& table() const { return m_editor.table(); }
    const StepRecord& step(int index) const { return m_editor.step(index); }

private:
    SequenceList m_list;
    SequenceEditor m_editor;
    bool m_cutAtLimit = false;
};
