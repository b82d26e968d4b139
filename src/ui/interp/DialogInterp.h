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
class DialogInterp : public QDialog {
    Q_OBJECT
public:
    explicit DialogInterp(QWidget* parent = nullptr);

    enum Option { WithPrevious = 0, WithNext = 1 };

    // Checks one option, or none with -1; a dialog may show neither chosen.
    void chooseOption(int index);
    // The checked option, or -1.
    int chosenOption() const;
    // The curve chosen in ComboCurve; Linear until the user picks another.
    interpolation::Curve curve() const;

    std::array<QRadioButton*, 2> OptionINterp{};
    NumericField* CWNumEditInterp = nullptr;
    QLabel* Label1 = nullptr;
    QComboBox* ComboCurve = nullptr;
    QLabel* LabelCurve = nullptr;
    QPushButton* OKButton = nullptr;
    QPushButton* CancelButton = nullptr;

private:
    QButtonGroup* m_options = nullptr;
};
