#pragma once

#include "ui/shell/UserDialogs.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// Answers the panel's questions from a script prepared by the test, and records them.
class ScriptedDialogs : public UserDialogs {
public:
    struct Message {
        QString title;
        QString text;
    };
    // A path, or nullopt for a cancel; a save answer also names the filter the user chose
    // (0: the one the question selected).
    struct Answer {
        Answer(std::nullopt_t) {}
        Answer(std::optional<QString> p, int filter = 0)
            : path(std::move(p)), chosenFilter(filter) {}
        Answer(const QString& p, int filter = 0) : path(p), chosenFilter(filter) {}
        std::optional<QString> path;
        int chosenFilter = 0;
    };

    void information(QWidget* parent, const QString& title, const QString& text) override;
    bool question(QWidget* parent, const QString& title, const QString& text) override;
    std::optional<FileAnswer> saveFileName(QWidget* parent, const FileQuestion& q) override;
    std::optional<QString> openFileName(QWidget* parent, const FileQuestion& q) override;
    bool restoreRecovery(QWidget* parent, const QString& text) override;

    QStringList texts() const;

    QList<Message> messages;
    // Taken front first, for save and open alike; an empty queue answers as a cancel.
    QList<Answer> fileAnswers;
    QList<FileQuestion> questions;
    // Yes/no questions asked, and their answers taken front first; an empty queue says yes.
    QStringList asked;
    QList<bool> yesNoAnswers;
    // Recovery offers: the texts asked, and the answers taken front first (true: Restore); an
    // empty queue answers Discard.
    QStringList recoveryTexts;
    QList<bool> recoveryAnswers;
    // Runs while the message is "shown", for tests that act inside a modal message.
    std::function<void(const Message&)> onInformation;

private:
    Answer answer(const FileQuestion& q);
};
