#include "InterpDialog.h"

#include "ui/shell/NumericField.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace {

QPushButton* makeButton(const QString& caption, const QString& name, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setAccessibleName(caption);
    return button;
}

} // namespace

InterpDialog::InterpDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("DialogInterp"));
    setWindowTitle(tr("Interpolation"));
    setAccessibleName(tr("Interpolation"));
    setModal(false);

    const std::array<QString, 2> captions{tr("Interpolation With Previous Step"),
                                          tr("Interpolation With Next Step")};
    m_options = new QButtonGroup(this);
    for (int i = 0; i < 2; ++i) {
        auto* option = new QRadioButton(captions[i], this);
        option->setObjectName(QStringLiteral("OptionINterp_%1").arg(i));
        option->setAccessibleName(captions[i]);
        m_options->addButton(option, i);
        directionOptions[i] = option;
    }

    stepCount = new NumericField({1, 1, 1000, 1, QString(), true}, this);
    stepCount->setObjectName(QStringLiteral("CWNumEditInterp"));
    stepCount->setAccessibleName(tr("Number of Interpolation Steps"));
    stepCount->setDecimals(0);
    stepCountLabel = new QLabel(tr("Number of Interpolation Steps"), this);
    stepCountLabel->setObjectName(QStringLiteral("Label1"));
    stepCountLabel->setBuddy(stepCount);

    curveChooser = new QComboBox(this);
    curveChooser->setObjectName(QStringLiteral("ComboCurve"));
    curveChooser->setAccessibleName(tr("Curve"));
    using interpolation::Curve;
    curveChooser->addItem(tr("Linear"), int(Curve::Linear));
    curveChooser->addItem(tr("Ease In"), int(Curve::EaseIn));
    curveChooser->addItem(tr("Ease Out"), int(Curve::EaseOut));
    curveChooser->addItem(tr("Ease In-Out"), int(Curve::EaseInOut));
    curveLabel = new QLabel(tr("Curve:"), this);
    curveLabel->setObjectName(QStringLiteral("LabelCurve"));
    curveLabel->setBuddy(curveChooser);

    okButton = makeButton(tr("OK"), QStringLiteral("OKButton"), this);
    cancelButton = makeButton(tr("Annulla"), QStringLiteral("CancelButton"), this);
    // OK acts only through its handler; Enter must not close the dialog behind its back.
    okButton->setAutoDefault(false);
    cancelButton->setAutoDefault(false);

    auto* grid = new QGridLayout(this);
    grid->addWidget(directionOptions[WithPrevious], 0, 0, 1, 2);
    grid->addWidget(directionOptions[WithNext], 1, 0, 1, 2);
    grid->addWidget(stepCount, 2, 0);
    grid->addWidget(stepCountLabel, 2, 1);
    auto* curveRow = new QHBoxLayout;
    curveRow->addWidget(curveLabel);
    curveRow->addWidget(curveChooser);
    curveRow->addStretch(1);
    grid->addLayout(curveRow, 3, 0, 1, 2);
    grid->addWidget(okButton, 0, 2);
    grid->addWidget(cancelButton, 1, 2);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(4, 1);
    // 5625 x 2070 twips at 15 twips a pixel, and a row for the curve.
    resize(375, 138 + curveChooser->sizeHint().height() + grid->verticalSpacing());
}

void InterpDialog::chooseOption(int index) {
    // An exclusive group will not let its last checked button go, so it lets go for a moment.
    m_options->setExclusive(false);
    for (int i = 0; i < 2; ++i) {
        directionOptions[i]->setChecked(i == index);
    }
    m_options->setExclusive(true);
}

int InterpDialog::chosenOption() const {
    return m_options->checkedId();
}

interpolation::Curve InterpDialog::curve() const {
    return static_cast<interpolation::Curve>(curveChooser->currentData().toInt());
}
