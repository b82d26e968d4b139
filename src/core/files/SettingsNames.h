#pragma once

#include <QString>

// Where the user's settings are kept: the window and the command line open the same ones, so a
// channel setup made in the window limits what the command line sends. On Linux that is
// ~/.config/Tessarel/Tessarel.conf.
namespace settingsnames {

inline const QString kOrganization = QStringLiteral("Tessarel");
inline const QString kApplication = QStringLiteral("Tessarel");

} // namespace settingsnames
