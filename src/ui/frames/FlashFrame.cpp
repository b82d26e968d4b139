#include "FlashFrame.h"

#include "FrameParts.h"

#include "ui/shell/SlideControl.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QPushButton>
#include <QSizePolicy>

using frameparts::makeButton;

FlashFrame FlashFrame::build(QWidget* parent) {
    FlashFrame f;
    f.frame = frameparts::makeFrame(tr("Flash Program"), QStringLiteral("FrameFlash"), parent);
    f.abortButton = makeButton(tr("Abort"), QStringLiteral("Command1"), f.frame);
    f.abortButton->setEnabled(false);
    f.eraseButton = makeButton(tr("Erease"), QStringLiteral("CommandErase"), f.frame);
    f.readButton = makeButton(tr("Read Seq."), QStringLiteral("CommandRead"), f.frame);
    f.programButton = makeButton(tr("Program  Seq."), QStringLiteral("CommandFlash"), f.frame);
    f.verifyButton = makeButton(tr("Verify Flash"), QStringLiteral("CommandVerify"), f.frame);
    f.progressBar =
        new SlideControl(SlideControl::Look::Progress, 0, tr("Flash Progress"), f.frame);
    f.progressBar->setObjectName(QStringLiteral("ProgressBarFlash"));
    // Shown only during a transfer; its place is kept, so no button shifts under the pointer.
    QSizePolicy keepPlace = f.progressBar->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    f.progressBar->setSizePolicy(keepPlace);
    f.progressBar->setVisible(false);
    auto* grid = new QGridLayout(f.frame);
    grid->addWidget(f.programButton, 0, 0);
    grid->addWidget(f.readButton, 0, 1);
    grid->addWidget(f.verifyButton, 0, 2);
    grid->addWidget(f.eraseButton, 1, 0);
    grid->addWidget(f.abortButton, 1, 1);
    grid->addWidget(f.progressBar, 2, 0, 1, 3);
    f.frame->setVisible(false);
    return f;
}
