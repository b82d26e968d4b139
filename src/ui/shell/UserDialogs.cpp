#include "UserDialogs.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>

void QtUserDialogs::information(QWidget* parent, const QString& title, const QString& text) {
    QMessageBox::information(parent, title, text, QMessageBox::Ok);
}

// No is the default: Enter held down from the last command does not destroy anything.
bool QtUserDialogs::question(QWidget* parent, const QString& title, const QString& text) {
    return QMessageBox::question(parent, title, text, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

QStringList QtUserDialogs::nameFilters(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i];
        QString pattern = parts[i + 1];
        // "*.*" means every file to the filter's authors; here it would hide names without a
        // dot. The dialog takes its patterns from the parentheses, so they must say "*" too.
        if (pattern == QLatin1String("*.*")) {
            pattern = QStringLiteral("*");
            description.replace(QStringLiteral("(*.*)"), QStringLiteral("(*)"));
        }
        // The description usually names its pattern already; add it only when it does not.
        filters << (description.contains(pattern)
                        ? description
                        : description + QStringLiteral(" (") + pattern + QLatin1Char(')'));
    }
    return filters;
}

QString FileQuestion::savePath(const FileAnswer& answer) const {
    if (!QFileInfo(answer.path).suffix().isEmpty()) {
        return answer.path;
    }
    const QString pattern = answer.chosenFilter >= 1
                                ? filter.split(QLatin1Char('|')).value(2 * answer.chosenFilter - 1)
                                : QString();
    QString suffix = pattern.startsWith(QLatin1String("*.")) ? pattern.mid(2) : QString();
    if (suffix.isEmpty() || suffix.contains(QLatin1Char('*'))) {
        suffix = defaultExtension.startsWith(QLatin1Char('.')) ? defaultExtension.mid(1)
                                                               : defaultExtension;
    }
    return suffix.isEmpty() ? answer.path : answer.path + QLatin1Char('.') + suffix;
}

namespace {
// The dialog adds no suffix of its own: it would add the default one whatever filter the user
// chose, so the question's savePath() decides once it knows the filter.
std::optional<FileAnswer> ask(QWidget* parent, const FileQuestion& q,
                              QFileDialog::AcceptMode mode) {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptSave ? QFileDialog::AnyFile
                                                       : QFileDialog::ExistingFile);
    const QStringList filters = QtUserDialogs::nameFilters(q.filter);
    dialog.setNameFilters(filters);
    if (q.selectedFilter >= 1 && q.selectedFilter <= filters.size()) {
        dialog.selectNameFilter(filters.at(q.selectedFilter - 1));
    }
    if (!q.folder.isEmpty()) {
        dialog.setDirectory(q.folder);
    }
    if (!q.initialFileName.isEmpty()) {
        dialog.selectFile(q.initialFileName);
    }
    dialog.setOption(QFileDialog::ReadOnly, false);
    // The panel asks before replacing a file itself, once it knows the suffix the name takes.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return FileAnswer{dialog.selectedFiles().constFirst(),
                      int(filters.indexOf(dialog.selectedNameFilter())) + 1};
}
} // namespace

std::optional<FileAnswer> QtUserDialogs::saveFileName(QWidget* parent, const FileQuestion& q) {
    return ask(parent, q, QFileDialog::AcceptSave);
}

std::optional<QString> QtUserDialogs::openFileName(QWidget* parent, const FileQuestion& q) {
    const std::optional<FileAnswer> answer = ask(parent, q, QFileDialog::AcceptOpen);
    return answer ? std::optional(answer->path) : std::nullopt;
}

bool QtUserDialogs::restoreRecovery(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Question, QStringLiteral("Program"), text, QMessageBox::NoButton,
                    parent);
    QPushButton* restore = box.addButton(QObject::tr("Restore"), QMessageBox::AcceptRole);
    box.addButton(QObject::tr("Discard"), QMessageBox::DestructiveRole);
    box.setDefaultButton(restore);
    box.exec();
    return box.clickedButton() == restore;
}
