#include "RealEmuFrame.h"

#include "FrameParts.h"

#include "ui/shell/SwitchControl.h"

#include <QGroupBox>
#include <QVBoxLayout>

RealEmuFrame RealEmuFrame::build(QWidget* parent) {
    RealEmuFrame f;
    f.frame = frameparts::makeFrame(tr("Real Emulator"), QStringLiteral("FrameRealEmu"), parent);
    f.realEmuSwitch =
        frameparts::makeSwitch(tr("Real Emu"), QStringLiteral("CWButtonRealEmu"), f.frame);
    auto* column = new QVBoxLayout(f.frame);
    column->addWidget(f.realEmuSwitch, 0, Qt::AlignCenter);
    f.frame->setVisible(false);
    return f;
}
