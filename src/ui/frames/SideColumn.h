#pragma once

#include "link/PortMap.h"

#include <QCoreApplication>

class PortChooser;
class QLabel;
class QPushButton;
class QWidget;
class SequenceList;
class StepListView;
class SwitchControl;

// The column beside the channels: the port, PC control of the servos and the step list.
struct SideColumn {
    Q_DECLARE_TR_FUNCTIONS(SideColumn)

public:
    QWidget* column = nullptr;                // sideColumn
    QLabel* portLabel = nullptr;              // Label2, "Serial Comm Port:"
    PortChooser* portChooser = nullptr;       // ComboPort
    SwitchControl* pcControlSwitch = nullptr; // CWButtonMainOnOff, "PC Ctr Enbl"
    QPushButton* onButton = nullptr;          // CommandStart, "ON"
    QPushButton* offButton = nullptr;         // CommandStop, "OFF"
    StepListView* stepList = nullptr;         // ListSequence, a view of the list

    // The lookup says what each port number leads to.
    static SideColumn build(QWidget* parent, const portmap::Lookup& lookup, SequenceList& list);
};
