#pragma once

#include "core/setup/ChannelSetup.h"

#include <QDialog>

#include <array>

class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class UserDialogs;

// Channel Setup: a name and the limits of each channel, edited on a copy. Accepted, setup()
// is the new setup; rejected, the caller's stays as it was. A minimum above the maximum is
// refused as it is typed: each limit's box ends at the other's value.
class ChannelSetupDialog : public QDialog {
    Q_OBJECT
public:
    ChannelSetupDialog(const ChannelSetup& setup, UserDialogs& dialogs, QWidget* parent = nullptr);

    ChannelSetup setup() const;
    void showSetup(const ChannelSetup& setup);

    inline static const QString kFileFilter =
        QStringLiteral("Channel Setup (*.json)|*.json|All Files (*.*)|*.*");

    QWidget* setupTable = nullptr;
    std::array<QLineEdit*, kChannelCount> nameEdits{};
    std::array<QSpinBox*, kChannelCount> minimumBoxes{};
    std::array<QSpinBox*, kChannelCount> maximumBoxes{};
    std::array<QLabel*, kChannelCount> minimumAngles{};
    std::array<QLabel*, kChannelCount> maximumAngles{};
    QPushButton* exportButton = nullptr;
    QPushButton* importButton = nullptr;
    QPushButton* okButton = nullptr;
    QPushButton* cancelButton = nullptr;

private:
    void limitChanged(int channel);
    void exportSetup();
    void importSetup();

    UserDialogs& m_dialogs;
};
