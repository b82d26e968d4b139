#include "ChannelSetupDialog.h"

#include "core/NumberText.h"
#include "ui/shell/UserDialogs.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

const QString kTitle = QStringLiteral("Channel Setup");

QPushButton* makeButton(const QString& caption, const QString& name, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setAccessibleName(caption);
    button->setAutoDefault(false);
    return button;
}

QSpinBox* makeLimitBox(const QString& accessibleName, const QString& name, QWidget* parent) {
    auto* box = new QSpinBox(parent);
    box->setObjectName(name);
    box->setAccessibleName(accessibleName);
    box->setRange(ChannelSetup::kPositionMin, ChannelSetup::kPositionMax);
    return box;
}

QLabel* makeAngle(const QString& accessibleName, const QString& name, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setAccessibleName(accessibleName);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QStringLiteral("-63.5 \u00B0")));
    return label;
}

} // namespace

ChannelSetupDialog::ChannelSetupDialog(const ChannelSetup& setup, UserDialogs& dialogs,
                                       QWidget* parent)
    : QDialog(parent), m_dialogs(dialogs) {
    setObjectName(QStringLiteral("ChannelSetupDialog"));
    setWindowTitle(kTitle);
    setAccessibleName(kTitle);

    setupTable = new QWidget(this);
    setupTable->setObjectName(QStringLiteral("setupTable"));
    setupTable->setAccessibleName(kTitle);
    auto* grid = new QGridLayout(setupTable);
    const QStringList headers{tr("Channel"), tr("Name"), tr("Minimum"), QString(), tr("Maximum")};
    for (int column = 0; column < headers.size(); ++column) {
        grid->addWidget(new QLabel(headers[column], setupTable), 0, column);
    }
    // Names go into messages, the timeline and the command line, where a control character
    // would break the text.
    const auto* printable = new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[^\\x{0}-\\x{1f}\\x{7f}-\\x{9f}]*")), this);
    for (int c = 0; c < kChannelCount; ++c) {
        const QString ch = QStringLiteral("Ch%1").arg(c);
        const QString index = QString::number(c);
        auto* label = new QLabel(ch, setupTable);
        auto* name = new QLineEdit(setupTable);
        name->setObjectName(QStringLiteral("nameEdit_") + index);
        name->setAccessibleName(tr("Name") + QLatin1Char(' ') + ch);
        name->setMaxLength(ChannelSetup::kNameMaxLength);
        name->setValidator(printable);
        label->setBuddy(name);
        nameEdits[c] = name;
        minimumBoxes[c] = makeLimitBox(tr("Minimum") + QLatin1Char(' ') + ch,
                                       QStringLiteral("minimumBox_") + index, setupTable);
        minimumAngles[c] = makeAngle(tr("Minimum angle") + QLatin1Char(' ') + ch,
                                     QStringLiteral("minimumAngle_") + index, setupTable);
        maximumBoxes[c] = makeLimitBox(tr("Maximum") + QLatin1Char(' ') + ch,
                                       QStringLiteral("maximumBox_") + index, setupTable);
        maximumAngles[c] = makeAngle(tr("Maximum angle") + QLatin1Char(' ') + ch,
                                     QStringLiteral("maximumAngle_") + index, setupTable);
        const int row = c + 1;
        grid->addWidget(label, row, 0);
        grid->addWidget(name, row, 1);
        grid->addWidget(minimumBoxes[c], row, 2);
        grid->addWidget(minimumAngles[c], row, 3);
        grid->addWidget(maximumBoxes[c], row, 4);
        grid->addWidget(maximumAngles[c], row, 5);
        for (QSpinBox* box : {minimumBoxes[c], maximumBoxes[c]}) {
            connect(box, &QSpinBox::valueChanged, this, [this, c] { limitChanged(c); });
        }
    }
    grid->setColumnStretch(1, 1);

    exportButton = makeButton(tr("Export\u2026"), QStringLiteral("exportButton"), this);
    importButton = makeButton(tr("Import\u2026"), QStringLiteral("importButton"), this);
    okButton = makeButton(tr("OK"), QStringLiteral("okButton"), this);
    cancelButton = makeButton(tr("Cancel"), QStringLiteral("cancelButton"), this);
    // Enter enters a typed limit; closing the dialog on it would hide a refused digit.
    connect(exportButton, &QPushButton::clicked, this, &ChannelSetupDialog::exportSetup);
    connect(importButton, &QPushButton::clicked, this, &ChannelSetupDialog::importSetup);
    connect(okButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(exportButton);
    buttons->addWidget(importButton);
    buttons->addStretch(1);
    buttons->addWidget(okButton);
    buttons->addWidget(cancelButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(setupTable);
    layout->addLayout(buttons);

    showSetup(setup);
}

ChannelSetup ChannelSetupDialog::setup() const {
    ChannelSetup setup;
    for (int c = 0; c < kChannelCount; ++c) {
        setup.setChannel(
            c, {nameEdits[c]->text(), minimumBoxes[c]->value(), maximumBoxes[c]->value()});
    }
    return setup;
}

void ChannelSetupDialog::showSetup(const ChannelSetup& setup) {
    for (int c = 0; c < kChannelCount; ++c) {
        const ChannelSetup::Channel& channel = setup.channel(c);
        nameEdits[c]->setText(channel.name);
        // Set together: one at a time, the first would be held by the other's old value.
        const QSignalBlocker blockMinimum(minimumBoxes[c]);
        const QSignalBlocker blockMaximum(maximumBoxes[c]);
        minimumBoxes[c]->setRange(ChannelSetup::kPositionMin, ChannelSetup::kPositionMax);
        maximumBoxes[c]->setRange(ChannelSetup::kPositionMin, ChannelSetup::kPositionMax);
        minimumBoxes[c]->setValue(channel.minimum);
        maximumBoxes[c]->setValue(channel.maximum);
        limitChanged(c);
    }
}

void ChannelSetupDialog::limitChanged(int channel) {
    QSpinBox* minimum = minimumBoxes[channel];
    QSpinBox* maximum = maximumBoxes[channel];
    minimum->setMaximum(maximum->value());
    maximum->setMinimum(minimum->value());
    for (auto [box, angle] :
         {std::pair{minimum, minimumAngles[channel]}, std::pair{maximum, maximumAngles[channel]}}) {
        angle->setText(numbertext::degreeReadout(box->value()));
        box->setAccessibleDescription(angle->text());
    }
}

void ChannelSetupDialog::exportSetup() {
    FileQuestion question;
    question.filter = kFileFilter;
    question.defaultExtension = QStringLiteral(".json");
    question.initialFileName = QStringLiteral("ChannelSetup");
    const std::optional<FileAnswer> answer = m_dialogs.saveFileName(this, question);
    if (!answer) {
        return;
    }
    if (const QString error = setup().exportFile(question.savePath(*answer)); !error.isEmpty()) {
        m_dialogs.information(this, kTitle, error);
    }
}

void ChannelSetupDialog::importSetup() {
    FileQuestion question;
    question.filter = kFileFilter;
    question.hideReadOnly = true;
    const std::optional<QString> path = m_dialogs.openFileName(this, question);
    if (!path) {
        return;
    }
    QString error;
    const std::optional<ChannelSetup> imported = ChannelSetup::importFile(*path, &error);
    if (!imported) {
        m_dialogs.information(this, kTitle,
                              QStringLiteral("The channel setup was not imported: ") + error);
        return;
    }
    showSetup(*imported);
}
