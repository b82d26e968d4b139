#include "FlashController.h"

#include "core/BoardCommands.h"
#include "core/flash/FlashImage.h"
#include "ui/sequence/SequenceHistory.h"
#include "ui/shell/ClickableViews.h"
#include "ui/shell/Form1.h"
#include "ui/shell/SlideControl.h"
#include "ui/shell/SwitchControl.h"

#include <QAction>
#include <QObject>
#include <QPushButton>

#include <memory>

FlashController::FlashController(Form1& form) : m_form(form) {
    QObject::connect(form.CommandFlash, &QPushButton::clicked, &form, [this] { CommandFlash_Click(); });
    QObject::connect(form.Command1, &QPushButton::clicked, &form, [this] { Command1_Click(); });
    QObject::connect(form.CommandRead, &QPushButton::clicked, &form, [this] { CommandRead_Click(); });
    QObject::connect(form.CommandVerify, &QPushButton::clicked, &form, [this] { CommandVerify_Click(); });
    QObject::connect(form.menuVerifyFlash, &QAction::triggered, &form, [this] { CommandVerify_Click(); });
    QObject::connect(form.CommandErase, &QPushButton::clicked, &form, [this] { CommandErase_Click(); });
    QObject::connect(form.CWButtonRealEmu, &SwitchControl::valueChanged, &form,
                     [this](bool on) { CWButtonRealEmu_ValueChanged(on); });
}

QString FlashController::programmingLostText() {
    return QObject::tr("The connection was lost during programming. The board's flash is "
                       "incomplete: program the sequence again when the board is back.");
}

QString FlashController::readLostText() {
    return QObject::tr("The connection was lost while reading the flash. The list is unchanged.");
}

// ---- programming

void FlashController::CommandFlash_Click() {
    Declaration& d = m_form.declaration;
    if (!m_form.permits(interlock::Command::Program)) {
        return;
    }
    if (!m_form.link->portOpen()) {
        m_form.inform(Form1::kNoConnection);
        return;
    }
    const int lines = m_form.sequenceList.count();
    // An image the board cannot hold must not reach its flash at all.
    if (const auto bad = flashimage::findUnstorable(d.SequenceBuffer, lines)) {
        m_form.inform(flashimage::unstorableMessage(*bad));
        return;
    }
    m_form.Echo->setText(QString());
    if (m_form.CWButtonMainOnOff->value()) {
        m_form.CWButtonMainOnOff->setValue(false);
    }
    d.AbortRequested = false;
    m_form.ProgressBarFlash->setValue(0);
    m_form.ProgressBarFlash->setVisible(true);
    m_form.ProgressBarFlash->setAxisMaximum(lines - 1);
    flashimage::packImage(d.SequenceBuffer, lines, d.FlashImage);

    d.AwaitingAck = true;
    m_form.Command1->setEnabled(true);
    const qint32 n = flashimage::byteCount(lines);
    d.ReplyDone = false;
    if (!sendTransferByte(board::FlashProgram) || !sendTransferByte(static_cast<quint8>(n / 256)) ||
        !sendTransferByte(static_cast<quint8>(n % 256))) {
        endProgramming(boardwait::End::PortLost, Wait::Header, 0);
        return;
    }
    if (!awaitAck(Wait::Header, 0)) {
        return;
    }

    const int divisor = flashimage::progressDivisor(lines);
    for (int i = 0; i < n; ++i) {
        d.ReplyDone = false;
        if (!sendTransferByte(flashimage::wireByte(d.FlashImage, i))) {
            endProgramming(boardwait::End::PortLost, Wait::Block, i);
            return;
        }
        if (i % divisor == 0) {
            m_form.ProgressBarFlash->setValue(i / double(kFlashStepBytes));
        }
        if (flashimage::blockEnds(i + 1) && !awaitAck(Wait::Block, i)) {
            return;
        }
    }
    programmingDone();
}

bool FlashController::sendTransferByte(quint8 byte) {
    return m_form.link->transferByte(byte) == BoardLink::Sent::Yes && m_form.link->portOpen();
}

bool FlashController::awaitAck(Wait which, int lastByteSent) {
    Declaration& d = m_form.declaration;
    const boardwait::End end =
        boardwait::waitUntil([&d] { return d.ReplyDone; }, d, *m_form.MSComm1);
    if (end == boardwait::End::Done) {
        return true;
    }
    endProgramming(end, which, lastByteSent);
    return false;
}

void FlashController::endProgramming(boardwait::End how, Wait which, int lastByteSent) {
    Declaration& d = m_form.declaration;
    d.AwaitingAck = false;
    if (how == boardwait::End::Closing) {
        return; // the window is going away: give the line back and nothing more
    }
    m_form.transferEnded();
    d.AbortRequested = false;
    m_form.Command1->setEnabled(false);
    m_form.ProgressBarFlash->setVisible(false);
    if (how == boardwait::End::PortLost) {
        m_form.inform(programmingLostText());
    } else if (which == Wait::Header) {
        m_form.inform(kHeaderAbort);
    } else {
        m_form.inform(kBlockAbortPrefix + QString::number(lastByteSent));
    }
}

void FlashController::programmingDone() {
    m_form.declaration.AwaitingAck = false;
    m_form.transferEnded();
    m_form.Command1->setEnabled(false);
    m_form.ProgressBarFlash->setVisible(false);
    m_form.inform(kProgrammed);
}

void FlashController::Command1_Click() {
    if (!m_form.permits(interlock::Command::Abort)) {
        return;
    }
    m_form.declaration.AbortRequested = true;
    m_form.Command1->setEnabled(false);
}

// ---- read-back and erase

void FlashController::CommandRead_Click() {
    if (!m_form.permits(interlock::Command::Read)) {
        return;
    }
    if (readFlash()) {
        storeRead();
    }
}

