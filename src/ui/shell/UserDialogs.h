#pragma once

#include <QString>

#include <optional>

class QWidget;

// What the user answered to a file question.
struct FileAnswer {
    QString path;         // as the user typed it: a name without a suffix is given none
    int chosenFilter = 1; // the filter shown when the user accepted, counted from 1
};

// Settings of a file question; the filter uses "Description|pattern|..." pairs.
struct FileQuestion {
    QString filter;
    int selectedFilter = 1;
    QString defaultExtension;
    QString initialFileName;
    bool hideReadOnly = false;
    QString folder; // where the dialog opens; empty for its own choice

    // The file a save answer names: a name typed without a suffix takes the one of the chosen
    // filter, or the default extension when that filter stands for every file.
    QString savePath(const FileAnswer& answer) const;
};

// Every question the panel puts to the user goes through here, so that tests answer them
// without a person and no test ever blocks.
class UserDialogs {
public:
    virtual ~UserDialogs() = default;
    // An information message with one OK button; returns when it is dismissed.
    virtual void information(QWidget* parent, const QString& title, const QString& text) = 0;
    // A yes/no question before something that cannot be taken back; true for yes.
    virtual bool question(QWidget* parent, const QString& title, const QString& text) = 0;
    // The answer, or nullopt when the user cancels.
    virtual std::optional<FileAnswer> saveFileName(QWidget* parent, const FileQuestion& q) = 0;
    virtual std::optional<QString> openFileName(QWidget* parent, const FileQuestion& q) = 0;
    // Steps a panel left unsaved: true to Restore them, false to Discard them. Discards unless
    // a front end asks.
    virtual bool restoreRecovery(QWidget* parent, const QString& text) {
        (void)parent;
        (void)text;
        return false;
    }
};

// The real dialogs.
class QtUserDialogs : public UserDialogs {
public:
    void information(QWidget* parent, const QString& title, const QString& text) override;
    bool question(QWidget* parent, const QString& title, const QString& text) override;
    std::optional<FileAnswer> saveFileName(QWidget* parent, const FileQuestion& q) override;
    std::optional<QString> openFileName(QWidget* parent, const FileQuestion& q) override;
    bool restoreRecovery(QWidget* parent, const QString& text) override;

    // "Data Files (*.dat)|*.dat|..." as the file dialog's name filters.
    static QStringList nameFilters(const QString& filter);
};
