#pragma once

#include <QString>

class QGroupBox;
class QPushButton;
class QWidget;
class SwitchControl;

// The makings every frame shares: each control gets its object name and an accessible name a
// screen reader can speak.
namespace frameparts {

QPushButton* makeButton(const QString& caption, const QString& name, QWidget* parent);
SwitchControl* makeSwitch(const QString& caption, const QString& name, QWidget* parent);
// A frame without a caption is spoken by its object name.
QGroupBox* makeFrame(const QString& caption, const QString& name, QWidget* parent);

} // namespace frameparts
