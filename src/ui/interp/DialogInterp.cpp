#include "DialogInterp.h"

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

DialogInterp::DialogInterp(QWidget* parent) : QDialog(parent) {
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
        OptionINterp[i] = option;
    }

    CWNumEditInterp = new NumericField({1, 1, 1000, 1, QString(), true}, this);
    CWNumEditInterp->setObjectName(QStringLiteral("CWNumEditInterp"));
    CWNumEditInterp->setAccessibleName(tr("Number of Interpolation Steps"));
    CWNumEditInterp->setDecimals(0);
    Label1 = new QLabel(tr("Number of Interpolation Steps"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setBuddy(CWNumEditInterp);

    ComboCurve = new QComboBox(this);
    ComboCurve->setObjectName(QStringLiteral("ComboCurve"));
    ComboCurve->setAccessibleName(tr("Curve"));
    using interpolation::Curve;
    ComboCurve->addItem(tr("Linear"), int(Curve::Linear));
    ComboCurve->addItem(tr("Ease In"), int(Curve::EaseIn));
    ComboCurve->addItem(tr("Ease Out"), int(Curve::EaseOut));
    ComboCurve->addItem(tr("Ease In-Out"), int(Curve::EaseInOut));
    LabelCurve = new QLabel(tr("Curve:"), this);
    LabelCurve->setObjectName(QStringLiteral("LabelCurve"));
    LabelCurve->setBuddy(ComboCurve);

    OKButton = makeButton(tr("OK"), QStringLiteral("OKButton"), this);
    CancelButton = makeButton(tr("Annulla"), QStringLiteral("CancelButton"), this);
    // OK acts only through its handler; Enter must not close the dialog behind its back.
    OKButton->setAutoDefault(false);
    CancelButton->setAutoDefault(false);

    auto* grid = new QGridLayout(this);
    grid->addWidget(OptionINterp[WithPrevious], 0, 0, 1, 2);
    grid->addWidget(OptionINterp[WithNext], 1, 0, 1, 2);
    grid->addWidget(CWNumEditInterp, 2, 0);
    grid->addWidget(Label1, 2, 1);
    auto* curveRow = new QHBoxLayout;
    curveRow->addWidget(LabelCurve);
    curveRow->addWidget(ComboCurve);
    curveRow->addStretch(1);
    grid->addLayout(curveRow, 3, 0, 1, 2);
    grid->addWidget(OKButton, 0, 2);
    grid->addWidget(CancelButton, 1, 2);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(4, 1);
    // 5625 x 2070 twips at 15 twips a pixel, and a row for the curve.
    resize(375, 138 + ComboCurve->sizeHint().height() + grid->verticalSpacing());
}

void DialogInterp::chooseOption(int index) {
    // An exclusive group will not let its last checked button go, so it lets go for a moment.
    m_options->setExclusive(false);
    for (int i = 0; i < 2; ++i) {
        OptionINterp[i]->setChecked(i == index);
    }
    m_options->setExclusive(true);
}

int DialogInterp::chosenOption() const {
    return m_options->checkedId();
}

interpolation::Curve DialogInterp::curve() const {
    return static_cast<interpolation::Curve>(ComboCurve->currentData().toInt());
}
