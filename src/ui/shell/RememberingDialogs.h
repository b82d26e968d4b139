#pragma once

#include "ui/shell/UserDialogs.h"

// Opens each file dialog in the folder of the file last named in one, kept in the settings
// between runs; every other question is passed on as it is.
class RememberingDialogs : public UserDialogs {
public:
    explicit RememberingDialogs(UserDialogs& dialogs) : m_dialogs(dialogs) {}

    static inline const QString kFolderKey = QStringLiteral("files/lastFolder");

    void information(QWidget* parent, const QString& title, const QString& text) override {
        m_dialogs.information(parent, title, text);
    }
    bool question(QWidget* parent, const QString& title, const QString& text) override {
        return m_dialogs.question(parent, title, text);
    }
    std::optional<FileAnswer> saveFileName(QWidget* parent, const FileQuestion& q) override;
    std::optional<QString> openFileName(QWidget* parent, const FileQuestion& q) override;
    bool restoreRecovery(QWidget* parent, const QString& text) override {
        return m_dialogs.restoreRecovery(parent, text);
    }

private:
    FileQuestion inLastFolder(const FileQuestion& q) const;
    void keepFolderOf(const QString& path);

    UserDialogs& m_dialogs;
};
