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

    void information(QWidget* parent, const QString& title, const QString& text) override;
    std::optional<QString> saveFileName(QWidget* parent, const FileQuestion& q) override;
    std::optional<QString> openFileName(QWidget* parent, const FileQuestion& q) override;

    QStringList texts() const;

    QList<Message> messages;
    // Taken front first, for save and open alike; an empty queue answers as a cancel.
    QList<std::optional<QString>> fileAnswers;
    QList<FileQuestion> questions;
    // Runs while the message is "shown", for tests that act inside a modal message.
    std::function<void(const Message&)> onInformation;

private:
    std::optional<QString> answer(const FileQuestion& q);
};
