#include "SerialDebugFrame.h"

#include "FrameParts.h"

#include "ui/shell/ClickableViews.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>

SerialDebugFrame SerialDebugFrame::build(QWidget* parent) {
    SerialDebugFrame f;
    f.frame = frameparts::makeFrame(tr("Serial Comm Debug"), QStringLiteral("FrameSer"), parent);
    f.echoBox = new EchoBox(f.frame);
    f.echoBox->setObjectName(QStringLiteral("Echo"));
    f.echoBox->setAccessibleName(QStringLiteral("Echo"));
    f.echoBox->setReadOnly(true);
    f.echoBox->setToolTip(tr("Click to empty the box and the receive buffer"));
    f.inBufferButton =
        frameparts::makeButton(tr("InBuff"), QStringLiteral("CommandInBuff"), f.frame);
    auto* row = new QHBoxLayout(f.frame);
    row->addWidget(f.echoBox, 1);
    row->addWidget(f.inBufferButton);
    f.frame->setVisible(false);
    return f;
}
