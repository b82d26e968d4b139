#include "UserDialogs.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>

void QtUserDialogs::information(QWidget* parent, const QString& title, const QString& text) {
    QMessageBox::information(parent, title, text, QMessageBox::Ok);
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

namespace {
std::optional<QString> ask(QWidget* parent, const FileQuestion& q, QFileDialog::AcceptMode mode) {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptSave ? QFileDialog::AnyFile
                                                       : QFileDialog::ExistingFile);
    const QStringList filters = QtUserDialogs::nameFilters(q.filter);
    dialog.setNameFilters(filters);
    if (q.selectedFilter >= 1 && q.selectedFilter <= filters.size()) {
        dialog.selectNameFilter(filters.at(q.selectedFilter - 1));
    }
    QString extension = q.defaultExtension;
    if (extension.startsWith(QLatin1Char('.'))) {
        extension.remove(0, 1);
    }
    dialog.setDefaultSuffix(extension);
    if (!q.initialFileName.isEmpty()) {
        dialog.selectFile(q.initialFileName);
    }
    dialog.setOption(QFileDialog::ReadOnly, false);
    // A file the user names to save over is replaced without asking, as the panel always did.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().constFirst();
}
} // namespace

std::optional<QString> QtUserDialogs::saveFileName(QWidget* parent, const FileQuestion& q) {
    return ask(parent, q, QFileDialog::AcceptSave);
}

std::optional<QString> QtUserDialogs::openFileName(QWidget* parent, const FileQuestion& q) {
    return ask(parent, q, QFileDialog::AcceptOpen);
}
