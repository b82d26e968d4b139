#pragma once

#include <QCoreApplication>

class QGroupBox;
class QPushButton;
class QWidget;

// "Buffer Editing": walking the list and changing it.
struct BufferEditFrame {
    Q_DECLARE_TR_FUNCTIONS(BufferEditFrame)

public:
    QGroupBox* frame = nullptr;               // FrameBuffEdit
    QPushButton* previousButton = nullptr;    // CommandDwn, "<---"
    QPushButton* interpolateButton = nullptr; // CommandInterpolate
    QPushButton* nextButton = nullptr;        // CommandUp, "--->"
    QPushButton* clearButton = nullptr;       // CommandClear, "Clear All"
    QPushButton* replaceButton = nullptr;     // CommandReplace
    QPushButton* removeButton = nullptr;      // CommandRem
    QPushButton* addButton = nullptr;         // CommandAdd

    static BufferEditFrame build(QWidget* parent);
};
