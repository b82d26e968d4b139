#include "SideColumn.h"

#include "FrameParts.h"

#include "core/sequence/SequenceList.h"
#include "ui/shell/ClickableViews.h"
#include "ui/shell/StepListHeader.h"
#include "ui/shell/SwitchControl.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

SideColumn SideColumn::build(QWidget* parent, const portmap::Lookup& lookup, SequenceList& list) {
    SideColumn f;
    auto* side = new QWidget(parent);
    f.column = side;
    side->setObjectName(QStringLiteral("sideColumn"));
    auto* column = new QVBoxLayout(side);
    column->setContentsMargins(0, 0, 0, 0);

    auto* portRow = new QHBoxLayout;
    f.portLabel = new QLabel(tr("Serial Comm Port:"), side);
    f.portLabel->setObjectName(QStringLiteral("Label2"));
    f.portLabel->setAccessibleName(f.portLabel->text());
    f.portChooser = new PortChooser(lookup, side);
    f.portChooser->setObjectName(QStringLiteral("ComboPort"));
    f.portChooser->setAccessibleName(tr("Serial Comm Port:"));
    for (int port = portmap::kFirstPort; port <= portmap::kLastPort; ++port) {
        f.portChooser->addItem(QStringLiteral("Comm%1").arg(port), port);
    }
    f.portChooser->refreshDevices();
    // Nothing is open at start, so no entry is current.
    f.portChooser->setPlaceholderText(tr("Choose a port…"));
    f.portChooser->setCurrentIndex(-1);
    f.portLabel->setBuddy(f.portChooser);
    portRow->addWidget(f.portLabel);
    portRow->addWidget(f.portChooser, 1);
    column->addLayout(portRow);

    auto* pcRow = new QHBoxLayout;
    f.pcControlSwitch =
        frameparts::makeSwitch(tr("PC Ctr Enbl"), QStringLiteral("CWButtonMainOnOff"), side);
    f.onButton = frameparts::makeButton(tr("ON"), QStringLiteral("CommandStart"), side);
    f.offButton = frameparts::makeButton(tr("OFF"), QStringLiteral("CommandStop"), side);
    pcRow->addWidget(f.pcControlSwitch);
    pcRow->addStretch(1);
    pcRow->addWidget(f.onButton);
    pcRow->addWidget(f.offButton);
    column->addLayout(pcRow);

    StepListView* steps = new StepListView(side);
    f.stepList = steps;
    steps->setObjectName(QStringLiteral("ListSequence"));
    steps->setAccessibleName(tr("Sequence"));
    steps->setModel(&list);
    steps->setUniformItemSizes(true);
    steps->setSelectionMode(QAbstractItemView::ExtendedSelection);
    steps->setEditTriggers(QAbstractItemView::NoEditTriggers);
    auto* header = new StepListHeader(steps, side);
    header->setObjectName(QStringLiteral("ListSequenceHeader"));
    auto* table = new QVBoxLayout;
    table->setSpacing(0);
    table->addWidget(header);
    table->addWidget(steps, 1);
    column->addLayout(table, 1);
    return f;
}
