#include "core/files/SettingsNames.h"
#include "link/PortMap.h"
#include "link/QtSerialTransport.h"
#include "ui/shell/UserDialogs.h"
#include "ui/window/MainWindow.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    // The settings the command line reads as well.
    QApplication::setOrganizationName(settingsnames::kOrganization);
    QApplication::setApplicationName(settingsnames::kApplication);
    QtUserDialogs dialogs;
    MainWindow window(std::make_unique<QtSerialTransport>(), &portmap::lookUp, dialogs);
    window.showAtStart();
    window.keepRecovery();
    window.openFromCommandLine(QApplication::arguments());
    return QApplication::exec();
}
