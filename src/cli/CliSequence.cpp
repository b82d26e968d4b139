#include "CliSequence.h"

#include "core/sequence/SequenceFile.h"

CliSequence::CliSequence() : m_editor(m_list) {
}

QString CliSequence::load(const QString& path) {
    const sequencefile::LoadResult loaded = sequencefile::load(path, m_list.locale());
    if (!loaded.readable) {
        return loaded.error;
    }
    // Half a sequence must not reach the board: a line that stops the loader stops the command.
    if (loaded.stopLine >= 0) {
        return QStringLiteral("%1: Loading stopped at line %2 of the file: %3. Nothing was sent "
                              "to the board.")
            .arg(path)
            .arg(loaded.stopLine + 1)
            .arg(sequencefile::stopReasonText(loaded.stopReason));
    }
    if (m_editor.replaceAll(loaded.lines) != EditOutcome::Done && !loaded.lines.isEmpty()) {
        return QStringLiteral("%1: the steps do not fit the list.").arg(path);
    }
    m_cutAtLimit = loaded.cutAtLimit;
    return {};
}
