#include "BufferEditFrame.h"

#include "FrameParts.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QPushButton>

using frameparts::makeButton;

BufferEditFrame BufferEditFrame::build(QWidget* parent) {
    BufferEditFrame f;
    f.frame = frameparts::makeFrame(tr("Buffer Editing"), QStringLiteral("FrameBuffEdit"), parent);
    f.previousButton = makeButton(QStringLiteral("<---"), QStringLiteral("CommandDwn"), f.frame);
    f.interpolateButton =
        makeButton(tr("Interpolate"), QStringLiteral("CommandInterpolate"), f.frame);
    f.nextButton = makeButton(QStringLiteral("--->"), QStringLiteral("CommandUp"), f.frame);
    f.clearButton = makeButton(tr("Clear All"), QStringLiteral("CommandClear"), f.frame);
    f.replaceButton = makeButton(tr("Replace"), QStringLiteral("CommandReplace"), f.frame);
    f.removeButton = makeButton(tr("Remove"), QStringLiteral("CommandRem"), f.frame);
    f.addButton = makeButton(tr("Add"), QStringLiteral("CommandAdd"), f.frame);
    f.previousButton->setAccessibleName(tr("Previous step"));
    f.nextButton->setAccessibleName(tr("Next step"));
    auto* grid = new QGridLayout(f.frame);
    grid->addWidget(f.previousButton, 0, 0);
    grid->addWidget(f.interpolateButton, 0, 1);
    grid->addWidget(f.nextButton, 0, 2);
    grid->addWidget(f.clearButton, 1, 0);
    grid->addWidget(f.replaceButton, 1, 1);
    grid->addWidget(f.removeButton, 1, 2);
    grid->addWidget(f.addButton, 2, 0, 1, 3);
    return f;
}
