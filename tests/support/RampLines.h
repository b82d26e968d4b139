#pragma once

#include "support/FormRig.h"

#include <QTest>

// Line i: channel 0 at i degrees, the rest at 0, for `ms` or else 100 * (i + 1) ms.
inline QString rampLine(int i, int ms = 0) {
    return QStringLiteral("%1 °\t").arg(i) + QStringLiteral("0 °\t").repeated(11) +
           QStringLiteral("%1 ms").arg(ms > 0 ? ms : 100 * (i + 1));
}

// Lines 0 to count - 1 in the window's list, the window shown.
inline bool fillRamp(FormRig& rig, int count, int ms = 0) {
    QStringList lines;
    for (int i = 0; i < count; ++i) {
        lines << rampLine(i, ms);
    }
    const bool done = rig.form->panel().editor().replaceAll(lines) == EditOutcome::Done;
    rig.form->show();
    return done && QTest::qWaitForWindowExposed(rig.form.get());
}
