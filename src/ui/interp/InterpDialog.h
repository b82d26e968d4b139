#pragma once

#include "core/interp/Interpolation.h"

#include <QDialog>

#include <array>

class QButtonGroup;
class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;

class NumericField;

// The interpolation dialog: which neighbour to ramp with and into how many steps. It holds no
// data of its own; InterpController reads the controls when OK is pressed.
class InterpDialog : public QDialog {
    Q_OBJECT
public:
    explicit InterpDialog(QWidget* parent = nullptr);

    enum Option { WithPrevious = 0, WithNext = 1 };

    // Checks one option, or none with -1; a dialog may show neither chosen.
    void chooseOption(int index);
    // The checked option, or -1.
    int chosenOption() const;
    // The curve chosen in curveChooser; Linear until the user picks another.
    interpolation::Curve curve() const;

    std::array<QRadioButton*, 2> directionOptions{}; // OptionINterp_0, OptionINterp_1
    NumericField* stepCount = nullptr;               // CWNumEditInterp
    QLabel* stepCountLabel = nullptr;                // Label1
    QComboBox* curveChooser = nullptr;               // ComboCurve
    QLabel* curveLabel = nullptr;                    // LabelCurve
    QPushButton* okButton = nullptr;                 // OKButton
    QPushButton* cancelButton = nullptr;             // CancelButton, "Annulla"

private:
    QButtonGroup* m_options = nullptr;
};
