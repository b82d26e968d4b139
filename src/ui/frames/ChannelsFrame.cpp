#include "ChannelsFrame.h"

#include "FrameParts.h"

#include "ui/shell/NumericField.h"
#include "ui/shell/SlideControl.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>

namespace {

QString channelCaption(int channel) {
    // Channel 10 carries a blank in its caption; the others do not.
    return channel == 10 ? QStringLiteral("Ch 10") : QStringLiteral("Ch%1").arg(channel);
}

} // namespace

ChannelsFrame ChannelsFrame::build(QWidget* parent) {
    ChannelsFrame f;
    f.frame = frameparts::makeFrame(QString(), QStringLiteral("FrameMan"), parent);
    f.frame->setAccessibleName(tr("Channels"));
    auto* grid = new QGridLayout(f.frame);
    grid->setHorizontalSpacing(6);
    for (int c = 0; c < kChannelCount; ++c) {
        auto* slide = new SlideControl(SlideControl::Look::Slider, c, channelCaption(c), f.frame);
        slide->setObjectName(QStringLiteral("CWSlide1_%1").arg(c));
        slide->setAxisMinimum(0);
        slide->setAxisMaximum(255);
        slide->setValue(128);
        slide->setMinimumHeight(220);
        f.sliders[c] = slide;

        auto* offset = new QLineEdit(QStringLiteral("0"), f.frame);
        offset->setObjectName(QStringLiteral("Text1_%1").arg(c));
        offset->setAccessibleName(QStringLiteral("Offset Ch%1").arg(c));
        offset->setAlignment(Qt::AlignCenter);
        offset->setMaxLength(8);
        auto* angle = new QLineEdit(QStringLiteral("0 °"), f.frame);
        angle->setObjectName(QStringLiteral("Text1_%1").arg(c + kChannelCount));
        angle->setAccessibleName(QStringLiteral("Angle Ch%1").arg(c));
        angle->setAlignment(Qt::AlignCenter);
        angle->setReadOnly(true);
        // It only shows: no frame, the window's colour, and no stop in the Tab chain.
        angle->setFrame(false);
        angle->setFocusPolicy(Qt::NoFocus);
        QPalette shown = angle->palette();
        shown.setColor(QPalette::Base, shown.color(QPalette::Window));
        angle->setPalette(shown);
        offset->setToolTip(tr("Ch%1's offset from the centre in position units, -128 to 127 "
                              "(two units a degree); Enter sends it")
                               .arg(c));
        angle->setToolTip(tr("Ch%1's angle from the centre, in degrees").arg(c));
        for (QLineEdit* box : {offset, angle}) {
            box->setMinimumWidth(box->fontMetrics().horizontalAdvance(QStringLiteral("-63.5 °")) +
                                 12);
        }
        f.offsetBoxes[c] = offset;
        f.angleBoxes[c] = angle;

        grid->addWidget(slide, 0, c);
        grid->addWidget(offset, 1, c);
        grid->addWidget(angle, 2, c);
    }

    auto* bottom = new QHBoxLayout;
    f.durationLabel = new QLabel(tr("Step Duration"), f.frame);
    f.durationLabel->setObjectName(QStringLiteral("Label1"));
    f.durationLabel->setAccessibleName(f.durationLabel->text());
    f.stepDuration = new NumericField({20, 20, 1000000, 20, QStringLiteral(" ms")}, f.frame);
    f.stepDuration->setObjectName(QStringLiteral("CWNumEditTimeStep"));
    f.stepDuration->setAccessibleName(tr("Step Duration"));
    f.stepDuration->setMinimumWidth(130);
    f.durationLabel->setBuddy(f.stepDuration);
    f.stepLabel = new QLabel(tr("Step N° ..."), f.frame);
    f.stepLabel->setObjectName(QStringLiteral("LabelStep"));
    // No fixed accessible name: screen readers then read the step shown, and hear of each change.
    f.stepLabel->setAccessibleDescription(tr("Step Number"));
    f.stepLabel->setMinimumWidth(
        f.stepLabel->fontMetrics().horizontalAdvance(QStringLiteral("Step N° 1023")) + 8);
    f.resetButton = frameparts::makeButton(tr("Reset"), QStringLiteral("CommandUpdate"), f.frame);
    f.resetButton->setToolTip(tr("Centre all twelve channels"));
    bottom->addWidget(f.durationLabel);
    bottom->addWidget(f.stepDuration);
    bottom->addSpacing(24);
    bottom->addWidget(f.stepLabel);
    bottom->addStretch(1);
    bottom->addWidget(f.resetButton);
    grid->addLayout(bottom, 3, 0, 1, kChannelCount);
    return f;
}

std::array<double, kChannelCount> ChannelsFrame::positions() const {
    std::array<double, kChannelCount> positions{};
    for (int c = 0; c < kChannelCount; ++c) {
        positions[size_t(c)] = sliders[size_t(c)]->value();
    }
    return positions;
}
