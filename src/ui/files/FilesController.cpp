#include "FilesController.h"

#include "core/sequence/SequenceFile.h"
#include "ui/panel/Panel.h"
#include "ui/sequence/SequenceController.h"
#include "ui/sequence/SequenceHistory.h"
#include "ui/shell/Form1.h"
#include "ui/shell/UserDialogs.h"

#include <QAction>

FilesController::FilesController(Form1& form) : m_form(form) {
    QObject::connect(form.menus().saveBufferAction, &QAction::triggered, &form,
                     [this] { SaveBuffer_Click(); });
    QObject::connect(form.menus().loadBufferAction, &QAction::triggered, &form,
                     [this] { LoadBuffer_Click(); });
}

void FilesController::SaveBuffer_Click() {
    if (!m_form.panel().permits(interlock::Command::Save)) {
        return;
    }
    ++m_saveCount;
    {
        // What the save clears can be had back; the file it writes is not undone.
        const auto step = m_form.panel().history().step(QObject::tr("Reset  All Break"));
        m_form.sequence->ResetBreakPoints();
    }

    FileQuestion question;
    question.filter = sequencefile::kFilter;
    question.selectedFilter = sequencefile::kSelectedFilter;
    question.defaultExtension = sequencefile::kSaveDefaultExtension;
    question.initialFileName = sequencefile::proposedName(m_saveCount);
    const std::optional<FileAnswer> answer = m_form.dialogs.saveFileName(&m_form, question);
    if (!answer) {
        return;
    }

    const sequencefile::SaveResult saved = sequencefile::save(
        question.savePath(*answer), m_form.panel().editor().table(), m_form.panel().list().count());
    if (!saved.ok) {
        m_form.inform(saved.error, sequencefile::kSaveTitle);
        return;
    }
    m_form.inform(sequencefile::kSavedText, sequencefile::kSaveTitle);
}

void FilesController::LoadBuffer_Click() {
    if (!m_form.panel().permits(interlock::Command::Load)) {
        return;
    }
    const auto step = m_form.panel().history().step(QObject::tr("Load Buffer"));
    m_form.sequence->ResetBreakPoints();

    FileQuestion question;
    question.filter = sequencefile::kFilter;
    question.selectedFilter = sequencefile::kSelectedFilter;
    question.hideReadOnly = sequencefile::kLoadHideReadOnly;
    const std::optional<QString> path = m_form.dialogs.openFileName(&m_form, question);
    if (!path) {
        return;
    }

    // The file is read whole before the list is touched: a file that cannot be read leaves
    // the sequence the user had.
    const sequencefile::LoadResult loaded =
        sequencefile::load(*path, m_form.panel().list().locale());
    if (!loaded.readable) {
        m_form.inform(loaded.error, sequencefile::kLoadTitle);
        return;
    }
    if (m_form.panel().editor().replaceAll(loaded.lines) != EditOutcome::Done) {
        m_form.inform(
            QStringLiteral("The steps of \"%1\" could not be put in the list.").arg(*path),
            sequencefile::kLoadTitle);
        return;
    }
    const QString stopped = loaded.stopMessage();
    if (!stopped.isEmpty()) {
        m_form.inform(stopped, sequencefile::kLoadTitle);
    }
    m_form.inform(sequencefile::kLoadedText, sequencefile::kLoadTitle);
}
