#include "LiveController.h"

#include "board/ChannelMoves.h"
#include "core/NumberText.h"
#include "core/Rounding.h"
#include "ui/panel/Panel.h"
#include "ui/shell/Form1.h"
#include "ui/shell/SlideControl.h"
#include "ui/shell/SwitchControl.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

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
        // Paste and the other shortcuts would slip text past the filter.
        return kControlCharacter;
    }
    const QString text = event.text();
    if (text.isEmpty()) {
        return std::nullopt;
    }
    return static_cast<int>(text.at(0).unicode());
}

} // namespace

LiveController::LiveController(Form1& form) : m_form(form) {
    for (SlideControl* slide : form.channelsFrame().sliders) {
        connect(slide, &SlideControl::valueChanged, this,
                [this](int index, double value) { CWSlide1_PointerValueChanged(index, value); });
    }
    for (int c = 0; c < kChannelCount; ++c) {
        form.channelsFrame().offsetBoxes[c]->installEventFilter(this);
        form.channelsFrame().angleBoxes[c]->installEventFilter(this);
    }
    connect(form.sideColumn().pcControlSwitch, &SwitchControl::valueChanged, this,
            [this](bool on) { CWButtonMainOnOff_ValueChanged(on); });
    connect(form.sideColumn().onButton, &QPushButton::clicked, this,
            [this] { CommandStart_Click(); });
    connect(form.sideColumn().offButton, &QPushButton::clicked, this,
            [this] { CommandStop_Click(); });
    connect(&form.panel(), &Panel::shutdownWork, this, [this] { pcOff(); });
}

void LiveController::CWSlide1_PointerValueChanged(int index, double value) {
    m_form.panel().board().moves().move(index, value);
    const QLocale& locale = m_form.panel().list().locale();
    m_form.channelsFrame().offsetBoxes[index]->setText(
        numbertext::halfSteps(value - kCentre, locale));
    m_form.channelsFrame().angleBoxes[index]->setText(
        numbertext::halfSteps((value - kCentre) * 64.0 / 128.0, locale) +
        numbertext::kDegreeSuffix);
}

void LiveController::syncBoard() {
    std::array<double, kChannelCount> positions{};
    for (int c = 0; c < kChannelCount; ++c) {
        positions[size_t(c)] = m_form.channelsFrame().sliders[c]->value();
    }
    m_form.panel().board().moves().sendUnheld(positions);
}

void LiveController::Text1_KeyPress(int index, int& key) {
    if (index >= kChannelCount) {
        key = kDiscarded;
        return;
    }
    if (key == kEnter) {
        commitOffset(index);
        return;
    }
    if (key == kBackspace || key == kMinus || (key >= '0' && key <= '9')) {
        return;
    }
    key = kDiscarded;
}

void LiveController::Text1_LostFocus(int index) {
    int key = kEnter;
    Text1_KeyPress(index, key);
}

// Empty text commits as 0, and so does text that is not a number (a lone "-", "1-2"), so the
// slider never sees garbage; the box then shows the value the slider takes.
void LiveController::commitOffset(int channel) {
    QLineEdit* box = m_form.channelsFrame().offsetBoxes[channel];
    const double typed =
        numbertext::parse(box->text(), m_form.panel().list().locale()).value_or(0.0);
    const int offset = qBound(kOffsetMin, rounding::toInt32(typed), kOffsetMax);
    box->setText(QString::number(offset));
    m_form.channelsFrame().sliders[channel]->setValue(offset + kCentre);
}

void LiveController::CWButtonMainOnOff_ValueChanged(bool on) {
    if (!m_form.panel().permits(interlock::Command::PcControl)) {
        // Nothing reached the board, so the switch keeps telling how things stand.
        m_form.sideColumn().pcControlSwitch->setValueSilently(!on);
        return;
    }
    if (!m_form.panel().link().portOpen()) {
        m_form.inform(Form1::kNoConnection);
        m_form.sideColumn().pcControlSwitch->setValueSilently(false);
        return;
    }
    if (on) {
        m_form.panel().link().PcControlOn();
    } else {
        m_form.panel().link().PcControlOff();
    }
}

void LiveController::CommandStart_Click() {
    if (m_form.panel().permits(interlock::Command::PcControl) && m_form.panel().link().portOpen()) {
        m_form.panel().link().PcControlOn();
    }
}

void LiveController::CommandStop_Click() {
    if (m_form.panel().permits(interlock::Command::PcControl) && m_form.panel().link().portOpen()) {
        m_form.panel().link().PcControlOff();
    }
}

// During a transfer the board is inside the image: the shutdown sends nothing rather than a
// byte the board would store.
void LiveController::pcOff() {
    if (m_form.panel().link().portOpen() && m_form.panel().permits(interlock::Command::PcControl)) {
        m_form.panel().link().PcControlOff();
    }
}

int LiveController::boxIndex(const QObject* box) const {
    for (int i = 0; i < kChannelCount; ++i) {
        if (m_form.channelsFrame().offsetBoxes[i] == box) {
            return i;
        }
        if (m_form.channelsFrame().angleBoxes[i] == box) {
            return i + kChannelCount;
        }
    }
    return -1;
}

bool LiveController::eventFilter(QObject* watched, QEvent* event) {
    const int index = boxIndex(watched);
    if (index < 0) {
        return false;
    }
    if (event->type() == QEvent::KeyPress) {
        const std::optional<int> typed = typedCharacter(*static_cast<QKeyEvent*>(event));
        if (!typed) {
            return false;
        }
        int key = *typed;
        Text1_KeyPress(index, key);
        // Enter has done its work; the box has nothing more to do with it.
        return key == kDiscarded || key == kEnter;
    }
    // Only focus moving to another control of the window leaves the box; another window or a
    // popup coming up leaves it as it is, so a half-typed offset is not sent.
    if (event->type() == QEvent::FocusOut) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason) {
            Text1_LostFocus(index);
        }
    }
    return false;
}