void FlashController::CommandVerify_Click() {
    if (!m_form.permits(interlock::Command::Verify)) {
        return;
    }
    if (!m_form.link->portOpen()) {
        m_form.inform(Form1::kNoConnection);
        return;
    }
    Declaration& d = m_form.declaration;
    // A list that programming would refuse cannot be what the flash holds.
    if (const auto bad = flashimage::findUnstorable(d.SequenceBuffer, m_form.sequenceList.count())) {
        m_form.inform(flashimage::unstorableMessage(*bad));
        return;
    }
    if (!readFlash()) {
        return;
    }
    const flashimage::Comparison comparison =
        flashimage::compareImage(d.SequenceBuffer, m_form.sequenceList.count(), d.FlashImage,
                                 flashimage::readRows(d.FlashByteCount));
    m_form.ProgressBarFlash->setVisible(false);
    m_form.inform(flashimage::comparisonMessage(comparison, m_form.sequenceList.locale()));
}

bool FlashController::readFlash() {
    Declaration& d = m_form.declaration;
    SerialControl& comm = *m_form.MSComm1;
    // Without a board there is nothing to read; an old image must not pass for its flash.
    if (!m_form.link->portOpen()) {
        m_form.inform(Form1::kNoConnection);
        return false;
    }
    m_form.Echo->setText(QString());
    comm.setInputLen(0);
    comm.input();
    comm.setInputLen(2);
    comm.setRThreshold(2);
    comm.setInputMode(SerialControl::InputMode::Binary);
    m_form.ProgressBarFlash->setVisible(true);

    d.AbortRequested = false; // an Abort left over from before must not end this read
    d.ReadingFlash = true;
    d.ReplyDone = false;
    m_form.Command1->setEnabled(true);
    if (!sendTransferByte(board::FlashRead)) {
        readLost();
        return false;
    }
    switch (boardwait::waitUntil([&d] { return d.ReplyDone; }, d, comm)) {
    case boardwait::End::Done:
        break;
    case boardwait::End::Aborted:
        d.ReadingFlash = false;
        d.AbortRequested = false;
        m_form.ProgressBarFlash->setVisible(false);
        // After an overflow the receive handler kept what had arrived; otherwise nothing.
        if (m_form.Echo->text() != ReceiveHandler::kOverflow) {
            closeRead();
            return false;
        }
        break;
    case boardwait::End::PortLost:
        readLost();
        return false;
    case boardwait::End::Closing:
        d.ReadingFlash = false;
        return false;
    }
    closeRead();
    return true;
}

void FlashController::closeRead() {
    SerialControl& comm = *m_form.MSComm1;
    m_form.declaration.ReadingFlash = false;
    m_form.Command1->setEnabled(false);
    comm.setInputLen(0);
    if (comm.portOpen()) {
        comm.input();
    }
    comm.setInputLen(1);
    comm.setRThreshold(1);
    comm.setInputMode(SerialControl::InputMode::Binary);
    m_form.transferEnded();
}

void FlashController::readLost() {
    m_form.declaration.AbortRequested = false;
    closeRead();
    m_form.ProgressBarFlash->setVisible(false);
    m_form.inform(readLostText());
}

void FlashController::storeRead() {
    Declaration& d = m_form.declaration;
    const int rows = flashimage::readRows(d.FlashByteCount);
    if (rows == 0) {
        m_form.ProgressBarFlash->setVisible(false);
        m_form.inform(kNothingToRead);
        return;
    }
    // Decoded aside first: the table changes only together with the list.
    auto decoded = std::make_unique<SequenceTable>(d.SequenceBuffer);
    const QStringList lines =
        flashimage::decodeImage(d.FlashImage, rows, *decoded, m_form.sequenceList.locale());
    const auto step = m_form.history->step(QObject::tr("Read Seq."));
    // Replacing the list also clears every breakpoint: no flag stays without its mark.
    const EditOutcome replaced = m_form.editor.replaceAll(lines);
    m_form.ProgressBarFlash->setVisible(false);
    if (replaced != EditOutcome::Done) {
        m_form.inform(QObject::tr("The steps read from the flash do not fit the list; the list is "
                                  "unchanged."));
        return;
    }
    m_form.inform(kRead);
}

void FlashController::CommandErase_Click() {
    if (m_form.permits(interlock::Command::Erase) && m_form.link->portOpen()) {
        m_form.link->FlashErase();
    }
}

// ---- board-side playback

void FlashController::CWButtonRealEmu_ValueChanged(bool on) {
    SwitchControl* realEmu = m_form.CWButtonRealEmu;
    if (!m_form.permits(on ? interlock::Command::RealEmuOn : interlock::Command::RealEmuOff)) {
        // Nothing goes out, so the switch stays where the board is.
        realEmu->setValueSilently(!on);
        return;
    }
    if (!m_form.link->portOpen()) {
        m_form.inform(Form1::kNoConnection);
        realEmu->setValueSilently(false);
        if (!on) {
            // Switched off while the board was unreachable: the other modes are free again.
            m_form.CWButtonEmuPC->setEnabled(true);
            m_form.CWButtonManual->setEnabled(true);
        }
        return;
    }
    m_form.CWButtonEmuPC->setEnabled(false);
    m_form.CWButtonManual->setEnabled(false);
    if (on) {
        if (m_form.link->portOpen()) {
            m_form.link->BoardPlayStart();
        }
    } else {
        realEmu->setEnabled(true);
        m_form.CWButtonEmuPC->setEnabled(true);
        m_form.CWButtonManual->setEnabled(true);
        if (m_form.link->portOpen()) {
            m_form.link->BoardPlayStop();
        }
    }
}
