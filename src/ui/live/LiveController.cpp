#include "LiveController.h"

#include "board/Board.h"
#include "board/ChannelMoves.h"
#include "core/NumberText.h"
#include "core/Rounding.h"
#include "ui/frames/SideColumn.h"
#include "ui/panel/Panel.h"
#include "ui/shell/Messages.h"
#include "ui/shell/SlideControl.h"
#include "ui/shell/SwitchControl.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>

#include <algorithm>
#include <optional>

namespace {

constexpr double kCentre = 128.0;
constexpr int kOffsetMin = -128;
constexpr int kOffsetMax = 127;
constexpr int kDiscarded = 0;
// Any code the filter does not let through; stands for keys typed with Ctrl or Meta.
constexpr int kControlCharacter = 1;

// The character a key types, as the box's key filter sees it, or nullopt for keys that type
// nothing (Tab, arrows, Home, End, Delete): those keep their usual editing and focus moves.
std::optional<int> typedCharacter(const QKeyEvent& event) {
    switch (event.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return LiveController::kEnter;
    case Qt::Key_Backspace:
        return LiveController::kBackspace;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Delete:
    case Qt::Key_Escape:
        return std::nullopt;
    default:
        break;
    }
    if (event.modifiers() & (Qt::ControlModifier | Qt::MetaModifier)) {
        // The editing shortcuts are let through before; no other one types into the box.
        return kControlCharacter;
    }
    const QString text = event.text();
    if (text.isEmpty()) {
        return std::nullopt;
    }
    return static_cast<int>(text.at(0).unicode());
}

// Select all, copy, paste, cut, undo and redo edit as in any text box: what a paste brings in
// is checked when the box commits.
bool isEditingShortcut(const QKeyEvent& event) {
    for (const QKeySequence::StandardKey key :
         {QKeySequence::SelectAll, QKeySequence::Copy, QKeySequence::Paste, QKeySequence::Cut,
          QKeySequence::Undo, QKeySequence::Redo}) {
        if (event.matches(key)) {
            return true;
        }
    }
    return false;
}

constexpr int kNoteShownMs = 6000;

} // namespace

LiveController::LiveController(Panel& panel, Messages& messages, const ChannelsFrame& channels,
                               const SideColumn& side)
    : m_panel(panel), m_messages(messages), m_channels(channels),
      m_pcControlSwitch(*side.pcControlSwitch) {
    for (SlideControl* slide : channels.sliders) {
        connect(slide, &SlideControl::valueChanged, this,
                [this](int channel, double value) { moveChannel(channel, value); });
    }
    for (QLineEdit* box : channels.offsetBoxes) {
        box->installEventFilter(this);
    }
    connect(side.pcControlSwitch, &SwitchControl::valueChanged, this,
            [this](bool on) { switchPcControl(on); });
    connect(side.onButton, &QPushButton::clicked, this, [this] { pcControlOn(); });
    connect(side.offButton, &QPushButton::clicked, this, [this] { pcControlOff(); });
    connect(&panel, &Panel::shutdownWork, this, [this] { pcOffAtShutdown(); });
    connect(&panel, &Panel::channelSetupChanged, this, [this] { showChannelSetup(); });
}

// A slider spans its channel's limits, so it shows where the servo goes; one left beyond a
// new limit moves to it.
void LiveController::showChannelSetup() {
    const ChannelSetup& setup = m_panel.channelSetup();
    bool anyNamed = false;
    for (int c = 0; c < kChannelCount; ++c) {
        anyNamed = anyNamed || !setup.channel(c).name.isEmpty();
    }
    for (int c = 0; c < kChannelCount; ++c) {
        SlideControl* slide = m_channels.sliders[c];
        slide->setAxisMinimum(setup.channel(c).minimum);
        slide->setAxisMaximum(setup.channel(c).maximum);
        slide->setValue(slide->value());
        // The accessible name stays "Ch3" for automation; the user's name comes with it.
        const QString& name = setup.channel(c).name;
        slide->setName(name, anyNamed);
        slide->setToolTip(name);
        slide->setAccessibleDescription(name);
        slide->slider()->setAccessibleDescription(name);
    }
}

void LiveController::moveChannel(int channel, double value) {
    m_panel.board().moves().move(channel, value);
    const QLocale& locale = m_panel.list().locale();
    m_channels.offsetBoxes[channel]->setText(numbertext::halfSteps(value - kCentre, locale));
    m_channels.angleBoxes[channel]->setText(
        numbertext::halfSteps((value - kCentre) * 64.0 / 128.0, locale) +
        numbertext::kDegreeSuffix);
}

