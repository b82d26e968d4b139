#include "ScriptedDialogs.h"

void ScriptedDialogs::information(QWidget*, const QString& title, const QString& text) {
    messages.append({title, text});
    if (onInformation) {
        onInformation(messages.constLast());
    }
}

bool ScriptedDialogs::question(QWidget*, const QString&, const QString& text) {
    asked.append(text);
    return yesNoAnswers.isEmpty() || yesNoAnswers.takeFirst();
}

std::optional<FileAnswer> ScriptedDialogs::saveFileName(QWidget*, const FileQuestion& q) {
    const Answer a = answer(q);
    if (!a.path) {
        return std::nullopt;
    }
    return FileAnswer{*a.path, a.chosenFilter > 0 ? a.chosenFilter : q.selectedFilter};
}

std::optional<QString> ScriptedDialogs::openFileName(QWidget*, const FileQuestion& q) {
    return answer(q).path;
}

bool ScriptedDialogs::restoreRecovery(QWidget*, const QString& text) {
    recoveryTexts << text;
    return !recoveryAnswers.isEmpty() && recoveryAnswers.takeFirst();
}

ScriptedDialogs::Answer ScriptedDialogs::answer(const FileQuestion& q) {
    questions.append(q);
    return fileAnswers.isEmpty() ? Answer(std::nullopt) : fileAnswers.takeFirst();
}

QStringList ScriptedDialogs::texts() const {
    QStringList all;
    for (const Message& m : messages) {
        all << m.text;
    }
    return all;
}
