#include "ScriptedDialogs.h"

void ScriptedDialogs::information(QWidget*, const QString& title, const QString& text) {
    messages.append({title, text});
    if (onInformation) {
        onInformation(messages.constLast());
    }
}

std::optional<QString> ScriptedDialogs::saveFileName(QWidget*, const FileQuestion& q) {
    return answer(q);
}

std::optional<QString> ScriptedDialogs::openFileName(QWidget*, const FileQuestion& q) {
    return answer(q);
}

std::optional<QString> ScriptedDialogs::answer(const FileQuestion& q) {
    questions.append(q);
    if (fileAnswers.isEmpty()) {
        return std::nullopt;
    }
    return fileAnswers.takeFirst();
}

QStringList ScriptedDialogs::texts() const {
    QStringList all;
    for (const Message& m : messages) {
        all << m.text;
    }
    return all;
}