void LiveController::offsetKey(int channel, int& key) {
    if (key == kEnter) {
        commitOffset(channel);
        return;
    }
    if (key == kMinus) {
        // A sign goes first and once: "0-60" is never typed by accident.
        const QLineEdit* box = m_channels.offsetBoxes[channel];
        const int at = box->hasSelectedText() ? box->selectionStart() : box->cursorPosition();
        QString kept = box->text();
        kept.remove(at, box->selectedText().size());
        if (at != 0 || kept.contains(QLatin1Char('-'))) {
            key = kDiscarded;
        }
        return;
    }
    if (key == kBackspace || (key >= '0' && key <= '9')) {
        return;
    }
    key = kDiscarded;
}

void LiveController::leaveOffset(int channel) {
    int key = kEnter;
    offsetKey(channel, key);
}

void LiveController::commitFocusedOffset() {
    const auto& offsets = m_channels.offsetBoxes;
    const auto box = std::find(offsets.begin(), offsets.end(), QApplication::focusWidget());
    if (box != offsets.end()) {
        leaveOffset(int(box - offsets.begin()));
    }
}

// Empty text centres the channel. Text that is not a number (a lone "-", a pasted "0-60") moves
// nothing: the box shows the channel's offset again, selected, and the status bar says why, so
// a slip never sends a servo to the centre.
void LiveController::commitOffset(int channel) {
    QLineEdit* box = m_channels.offsetBoxes[channel];
    const QLocale& locale = m_panel.list().locale();
    const QString text = box->text().trimmed();
    const std::optional<double> parsed =
        text.isEmpty() ? std::optional(0.0) : numbertext::parse(text, locale);
    if (!parsed) {
        const QString offset =
            numbertext::halfSteps(m_channels.sliders[channel]->value() - kCentre, locale);
        box->setText(offset);
        box->selectAll();
        m_messages.showStatus(tr("\"%1\" is not a number; Ch%2 stays at %3.")
                                  .arg(text, QString::number(channel), offset),
                              kNoteShownMs);
        return;
    }
    const double typed = *parsed;
    SlideControl* slide = m_channels.sliders[channel];
    const int offset = qBound(kOffsetMin, rounding::toInt32(typed), kOffsetMax);
    const int limited = qBound(rounding::toInt32(slide->axisMinimum() - kCentre), offset,
                               rounding::toInt32(slide->axisMaximum() - kCentre));
    box->setText(QString::number(limited));
    slide->setValue(limited + kCentre);
}

void LiveController::switchPcControl(bool on) {
    if (!m_panel.permits(interlock::Command::PcControl)) {
        // Nothing reached the board, so the switch keeps telling how things stand.
        m_pcControlSwitch.setValueSilently(!on);
        return;
    }
    BoardLink& link = m_panel.link();
    if (!link.portOpen()) {
        m_messages.inform(Board::kNoConnection);
        m_pcControlSwitch.setValueSilently(false);
        return;
    }
    if (on) {
        link.PcControlOn();
    } else {
        link.PcControlOff();
    }
}

void LiveController::pcControlOn() {
    if (m_panel.permits(interlock::Command::PcControl) && m_panel.link().portOpen()) {
        m_panel.link().PcControlOn();
    }
}

void LiveController::pcControlOff() {
    if (m_panel.permits(interlock::Command::PcControl) && m_panel.link().portOpen()) {
        m_panel.link().PcControlOff();
    }
}

// During a transfer the board is inside the image: the shutdown sends nothing rather than a
// byte the board would store.
void LiveController::pcOffAtShutdown() {
    if (m_panel.link().portOpen() && m_panel.permits(interlock::Command::PcControl)) {
        m_panel.link().PcControlOff();
    }
}

bool LiveController::eventFilter(QObject* watched, QEvent* event) {
    const auto& offsets = m_channels.offsetBoxes;
    const int channel = int(std::find(offsets.begin(), offsets.end(), watched) - offsets.begin());
    if (channel == kChannelCount) {
        return false;
    }
    if (event->type() == QEvent::KeyPress) {
        const auto& keyEvent = *static_cast<QKeyEvent*>(event);
        if (isEditingShortcut(keyEvent)) {
            return false;
        }
        const std::optional<int> typed = typedCharacter(keyEvent);
        if (!typed) {
            return false;
        }
        int key = *typed;
        offsetKey(channel, key);
        // Enter has done its work; the box has nothing more to do with it.
        return key == kDiscarded || key == kEnter;
    }
    // Only focus moving to another control of the window leaves the box; another window or a
    // popup coming up leaves it as it is, so a half-typed offset is not sent.
    if (event->type() == QEvent::FocusOut) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason) {
            leaveOffset(channel);
        }
    }
    return false;
}
