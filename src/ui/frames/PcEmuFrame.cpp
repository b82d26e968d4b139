#include "PcEmuFrame.h"

#include "FrameParts.h"

#include "ui/shell/SwitchControl.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QPushButton>

using frameparts::makeButton;

PcEmuFrame PcEmuFrame::build(QWidget* parent) {
    PcEmuFrame f;
    f.frame = frameparts::makeFrame(tr("PC Sequence Emulator  (Varible Time Steps)"),
                                    QStringLiteral("FramePCEmu"), parent);
    f.repeatButton = makeButton(tr("Repeat"), QStringLiteral("CommandRepeat"), f.frame);
    f.continueButton = makeButton(tr("Continue"), QStringLiteral("CommandContinue"), f.frame);
    f.resetBreaksButton =
        makeButton(tr("Reset  All Break"), QStringLiteral("CommandResBrk"), f.frame);
    f.breakButton = makeButton(tr("Set/Reset Break"), QStringLiteral("CommandBrk"), f.frame);
    f.pcEmuSwitch = frameparts::makeSwitch(tr("PC Emu"), QStringLiteral("CWButtonEmuPC"), f.frame);
    auto* grid = new QGridLayout(f.frame);
    grid->addWidget(f.repeatButton, 0, 0);
    grid->addWidget(f.continueButton, 0, 1);
    grid->addWidget(f.breakButton, 1, 0);
    grid->addWidget(f.resetBreaksButton, 1, 1);
    grid->addWidget(f.pcEmuSwitch, 2, 0, 1, 2, Qt::AlignCenter);
    return f;
}
