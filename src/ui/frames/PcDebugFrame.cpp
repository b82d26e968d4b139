#include "PcDebugFrame.h"

#include "FrameParts.h"

#include "ui/shell/NumericField.h"
#include "ui/shell/SwitchControl.h"

#include <QGroupBox>
#include <QVBoxLayout>

PcDebugFrame PcDebugFrame::build(QWidget* parent) {
    PcDebugFrame f;
    f.frame = frameparts::makeFrame(tr("PC Sequence Debug  (Fix Time Steps)"),
                                    QStringLiteral("FramePCDeb"), parent);
    f.fixedStepTime = new NumericField({1000, 50, 1000000, 10, QStringLiteral(" ms")}, f.frame);
    f.fixedStepTime->setObjectName(QStringLiteral("CWNumEdit1"));
    f.fixedStepTime->setAccessibleName(tr("Fixed Step Time"));
    f.fixedStepTime->setMinimumWidth(130);
    f.pcSeqSwitch = frameparts::makeSwitch(tr("PC Seq"), QStringLiteral("CWButtonManual"), f.frame);
    auto* column = new QVBoxLayout(f.frame);
    column->addWidget(f.fixedStepTime);
    column->addWidget(f.pcSeqSwitch, 0, Qt::AlignCenter);
    return f;
}
