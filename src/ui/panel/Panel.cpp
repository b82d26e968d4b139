#include "Panel.h"

#include "SequenceHistory.h"

#include "board/Board.h"
#include "board/ChannelMoves.h"
#include "board/PcPlayback.h"
#include "link/SerialControl.h"

Panel::Panel(std::unique_ptr<SerialTransport> transport, const portmap::Lookup& lookup,
             QObject* parent)
    : QObject(parent) {
    setObjectName(QStringLiteral("panel"));
    m_serial = new SerialControl(
        std::move(transport), [lookup](int port) { return lookup(port).device; }, this);
    m_serial->setObjectName(QStringLiteral("MSComm1"));
    m_board = std::make_unique<Board>(*m_serial, m_editor);
    m_board->setFrontEndActivities([this] {
        return m_interpDialogOpen ? interlock::Activities(interlock::InterpDialog) : 0u;
    });
    connect(m_board.get(), &Board::refused, this, &Panel::refused);
    m_history = std::make_unique<SequenceHistory>(m_editor, *m_board);
}

Panel::~Panel() = default;

BoardLink& Panel::link() {
    return m_board->link();
}

HiResTimer& Panel::clock() {
    return m_board->pcPlayback().clock();
}

interlock::Activities Panel::activities() const {
    return m_board->activities();
}

interlock::Decision Panel::decide(interlock::Command command) {
    return m_board->decide(command);
}

const ChannelSetup& Panel::channelSetup() const {
    return m_board->moves().channelSetup();
}

void Panel::setChannelSetup(const ChannelSetup& setup) {
    m_board->moves().setChannelSetup(setup);
    m_list.setMarkReason([setup](const stepline::StepValues& values) {
        return setup.limitedReason(channelPositions(values));
    });
    emit channelSetupChanged();
}

void Panel::runShutdownWork() {
    const BoardLink::Stop stop(m_board->link());
    emit shutdownWork();
}
